#include "tools/koordin/commands/commands.h"

#include "tools/koordin/conversion/control_characters.h"
#include "tools/koordin/conversion/frequency.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/formats.h"
#include "tools/koordin/instrument/driver_library.h"
#include "tools/koordin/instrument/koordin_file.h"
#include "tools/koordin/instrument/koordin_plan.h"
#include "tools/koordin/io/safe_output.h"
#include "tools/koordin/reports/listings.h"
#include "tools/koordin/reports/plan_report.h"
#include "tools/koordin/reports/text_table.h"

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
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

bool IsEmpty(ByteSource& source) {
  char byte = 0;
  const bool empty = source.Read(&byte, 1) == 0;
  source.Rewind();
  return empty;
}

void CheckInputEncoding(const FileFormat& format, const std::string& inputEncoding) {
  if (!inputEncoding.empty() && !format.otherCharsets) {
    throw UsageError("--input-encoding " + inputEncoding +
                     ": only CUP and CSV files come in other character sets (a KOORDIN file's "
                     "is given with --encoding)");
  }
}

// Reads `source`, a file of `format` in the character set `encoding` (when not empty), into
// `sink`. Throws FileError naming `shown` and the line for what cannot be read.
void ReadSource(ByteSource& source, const FileFormat& format, const std::string& encoding,
                const std::string& shown, Diagnostics& diagnostics, DocumentSink& sink) {
  try {
    source.Rewind();
    if (encoding.empty()) {
      format.read(source, diagnostics, sink);
      return;
    }
    std::unique_ptr<CharsetSource> text;
    try {
      text = std::make_unique<CharsetSource>(source, encoding.c_str());
    } catch (const std::invalid_argument&) {
      throw UsageError("--input-encoding " + encoding + ": not a character set that iconv knows");
    }
    // A pass of its own tells whether every byte was a character, so that the warning comes first.
    std::string piece(kPieceBytes, '\0');
    while (text->Read(piece.data(), piece.size()) > 0) {
    }
    if (!text->exact())
      diagnostics.Warn("bytes that are no " + encoding + " characters, read as \"?\"");
    text->Rewind();
    format.read(*text, diagnostics, sink);
  } catch (const FormatError& error) {
    const std::string where = error.line() > 0 ? ":" + std::to_string(error.line()) : "";
    throw FileError(shown + where + ": " + error.what());
  }
}

// Opens a source file of a format other than KOORDIN. Throws FileError for one that cannot be read
// or is empty.
std::unique_ptr<FileSource> OpenSource(const std::string& path) {
  auto file = std::make_unique<FileSource>(path);
  if (IsEmpty(*file)) throw FileError(ShownInputName(path) + ": the file is empty");
  return file;
}

Input ReadInput(const std::string& path, const FileFormat& format, Context& context,
                Diagnostics& diagnostics, const std::string& inputEncoding = {}) {
  CheckInputEncoding(format, inputEncoding);
  const std::string shown = ShownInputName(path);
  Input input;
  if (format.IsKoordin()) {
    const NamedInput file(path);
    input.listing =
        ReadKoordin(context.driver(), file.path(), context.encoding(), diagnostics, shown);
    input.document = ListingToDocument(input.listing, diagnostics);
    return input;
  }
  DocumentCollector collector;
  ReadSource(*OpenSource(path), format, inputEncoding, shown, diagnostics, collector);
  input.document = std::move(collector.document);
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
  PlanReport report{target, &source, &selection,
                    WarningLines(input, readWarnings, WarningDetail::kEach)};
  for (const std::string& line : WarningLines(output, writeWarnings, WarningDetail::kEach)) {
    report.warnings.push_back(line);
  }
  return options.planFormat == "json" ? PlanJson(report) : PlanText(report);
}

std::string Contents(std::size_t turnpoints, std::size_t routes) {
  return CountOf(turnpoints, "turnpoint", "turnpoints") + ", " + CountOf(routes, "route", "routes");
}

// Counts what a reader reads.
struct Counter : DocumentSink {
  void AddWaypoint(Waypoint) override { ++waypoints; }
  void AddTask(Task) override { ++tasks; }
  std::size_t waypoints = 0;
  std::size_t tasks = 0;
};

// What a conversion writes, as it is made: into the target's temporary file, or for standard
// output into a temporary file of its own, copied out when all went well, so that a run that fails
// or is refused under --strict leaves nothing behind, as one that writes at once.
class StreamedOutput {
 public:
  StreamedOutput(const std::string& path, std::ostream& out) : out_(out) {
    if (path != kStandardStream) {
      file_ = std::make_unique<SafeOutput>(path);
      return;
    }
    held_.reset(std::tmpfile());
    if (!held_) throw FileError(DescribeFileError(ShownOutputName(path), "cannot keep", errno));
  }

  // Writes what `bytes` holds and empties it. Throws FileError naming the target.
  void Write(std::string& bytes) {
    if (file_) {
      file_->WriteAll(bytes);
    } else if (std::fwrite(bytes.data(), 1, bytes.size(), held_.get()) != bytes.size()) {
      throw FileError(DescribeFileError(ShownOutputName(kStandardStream), "cannot keep", errno));
    }
    bytes.clear();
  }

  // Puts the file in place. False when standard output did not take it, which its caller reports.
  bool Commit() {
    if (file_) {
      file_->Commit();
      return true;
    }
    std::rewind(held_.get());
    std::string piece(kPieceBytes, '\0');
    while (const std::size_t got = std::fread(piece.data(), 1, piece.size(), held_.get())) {
      if (!out_.write(piece.data(), static_cast<std::streamsize>(got))) return false;
    }
    return static_cast<bool>(out_.flush());
  }

 private:
  std::ostream& out_;
  std::unique_ptr<SafeOutput> file_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> held_{nullptr, &std::fclose};
};

// The first pass of a conversion a piece at a time: the tasks, and the place of --near.
class FirstPass : public DocumentSink {
 public:
  FirstPass(const std::string& near, bool clean)
      : finder(near), clean_(clean), wantsWaypoints_(!near.empty()) {}
  bool WantsWaypoints() const override { return wantsWaypoints_; }
  void AddWaypoint(Waypoint waypoint) override {
    if (clean_) ReplaceControlCharacters(waypoint, untold_);
    finder.See(waypoint);
  }
  void AddTask(Task task) override {
    read.push_back(task);
    if (clean_) ReplaceControlCharacters(task, untold_);
    seen.push_back(std::move(task));
  }

  PlaceFinder finder;
  std::vector<Task> read;  // as read
  std::vector<Task> seen;  // as the choice sees them

 private:
  bool clean_;           // the choice sees the names without control characters
  bool wantsWaypoints_;  // only --near needs them
  Diagnostics untold_{Diagnostics::Keeping::kFewOfEachKind};
};

// The second pass: each waypoint offered to the choice, and, when the answer is final, written.
class SecondPass : public DocumentSink {
 public:
  SecondPass(PiecewiseChoice& choice, bool clean, Diagnostics& choiceWarnings)
      : choice_(choice), clean_(clean), choiceWarnings_(choiceWarnings) {}
  std::function<void(Waypoint)> kept;  // what becomes of a waypoint kept at once

  void AddWaypoint(Waypoint waypoint) override {
    bool keep = false;
    if (clean_) {
      Waypoint seen = waypoint;
      ReplaceControlCharacters(seen, untold_);
      keep = choice_.Offer(seen, waypoint, choiceWarnings_);
    } else {
      keep = choice_.Offer(waypoint, waypoint, choiceWarnings_);
    }
    if (keep) kept(std::move(waypoint));
  }
  void AddTask(Task) override {}

 private:
  PiecewiseChoice& choice_;
  bool clean_;
  Diagnostics& choiceWarnings_;
  Diagnostics untold_{Diagnostics::Keeping::kFewOfEachKind};
};

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
        const std::string encoding = format.otherCharsets ? inputEncoding : std::string();
        // A file of another format is counted as read, in memory that does not grow with it.
        Diagnostics diagnostics(format.IsKoordin() ? Diagnostics::Keeping::kEvery
                                                   : Diagnostics::Keeping::kFewOfEachKind);
        std::size_t waypoints = 0;
        std::size_t tasks = 0;
        if (format.IsKoordin()) {
          const Input input = ReadInput(file, format, context, diagnostics, encoding);
          waypoints = input.document.waypoints.size();
          tasks = input.document.tasks.size();
        } else {
          Counter counter;
          ReadSource(*OpenSource(file), format, encoding, shown, diagnostics, counter);
          waypoints = counter.waypoints;
          tasks = counter.tasks;
        }
        PrintWarnings(err, shown, diagnostics);
        out << shown << ": " << Contents(waypoints, tasks) << '\n';
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

namespace {

// What RunConvert shares between its two ways.
struct Conversion {
  const ConvertOptions& options;
  const FileFormat& from;
  const FileFormat& to;
  std::string input;  // the names in messages
  std::string output;
  WarningDetail detail;
};

// Ends a conversion whose warnings are known: the plan of a dry run, the refusal under --strict,
// the count of warnings. Returns the exit status when the conversion ends here.
std::optional<int> EndOfWarnings(const Conversion& c, std::size_t warnings, std::ostream& err) {
  if (c.options.strict && warnings > 0) {
    err << "koordin: " << c.output << ": not written: " << CountOf(warnings, "warning", "warnings")
        << " under --strict\n";
    return kExitFailure;
  }
  if (c.options.dryRun) {
    if (warnings > 0 && !c.options.quiet) err << CountOf(warnings, "warning", "warnings") << '\n';
    return kExitSuccess;
  }
  return std::nullopt;
}

// The end of a conversion written: the count of warnings and the summary, on standard error when
// the file went to standard output.
int Written(const Conversion& c, std::size_t warnings, const std::string& written,
            std::ostream& out, std::ostream& err) {
  std::ostream& summary = c.options.output == kStandardStream ? err : out;
  if (warnings > 0 && !c.options.quiet) err << CountOf(warnings, "warning", "warnings") << '\n';
  summary << c.output << ": " << written << '\n';
  return kExitSuccess;
}

Room RoomOf(const FileFormat& to, Context& context, Capacities& capacities) {
  if (!to.IsKoordin()) return {};
  capacities = CapacitiesOf(QueryDriverInfo(context.driver()));
  return {static_cast<std::size_t>(capacities.turnpoints),
          static_cast<std::size_t>(capacities.routes), true};
}

// The KOORDIN file of what was chosen: its plan and the warnings of making it.
KoordinPlan PlanChosen(Document& chosen, const Capacities& capacities, Context& context,
                       Diagnostics& warnings) {
  ReplaceControlCharacters(chosen, warnings);
  return PlanKoordin(chosen, capacities, context.encoding(), warnings);
}

// Writes `bytes` whole to the target. Returns false when standard output did not take them.
bool WriteTarget(const std::string& path, const std::string& bytes, std::ostream& out) {
  if (path == kStandardStream) {
    return static_cast<bool>(
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
  }
  SafeOutput file(path);
  file.WriteAll(bytes);
  file.Commit();
  return true;
}

// A conversion of the whole source in memory, which a dry run's plan and a listing of every warning
// need, and a KOORDIN source, which the driver reads whole.
int ConvertWhole(const Conversion& c, Context& context, std::ostream& out, std::ostream& err) {
  const ConvertOptions& options = c.options;
  Diagnostics readWarnings;
  Input read = ReadInput(options.input, c.from, context, readWarnings, options.inputEncoding);
  PrintWarnings(err, c.input, readWarnings, c.detail);

  Diagnostics writeWarnings;
  // Into KOORDIN, the choice and the plan see the names as the file will hold them, so that a
  // name of nothing but control characters is a turnpoint without a name; the warnings come
  // below, for the texts kept.
  const Document* candidates = &read.document;
  Document cleaned;
  Capacities capacities;
  const Room room = RoomOf(c.to, context, capacities);
  if (c.to.IsKoordin()) {
    cleaned = read.document;
    Diagnostics untold;
    ReplaceControlCharacters(cleaned, untold);
    candidates = &cleaned;
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
  if (c.to.IsKoordin()) {
    plan = PlanChosen(chosen, capacities, context, writeWarnings);
    written = Contents(plan.turnpoints.size(), plan.routes.size());
  } else {
    SettleFrequencies(chosen, writeWarnings);
    try {
      bytes = WriteWhole(c.to.writer, chosen, writeWarnings);
    } catch (const FormatError& error) {
      throw FileError(c.output + ": " + error.what());
    }
    written = Contents(chosen.waypoints.size(), chosen.tasks.size());
  }
  PrintWarnings(err, c.output, writeWarnings, c.detail);

  const std::size_t warnings = readWarnings.Count() + writeWarnings.Count();
  if (options.dryRun) {
    out << DryRunPlan(options, c.input, c.output, *candidates, selection, readWarnings,
                      writeWarnings);
  }
  if (const std::optional<int> status = EndOfWarnings(c, warnings, err)) return *status;
  if (c.to.IsKoordin()) bytes = WriteKoordin(context.driver(), plan, c.output);
  // A failed write to standard output is the caller's to report, with the reason; no summary then.
  if (!WriteTarget(options.output, bytes, out)) return kExitFailure;
  return Written(c, warnings, written, out, err);
}

// A conversion a piece at a time, in memory that does not grow with the source: a first pass
// reads the tasks and finds the place of --near, a second offers each waypoint to the choice and
// writes those kept at once; into KOORDIN the choice holds only what may be kept.
int ConvertInPieces(const Conversion& c, Context& context, std::ostream& out, std::ostream& err) {
  const ConvertOptions& options = c.options;
  CheckInputEncoding(c.from, options.inputEncoding);
  const std::unique_ptr<FileSource> file = OpenSource(options.input);
  const bool clean = c.to.IsKoordin();
  // The first pass's warnings are the second's, which reads everything; a reader may pass over
  // the waypoints in the first, unless --near names one.
  Diagnostics untold(Diagnostics::Keeping::kFewOfEachKind);
  FirstPass first(options.choices.near, clean);
  ReadSource(*file, c.from, options.inputEncoding, c.input, untold, first);
  Diagnostics readWarnings(Diagnostics::Keeping::kFewOfEachKind);

  // What cannot go on ends as when the whole source is read first: after its warnings, or with the
  // fault that ends its reading.
  const auto endAfterReading = [&] {
    Counter counter;
    ReadSource(*file, c.from, options.inputEncoding, c.input, readWarnings, counter);
    PrintWarnings(err, c.input, readWarnings, c.detail);
  };
  Capacities capacities;
  Room room;
  std::unique_ptr<PiecewiseChoice> choice;
  try {
    room = RoomOf(c.to, context, capacities);
    choice = std::make_unique<PiecewiseChoice>(options.choices, room, std::move(first.seen),
                                               first.finder);
  } catch (const ChoiceError& error) {
    endAfterReading();
    throw UsageError(error.what());
  } catch (const DriverLoadError&) {
    endAfterReading();
    throw;
  }
  Diagnostics writeWarnings(Diagnostics::Keeping::kFewOfEachKind);
  SecondPass second(*choice, clean, writeWarnings);
  std::string written;
  std::string bytes;
  std::unique_ptr<StreamedOutput> target;
  if (c.to.IsKoordin()) {
    second.kept = [](Waypoint) {};
    ReadSource(*file, c.from, options.inputEncoding, c.input, readWarnings, second);
    PrintWarnings(err, c.input, readWarnings, c.detail);
    Document chosen = choice->Finish(std::move(first.read), writeWarnings);
    const KoordinPlan plan = PlanChosen(chosen, capacities, context, writeWarnings);
    written = Contents(plan.turnpoints.size(), plan.routes.size());
    PrintWarnings(err, c.output, writeWarnings, c.detail);
    const std::size_t warnings = readWarnings.Count() + writeWarnings.Count();
    if (const std::optional<int> status = EndOfWarnings(c, warnings, err)) return *status;
    bytes = WriteKoordin(context.driver(), plan, c.output);
    if (!WriteTarget(options.output, bytes, out)) return kExitFailure;
    return Written(c, warnings, written, out, err);
  }
  const std::vector<Task> tasks = choice->Finish(std::move(first.read), writeWarnings).tasks;
  Diagnostics settleWarnings(Diagnostics::Keeping::kFewOfEachKind);
  Diagnostics writerWarnings(Diagnostics::Keeping::kFewOfEachKind);
  // A target that cannot be written is told where a whole conversion tells it: after the warnings.
  std::exception_ptr unwritable;
  try {
    target = std::make_unique<StreamedOutput>(options.output, out);
  } catch (const FileError&) {
    unwritable = std::current_exception();
  }
  const auto drain = [&] {
    if (target) target->Write(bytes);
    bytes.clear();
  };
  std::size_t waypoints = 0;
  try {
    const std::unique_ptr<FormatWriter> writer = c.to.writer(bytes, writerWarnings);
    writer->Begin(tasks);
    second.kept = [&](Waypoint waypoint) {
      SettleFrequency(waypoint, settleWarnings);
      try {
        writer->AddWaypoint(waypoint);
      } catch (const FormatError& error) {  // the target's fault, not the source's line
        throw FileError(c.output + ": " + error.what());
      }
      ++waypoints;
      if (bytes.size() >= kPieceBytes) drain();
    };
    ReadSource(*file, c.from, options.inputEncoding, c.input, readWarnings, second);
    writer->End();
  } catch (const FormatError& error) {
    throw FileError(c.output + ": " + error.what());
  }
  drain();
  PrintWarnings(err, c.input, readWarnings, c.detail);
  writeWarnings.Append(settleWarnings);
  writeWarnings.Append(writerWarnings);
  written = Contents(waypoints, tasks.size());
  PrintWarnings(err, c.output, writeWarnings, c.detail);
  const std::size_t warnings = readWarnings.Count() + writeWarnings.Count();
  if (const std::optional<int> status = EndOfWarnings(c, warnings, err)) return *status;
  if (unwritable) std::rethrow_exception(unwritable);
  if (!target->Commit()) return kExitFailure;
  return Written(c, warnings, written, out, err);
}

}  // namespace

int RunConvert(const CommonOptions& common, const ConvertOptions& options, std::ostream& out,
               std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    const FileFormat& from = ResolveFormat(options.input, options.from, "--from");
    const FileFormat& to = ResolveFormat(options.output, options.to, "--to");
    const Conversion conversion{options,
                                from,
                                to,
                                ShownInputName(options.input),
                                ShownOutputName(options.output),
                                options.quiet     ? WarningDetail::kNone
                                : options.verbose ? WarningDetail::kEach
                                                  : WarningDetail::kSummary};
    const bool whole = from.IsKoordin() || options.dryRun || options.verbose || options.whole;
    return whole ? ConvertWhole(conversion, context, out, err)
                 : ConvertInPieces(conversion, context, out, err);
  });
}

}  // namespace koordin_cli
