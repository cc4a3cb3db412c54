#pragma once

#include "tools/koordin/formats/formats.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace koordin_cli {

// Every field of a document, a line per waypoint and task, then the warnings after "! ".
inline std::string Describe(const Document& in, const std::vector<std::string>& warnings = {}) {
  std::ostringstream out;
  out << std::fixed;  // degrees and metres to six places
  for (const Waypoint& w : in.waypoints) {
    out << w.name << '|' << w.code << '|' << w.country << '|' << w.latitude << ' ' << w.longitude
        << ' ' << w.elevation.value_or(NAN) << '|' << w.style << '|' << w.runwayDirection << ' '
        << w.runwayLength << ' ' << w.runwayWidth << '|' << w.frequency << '|' << w.description
        << '|' << w.userData << '|' << w.pictures << '|' << w.marked << ' ' << w.slot << '\n';
  }
  for (const Task& task : in.tasks) {
    out << "task " << task.name;
    for (const std::string& point : task.points) out << '|' << point;
    for (const std::string& option : task.cupOptions) out << "\n  " << option;
    out << '\n';
  }
  for (const std::string& warning : warnings) out << "! " << warning << '\n';
  return out.str();
}

// What `read` makes of `bytes`, described with its warnings; or its FormatError, "line N: what".
inline std::string ReadAs(decltype(&ReadCup) read, std::string_view bytes) try {
  Diagnostics diagnostics;
  return Describe(read(bytes, diagnostics), diagnostics.warnings());
} catch (const FormatError& e) {
  return "line " + std::to_string(e.line()) + ": " + e.what();
}

// Umlauts, commas, quotes, a line break, the date line, no elevation, an empty takeoff and landing.
inline Document SampleDocument() {
  const std::string aachen = "Aachen Merzbrück", peak = "Gipfel \"Süd\", Öhr";
  return {{{aachen, "AACH", "DE", 50.823, 6.1866667, 189.0, 5, "80", "520m", "20m", "122.875",
            "Platz, \"EDKA\"\nzweite Zeile", "user, data", "a.jpg;b.jpg", true, 3},
           {peak, "", "", -45.5, -179.9999, {}, 7, "", "", "", "", "", "", "", false, 0}},
          {{"Dreieck, 300 km", {"", aachen, peak, ""}, {"Options,NoStart=12:00", "ObsZone=0"}}}};
}

}  // namespace koordin_cli

namespace koordin_cli {

// The bytes of a string a few at a time, 1 to 7 per read in an order that `seed` fixes, as a slow
// file or pipe gives them.
class ChunkedSource : public ByteSource {
 public:
  ChunkedSource(std::string_view bytes, unsigned seed) : bytes_(bytes), state_(seed) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    state_ = state_ * 1103515245U + 12345U;
    const std::size_t count =
        std::min({size, bytes_.size() - at_, std::size_t{1 + (state_ >> 16) % 7}});
    std::copy_n(bytes_.data() + at_, count, buffer);
    at_ += count;
    return count;
  }
  void Rewind() override { at_ = 0; }

 private:
  std::string_view bytes_;
  unsigned state_;
  std::size_t at_ = 0;
};

// What `read` makes of `source`, as ReadAs tells it.
inline std::string ReadAsFrom(ReadInto read, ByteSource& source) try {
  Diagnostics diagnostics;
  DocumentCollector collector;
  read(source, diagnostics, collector);
  return Describe(collector.document, diagnostics.warnings());
} catch (const FormatError& e) {
  return "line " + std::to_string(e.line()) + ": " + e.what();
}

// What `read` makes of `bytes` given in pieces by ChunkedSource, as ReadAs tells it.
inline std::string ReadInPieces(ReadInto read, std::string_view bytes, unsigned seed) {
  ChunkedSource source(bytes, seed);
  return ReadAsFrom(read, source);
}

}  // namespace koordin_cli
