#include "tools/koordin/conversion/conversion.h"

#include "tools/koordin/conversion/control_characters.h"

#include <memory>
#include <utility>

namespace koordin_cli {

namespace {

// The first pass: the tasks as read and as the choice sees them, and the place of --near.
class FirstPass : public DocumentSink {
 public:
  FirstPass(const std::string& near, bool clean)
      : finder(near), clean_(clean), near_(!near.empty()) {}
  bool WantsWaypoints() const override { return near_; }
  void AddWaypoint(Waypoint waypoint) override {
    if (clean_) ReplaceControlCharacters(waypoint, untold_);
    finder.See(waypoint);
  }
  void AddTask(Task task) override {
    read.push_back(task);
    if (clean_) ReplaceControlCharacters(task, untold_);
    seen.push_back(std::move(task));
  }

  PlaceFinder finder;
  std::vector<Task> read;
  std::vector<Task> seen;

 private:
  bool clean_;
  bool near_;  // only --near needs the waypoints
  Diagnostics untold_{Diagnostics::Keeping::kFewOfEachKind};
};

// The second pass: each waypoint offered to the chooser, and given to a target without limits
// when kept.
class SecondPass : public DocumentSink {
 public:
  SecondPass(Chooser& chooser, Target& target, bool clean, bool limited)
      : chooser_(chooser), target_(target), clean_(clean), limited_(limited) {}
  void AddWaypoint(Waypoint waypoint) override {
    bool kept = false;
    if (clean_) {
      Waypoint seen = waypoint;
      ReplaceControlCharacters(seen, untold_);
      kept = chooser_.Offer(seen, waypoint);
    } else {
      kept = chooser_.Offer(waypoint, waypoint);
    }
    if (kept && !limited_) target_.Add(std::move(waypoint));
  }
  void AddTask(Task) override {}

 private:
  Chooser& chooser_;
  Target& target_;
  bool clean_;
  bool limited_;
  Diagnostics untold_{Diagnostics::Keeping::kFewOfEachKind};
};

// Counts nothing: a pass that only reads.
class Nowhere : public DocumentSink {
 public:
  void AddWaypoint(Waypoint) override {}
  void AddTask(Task) override {}
};

}  // namespace

std::string Convert(const Choices& choices, const SourcePass& read, Target& target,
                    Diagnostics& sourceWarnings, Diagnostics& targetWarnings,
                    const std::function<void()>& sourceRead, ChoiceRecord* record) {
  const bool clean = target.CleansTexts();
  // The first pass's warnings are the second's, which reads everything.
  Diagnostics untold(Diagnostics::Keeping::kFewOfEachKind);
  FirstPass first(choices.near, clean);
  read(untold, first);

  std::optional<Capacities> limits;
  std::unique_ptr<Chooser> chooser;
  try {
    limits = target.Limits();
    std::optional<NearPlace> place;
    if (!choices.near.empty()) place = first.finder.Place();
    chooser = std::make_unique<Chooser>(choices, limits, std::move(first.seen), place,
                                        targetWarnings, record);
  } catch (...) {
    Nowhere nowhere;
    read(sourceWarnings, nowhere);
    sourceRead();
    throw;
  }
  SecondPass second(*chooser, target, clean, limits.has_value());
  if (limits) {
    read(sourceWarnings, second);
    sourceRead();
    return target.End(chooser->Finish(std::move(first.read)));
  }
  const std::vector<Task> tasks = chooser->Finish(std::move(first.read)).tasks;
  target.Begin(tasks);
  read(sourceWarnings, second);
  sourceRead();
  return target.End(Document());
}

}  // namespace koordin_cli
