#include "tools/koordin/reports/text_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace koordin_cli {

namespace {

constexpr int kSecondsPerDegree = 3600;
constexpr int kSecondsPerMinute = 60;

}  // namespace

std::string FormatDegrees(double degrees) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", degrees);
  return text;
}

std::string FormatDms(double degrees, bool latitude) {
  const long total = std::lround(std::fabs(degrees) * kSecondsPerDegree);  // halves away from 0
  const long whole = total / kSecondsPerDegree;
  const long minutes = total / kSecondsPerMinute % kSecondsPerMinute;
  const long seconds = total % kSecondsPerMinute;
  const char hemisphere = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
  char text[32];
  // DD°MM'SS"N or DDD°MM'SS"E
  std::snprintf(text, sizeof text,
                latitude ? "%02ld\u00b0%02ld'%02ld\"%c" : "%03ld\u00b0%02ld'%02ld\"%c", whole,
                minutes, seconds, hemisphere);
  return text;
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;  // not a continuation byte
  }
  return width;
}

TextTable::TextTable(std::vector<std::string> header, std::vector<bool> rightAligned)
    : rightAligned_(std::move(rightAligned)) {
  rows_.push_back(std::move(header));
}

void TextTable::AddRow(std::vector<std::string> cells) {
  rows_.push_back(std::move(cells));
}

std::string TextTable::Render() const {
  std::vector<std::size_t> widths(rightAligned_.size(), 0);
  for (const auto& row : rows_) {
    for (std::size_t column = 0; column < row.size() && column < widths.size(); ++column) {
      widths[column] = std::max(widths[column], DisplayWidth(row[column]));
    }
  }
  std::string out;
  for (const auto& row : rows_) {
    std::string line;
    for (std::size_t column = 0; column < widths.size(); ++column) {
      const std::string cell = column < row.size() ? row[column] : std::string();
      const std::string padding(widths[column] - DisplayWidth(cell), ' ');
      if (column > 0) line += "  ";
      line += rightAligned_[column] ? padding + cell : cell + padding;
    }
    out += TrimRight(line) + '\n';
  }
  return out;
}

std::string CountOf(std::size_t count, const std::string& singular, const std::string& plural) {
  return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace koordin_cli
