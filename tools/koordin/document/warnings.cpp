#include "tools/koordin/document/warnings.h"

#include <set>

namespace koordin_cli {

namespace {

// The kind of a warning: its group when it has one, else its text with the quoted parts and the
// numbers left out.
std::string KindOf(const std::string& message, const std::string& group) {
  if (!group.empty()) return "group:" + group;
  std::string shape = "shape:";
  bool quoted = false;
  for (const char c : message) {
    if (c == '"') {
      quoted = !quoted;
      if (quoted) shape += "\"\"";
      continue;
    }
    if (quoted) continue;
    if (c >= '0' && c <= '9') {
      if (shape.back() != '#') shape += '#';
      continue;
    }
    shape += c;
  }
  return shape;
}

std::string Line(const std::string& file, const std::string& message) {
  return file + ": warning: " + message;
}

}  // namespace

void Diagnostics::Warn(std::string message, std::string group, std::size_t times) {
  if (told_.count(message) > 0) return;
  total_ += times;
  std::string kind = KindOf(message, group);
  std::size_t& count = perKind_[kind];
  const bool kept = !keepsFew_ || count < kFewWarnings;
  count += times;
  if (!kept) return;
  told_.insert(message);
  warnings_.push_back(std::move(message));
  groups_.push_back(std::move(group));
  kinds_.push_back(std::move(kind));
}

void Diagnostics::PassTo(Diagnostics& target) {
  std::map<std::string, std::size_t> kept;
  for (std::size_t i = 0; i < warnings_.size(); ++i) {
    ++kept[kinds_[i]];
    target.Warn(std::move(warnings_[i]), std::move(groups_[i]));
  }
  // Those only counted here are only counted there.
  for (const auto& [kind, count] : perKind_) {
    const std::size_t rest = count - kept[kind];
    target.total_ += rest;
    target.perKind_[kind] += rest;
  }
  *this = Diagnostics(keepsFew_ ? Keeping::kFewOfEachKind : Keeping::kEvery);
}

std::string WithThousands(std::size_t count) {
  std::string digits = std::to_string(count);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), ",");
  }
  return digits;
}

std::vector<std::string> WarningLines(const std::string& file, const Diagnostics& diagnostics,
                                      WarningDetail detail) {
  std::vector<std::string> lines;
  if (detail == WarningDetail::kNone) return lines;
  std::set<std::string> summed;
  for (std::size_t i = 0; i < diagnostics.warnings_.size(); ++i) {
    const std::string& kind = diagnostics.kinds_[i];
    const std::size_t many = diagnostics.perKind_.at(kind);
    if (detail == WarningDetail::kEach || many <= kFewWarnings) {
      lines.push_back(Line(file, diagnostics.warnings_[i]));
      continue;
    }
    if (!summed.insert(kind).second) continue;
    const std::string& group = diagnostics.groups_[i];
    const std::string text = !group.empty() ? WithThousands(many) + " " + group
                                            : diagnostics.warnings_[i] + "; and " +
                                                  WithThousands(many - 1) + " more like it";
    lines.push_back(Line(file, text + " (--verbose lists each)"));
  }
  return lines;
}

}  // namespace koordin_cli
