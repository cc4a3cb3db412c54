#include "tools/koordin/commands/commands.h"

#include "tools/koordin/commands/command_support.h"
#include "tools/koordin/io/file_io.h"

#include <ostream>

namespace koordin_cli {

namespace {

// Counts what a reader reads.
struct Counter : DocumentSink {
  void AddWaypoint(Waypoint) override { ++waypoints; }
  void AddTask(Task) override { ++tasks; }
  std::size_t waypoints = 0;
  std::size_t tasks = 0;
};

}  // namespace

int RunCheck(const CommonOptions& common, const CheckOptions& options, std::ostream& out,
             std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    bool allGood = true;
    for (const std::string& file : options.files) {
      const std::string shown = ShownInputName(file);
      try {
        Source source(file, options.from, context);
        if (source.format().otherCharsets) source.SetInputEncoding(options.inputEncoding);
        PrintFormatNote(err, source);
        // Counted as read, in memory that does not grow with the file.
        Diagnostics diagnostics(Diagnostics::Keeping::kFewOfEachKind);
        Counter counter;
        source.Read(diagnostics, counter);
        PrintWarnings(err, shown, diagnostics);
        // Read as the driver reads it, the file may still hold lines its writer never writes.
        if (!source.FormFaults().empty()) {
          const std::vector<FormFault>& faults = source.FormFaults();
          const auto& [line, fault] = faults.front();
          out << shown << ":" << line << ": ";
          if (faults.size() > 1) {
            out << WithThousands(faults.size())
                << " lines not as the driver writes them, the first: ";
          }
          out << fault << '\n';
          allGood = false;
          continue;
        }
        out << shown << ": " << Contents(counter.waypoints, counter.tasks) << '\n';
      } catch (const FileError& error) {  // unreadable, not of its format, or malformed
        out << error.what() << '\n';
        allGood = false;
      }
    }
    return allGood ? kExitSuccess : kExitFailure;
  });
}

}  // namespace koordin_cli
