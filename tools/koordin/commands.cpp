#include "tools/koordin/commands.h"

#include "tools/koordin/control_characters.h"
#include "tools/koordin/driver.h"
#include "tools/koordin/dump.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/formats.h"
#include "tools/koordin/frequency.h"
#include "tools/koordin/koordin_file.h"
#include "tools/koordin/koordin_plan.h"
#include "tools/koordin/plan_report.h"
#include "tools/koordin/safe_output.h"
#include "tools/koordin/text_format.h"
#include "tools/koordin/warning_summary.h"

#include <memory>
#include <ostream>
#include <stdexcept>
#include <utility>

namespace koordin_cli {

namespace {

// A command line that asks for something koordin cannot do; the message says what.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The driver, loaded when a command first needs it.
class Context {
 public:
  explicit Context(const CommonOptions& common) : common_(common) {}

  const Driver& driver() {
    if (!driver_) {
      driver_ = std::make_unique<Driver>(common_.driverPath.empty() ? Driver::DefaultPath()
                                                                    : common_.driverPath);
    }
    return *driver_;
  }

  // The KOORDIN file's character set, checked once.
  const std::string& encoding() {
    if (!encodingChecked_) {
      try {
        CheckSingleByteCharset(common_.encoding);
      } catch (const std::invalid_argument& error) {
        throw UsageError("--encoding " + common_.encoding + ": " + error.what());
      }
      encodingChecked_ = true;
    }
    return common_.encoding;
  }

 private:
  const CommonOptions& common_;
  std::unique_ptr<Driver> driver_;
  bool encodingChecked_ = false;
};

// The format given with `option`, or else the one the file's extension names.
const FileFormat& ResolveFormat(const std::string& path, const std::string& given,
                                const char* option) {
  if (!given.empty()) {
    if (const FileFormat* format = FindFormat(given)) return *format;
    throw UsageError(std::string(option) + " " + given + ": not a format koordin knows (" +
                     FormatList() + ")");
  }
  if (const FileFormat* format = FormatOfPath(path)) return *format;
  if (path == kStandardStream) {
    const bool input = std::string(option) == "--from";
    throw UsageError((input ? ShownInputName(path) : ShownOutputName(path)) + ": give " + option +
                     " to name its format (" + FormatList() + ")");
  }
  throw UsageError(path + ": cannot tell the format from the file name; give " + option + " (" +
                   FormatList() + ")");
}

// The format of a file to read through: the one given, the one its name tells, or else KOORDIN,
// which the driver recognises by the file's content.
const FileFormat& FormatToReadThrough(const std::string& path, const std::string& given) {
  if (given.empty() && FormatOfPath(path) == nullptr) return FileFormats().front();
  return ResolveFormat(path, given, "--from");
}

// A file's contents as a document and, for a KOORDIN file, as a listing of its slots.
struct Input {
  Document document;
  KoordinListing listing;
};

// `bytes` of a CUP or CSV file in the character set `encoding`, as UTF-8.
std::string DecodeSource(const std::string& bytes, const std::string& encoding,
                         Diagnostics& diagnostics) {
  bool exact = true;
  std::string text;
  try {
    text = ConvertCharset(bytes, encoding.c_str(), kUtf8, &exact);
  } catch (const std::invalid_argument&) {
    throw UsageError("--input-encoding " + encoding + ": not a character set that iconv knows");
  }
  if (!exact) diagnostics.Warn("bytes that are no " + encoding + " characters, read as \"?\"");
  return text;
}

Input ReadInput(const std::string& path, const FileFormat& format, Context& context,
                Diagnostics& diagnostics, const std::string& inputEncoding = {}) {
  if (!inputEncoding.empty() && !format.otherCharsets) {
    throw UsageError("--input-encoding " + inputEncoding +
                     ": only CUP and CSV files come in other character sets (a KOORDIN file's "
                     "is given with --encoding)");
  }
  const std::string shown = ShownInputName(path);
  Input input;
  if (format.IsKoordin()) {
    const NamedInput file(path);
    input.listing =
        ReadKoordin(context.driver(), file.path(), context.encoding(), diagnostics, shown);
    input.document = ListingToDocument(input.listing, diagnostics);
    return input;
  }
  std::string bytes = ReadWholeFile(path);
  if (bytes.empty()) throw FileError(shown + ": the file is empty");
  if (!inputEncoding.empty()) bytes = DecodeSource(bytes, inputEncoding, diagnostics);
  try {
    input.document = ReadWhole(format.read, bytes, diagnostics);
  } catch (const FormatError& error) {
    const std::string where = error.line() > 0 ? ":" + std::to_string(error.line()) : "";
    throw FileError(shown + where + ": " + error.what());
  }
  return input;
}

void PrintWarnings(std::ostream& err, const std::string& file, const Diagnostics& diagnostics,
                   WarningDetail detail = WarningDetail::kSummary) {
  for (const std::string& line : WarningLines(file, diagnostics, detail)) err << line << '\n';
}

// What --dry-run prints: the plan, in the form asked for, with every warning of the run.
std::string DryRunPlan(const ConvertOptions& options, const std::string& input,
                       const std::string& output, const Document& source,
                       const Selection& selection, const Diagnostics& readWarnings,
                       const Diagnostics& writeWarnings) {
  const char* target = ResolveFormat(options.output, options.to, "--to").name;
  PlanReport report{target, &source, &selection, EveryWarningLine(input, readWarnings)};
  for (const std::string& line : EveryWarningLine(output, writeWarnings)) {
    report.warnings.push_back(line);
  }
  return options.planFormat == "json" ? PlanJson(report) : PlanText(report);
}

std::string Contents(std::size_t turnpoints, std::size_t routes) {
  return CountOf(turnpoints, "turnpoint", "turnpoints") + ", " + CountOf(routes, "route", "routes");
}

// Runs a command, turning every failure into one line on `err` and an exit status.
template <typename Command>
int Guarded(std::ostream& err, Command command) {
  try {
    return command();
  } catch (const UsageError& error) {
    err << "koordin: " << error.what() << '\n';
    return kExitUsage;
  } catch (const DriverLoadError& error) {
    err << "koordin: " << error.what() << '\n';
  } catch (const FileError& error) {
    err << "koordin: " << error.what() << '\n';
  } catch (
      CException* error) {  // not expected outside the reading and writing, which name the file
    error->Delete();
    err << "koordin: a file operation failed\n";
  } catch (const std::exception& error) {
    err << "koordin: " << error.what() << '\n';
  }
  return kExitFailure;
}

}  // namespace

int RunInfo(const CommonOptions& common, std::ostream& out, std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    const Driver& driver = context.driver();
    const FIO_DriverInfoRecord info = QueryDriverInfo(driver);
    std::string kinds;
    std::string extensions;
    for (int bit = 0; bit < 32; ++bit) {
      const std::uint32_t kind = std::uint32_t{1} << bit;
      if ((info.objectKinds & kind) == 0) continue;
      kinds += (kinds.empty() ? "" : ", ") + std::to_string(kind);
      const std::string extension = QueryExtension(driver, static_cast<std::int32_t>(kind));
      if (!extension.empty() && extensions.find(extension) == std::string::npos) {
        extensions += (extensions.empty() ? "" : ", ") + extension;
      }
    }
    TextTable table({"driver", info.driverName}, {false, false});
    table.AddRow({"version", info.version});
    table.AddRow({"maker", info.maker});
    table.AddRow({"library", driver.path()});
    table.AddRow({"extension", extensions});
    table.AddRow({"turnpoints", std::to_string(info.turnpointCapacity)});
    table.AddRow({"routes", std::to_string(info.routeCapacity) + ", each of up to " +
                                std::to_string(info.pointsPerRoute) + " points"});
    table.AddRow({"names", std::to_string(info.nameLength) + " characters, route names " +
                               std::to_string(info.nameLineLength)});
    table.AddRow({"object kinds", kinds});
    out << table.Render();
    return kExitSuccess;
  });
}

int RunCheck(const CommonOptions& common, const std::vector<std::string>& files,
             const std::string& inputEncoding, std::ostream& out, std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    bool allGood = true;
    for (const std::string& file : files) {
      const std::string shown = ShownInputName(file);
      try {
        const FileFormat& format = FormatToReadThrough(file, std::string());
        Diagnostics diagnostics;
        const Input input = ReadInput(file, format, context, diagnostics,
                                      format.otherCharsets ? inputEncoding : std::string());
        PrintWarnings(err, shown, diagnostics);
        out << shown << ": "
            << Contents(input.document.waypoints.size(), input.document.tasks.size()) << '\n';
      } catch (const FileError& error) {  // unreadable, not of its format, or malformed
        out << error.what() << '\n';
        allGood = false;
      }
    }
    return allGood ? kExitSuccess : kExitFailure;
  });
}

int RunDump(const CommonOptions& common, const DumpOptions& options, std::ostream& out,
            std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    const FileFormat& format = FormatToReadThrough(options.file, options.from);
    Diagnostics diagnostics;
    const Input input =
        ReadInput(options.file, format, context, diagnostics, options.inputEncoding);
    PrintWarnings(err, ShownInputName(options.file), diagnostics);
    const KoordinListing listing =
        format.IsKoordin() ? input.listing : ListingFromDocument(input.document);
    if (options.format == "csv") {
      out << DumpCsv(listing, options.all);
    } else if (options.format == "json") {
      out << DumpJson(listing, options.all);
    } else if (options.format == "text") {
      out << DumpText(listing, options.all);
    } else {
      throw UsageError("--format " + options.format + ": not a listing form (text, csv, json)");
    }
    return kExitSuccess;
  });
}

int RunConvert(const CommonOptions& common, const ConvertOptions& options, std::ostream& out,
               std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    const FileFormat& from = ResolveFormat(options.input, options.from, "--from");
    const FileFormat& to = ResolveFormat(options.output, options.to, "--to");
    const std::string input = ShownInputName(options.input);
    const std::string output = ShownOutputName(options.output);
    const WarningDetail detail = options.quiet     ? WarningDetail::kNone
                                 : options.verbose ? WarningDetail::kEach
                                                   : WarningDetail::kSummary;

    Diagnostics readWarnings;
    Input read = ReadInput(options.input, from, context, readWarnings, options.inputEncoding);
    PrintWarnings(err, input, readWarnings, detail);

    Diagnostics writeWarnings;
    // Into KOORDIN, the choice and the plan see the names as the file will hold them, so that a
    // name of nothing but control characters is a turnpoint without a name; the warnings come
    // below, for the texts kept.
    const Document* candidates = &read.document;
    Document cleaned;
    Room room;
    Capacities capacities;
    if (to.IsKoordin()) {
      cleaned = read.document;
      Diagnostics untold;
      ReplaceControlCharacters(cleaned, untold);
      candidates = &cleaned;
      capacities = CapacitiesOf(QueryDriverInfo(context.driver()));
      room = {static_cast<std::size_t>(capacities.turnpoints),
              static_cast<std::size_t>(capacities.routes), true};
    }
    Selection selection;
    try {
      selection = Choose(*candidates, options.choices, room, writeWarnings);
    } catch (const ChoiceError& error) {
      throw UsageError(error.what());
    }
    // The plan of a dry run shows the whole source; otherwise it is not needed beside what is kept
    // (and `candidates` is not read again).
    Document chosen = options.dryRun ? Chosen(read.document, selection)
                                     : Chosen(std::move(read.document), selection);
    KoordinPlan plan;
    std::string bytes;
    std::string written;
    if (to.IsKoordin()) {
      ReplaceControlCharacters(chosen, writeWarnings);
      plan = PlanKoordin(chosen, capacities, context.encoding(), writeWarnings);
      written = Contents(plan.turnpoints.size(), plan.routes.size());
    } else {
      SettleFrequencies(chosen, writeWarnings);
      try {
        bytes = WriteWhole(to.writer, chosen, writeWarnings);
      } catch (const FormatError& error) {
        throw FileError(output + ": " + error.what());
      }
      written = Contents(chosen.waypoints.size(), chosen.tasks.size());
    }
    PrintWarnings(err, output, writeWarnings, detail);

    const std::size_t warnings = readWarnings.warnings.size() + writeWarnings.warnings.size();
    if (options.dryRun) {
      out << DryRunPlan(options, input, output, *candidates, selection, readWarnings,
                        writeWarnings);
    }
    if (options.strict && warnings > 0) {
      err << "koordin: " << output << ": not written: " << CountOf(warnings, "warning", "warnings")
          << " under --strict\n";
      return kExitFailure;
    }
    if (options.dryRun) {
      if (warnings > 0 && !options.quiet) err << CountOf(warnings, "warning", "warnings") << '\n';
      return kExitSuccess;
    }
    if (to.IsKoordin()) bytes = WriteKoordin(context.driver(), plan, output);
    // Standard output gets the file, and the summary goes with the warnings.
    const bool toStream = options.output == kStandardStream;
    if (toStream) {
      // A failed write is the caller's to report, with the reason; no summary then.
      if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) {
        return kExitFailure;
      }
    } else {
      SafeOutput file(options.output);
      file.WriteAll(bytes);
      file.Commit();
    }
    std::ostream& summary = toStream ? err : out;
    if (warnings > 0 && !options.quiet) err << CountOf(warnings, "warning", "warnings") << '\n';
    summary << output << ": " << written << '\n';
    return kExitSuccess;
  });
}

}  // namespace koordin_cli
