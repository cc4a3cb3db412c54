#include "tools/koordin/conversion/conversion.h"

#include "tools/koordin/conversion/control_characters.h"

#include <map>
#include <memory>
#include <utility>

namespace koordin_cli {

namespace {

// The first pass: the tasks as the choice sees them, each also as read where that differs, and the
// place of --near.
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
    if (clean_ && HoldsControlCharacters(task)) {
      read.emplace(seen.size(), task);
      ReplaceControlCharacters(task, untold_);
    }
    seen.push_back(std::move(task));
  }

  PlaceFinder finder;
  std::map<std::size_t, Task> read;  // by index, the tasks the choice sees otherwise
  std::vector<Task> seen;

 private:
  bool clean_;
  bool near_;  // only --near needs the waypoints
  Diagnostics untold_{Diagnostics::Keeping::kFewOfEachKind};
};

// The second pass: each waypoint offered to the chooser, and given to a target without limits
// when kept. The source's warnings about a waypoint that the filters leave out are no loss, and
// are not told: each waypoint's are held until it is offered.
class SecondPass : public DocumentSink {
 public:
  SecondPass(Chooser& chooser, Target& target, bool clean, bool limited, Diagnostics& warnings)
      : chooser_(chooser), target_(target), clean_(clean), limited_(limited), told_(warnings) {}

  // Where the reader warns.
  Diagnostics& held() { return held_; }
  // Tells the warnings held; called when the reader is done.
  void Tell() { held_.PassTo(told_); }

  void BeginWaypoint(int line) override {
    Tell();
    line_ = line;
  }
  void AddWaypoint(Waypoint waypoint) override {
    Chooser::Offered offered{};
    if (clean_) {
      Waypoint seen = waypoint;
      ReplaceControlCharacters(seen, untold_);
      offered = chooser_.Offer(seen, waypoint, line_);
    } else {
      offered = chooser_.Offer(waypoint, waypoint, line_);
    }
    if (offered.filteredOut && line_ > 0) held_ = Diagnostics(Diagnostics::Keeping::kFewOfEachKind);
    Tell();
    line_ = 0;
    if (offered.kept && !limited_) target_.Add(std::move(waypoint));
  }
  void AddTask(Task) override {
    Tell();
    line_ = 0;
  }

 private:
  Chooser& chooser_;
  Target& target_;
  bool clean_;
  bool limited_;
  Diagnostics& told_;
  Diagnostics held_{Diagnostics::Keeping::kFewOfEachKind};
  int line_ = 0;  // where the waypoint being read begins, 0 when the reader does not say
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
  SecondPass second(*chooser, target, clean, limits.has_value(), sourceWarnings);
  const auto readSecond = [&] {
    try {
      read(second.held(), second);
    } catch (...) {
      second.Tell();
      throw;
    }
    second.Tell();
    sourceRead();
  };
  if (limits) {
    readSecond();
    return target.End(chooser->Finish(std::move(first.read)));
  }
  const std::vector<Task> tasks = chooser->Finish(std::move(first.read)).tasks;
  target.Begin(tasks);
  readSecond();
  return target.End(Document());
}

}  // namespace koordin_cli
