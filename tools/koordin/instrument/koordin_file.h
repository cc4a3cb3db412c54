#pragma once

#include "tools/koordin/document/document.h"
#include "tools/koordin/instrument/driver_library.h"
#include "tools/koordin/instrument/koordin_plan.h"
#include "tools/koordin/io/file_io.h"

#include <string>
#include <vector>

// KOORDIN files, read and written through the driver's exports alone.
namespace koordin_cli {

// A route slot as the file holds it: its points carry names only.
struct KoordinRoute {
  int slot = 0;
  int line = 0;  // the line of the route's name
  std::string name;
  std::vector<std::string> points;
};

// Every slot of a KOORDIN file, empty ones included, names converted to UTF-8. A turnpoint with
// an empty name is an empty slot, and so is a route with an empty name.
struct KoordinListing {
  std::vector<Waypoint> turnpoints;
  std::vector<KoordinRoute> routes;
};

// Recognises and reads the whole file at `path`, whose text is in `encoding`; warns about bytes
// that are no character of that set. Messages name the file `shownAs`, or `path` when that is
// empty. Throws FileError when the file cannot be opened or read, when it is not a KOORDIN file
// (quoting its first line, or naming lines that end in a carriage return alone), at the first
// malformed line, compiler style ("FILE:16: bad latitude: "4x:10:00""), and at the end of a file
// that has fewer or more lines than its slots take.
KoordinListing ReadKoordin(const Driver& driver, const std::string& path,
                           const std::string& encoding, Diagnostics& diagnostics,
                           const std::string& shownAs = std::string());

// The listing's filled slots as a document. A route's points go between an empty takeoff and
// an empty landing, as a task's do. Warns, giving the line of the route, about route points whose
// names match no turnpoint of the file, and about route slots whose points have no route name.
Document ListingToDocument(const KoordinListing& listing, Diagnostics& diagnostics);

// A listing of a document from any other format: slots numbered in order, all of them filled,
// a task's empty takeoff and landing left out.
KoordinListing ListingFromDocument(const Document& document);

// The planned turnpoints and routes as the bytes of a complete KOORDIN file, written by the driver
// to a temporary file in text mode. `displayPath` is the name errors give. Throws FileError when
// a line cannot be written, and when the file has not exactly the lines of its slots.
std::string WriteKoordin(const Driver& driver, const KoordinPlan& plan,
                         const std::string& displayPath);

}  // namespace koordin_cli
