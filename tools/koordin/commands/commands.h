#pragma once

#include "tools/koordin/conversion/rule.h"
#include "tools/koordin/formats/charset.h"

#include <iosfwd>
#include <string>
#include <vector>

// koordin's commands. Each prints its result to `out`, warnings and errors to `err` (one line
// each, naming the file; errors begin "koordin: "), and returns the program's exit status: 0 when
// everything succeeded. A file named "-" is standard input, or as the target standard output.
// Whether `out` took everything is the caller's to check: standard output may be a full disk.
namespace koordin_cli {

// What every command shares: the driver library and the KOORDIN file's character set.
struct CommonOptions {
  std::string driverPath;  // empty: the library beside the executable
  std::string encoding = kWindows1252;
};

struct CheckOptions {
  std::vector<std::string> files;
  std::string from;           // the files' format; empty: from each one's extension or content
  std::string inputEncoding;  // for the files whose format takes one; empty: UTF-8, else
                              // Windows-1252
};

struct DumpOptions {
  std::string file;
  std::string from;              // the input's format; empty: from its extension or content
  std::string inputEncoding;     // --input-encoding; empty: UTF-8, else Windows-1252
  std::string listing = "text";  // the listing's form: text, csv or json
  bool all = false;              // empty slots too
};

struct ConvertOptions {
  std::string input;
  std::string output;
  std::string from;  // empty: from the extension or the content
  std::string to;    // empty: from the extension
  bool strict = false;
  Choices choices;                  // what of the input goes into the output
  std::string inputEncoding;        // --input-encoding; empty: UTF-8, else Windows-1252
  bool verbose = false;             // every warning, none summed up
  bool quiet = false;               // no warnings
  bool dryRun = false;              // print the plan, write nothing
  std::string planFormat = "text";  // the plan's form: text or json
};

struct FormatsOptions {
  std::string listing = "text";  // the listing's form: text or json
  bool styles = false;           // the names --style takes instead of the formats
};

// exit statuses
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;  // a command line koordin cannot follow

// The driver's name, version, maker, extension, capacities and object kinds.
int RunInfo(const CommonOptions& common, std::ostream& out, std::ostream& err);

// One line per file of any format: what it holds, or its first fault. Fails when any file is not
// good.
int RunCheck(const CommonOptions& common, const CheckOptions& options, std::ostream& out,
             std::ostream& err);

// The turnpoints and routes of a file, in the listing form asked for.
int RunDump(const CommonOptions& common, const DumpOptions& options, std::ostream& out,
            std::ostream& err);

// The formats koordin reads and writes, or the names --style takes, in the listing form asked for.
int RunFormats(const FormatsOptions& options, std::ostream& out);

// Converts a file into another format, writing the output only when everything succeeded (and,
// with `strict`, nothing needed a warning). With `dryRun` it prints the plan instead of writing.
// The summary goes to `out`, or to `err` when the output itself goes to standard output.
int RunConvert(const CommonOptions& common, const ConvertOptions& options, std::ostream& out,
               std::ostream& err);

}  // namespace koordin_cli
