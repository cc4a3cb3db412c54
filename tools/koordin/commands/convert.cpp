#include "tools/koordin/commands/commands.h"

#include "tools/koordin/commands/command_support.h"
#include "tools/koordin/commands/targets.h"
#include "tools/koordin/io/file_io.h"
#include "tools/koordin/io/streamed_output.h"
#include "tools/koordin/reports/plan_report.h"
#include "tools/koordin/reports/text_table.h"

#include <ostream>

namespace koordin_cli {

int RunConvert(const CommonOptions& common, const ConvertOptions& options, std::ostream& out,
               std::ostream& err) {
  return Guarded(err, [&] {
    Context context(common);
    // The target's format first: the source's may need its first bytes, from standard input.
    const FileFormat& to = ResolveFormat(options.output, options.to, "--to");
    const std::string input = ShownInputName(options.input);
    const std::string output = ShownOutputName(options.output);
    if (!to.Writes()) {
      throw UsageError(output + ": koordin reads " + to.title + " files but does not write them");
    }
    const WarningDetail detail = options.quiet     ? WarningDetail::kNone
                                 : options.verbose ? WarningDetail::kEach
                                                   : WarningDetail::kSummary;
    // A plan and a listing of each warning need every warning; a summary needs a few of each kind.
    const auto keeping = options.dryRun || options.verbose ? Diagnostics::Keeping::kEvery
                                                           : Diagnostics::Keeping::kFewOfEachKind;
    Diagnostics sourceWarnings(keeping);
    Diagnostics targetWarnings(keeping);

    Source source(options.input, options.from, context);
    source.SetInputEncoding(options.inputEncoding);
    PrintFormatNote(err, source);
    const std::unique_ptr<CommittedTarget> target =
        MakeTarget(options.output, to, options.dryRun, context, targetWarnings, out);
    ChoiceRecord record;
    std::string written;
    try {
      written = Convert(
          options.choices,
          [&](Diagnostics& diagnostics, DocumentSink& sink) { source.Read(diagnostics, sink); },
          *target, sourceWarnings, targetWarnings,
          [&] { PrintWarnings(err, input, sourceWarnings, detail); },
          options.dryRun ? &record : nullptr);
    } catch (const ChoiceError& error) {
      throw UsageError(error.what());
    }
    PrintWarnings(err, output, targetWarnings, detail);

    const std::size_t warnings = sourceWarnings.Count() + targetWarnings.Count();
    if (options.dryRun) {
      PlanReport report{to.name, &record, &options.choices,
                        WarningLines(input, sourceWarnings, WarningDetail::kEach)};
      for (const std::string& line : WarningLines(output, targetWarnings, WarningDetail::kEach)) {
        report.warnings.push_back(line);
      }
      out << (options.planFormat == "json" ? PlanJson(report) : PlanText(report));
    }
    if (options.strict && warnings > 0) {
      err << "koordin: " << output << ": not written: " << CountOf(warnings, "warning", "warnings")
          << " under --strict\n";
      return kExitFailure;
    }
    const auto count = [&] {
      if (warnings > 0 && !options.quiet) err << CountOf(warnings, "warning", "warnings") << '\n';
    };
    if (options.dryRun) {
      count();
      return kExitSuccess;
    }
    // A failed write to standard output is the caller's to report, with the reason; no summary
    // then.
    if (!target->Commit()) return kExitFailure;
    count();
    std::ostream& summary = IsStandardOutput(options.output) ? err : out;
    summary << output << ": " << written << '\n';
    return kExitSuccess;
  });
}

}  // namespace koordin_cli
