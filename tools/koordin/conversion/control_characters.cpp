#include "tools/koordin/conversion/control_characters.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace koordin_cli {

namespace {

constexpr std::string_view kNextLine = "\xC2\x85";  // NEL, U+0085

bool IsLineBreak(std::string_view character) {
  return character == "\n" || character == "\r" || character == "\v" || character == "\f" ||
         character == kNextLine;
}

// Whether a control character may begin with `byte`: ControlCharacterAt tells for certain.
bool MayBeginControlCharacter(char byte) {
  const auto code = static_cast<unsigned char>(byte);
  return code < 0x20 || code == 0x7F || code == 0xC2;
}

// Where the first control character of `text` begins, or its size when it holds none.
std::size_t FirstControlCharacter(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() &&
         (!MayBeginControlCharacter(text[i]) || ControlCharacterAt(text, i) == 0)) {
    ++i;
  }
  return i;
}

// Replaces the control characters of `text`. Returns the text as it was when there were any.
std::optional<std::string> Clean(std::string& text) {
  std::size_t i = FirstControlCharacter(text);
  if (i == text.size()) return std::nullopt;  // the common case: nothing to replace
  std::string clean = text.substr(0, i);
  while (i < text.size()) {
    const std::size_t length = ControlCharacterAt(text, i);
    if (length == 0) {
      clean += text[i++];
      continue;
    }
    if (IsLineBreak(std::string_view(text).substr(i, length))) clean += ' ';
    i += length;
  }
  std::swap(text, clean);
  return clean;
}

// Warns that the text `what` names, once `was`, is written as `now`.
void WarnReplaced(const std::string& what, const std::string& was, const std::string& now,
                  Diagnostics& diagnostics) {
  diagnostics.Warn(what + " " + Quoted(was) + ": control characters replaced, written as " +
                   Quoted(now));
}

}  // namespace

void ReplaceControlCharacters(Waypoint& waypoint, Diagnostics& diagnostics) {
  if (const auto was = Clean(waypoint.name)) {
    WarnReplaced("turnpoint", *was, waypoint.name, diagnostics);
  }
  if (const auto was = Clean(waypoint.frequency)) {
    WarnReplaced("turnpoint " + Quoted(waypoint.name) + ": frequency", *was, waypoint.frequency,
                 diagnostics);
  }
}

void ReplaceControlCharacters(Task& task, Diagnostics& diagnostics) {
  if (const auto was = Clean(task.name)) WarnReplaced("route", *was, task.name, diagnostics);
  for (std::string& point : task.points) {
    if (const auto was = Clean(point)) {
      WarnReplaced("route " + Quoted(task.name) + ": point", *was, point, diagnostics);
    }
  }
}

bool HoldsControlCharacters(const Task& task) {
  const auto holds = [](const std::string& text) {
    return FirstControlCharacter(text) != text.size();
  };
  return holds(task.name) || std::any_of(task.points.begin(), task.points.end(), holds);
}

void ReplaceControlCharacters(Document& document, Diagnostics& diagnostics) {
  for (Waypoint& waypoint : document.waypoints) ReplaceControlCharacters(waypoint, diagnostics);
  for (Task& task : document.tasks) ReplaceControlCharacters(task, diagnostics);
}

}  // namespace koordin_cli
