// koordin: turnpoints between the VP6 variometer's KOORDIN file and the formats pilots use, and a
// check and a listing of what a file holds. The KOORDIN file is read and written by the vp6fio
// driver, which koordin loads at run time like any host.

#include "tools/koordin/cli/command_line.h"
#include "tools/koordin/commands/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

// Fails when what was printed could not all be written (a full disk, a closed pipe).
int CheckedStandardOutput(int status) {
  std::cout.flush();
  if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout) return status;
  const int error = errno;
  std::cerr << "koordin: (standard output): cannot write"
            << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
  return koordin_cli::kExitFailure;
}

// Runs the command that `line` asks for; with none, its status.
int Run(const koordin_cli::CommandLine& line) {
  using namespace koordin_cli;
  switch (line.command) {
    case Command::kInfo:
      return RunInfo(line.common, std::cout, std::cerr);
    case Command::kCheck:
      return RunCheck(line.common, line.check, std::cout, std::cerr);
    case Command::kDump:
      return RunDump(line.common, line.dump, std::cout, std::cerr);
    case Command::kConvert:
      return RunConvert(line.common, line.convert, std::cout, std::cerr);
    case Command::kFormats:
      return RunFormats(line.formats, std::cout);
    case Command::kNone:
      break;
  }
  return line.status;
}

}  // namespace

int main(int argc, char** argv) {
  return CheckedStandardOutput(Run(koordin_cli::ReadCommandLine(argc, argv, std::cout, std::cerr)));
}
