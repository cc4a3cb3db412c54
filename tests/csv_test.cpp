#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace koordin_cli {
namespace {

const FileFormat& kCsv = Format("csv");

const char kHeader[] =
    "name,code,country,latitude,longitude,elevation_m,style,frequency,description,marked\r\n";

TEST(Csv, WritesSignedDegreesAndTheTasksTableAndReadsThemBack) {
  Document document = SampleDocument();
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kCsv, document, diagnostics);
  EXPECT_EQ(written,
            std::string(kHeader) +
                "Aachen Merzbrück,AACH,DE,50.823,6.1866667,189,5,122.875,"
                "\"Platz, \"\"EDKA\"\"\nzweite Zeile\",1\r\n"
                "\"Gipfel \"\"Süd\"\", Öhr\",,,-45.5,-179.9999,,7,,,0\r\n\r\n#,task,points\r\n"
                "#,\"Dreieck, 300 km\",,Aachen Merzbrück,\"Gipfel \"\"Süd\"\", Öhr\",\r\n");
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! CSV has no runway columns: the runway of 1 waypoints is left out\n"
            "! CSV has no userdata and pics columns: they are left out for 1 waypoints\n"
            "! task \"Dreieck, 300 km\": CSV has no place for its 2 CUP option and zone lines\n");
  Waypoint& aachen = document.waypoints[0];
  aachen.runwayDirection = aachen.runwayLength = aachen.runwayWidth = aachen.userData = "";
  aachen.pictures = "";
  aachen.slot = 0;
  document.tasks[0].cupOptions.clear();
  EXPECT_EQ(ReadAs(kCsv, written), Describe(document));
}

TEST(Csv, ReadsColumnsByNameAndSkipsOrRefusesWhatItCannotReadWithTheLine) {
  const std::string twoLines = std::string(kHeader) + "A,,,1,2,,,,\"first\nsecond\",0\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"Latitude,Name,Longitude,Notes,Marked\r\n48.5,M\xFCnster,-9.25,x,yes\r\n",
       "Münster|||48.500000 -9.250000 nan|0|  |||||1 0\n! not UTF-8: read as Windows-1252; give "
       "--input-encoding for another set (CP1250, ISO-8859-2, ...)\n! line 1: column \"Notes\" is "
       "not read\n"},
      {twoLines + "B,,,north,2,,,,,0\r\n",
       "A|||1.000000 2.000000 nan|0|  ||first\nsecond|||0 0\n! line 4: bad latitude \"north\": "
       "line skipped\n"},
      {twoLines + "\"B,,,1,2\r\n\r\n", "line 4: a quote that is never closed"},
      {"name,lat,lon\r\n", "line 1: the header has no latitude column"},
      // The task table as koordin wrote it before marking its lines as comments.
      {"name,latitude,longitude\r\nA,1,2\r\n\r\ntask,points\r\n#T,,A,\r\n",
       "A|||1.000000 2.000000 nan|0|  |||||0 0\ntask #T||A|\n"},
  };
  for (const auto& [file, read] : cases) EXPECT_EQ(ReadAs(kCsv, file), read) << file;
}

}  // namespace
}  // namespace koordin_cli
