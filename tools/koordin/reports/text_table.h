#pragma once

#include "tools/koordin/formats/format_support.h"  // Quoted, CsvField, TrimRight

#include <string>
#include <string_view>
#include <vector>

// Formatting helpers for what koordin prints: coordinates, aligned tables, CSV fields, counts.
// Text is UTF-8; none of these does any I/O.
namespace koordin_cli {

// Signed decimal degrees with six decimals: "50.823056", "-7.250000".
std::string FormatDegrees(double degrees);

// Degrees, minutes and whole seconds (rounded, halves away from zero) with the hemisphere:
// 50°49'23"N for a latitude, 006°11'10"E for a longitude.
std::string FormatDms(double degrees, bool latitude);

// The number of characters (code points) of UTF-8 text, which is how wide a terminal shows it.
std::size_t DisplayWidth(std::string_view text);

// A table printed with its columns aligned: numbers (right-aligned columns) and text.
class TextTable {
 public:
  // `rightAligned` tells for each column whether it is right-aligned.
  TextTable(std::vector<std::string> header, std::vector<bool> rightAligned);
  void AddRow(std::vector<std::string> cells);
  // The header and the rows, columns two blanks apart, no trailing blanks, each line ending in \n.
  std::string Render() const;

 private:
  std::vector<std::vector<std::string>> rows_;
  std::vector<bool> rightAligned_;
};

// "1 turnpoint", "2 turnpoints": a count and its noun.
std::string CountOf(std::size_t count, const std::string& singular, const std::string& plural);

}  // namespace koordin_cli
