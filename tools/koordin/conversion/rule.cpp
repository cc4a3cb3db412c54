#include "tools/koordin/conversion/rule.h"

#include "tools/koordin/cli/nearest_name.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"

#include <fnmatch.h>

#include <algorithm>

namespace koordin_cli {

const std::vector<StyleName>& StyleNames() {
  static const std::vector<StyleName> kNames = {
      {"unknown", {0}},
      {"waypoint", {1}},
      {"turnpoint", {1}},
      {"grass-airfield", {2}},
      {"outlanding", {3}},
      {"gliding-airfield", {4}},
      {"solid-airfield", {5}},
      {"mountain-pass", {6}},
      {"mountain-top", {7}},
      {"mast", {8}},
      {"vor", {9}},
      {"ndb", {10}},
      {"cooling-tower", {11}},
      {"dam", {12}},
      {"tunnel", {13}},
      {"bridge", {14}},
      {"power-plant", {15}},
      {"castle", {16}},
      {"intersection", {17}},
      {"marker", {18}},
      {"reporting-point", {19}},
      {"paraglider-takeoff", {20}},
      {"paraglider-landing", {21}},
      {"airfield", {2, 4, 5}},
      {"landable", {2, 3, 4, 5}},
  };
  return kNames;
}

namespace {

// The style group of the places to land, which rank first.
constexpr const char* kLandableStyles = "landable";
// How many waypoints a message lists at the most, and how many names it suggests.
constexpr std::size_t kListedPlaces = 5;
constexpr std::size_t kSuggestedNames = 3;

// `text` as the style names are written: lower case, words joined by "-".
std::string StyleKey(const std::string& text) {
  std::string key;
  for (const char c : text) {
    key += (c == ' ' || c == '_') ? '-' : LowerAscii(c);
  }
  return key;
}

std::set<int> StylesChosen(const std::vector<std::string>& names) {
  std::set<int> styles;
  for (const std::string& name : names) {
    if (const std::optional<long long> number = ParseInteger(name)) {
      if (*number < 0 || *number > kLastStyle) {
        throw ChoiceError("--style " + name + ": styles run from 0 to " +
                          std::to_string(kLastStyle));
      }
      styles.insert(static_cast<int>(*number));
      continue;
    }
    const auto& known = StyleNames();
    const auto found = std::find_if(known.begin(), known.end(), [&](const StyleName& entry) {
      return StyleKey(name) == entry.name;
    });
    if (found == known.end()) {
      std::string list;
      for (const StyleName& entry : known)
        list += (list.empty() ? "" : ", ") + std::string(entry.name);
      throw ChoiceError("--style " + name + ": not a waypoint style (" + list + ", or 0 to " +
                        std::to_string(kLastStyle) + ")");
    }
    styles.insert(found->styles.begin(), found->styles.end());
  }
  return styles;
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& name) {
  if (!patterns.empty()) UseTransliterationLocale();
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
  });
}

}  // namespace

PlaceFinder::PlaceFinder(std::string near)
    : near_(std::move(near)),
      key_(SearchKey(near_)),
      position_(!near_.empty() && ParsePosition(near_).has_value()) {}

void PlaceFinder::See(const Waypoint& waypoint) {
  if (exact_) return;
  const Seen seen{waypoint.name, {waypoint.latitude, waypoint.longitude}};
  if (waypoint.name == near_) {
    exact_ = seen;
    return;
  }
  if (folded_ || key_.empty()) return;
  const std::string name = SearchKey(waypoint.name);
  if (name == key_) {
    folded_ = seen;
    return;
  }
  if (code_ || position_) return;
  if (!waypoint.code.empty() && SearchKey(waypoint.code) == key_) {
    code_ = seen;
    return;
  }
  if (name.find(key_) != std::string::npos) {
    if (holding_.size() < kListedPlaces) holding_.push_back(seen);
    ++holdingCount_;
    return;
  }
  if (holdingCount_ > 0) return;
  // The nearest names, as a suggestion when nothing else is found.
  const std::size_t edits = EditDistance(key_, name);
  if (edits > std::max<std::size_t>(2, key_.size() / 3)) return;
  nearest_.emplace_back(edits, waypoint.name);
  std::stable_sort(nearest_.begin(), nearest_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  if (nearest_.size() > kSuggestedNames) nearest_.pop_back();
}

NearPlace PlaceFinder::Place() const {
  for (const std::optional<Seen>* found : {&exact_, &folded_, &code_}) {
    if (*found) return {(*found)->position, (*found)->name};
  }
  if (const std::optional<GeoPosition> position = ParsePosition(near_)) return {*position, near_};
  if (holdingCount_ == 1) return {holding_.front().position, holding_.front().name};
  const std::string what = "--near " + near_ + ": ";
  std::vector<std::string> names;
  if (holdingCount_ > 1) {
    for (std::size_t i = 0; i < holding_.size() && i < kListedPlaces; ++i)
      names.push_back(Quoted(holding_[i].name));
    if (holdingCount_ > kListedPlaces)
      names.push_back(WithThousands(holdingCount_ - kListedPlaces) + " more");
    throw ChoiceError(what + WithThousands(holdingCount_) + " turnpoints have it in their names: " +
                      JoinedInWords(names, "and") + "; give more of the name, or its code");
  }
  for (const auto& entry : nearest_) names.push_back(Quoted(entry.second));
  throw ChoiceError(what +
                    "neither a turnpoint of the source nor a position (48.63,9.43, "
                    "48°37'50\"N 9°25'49\"E or 4837.833N 00925.817E)" +
                    (names.empty() ? "" : "; did you mean " + JoinedInWords(names, "or") + "?"));
}

Rule::Rule(const Choices& choices, bool namesRequired)
    : choices_(choices), namesRequired_(namesRequired) {
  if (choices.radiusKm && choices.near.empty()) throw ChoiceError("--radius needs --near");
  if (choices.radiusKm && !(*choices.radiusKm >= 0)) {
    throw ChoiceError("--radius " + FormatDecimal(*choices.radiusKm, 3) + ": not a distance");
  }
  styles_ = StylesChosen(choices.styles);
  landable_ = StylesChosen({kLandableStyles});
}

Decision Rule::Judge(const Waypoint& waypoint, const std::optional<GeoPosition>& place) const {
  Decision decision;
  if (place) decision.distanceKm = DistanceKm(*place, {waypoint.latitude, waypoint.longitude});
  if (namesRequired_ && TrimRight(waypoint.name).empty()) {
    decision.reason = DropReason::kNoName;
  } else if (!choices_.only.empty() && !MatchesAny(choices_.only, waypoint.name)) {
    decision.reason = DropReason::kNotMatchedByOnly;
  } else if (MatchesAny(choices_.exclude, waypoint.name)) {
    decision.reason = DropReason::kExcluded;
  } else if (!styles_.empty() && styles_.count(waypoint.style) == 0) {
    decision.reason = DropReason::kStyleNotChosen;
  } else if (choices_.radiusKm && decision.distanceKm &&
             *decision.distanceKm > *choices_.radiusKm) {
    decision.reason = DropReason::kOutsideRadius;
  }
  return decision;
}

bool Rule::Chooses(const Task& task) const {
  return choices_.tasks.empty() || MatchesAny(choices_.tasks, task.name);
}

Candidate Rule::Rank(const Waypoint& waypoint, std::size_t index, const Decision& decision) const {
  return {index, decision.distanceKm, waypoint.name, landable_.count(waypoint.style) > 0};
}

bool Rule::RanksBefore(const Candidate& a, const Candidate& b) const {
  if (choices_.ranking == Ranking::kLandingPlacesFirst && a.landable != b.landable)
    return a.landable;
  if (a.distanceKm != b.distanceKm) return a.distanceKm < b.distanceKm;
  return a.index < b.index;
}

}  // namespace koordin_cli
