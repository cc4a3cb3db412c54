#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/formats.h"

#include <filesystem>

namespace koordin_cli {

Document ReadWhole(ReadInto read, std::string_view bytes, Diagnostics& diagnostics) {
  StringSource source(bytes);
  DocumentCollector collector;
  read(source, diagnostics, collector);
  return std::move(collector.document);
}

std::string WriteWhole(MakeWriter make, const Document& document, Diagnostics& diagnostics) {
  std::string out;
  const std::unique_ptr<FormatWriter> writer = make(out, diagnostics);
  writer->Begin(document.tasks);
  for (const Waypoint& waypoint : document.waypoints) writer->AddWaypoint(waypoint);
  writer->End();
  return out;
}

const std::vector<FileFormat>& FileFormats() {
  static const std::vector<FileFormat> kFormats = {
      {"lst", nullptr, nullptr, false},
      {"cup", &ReadCupInto, &MakeCupWriter, true},
      {"gpx", &ReadGpxInto, &MakeGpxWriter, false},
      {"csv", &ReadCsvInto, &MakeCsvWriter, true},
      {"json", &ReadJsonInto, &MakeJsonWriter, false},
  };
  return kFormats;
}

const FileFormat* FindFormat(std::string_view name) {
  for (const FileFormat& format : FileFormats()) {
    if (EqualsIgnoringCase(name, format.name)) return &format;
  }
  return nullptr;
}

const FileFormat* FormatOfPath(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  if (extension.size() < 2) return nullptr;
  return FindFormat(std::string_view(extension).substr(1));
}

std::string FormatList() {
  std::string list;
  for (const FileFormat& format : FileFormats()) {
    list += (list.empty() ? "" : ", ") + std::string(format.name);
  }
  return list;
}

}  // namespace koordin_cli
