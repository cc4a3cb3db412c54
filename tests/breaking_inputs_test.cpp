// Inputs that once crashed or hung a reader, each with what reading it must give now. Those found
// by fuzzing (fuzz/) are also in the corpus under fuzz/corpus/.

#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"
#include "tests/zip_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace koordin_cli {
namespace {

struct Finding {
  const char* what;
  const char* format;  // the name of its row in the format table
  std::string bytes;
  int errorLine;         // the FormatError's line, or -1 when the input reads
  const char* inReport;  // part of the FormatError's message, or of a warning when it reads
};

// A CUPX file whose POINTS.CUP begins beyond the file's end: its local header names 65535 bytes.
std::string PointsBeyondTheEnd() {
  std::string bytes = koordin_testing::ZipArchiveOf({{"POINTS.CUP", "A,,,5000.000N,00100.000E\n"}});
  bytes.replace(26, 2, koordin_testing::Le16(0xFFFF));
  return bytes;
}

TEST(BreakingInputs, EachIsReadOrRefusedWithItsLine) {
  const Finding findings[] = {
      {"a CUP style of 72 digits, once converted to a whole number beyond its range", "cup",
       "name,code,country,lat,lon,elev,style\r\n\"A\",\"A\",DE,5049.380N,00611.200E,189.0m," +
           std::string(71, '8') + "5\r\n",
       -1, "unknown style"},
      {"a JSON number beyond a double, once an exception of the JSON library", "json",
       "{\"waypoints\": [],\n \"extra\": [1e400]}", 2, "number overflow parsing '1e400'"},
      {"a CUPX whose CUP file begins beyond the file, once a leak of the inflater", "cupx",
       PointsBeyondTheEnd(), 0, "the file ends before \"POINTS.CUP\""},
  };
  for (const Finding& finding : findings) {
    Diagnostics diagnostics;
    try {
      ReadDocument(Format(finding.format), finding.bytes, diagnostics);
      EXPECT_EQ(finding.errorLine, -1) << finding.what << ": read without a FormatError";
      std::string warnings;
      for (const std::string& warning : diagnostics.warnings()) warnings += warning + "\n";
      EXPECT_NE(warnings.find(finding.inReport), std::string::npos) << finding.what << warnings;
    } catch (const FormatError& error) {
      EXPECT_EQ(error.line(), finding.errorLine) << finding.what << ": " << error.what();
      EXPECT_NE(std::string(error.what()).find(finding.inReport), std::string::npos)
          << finding.what << ": " << error.what();
    }
  }
}

}  // namespace
}  // namespace koordin_cli
