#include "tools/koordin/conversion/chooser.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace koordin_cli {

Chooser::Chooser(const Choices& choices, const std::optional<Capacities>& capacities,
                 std::vector<Task> tasks, std::optional<NearPlace> place, Diagnostics& diagnostics,
                 ChoiceRecord* record)
    : capacities_(capacities),
      rule_(choices, capacities.has_value()),
      place_(std::move(place)),
      choices_(choices),
      diagnostics_(diagnostics),
      record_(record),
      tasks_(std::move(tasks)) {
  for (const Task& task : tasks_) {
    if (!rule_.Chooses(task)) continue;
    const FlownRange flown = FlownPoints(task);
    for (std::size_t p = flown.first; p < flown.last; ++p) {
      referenced_.insert(TrimRight(task.points[p]));
    }
  }
  if (record_ != nullptr) {
    record_->place = place_;
    record_->tasks = tasks_;
  }
}

Chooser::Offered Chooser::Offer(const Waypoint& seen, const Waypoint& read, int line) {
  const std::size_t index = count_++;
  const Decision decision =
      rule_.Judge(seen, place_ ? std::optional<GeoPosition>(place_->position) : std::nullopt);
  if (decision.reason == DropReason::kNoName) {
    const std::string where =
        line > 0 ? "on line " + std::to_string(line) : std::to_string(index + 1);
    diagnostics_.Warn("turnpoint " + where + " has no name: left out");
  }
  const bool passes = decision.reason == DropReason::kNone;
  std::string key = TrimRight(seen.name);
  const bool named = referenced_.count(key) > 0 && resolved_.count(key) == 0;
  if (named) {
    resolved_.emplace(std::move(key),
                      Resolved{index, passes, decision.reason == DropReason::kNoName});
    named_.insert(index);
  }
  if (record_ != nullptr) {
    record_->waypoints.push_back(seen);
    record_->turnpoints.push_back(decision);
    record_->lines.push_back(line);
  }
  const bool filteredOut = !passes && !named && decision.reason != DropReason::kNoName;
  if (!capacities_) {
    const bool kept = passes || named;
    if (kept && record_ != nullptr)
      record_->turnpoints.back() = {true, ++slotsGiven_, decision.distanceKm, DropReason::kNone};
    return {kept, filteredOut};
  }
  if (named) held_.emplace(index, read);
  if (!passes) return {false, filteredOut};
  ++candidateCount_;
  const auto ranks = [this](const Candidate& a, const Candidate& b) { return RanksBefore(a, b); };
  best_.push_back(rule_.Rank(seen, index, decision));
  std::push_heap(best_.begin(), best_.end(), ranks);
  held_.emplace(index, read);
  // Where warnings are kept few, those dropped beyond a few are only counted.
  if (diagnostics_.KeepsFew() &&
      best_.size() > static_cast<std::size_t>(capacities_->turnpoints) + kFewWarnings) {
    std::pop_heap(best_.begin(), best_.end(), ranks);
    const std::size_t worst = best_.back().index;
    best_.pop_back();
    if (named_.count(worst) == 0) held_.erase(worst);
  }
  return {false, false};
}

std::vector<Decision> Chooser::DecideRoutes(std::set<std::size_t>& kept) {
  std::vector<Decision> decisions(tasks_.size());
  int routeSlot = 0;
  for (std::size_t t = 0; t < tasks_.size(); ++t) {
    const Task& task = tasks_[t];
    Decision& decision = decisions[t];
    if (!rule_.Chooses(task)) {
      decision.reason = DropReason::kTaskNotChosen;
      continue;
    }
    const std::string what = "route " + Quoted(task.name);
    if (capacities_ && routeSlot == capacities_->routes) {
      decision.reason = DropReason::kNoSlotLeft;
      const std::string routes = std::to_string(capacities_->routes);
      diagnostics_.Warn(what + " dropped: the file holds " + routes + " routes",
                        "routes dropped: the file holds " + routes + "; choose with --tasks");
      continue;
    }
    std::set<std::size_t> needed;
    const FlownRange flown = FlownPoints(task);
    for (std::size_t p = flown.first; p < flown.last; ++p) {
      const auto found = resolved_.find(TrimRight(task.points[p]));
      if (found != resolved_.end() && !found->second.noName && kept.count(found->second.index) == 0)
        needed.insert(found->second.index);
    }
    if (capacities_ &&
        kept.size() + needed.size() > static_cast<std::size_t>(capacities_->turnpoints)) {
      decision.reason = DropReason::kTurnpointsDoNotFit;
      const std::string room = std::to_string(capacities_->turnpoints);
      diagnostics_.Warn(what +
                            " dropped: its turnpoints do not fit beside those of the routes "
                            "before it in " +
                            room + " slots",
                        "routes dropped: their turnpoints do not fit in the file's " + room +
                            "; choose with --tasks");
      continue;
    }
    kept.insert(needed.begin(), needed.end());
    decision.kept = true;
    decision.slot = ++routeSlot;
  }
  return decisions;
}

void Chooser::KeepBest(std::set<std::size_t>& kept) {
  const auto room = static_cast<std::size_t>(capacities_->turnpoints);
  std::size_t candidates = candidateCount_;
  for (const auto& entry : resolved_) {
    if (entry.second.passes && kept.count(entry.second.index) > 0) --candidates;
  }
  std::vector<Candidate> ranked;
  for (const Candidate& candidate : best_) {
    if (kept.count(candidate.index) == 0) ranked.push_back(candidate);
  }
  std::sort(ranked.begin(), ranked.end(),
            [this](const Candidate& a, const Candidate& b) { return RanksBefore(a, b); });
  const std::size_t fit = room > kept.size() ? room - kept.size() : 0;
  const std::size_t dropped = candidates > fit ? candidates - fit : 0;
  const auto message = [&](const Candidate& candidate) {
    return "turnpoint " + Quoted(candidate.name) + " dropped: the file holds " +
           std::to_string(room) + " turnpoints";
  };
  const std::size_t ofRoutes = kept.size();
  for (std::size_t r = 0; r < ranked.size() && r < fit; ++r) kept.insert(ranked[r].index);
  const std::vector<Candidate> keptRanked(ranked.begin(),
                                          ranked.begin() + std::min(fit, ranked.size()));
  const std::string group = KeptInWords(keptRanked, ofRoutes);
  if (dropped > kFewWarnings && diagnostics_.KeepsFew()) {
    diagnostics_.Warn(message(ranked[fit]), group, dropped);
  } else {
    for (std::size_t r = fit; r < ranked.size(); ++r) diagnostics_.Warn(message(ranked[r]), group);
  }
}

std::string Chooser::KeptInWords(const std::vector<Candidate>& kept, std::size_t ofRoutes) const {
  // Each rank kept: how many, and how far the farthest lies.
  struct Share {
    const char* noun;
    std::size_t count = 0;
    double reachKm = 0.0;
  };
  const bool landingFirst = choices_.ranking == Ranking::kLandingPlacesFirst;
  Share landing{"landing places"};
  Share others{"points"};
  for (const Candidate& candidate : kept) {
    Share& share = landingFirst && candidate.landable ? landing : others;
    ++share.count;
    share.reachKm = std::max(share.reachKm, candidate.distanceKm.value_or(0.0));
  }
  if (landing.count > 0) others.noun = "others";
  std::vector<std::string> parts;
  for (const Share* share : {&landing, &others}) {
    if (share->count == 0) continue;
    parts.push_back(WithThousands(share->count) + " " + share->noun);
    if (place_) parts.back() += " to " + FormatDecimal(std::round(share->reachKm), 0) + " km";
  }
  if (ofRoutes > 0) parts.push_back(WithThousands(ofRoutes) + " of routes");
  const std::string within =
      choices_.radiusKm ? " within " + FormatDecimal(*choices_.radiusKm, 3) + " km" : "";
  const std::string order = place_ ? "nearest to " + place_->name : "in file order";
  const char* advice = !place_             ? "choose with --near, --style or --only"
                       : choices_.radiusKm ? "choose fewer with --style or a smaller --radius"
                                           : "choose fewer with --style or --exclude";
  return "turnpoints" + within + " dropped; kept " + order + ": " + JoinedInWords(parts, "and") +
         "; " + advice;
}

Document Chooser::Finish(std::map<std::size_t, Task> read) {
  std::set<std::size_t> kept;
  const std::vector<Decision> routes = DecideRoutes(kept);
  Document chosen;
  if (capacities_) {
    KeepBest(kept);
    chosen.waypoints.reserve(kept.size());
    int slot = 0;
    for (const std::size_t i : kept) {
      chosen.waypoints.push_back(std::move(held_.at(i)));
      if (record_ != nullptr) {
        Decision& decision = record_->turnpoints[i];
        decision = {true, ++slot, decision.distanceKm, DropReason::kNone};
      }
    }
    if (record_ != nullptr) {
      for (Decision& decision : record_->turnpoints) {
        if (!decision.kept && decision.reason == DropReason::kNone)
          decision.reason = DropReason::kNoSlotLeft;
      }
    }
  }
  for (std::size_t t = 0; t < tasks_.size(); ++t) {
    if (!routes[t].kept) continue;
    const auto found = read.find(t);
    chosen.tasks.push_back(std::move(found != read.end() ? found->second : tasks_[t]));
  }
  if (record_ != nullptr) record_->routes = routes;
  return chosen;
}

}  // namespace koordin_cli
