#include "tools/koordin/control_characters.h"

#include "tools/koordin/formats/format_support.h"

#include <string>
#include <string_view>

namespace koordin_cli {

namespace {

constexpr std::string_view kNextLine = "\xC2\x85";  // NEL, U+0085

bool IsLineBreak(std::string_view character) {
  return character == "\n" || character == "\r" || character == "\v" || character == "\f" ||
         character == kNextLine;
}

// Replaces the control characters of `text`; warns naming `what` when there were any.
void Clean(std::string& text, const std::string& what, Diagnostics& diagnostics) {
  std::string clean;
  bool changed = false;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = ControlCharacterAt(text, i);
    if (length == 0) {
      clean += text[i++];
      continue;
    }
    if (IsLineBreak(std::string_view(text).substr(i, length))) clean += ' ';
    changed = true;
    i += length;
  }
  if (!changed) return;
  diagnostics.Warn(what + " " + Quoted(text) + ": control characters replaced, written as " +
                   Quoted(clean));
  text = std::move(clean);
}

}  // namespace

void ReplaceControlCharacters(Waypoint& waypoint, Diagnostics& diagnostics) {
  Clean(waypoint.name, "turnpoint", diagnostics);
  Clean(waypoint.frequency, "turnpoint " + Quoted(waypoint.name) + ": frequency", diagnostics);
}

void ReplaceControlCharacters(Task& task, Diagnostics& diagnostics) {
  Clean(task.name, "route", diagnostics);
  for (std::string& point : task.points) {
    Clean(point, "route " + Quoted(task.name) + ": point", diagnostics);
  }
}

void ReplaceControlCharacters(Document& document, Diagnostics& diagnostics) {
  for (Waypoint& waypoint : document.waypoints) ReplaceControlCharacters(waypoint, diagnostics);
  for (Task& task : document.tasks) ReplaceControlCharacters(task, diagnostics);
}

}  // namespace koordin_cli
