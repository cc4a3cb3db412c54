#include "tools/koordin/conversion/rule.h"

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

bool ZonesNumberEveryEntry(const Task& task) {
  constexpr std::string_view kZone = "ObsZone=";
  long long highest = -1;
  for (const std::string& line : task.cupOptions) {
    const std::string_view text = TrimBlanks(line);
    if (text.size() <= kZone.size() || !EqualsIgnoringCase(text.substr(0, kZone.size()), kZone)) {
      continue;
    }
    const std::string_view rest = text.substr(kZone.size());
    if (const auto index = ParseInteger(TrimBlanks(rest.substr(0, rest.find(','))))) {
      highest = std::max(highest, *index);
    }
  }
  return !task.points.empty() && highest + 1 >= static_cast<long long>(task.points.size());
}

}  // namespace

FlownRange FlownPoints(const Task& task) {
  const std::size_t count = task.points.size();
  if (ZonesNumberEveryEntry(task)) return {0, count};
  if (count < 2) return {count, count};
  return {1, count - 1};
}

void PlaceFinder::See(const Waypoint& waypoint) {
  if (!exact_ && waypoint.name == near_)
    exact_ = GeoPosition{waypoint.latitude, waypoint.longitude};
  if (!anyCase_ && EqualsIgnoringCase(waypoint.name, near_)) {
    anyCase_ = GeoPosition{waypoint.latitude, waypoint.longitude};
  }
}

GeoPosition PlaceFinder::Place() const {
  if (exact_) return *exact_;
  if (anyCase_) return *anyCase_;
  if (const std::optional<GeoPosition> position = ParsePosition(near_)) return *position;
  throw ChoiceError("--near " + near_ +
                    ": neither a turnpoint of the source nor a position (48.63,9.43, "
                    "48°37'50\"N 9°25'49\"E or 4837.833N 00925.817E)");
}

Rule::Rule(const Choices& choices, bool namesRequired)
    : choices_(choices), namesRequired_(namesRequired) {
  if (choices.radiusKm && choices.near.empty()) throw ChoiceError("--radius needs --near");
  if (choices.radiusKm && !(*choices.radiusKm >= 0)) {
    throw ChoiceError("--radius " + FormatDecimal(*choices.radiusKm, 3) + ": not a distance");
  }
  styles_ = StylesChosen(choices.styles);
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

bool Rule::RanksBefore(const Candidate& a, const Candidate& b) {
  if (a.distanceKm != b.distanceKm) return a.distanceKm < b.distanceKm;
  return a.index < b.index;
}

}  // namespace koordin_cli
