#pragma once

#include "tools/koordin/commands/commands.h"

#include <iosfwd>
#include <string>
#include <vector>

// koordin's command line: its commands and options, its help, and what it cannot follow, told
// with the nearest command or option.
namespace koordin_cli {

enum class Command { kNone, kInfo, kCheck, kDump, kConvert, kFormats };

// What a command line asks for: a command and its options, or with kNone only an exit status.
struct CommandLine {
  Command command = Command::kNone;
  int status = kExitSuccess;  // with kNone: the help or the version shown, or a fault told
  CommonOptions common;
  CheckOptions check;
  DumpOptions dump;
  ConvertOptions convert;
  FormatsOptions formats;
};

// Reads the command line. The help and the version go to `out`; a command line koordin cannot
// follow is told on `err`, "koordin: " first, and has the usage status.
CommandLine ReadCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace koordin_cli
