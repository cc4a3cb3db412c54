#pragma once

#include "tools/koordin/formats/formats.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

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

// The row of the format named `name`, which the table has.
inline const FileFormat& Format(std::string_view name) {
  const FileFormat* format = FindFormat(name);
  if (format == nullptr) throw std::logic_error("no format " + std::string(name));
  return *format;
}

// The whole document that `format` reads of `bytes`.
inline Document ReadDocument(const FileFormat& format, std::string_view bytes,
                             Diagnostics& diagnostics) {
  StringSource source(bytes);
  DocumentCollector collector;
  format.read(source, diagnostics, collector);
  return std::move(collector.document);
}

// The whole file that `format` writes of `document`.
inline std::string WriteDocument(const FileFormat& format, const Document& document,
                                 Diagnostics& diagnostics) {
  std::string out;
  const std::unique_ptr<FormatWriter> writer = format.writer(out, diagnostics);
  writer->Begin(document.tasks);
  for (const Waypoint& waypoint : document.waypoints) writer->AddWaypoint(waypoint);
  writer->End();
  return out;
}

// What `format` reads of `bytes`, described with its warnings; or its FormatError, "line N: what".
inline std::string ReadAs(const FileFormat& format, std::string_view bytes) try {
  Diagnostics diagnostics;
  return Describe(ReadDocument(format, bytes, diagnostics), diagnostics.warnings());
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

// A waypoint of a name, a position and an elevation, and nothing else.
inline Waypoint PlainWaypoint(std::string name, double latitude, double longitude,
                              double elevation) {
  Waypoint waypoint;
  waypoint.name = std::move(name);
  waypoint.latitude = latitude;
  waypoint.longitude = longitude;
  waypoint.elevation = elevation;
  return waypoint;
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

// What `format` reads of `source`, as ReadAs tells it.
inline std::string ReadAsFrom(const FileFormat& format, ByteSource& source) try {
  Diagnostics diagnostics;
  DocumentCollector collector;
  format.read(source, diagnostics, collector);
  return Describe(collector.document, diagnostics.warnings());
} catch (const FormatError& e) {
  return "line " + std::to_string(e.line()) + ": " + e.what();
}

// What `format` reads of `bytes` given in pieces by ChunkedSource, as ReadAs tells it.
inline std::string ReadInPieces(const FileFormat& format, std::string_view bytes, unsigned seed) {
  ChunkedSource source(bytes, seed);
  return ReadAsFrom(format, source);
}

}  // namespace koordin_cli
