#pragma once

#include "tools/koordin/document/document.h"

#include <string>
#include <vector>

// A KOORDIN file slot by slot, as koordin lists it, and as a document.
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

// The listing's filled slots as a document. A route's points go between an empty takeoff and
// an empty landing, as a task's do. Warns, giving the line of the route, about route points whose
// names match no turnpoint of the file, and about route slots whose points have no route name.
Document ListingToDocument(const KoordinListing& listing, Diagnostics& diagnostics);

// A listing of a document from any other format: slots numbered in order, all of them filled,
// a task's empty takeoff and landing left out.
KoordinListing ListingFromDocument(const Document& document);

}  // namespace koordin_cli
