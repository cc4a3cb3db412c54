#include "tools/koordin/cli/command_line.h"

#include "tools/koordin/cli/nearest_name.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/formats.h"
#include "tools/koordin/reports/format_report.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {

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
    "Formats, given with --from/--to, else told by the file extension and a source's content:";

constexpr const char* kFooterEnd =
    R"(A file named - is standard input, or as the target standard output.
A KOORDIN file holds 255 turnpoints: when more pass the filters, it keeps those of its routes,
then the places to land, then the others, each nearest to --near first (--rank distance: the
nearest, whatever their style), else in file order.
Warnings go to standard error, one line each, many of a kind summed up (--verbose lists each);
see koordin(1) for what koordin chooses and warns about.)";

constexpr const char* kMoreHelp = "Run with --help for more information.";

// The help's footer: the examples, then the formats of the format table.
std::string Footer() {
  std::string footer = std::string(kExamples) + "\n" + kFormatsHeading + "\n";
  const std::string formats = FormatsText();
  for (std::size_t at = 0, end; at < formats.size(); at = end + 1) {
    end = formats.find('\n', at);
    footer += "  " + formats.substr(at, end - at) + "\n";
  }
  return footer + "\n" + kFooterEnd;
}

// The help of --input-encoding: the formats whose files come in other character sets.
std::string InputEncodingHelp() {
  return "the character set of a " + OtherCharsetTitles(" or ") +
         " file, as iconv names it (default: UTF-8, else Windows-1252)";
}

void AddCommonOptions(CLI::App& app, CommonOptions& common) {
  app.add_option("--driver", common.driverPath,
                 "the driver library to load (default: the vp6fio library beside koordin)");
  app.add_option("--encoding", common.encoding,
                 "the KOORDIN file's single-byte character set, as iconv names it")
      ->capture_default_str();
}

CLI::App* AddCheck(CLI::App& app, CheckOptions& options) {
  CLI::App* check = app.add_subcommand(
      "check", "read files of any format through; one line each: contents or the first fault");
  check->add_option("FILE", options.files, "files of any format koordin reads")->required();
  check->add_option("--from", options.from,
                    "the files' format, when their names and contents do not say");
  check->add_option("--input-encoding", options.inputEncoding, InputEncodingHelp());
  return check;
}

CLI::App* AddDump(CLI::App& app, DumpOptions& dump) {
  CLI::App* command =
      app.add_subcommand("dump", "list a file's turnpoints and routes, slot by slot");
  command->add_option("FILE", dump.file, "the file to list")->required();
  command->add_option("--format", dump.listing, "the listing form")
      ->check(CLI::IsMember({"text", "csv", "json"}))
      ->capture_default_str();
  command->add_option("--from", dump.from,
                      "the file's format, when its name and content do not say");
  command->add_flag("--all", dump.all, "list empty slots too");
  command->add_option("--input-encoding", dump.inputEncoding, InputEncodingHelp());
  return command;
}

// `rank`: what CLI11 takes --rank's name into; the name sets the ranking of `convert`.
CLI::App* AddConvert(CLI::App& app, ConvertOptions& convert, std::string& rank) {
  CLI::App* command = app.add_subcommand(
      "convert", "convert between " + FormatList(" and ") + "; warns about every loss");
  command->add_option("IN", convert.input, "the file to read")->required();
  command->add_option("OUT", convert.output, "the file to write")->required();
  command->add_option("--from", convert.from, "IN's format, when its name and content do not say");
  command->add_option("--to", convert.to, "OUT's format, when its name does not say");
  command->add_flag("--strict", convert.strict,
                    "fail, writing nothing, when anything needs a warning");
  command->add_option("--near", convert.choices.near,
                      "keep the turnpoints nearest to PLACE first: a turnpoint of IN by its name "
                      "(any case, or a part of it) or code, or a position (48.63,9.43, "
                      "48°37'50\"N 9°25'49\"E, 4837.833N 00925.817E)");
  command->add_option("--radius", convert.choices.radiusKm,
                      "keep only the turnpoints within KM of --near's place");
  command
      ->add_option("--rank", rank,
                   "which turnpoints a full file keeps after those of its routes: " +
                       std::string(kLandingPlacesFirstName) +
                       " (the landing places, then the others, each nearest to --near first, "
                       "else in file order) or " +
                       kDistanceName + " (the nearest first, whatever their style)")
      ->check(CLI::IsMember({kLandingPlacesFirstName, kDistanceName}))
      ->each([&convert](const std::string& name) {
        convert.choices.ranking =
            name == kDistanceName ? Ranking::kDistance : Ranking::kLandingPlacesFirst;
      })
      ->capture_default_str();
  command->add_option("--only", convert.choices.only,
                      "keep only turnpoints whose names match GLOB (any case; repeatable)");
  command->add_option("--exclude", convert.choices.exclude,
                      "leave out turnpoints whose names match GLOB (repeatable)");
  command->add_option("--style", convert.choices.styles,
                      "keep only waypoints of this CUP style: airfield, outlanding, ... (the "
                      "formats command lists every name), or its number, 0 to " +
                          std::to_string(kLastStyle) + " (repeatable)");
  command->add_option("--tasks", convert.choices.tasks,
                      "keep only the tasks of these names (globs)");
  command->add_option("--input-encoding", convert.inputEncoding, InputEncodingHelp());
  CLI::Option* verbose =
      command->add_flag("--verbose", convert.verbose, "list every warning, none summed up");
  command->add_flag("--quiet", convert.quiet, "print no warnings")->excludes(verbose);
  CLI::Option* dryRun = command->add_flag(
      "--dry-run", convert.dryRun, "print what would be kept and what dropped; write nothing");
  command->add_option("--plan-format", convert.planFormat, "the plan's form")
      ->check(CLI::IsMember({"text", "json"}))
      ->needs(dryRun)
      ->capture_default_str();
  return command;
}

CLI::App* AddFormats(CLI::App& app, FormatsOptions& formats) {
  CLI::App* command =
      app.add_subcommand("formats", "list the file formats koordin reads and writes");
  command->add_option("--format", formats.listing, "the listing form")
      ->check(CLI::IsMember({"text", "json"}))
      ->capture_default_str();
  command->add_flag("--styles", formats.styles,
                    "list instead the names of CUP waypoint styles that convert takes, with the "
                    "styles each stands for");
  return command;
}

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

// "; did you mean X?" when one of `names` is near `word`.
std::string Suggestion(const std::string& word, const std::vector<std::string>& names) {
  const std::string nearest = NearestName(word, names);
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

// `line` with nothing to run and the usage status, after saying on `err` what is wrong with the
// command line, "koordin: " first.
CommandLine UsageFault(CommandLine line, std::ostream& err, const std::string& message) {
  err << "koordin: " << message << '\n' << kMoreHelp << '\n';
  line.command = Command::kNone;
  line.status = kExitUsage;
  return line;
}

}  // namespace

CommandLine ReadCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
  CommandLine line;
  CLI::App app{"koordin: turnpoints and routes to and from the VP6 variometer's KOORDIN file",
               "koordin"};
  app.set_version_flag("--version", std::string("koordin ") + KOORDIN_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  app.allow_extras();  // told apart below, with the nearest name
  AddCommonOptions(app, line.common);
  std::string rank = kLandingPlacesFirstName;
  // In the order the help lists them.
  const std::pair<CLI::App*, Command> commands[] = {
      {app.add_subcommand("info", "describe the driver: name, version, capacities"),
       Command::kInfo},
      {AddCheck(app, line.check), Command::kCheck},
      {AddDump(app, line.dump), Command::kDump},
      {AddConvert(app, line.convert, rank), Command::kConvert},
      {AddFormats(app, line.formats), Command::kFormats},
  };
  // The examples in the program's help only, not in each command's.
  app.footer(Footer());

  const std::string command = CommandWord(app, argc, argv);
  const std::vector<std::string> names = CommandNames(app);
  if (!command.empty() && std::find(names.begin(), names.end(), command) == names.end()) {
    return UsageFault(std::move(line), err,
                      command + ": no such command" + Suggestion(command, names));
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& done) {  // --help, --version
    line.status = app.exit(done, out, err);
    return line;
  } catch (const CLI::ParseError& error) {
    return UsageFault(std::move(line), err, error.what());
  }
  std::vector<std::string> options = OptionNames(app);
  for (const CLI::App* parsed : app.get_subcommands()) {
    const std::vector<std::string> own = OptionNames(*parsed);
    options.insert(options.end(), own.begin(), own.end());
  }
  for (const std::string& extra : app.remaining(true)) {
    if (extra.size() > 1 && extra[0] == '-') {
      return UsageFault(std::move(line), err,
                        extra + ": no such option" + Suggestion(extra, options));
    }
    return UsageFault(std::move(line), err, extra + ": one argument too many");
  }
  for (const auto& [subcommand, which] : commands) {
    if (subcommand->parsed()) line.command = which;
  }
  return line;
}

}  // namespace koordin_cli
