// koordin: turnpoints between the VP6 variometer's KOORDIN file and the formats pilots use, and a
// check and a listing of what a file holds. The KOORDIN file is read and written by the vp6fio
// driver, which koordin loads at run time like any host.

#include "tools/koordin/cli/nearest_name.h"
#include "tools/koordin/commands/commands.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/formats.h"
#include "tools/koordin/reports/format_report.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

constexpr const char* kExamples = R"(Examples:
  koordin convert examples/gliding-sites.cup sites.lst   CUP waypoints and tasks into KOORDIN
  koordin convert sites.lst sites.gpx                    KOORDIN into GPX 1.1
  koordin convert in.cup out.lst --strict                refuse, writing nothing, if anything is lost
  koordin convert de.cup out.lst --near Hahnweide --radius 150 --dry-run   the plan: what is kept
  koordin --encoding CP850 convert old.lst new.cup       a KOORDIN file in another code page
  koordin check *.lst                                    one line per file: contents or first fault
  koordin dump sites.lst --format csv                    the turnpoint and route tables as CSV
  koordin info                                           what the driver says about itself
  koordin formats --styles                               the names that --style takes
)";

constexpr const char* kFormatsHeading =
    "Formats, taken from the file extension unless --from/--to name them:";

constexpr const char* kFooterEnd =
    R"(A file named - is standard input, or as the target standard output.
Warnings go to standard error, one line each, many of a kind summed up (--verbose lists each);
see koordin(1) for what koordin chooses and warns about.)";

// The help's footer: the examples, then the formats of the format table.
std::string Footer() {
  std::string footer = std::string(kExamples) + "\n" + kFormatsHeading + "\n";
  const std::string formats = koordin_cli::FormatsText();
  for (std::size_t at = 0, end; at < formats.size(); at = end + 1) {
    end = formats.find('\n', at);
    footer += "  " + formats.substr(at, end - at) + "\n";
  }
  return footer + "\n" + kFooterEnd;
}

// The help of --input-encoding: the formats whose files come in other character sets.
std::string InputEncodingHelp() {
  return "the character set of a " + koordin_cli::OtherCharsetTitles(" or ") +
         " file, as iconv names it (default: UTF-8, else Windows-1252)";
}

constexpr const char* kMoreHelp = "Run with --help for more information.";

// The options of `app` by their long names, and its subcommands by theirs.
std::vector<std::string> OptionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
    names.push_back(command->get_name());
  }
  return names;
}

// " (did you mean X?)" when one of `names` is near `word`.
std::string Suggestion(const std::string& word, const std::vector<std::string>& names) {
  const std::string nearest = koordin_cli::NearestName(word, names);
  return nearest.empty() ? std::string() : "; did you mean " + nearest + "?";
}

// The first word of the command line that is neither an option of `app` nor its value: the
// command, when it is one.
std::string CommandWord(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.empty() || word[0] != '-') return word;
    if (word.find('=') != std::string::npos) continue;
    const CLI::Option* option = nullptr;
    try {
      option = app.get_option(word);
    } catch (const CLI::OptionNotFound&) {
      return std::string();  // the parser names the unknown option
    }
    if (option != nullptr && option->get_type_size() != 0) ++i;  // its value
  }
  return std::string();
}

// Says what is wrong with the command line, "koordin: " first, and returns the usage status.
int UsageFault(const std::string& message) {
  std::cerr << "koordin: " << message << '\n' << kMoreHelp << '\n';
  return koordin_cli::kExitUsage;
}

// Fails when what the command printed could not all be written (a full disk, a closed pipe).
int CheckedStandardOutput(int status) {
  std::cout.flush();
  if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout) return status;
  const int error = errno;
  std::cerr << "koordin: (standard output): cannot write"
            << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
  return koordin_cli::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace koordin_cli;

  CLI::App app{"koordin: turnpoints and routes to and from the VP6 variometer's KOORDIN file",
               "koordin"};
  app.set_version_flag("--version", std::string("koordin ") + KOORDIN_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  app.allow_extras();  // told apart below, with the nearest name

  CommonOptions common;
  app.add_option("--driver", common.driverPath,
                 "the driver library to load (default: the vp6fio library beside koordin)");
  app.add_option("--encoding", common.encoding,
                 "the KOORDIN file's single-byte character set, as iconv names it")
      ->capture_default_str();

  CLI::App* info = app.add_subcommand("info", "describe the driver: name, version, capacities");

  const std::string inputEncodingHelp = InputEncodingHelp();

  std::vector<std::string> checkFiles;
  CLI::App* check = app.add_subcommand(
      "check", "read files of any format through; one line each: contents or the first fault");
  check->add_option("FILE", checkFiles, "files of any format koordin reads")->required();
  std::string checkEncoding;
  check->add_option("--input-encoding", checkEncoding, inputEncodingHelp);

  DumpOptions dump;
  CLI::App* dumpCommand =
      app.add_subcommand("dump", "list a file's turnpoints and routes, slot by slot");
  dumpCommand->add_option("FILE", dump.file, "the file to list")->required();
  dumpCommand->add_option("--format", dump.listing, "the listing form")
      ->check(CLI::IsMember({"text", "csv", "json"}))
      ->capture_default_str();
  dumpCommand->add_option("--from", dump.from, "the file's format, when its name does not say");
  dumpCommand->add_flag("--all", dump.all, "list empty slots too");
  dumpCommand->add_option("--input-encoding", dump.inputEncoding, inputEncodingHelp);

  ConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand(
      "convert", "convert between " + FormatList(" and ") + "; warns about every loss");
  convertCommand->add_option("IN", convert.input, "the file to read")->required();
  convertCommand->add_option("OUT", convert.output, "the file to write")->required();
  convertCommand->add_option("--from", convert.from, "IN's format, when its name does not say");
  convertCommand->add_option("--to", convert.to, "OUT's format, when its name does not say");
  convertCommand->add_flag("--strict", convert.strict,
                           "fail, writing nothing, when anything needs a warning");
  convertCommand->add_option("--near", convert.choices.near,
                             "keep the turnpoints nearest to PLACE first: a turnpoint of IN by "
                             "its name (any case, or a part of it) or code, or a position "
                             "(48.63,9.43, 48°37'50\"N 9°25'49\"E, 4837.833N 00925.817E)");
  convertCommand->add_option("--radius", convert.choices.radiusKm,
                             "keep only the turnpoints within KM of --near's place");
  std::string rank = kLandingPlacesFirstName;
  convertCommand
      ->add_option("--rank", rank,
                   "which turnpoints a full file keeps after those of its routes: " +
                       std::string(kLandingPlacesFirstName) +
                       " (the landing places, then the others, each nearest to --near first, "
                       "else in file order) or " +
                       kDistanceName + " (the nearest first, whatever their style)")
      ->check(CLI::IsMember({kLandingPlacesFirstName, kDistanceName}))
      ->each([&](const std::string& name) {
        convert.choices.ranking =
            name == kDistanceName ? Ranking::kDistance : Ranking::kLandingPlacesFirst;
      })
      ->capture_default_str();
  convertCommand->add_option("--only", convert.choices.only,
                             "keep only turnpoints whose names match GLOB (any case; repeatable)");
  convertCommand->add_option("--exclude", convert.choices.exclude,
                             "leave out turnpoints whose names match GLOB (repeatable)");
  convertCommand->add_option("--style", convert.choices.styles,
                             "keep only waypoints of this CUP style: airfield, outlanding, ... "
                             "(the formats command lists every name), or its number, 0 to " +
                                 std::to_string(kLastStyle) + " (repeatable)");
  convertCommand->add_option("--tasks", convert.choices.tasks,
                             "keep only the tasks of these names (globs)");
  convertCommand->add_option("--input-encoding", convert.inputEncoding, inputEncodingHelp);
  CLI::Option* verbose =
      convertCommand->add_flag("--verbose", convert.verbose, "list every warning, none summed up");
  convertCommand->add_flag("--quiet", convert.quiet, "print no warnings")->excludes(verbose);
  CLI::Option* dryRun = convertCommand->add_flag(
      "--dry-run", convert.dryRun, "print what would be kept and what dropped; write nothing");
  convertCommand->add_option("--plan-format", convert.planFormat, "the plan's form")
      ->check(CLI::IsMember({"text", "json"}))
      ->needs(dryRun)
      ->capture_default_str();

  FormatsOptions formats;
  CLI::App* formatsCommand =
      app.add_subcommand("formats", "list the file formats koordin reads and writes");
  formatsCommand->add_option("--format", formats.listing, "the listing form")
      ->check(CLI::IsMember({"text", "json"}))
      ->capture_default_str();
  formatsCommand->add_flag("--styles", formats.styles,
                           "list instead the names of CUP waypoint styles that convert takes, "
                           "with the styles each stands for");

  // The examples in the program's help only, not in each command's.
  app.footer(Footer());

  const std::string command = CommandWord(app, argc, argv);
  const std::vector<std::string> commands = CommandNames(app);
  if (!command.empty() && std::find(commands.begin(), commands.end(), command) == commands.end()) {
    return UsageFault(command + ": no such command" + Suggestion(command, commands));
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {  // --help, --version
    return CheckedStandardOutput(app.exit(done));
  } catch (const CLI::ParseError& error) {
    return UsageFault(error.what());
  }
  std::vector<std::string> options = OptionNames(app);
  for (const CLI::App* parsed : app.get_subcommands()) {
    const std::vector<std::string> own = OptionNames(*parsed);
    options.insert(options.end(), own.begin(), own.end());
  }
  for (const std::string& extra : app.remaining(true)) {
    if (extra.size() > 1 && extra[0] == '-') {
      return UsageFault(extra + ": no such option" + Suggestion(extra, options));
    }
    return UsageFault(extra + ": one argument too many");
  }

  int status;
  if (info->parsed()) {
    status = RunInfo(common, std::cout, std::cerr);
  } else if (check->parsed()) {
    status = RunCheck(common, checkFiles, checkEncoding, std::cout, std::cerr);
  } else if (dumpCommand->parsed()) {
    status = RunDump(common, dump, std::cout, std::cerr);
  } else if (formatsCommand->parsed()) {
    status = RunFormats(formats, std::cout);
  } else {
    status = RunConvert(common, convert, std::cout, std::cerr);
  }
  return CheckedStandardOutput(status);
}
