// koordin telling a source's format by its content, as a user meets it: a file of every row of the
// table under a name that tells nothing, under a misleading one and on standard input, read in its
// format with a note that says so; --from deciding alone; and what cannot be told, refused.

#include "tools/koordin/formats/formats.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace koordin_testing {
namespace {

using koordin_cli::FileFormat;

const std::string kSource =
    R"({"waypoints": [{"name": "Alpha", "latitude": 48.5, "longitude": 9.25, "elevation": 350},
                      {"name": "Beta", "latitude": 48.25, "longitude": 9.5, "elevation": 400}],
        "tasks": [{"name": "Runde", "points": ["Alpha", "Alpha", "Beta", "Beta"]}]})";

TEST(KoordinRecognition, ReadsEveryRowByItsContentWhateverItsName) {
  TempDir dir;
  dir.Write("in.json", kSource);
  for (const FileFormat& format : koordin_cli::FileFormats()) {
    // Formats koordin only reads are recognised in their own tests.
    if (format.recognise == nullptr || !format.Writes()) continue;
    SCOPED_TRACE(format.name);
    const std::string name = format.name;
    const std::string note = ": read as " + std::string(format.title) + " (by its content)\n";
    const std::string read = (format.lost & koordin_cli::kTasksPart) != 0
                                 ? ": 2 turnpoints, 0 routes\n"
                                 : ": 2 turnpoints, 1 route\n";
    ASSERT_EQ(RunKoordin(dir, "convert in.json file --to " + name + " --quiet").status, 0);
    // An extension that names one other format.
    const std::string misleading = std::string("file.") + (format.IsKoordin() ? "cup" : "lst");
    RunShell(dir, "cp file " + misleading);
    ExpectSession(
        dir,
        {{"koordin check file " + misleading, 0, "file" + read + misleading + read,
          "file" + note + misleading + note},
         {"koordin dump - --format csv <file | head -3 | cut -d, -f2-4", 0,
          "name,latitude,longitude\nAlpha,48.500000,9.250000\nBeta,48.250000,9.500000\n",
          "(standard input)" + note},
         {"koordin convert - back.json <" + misleading + " && koordin convert file back.cup", 0,
          "back.json" + read + "back.cup" + read, "(standard input)" + note + "file" + note}});
  }
}

TEST(KoordinRecognition, TheExtensionDecidesWhereTheContentAgreesAndFromAlways) {
  TempDir dir;
  dir.Write("in.json", kSource);
  const std::string list = "(" + koordin_cli::FormatList() + ")";
  ExpectSession(
      dir,
      {{"koordin convert in.json sites.wpt", 2, "",
        "koordin: sites.wpt: the extension .wpt is OziExplorer's and CompeGPS's; give --to (ozi "
        "or compegps)\n"},
       {"koordin convert in.json c.cup --quiet", 0, "c.cup: 2 turnpoints, 1 route\n", ""},
       // A file of the format its extension names: no note.
       {"koordin check c.cup", 0, "c.cup: 2 turnpoints, 1 route\n", ""},
       // --from decides alone, also against the extension and the content.
       {"cp c.cup c.lst && koordin check --from cup c.lst && koordin dump --from lst c.cup", 1,
        "c.lst: 2 turnpoints, 1 route\n",
        "koordin: c.cup: not a KOORDIN file: its first line is "
        "\"name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc,userdata,pics\"\n"},
       // Content of no format: read in the one format its extension names, whose reader tells
       // what is wrong; else refused, saying what to give.
       {"echo hello >h.lst && cp h.lst h.wpt && cp h.lst h && : >e && koordin check h.lst h.wpt h "
        "e",
        1,
        "h.lst: not a KOORDIN file: its first line is \"hello\"\nh.wpt: the extension .wpt is "
        "OziExplorer's and CompeGPS's, and the content is of neither; give --from (ozi or "
        "compegps)\nh: cannot tell the format from the file name or the content; give --from " +
            list + "\ne: the file is empty\n",
        ""},
       {"koordin dump - <h", 1, "",
        "koordin: (standard input): cannot tell the format from the content; give --from " + list +
            "\n"},
       {"koordin convert h.wpt out.lst", 1, "",
        "koordin: h.wpt: the extension .wpt is OziExplorer's and CompeGPS's, and the content is "
        "of neither; give --from (ozi or compegps)\n"}});
}

}  // namespace
}  // namespace koordin_testing
