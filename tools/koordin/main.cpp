// koordin: turnpoints between the VP6 variometer's KOORDIN file and the formats pilots use, and a
// check of what is in a KOORDIN file. The KOORDIN file is read and written by the vp6fio driver,
// which koordin loads at run time like any host.

#include "tools/koordin/commands.h"
#include "tools/koordin/koordin_plan.h"

#include <CLI/CLI.hpp>

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

Formats: lst (KOORDIN), cup, gpx, csv, json; taken from the file extension unless --from/--to.
Warnings go to standard error, one line each, many of a kind summed up (--verbose lists each);
see README.md for what koordin chooses and warns about.)";

}  // namespace

int main(int argc, char** argv) {
  using namespace koordin_cli;

  CLI::App app{"koordin: turnpoints and routes to and from the VP6 variometer's KOORDIN file"};
  app.set_version_flag("--version", std::string("koordin ") + KOORDIN_VERSION);
  app.footer(kExamples);
  app.require_subcommand(1);
  app.fallthrough();

  CommonOptions common;
  app.add_option("--driver", common.driverPath,
                 "the driver library to load (default: the vp6fio library beside koordin)");
  app.add_option("--encoding", common.encoding,
                 "the KOORDIN file's single-byte character set, as iconv names it")
      ->capture_default_str();

  CLI::App* info = app.add_subcommand("info", "describe the driver: name, version, capacities");

  std::vector<std::string> checkFiles;
  CLI::App* check = app.add_subcommand(
      "check", "read KOORDIN files through; one line each: contents or the first fault");
  check->add_option("FILE", checkFiles, "KOORDIN files")->required();

  DumpOptions dump;
  CLI::App* dumpCommand =
      app.add_subcommand("dump", "list a file's turnpoints and routes, slot by slot");
  dumpCommand->add_option("FILE", dump.file, "the file to list")->required();
  dumpCommand->add_option("--format", dump.format, "the listing form")
      ->check(CLI::IsMember({"text", "csv", "json"}))
      ->capture_default_str();
  dumpCommand->add_option("--from", dump.from, "the file's format, when its name does not say");
  dumpCommand->add_flag("--all", dump.all, "list empty slots too");

  ConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand(
      "convert", "convert between lst (KOORDIN), cup, gpx, csv and json; warns about every loss");
  convertCommand->add_option("IN", convert.input, "the file to read")->required();
  convertCommand->add_option("OUT", convert.output, "the file to write")->required();
  convertCommand->add_option("--from", convert.from, "IN's format, when its name does not say");
  convertCommand->add_option("--to", convert.to, "OUT's format, when its name does not say");
  convertCommand->add_flag("--strict", convert.strict,
                           "fail, writing nothing, when anything needs a warning");
  convertCommand->add_option("--near", convert.choices.near,
                             "keep the turnpoints nearest to PLACE first: a turnpoint name of IN "
                             "or a position (48.63,9.43, 48°37'50\"N 9°25'49\"E, "
                             "4837.833N 00925.817E)");
  convertCommand->add_option("--radius", convert.choices.radiusKm,
                             "keep only the turnpoints within KM of --near's place");
  convertCommand->add_option("--only", convert.choices.only,
                             "keep only turnpoints whose names match GLOB (any case; repeatable)");
  convertCommand->add_option("--exclude", convert.choices.exclude,
                             "leave out turnpoints whose names match GLOB (repeatable)");
  convertCommand->add_option("--style", convert.choices.styles,
                             "keep only waypoints of this CUP style: airfield, outlanding, "
                             "landable, turnpoint, mountain-top, ..., or 0 to 21 (repeatable)");
  convertCommand->add_option("--tasks", convert.choices.tasks,
                             "keep only the tasks of these names (globs)");
  convertCommand->add_option("--input-encoding", convert.inputEncoding,
                             "the character set of a CUP or CSV IN, as iconv names it "
                             "(default: UTF-8, else Windows-1252)");
  CLI::Option* verbose =
      convertCommand->add_flag("--verbose", convert.verbose, "list every warning, none summed up");
  convertCommand->add_flag("--quiet", convert.quiet, "print no warnings")->excludes(verbose);
  CLI::Option* dryRun = convertCommand->add_flag(
      "--dry-run", convert.dryRun, "print what would be kept and what dropped; write nothing");
  convertCommand->add_option("--plan-format", convert.planFormat, "the plan's form")
      ->check(CLI::IsMember({"text", "json"}))
      ->needs(dryRun)
      ->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // --help and --version end here too, successfully; a command line koordin cannot follow is
    // a usage error.
    return app.exit(error) == 0 ? kExitSuccess : kExitUsage;
  }
  UseTransliterationLocale();

  if (info->parsed()) return RunInfo(common, std::cout, std::cerr);
  if (check->parsed()) return RunCheck(common, checkFiles, std::cout, std::cerr);
  if (dumpCommand->parsed()) return RunDump(common, dump, std::cout, std::cerr);
  return RunConvert(common, convert, std::cout, std::cerr);
}
