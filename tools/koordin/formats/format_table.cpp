#include "tools/koordin/formats/formats.h"

#include "tools/koordin/formats/format_modules.h"
#include "tools/koordin/formats/format_support.h"

#include <filesystem>

namespace koordin_cli {

#ifdef KOORDIN_EXTRA_FORMAT
// A row from outside formats/: a build names the function that makes it (the tests' own format).
FileFormat KOORDIN_EXTRA_FORMAT();
#endif

namespace {

// `words` with ", " between them, and `last` before the last one.
std::string Joined(const std::vector<std::string>& words, const char* last) {
  std::string joined;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) joined += i + 1 == words.size() ? last : ", ";
    joined += words[i];
  }
  return joined;
}

}  // namespace

const std::vector<FileFormat>& FileFormats() {
  static const std::vector<FileFormat> kFormats = {
      {"lst",
       "KOORDIN",
       "the variometer's turnpoint and route file",
       {"lst"},
       nullptr,
       nullptr,
       false,
       kCodePart | kCountryPart | kStylePart | kRunwayPart | kDescriptionPart | kUserDataPart |
           kPicturesPart | kCupOptionsPart,
       &RecogniseKoordin},
      {"cup",
       "CUP",
       "waypoints and tasks",
       {"cup"},
       &ReadCupInto,
       &MakeCupWriter,
       true,
       kMarkerPart | kSlotPart,
       &RecogniseCup},
      {"gpx",
       "GPX",
       "version 1.1, waypoints and routes",
       {"gpx"},
       &ReadGpxInto,
       &MakeGpxWriter,
       false,
       kSlotPart,
       &RecogniseGpx},
      {"csv",
       "CSV",
       "waypoints, then the tasks in a table of their own",
       {"csv"},
       &ReadCsvInto,
       &MakeCsvWriter,
       true,
       kRunwayPart | kUserDataPart | kPicturesPart | kSlotPart | kCupOptionsPart,
       &RecogniseCsv},
      {"json",
       "JSON",
       "every field of the waypoints and tasks",
       {"json"},
       &ReadJsonInto,
       &MakeJsonWriter,
       false,
       0,
       &RecogniseJson},
      {"cupx",
       "CUPX",
       "a CUP file and its pictures in a zip archive",
       {"cupx"},
       &ReadCupxInto,
       nullptr,
       false,
       kMarkerPart | kSlotPart,
       &RecogniseCupx},
      {"dat",
       "WinPilot",
       "waypoints with airfield, landable and turnpoint flags",
       {"dat"},
       &ReadDatInto,
       &MakeDatWriter,
       true,
       kDatLost,
       &RecogniseDat},
      {"tsk",
       "XCSoar task",
       "one task with the waypoints it flies",
       {"tsk"},
       &ReadTskInto,
       &MakeTskWriter,
       false,
       kTskLost,
       &RecogniseTsk},
      {"ozi",
       "OziExplorer",
       "waypoints in WGS 84, altitudes in feet",
       {"wpt"},
       &ReadOziInto,
       &MakeOziWriter,
       true,
       kOziLost,
       &RecogniseOzi},
      {"compegps",
       "CompeGPS",
       "waypoints in WGS 84, in degrees or UTM",
       {"wpt"},
       &ReadCompeGpsInto,
       &MakeCompeGpsWriter,
       true,
       kCompeGpsLost,
       &RecogniseCompeGps},
#ifdef KOORDIN_EXTRA_FORMAT
      KOORDIN_EXTRA_FORMAT(),
#endif
  };
  return kFormats;
}

const FileFormat* FindFormat(std::string_view name) {
  for (const FileFormat& format : FileFormats()) {
    if (EqualsIgnoringCase(name, format.name)) return &format;
  }
  return nullptr;
}

std::vector<const FileFormat*> FormatsOfPath(const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  std::vector<const FileFormat*> formats;
  if (extension.size() < 2) return formats;
  for (const FileFormat& format : FileFormats()) {
    for (const std::string& own : format.extensions) {
      if (EqualsIgnoringCase(std::string_view(extension).substr(1), own)) {
        formats.push_back(&format);
        break;
      }
    }
  }
  return formats;
}

const FileFormat* FormatOfPath(const std::string& path) {
  const std::vector<const FileFormat*> formats = FormatsOfPath(path);
  return formats.size() == 1 ? formats.front() : nullptr;
}

const FileFormat* FormatOfContent(std::string_view head) {
  for (const FileFormat& format : FileFormats()) {
    if (format.recognise != nullptr && format.recognise(head)) return &format;
  }
  return nullptr;
}

std::string FormatList(const char* last, bool written) {
  std::vector<std::string> names;
  for (const FileFormat& format : FileFormats()) {
    if (!written || format.Writes()) names.push_back(format.name);
  }
  return Joined(names, last);
}

std::string OtherCharsetTitles(const char* last) {
  std::vector<std::string> titles;
  for (const FileFormat& format : FileFormats()) {
    if (format.otherCharsets) titles.push_back(format.title);
  }
  return Joined(titles, last);
}

}  // namespace koordin_cli
