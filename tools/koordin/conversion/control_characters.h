#pragma once

#include "tools/koordin/document/document.h"

// What the KOORDIN file must not hold. The driver writes each text as it is given; a line end
// inside a name would shift every line after it, and the instrument would misread the file.
namespace koordin_cli {

// Replaces the control characters in every text of `document` that goes into a KOORDIN file (the
// turnpoints' names and frequencies, the routes' names and points): a line end (LF, CR, a
// vertical tab, a form feed, NEL) by a blank, any other by nothing. Warns once per text changed,
// showing it as it was, escaped.
void ReplaceControlCharacters(Document& document, Diagnostics& diagnostics);

// The same for one turnpoint's texts, and for one route's.
void ReplaceControlCharacters(Waypoint& waypoint, Diagnostics& diagnostics);
void ReplaceControlCharacters(Task& task, Diagnostics& diagnostics);

// Whether ReplaceControlCharacters would change a text of `task`.
bool HoldsControlCharacters(const Task& task);

}  // namespace koordin_cli
