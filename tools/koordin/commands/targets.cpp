#include "tools/koordin/commands/targets.h"

#include "tools/koordin/conversion/frequency.h"
#include "tools/koordin/instrument/koordin_writer.h"
#include "tools/koordin/io/file_io.h"

#include <ostream>

namespace koordin_cli {

KoordinTarget::KoordinTarget(const std::string& path, Context& context, Diagnostics& warnings,
                             std::ostream& out)
    : path_(path), context_(context), warnings_(warnings), out_(out) {}

std::optional<Capacities> KoordinTarget::Limits() {
  capacities_ = CapacitiesOf(QueryDriverInfo(context_.driver()));
  return capacities_;
}

std::string KoordinTarget::End(Document chosen) {
  plan_ = PlanKoordin(chosen, capacities_, context_.encoding(), warnings_);
  return Contents(plan_.turnpoints.size(), plan_.routes.size());
}

bool KoordinTarget::Commit() {
  std::string bytes = WriteKoordin(context_.driver(), plan_, ShownOutputName(path_));
  StreamedOutput output(path_, out_);
  output.Write(bytes);
  return output.Commit();
}

FormatTarget::FormatTarget(const std::string& path, const FileFormat& format, bool dryRun,
                           Diagnostics& warnings, std::ostream& out)
    : shown_(ShownOutputName(path)),
      warnings_(warnings),
      holdsTasks_((format.lost & kTasksPart) == 0) {
  if (!dryRun) {
    try {
      output_ = std::make_unique<StreamedOutput>(path, out);
    } catch (const FileError&) {
      unwritable_ = std::current_exception();
    }
  }
  writer_ = format.writer(bytes_, warnings_);
}

void FormatTarget::Begin(const std::vector<Task>& tasks) {
  tasks_ = holdsTasks_ ? tasks.size() : 0;
  try {
    writer_->Begin(tasks);
  } catch (const FormatError& error) {
    throw FileError(shown_ + ": " + error.what());
  }
}

void FormatTarget::Add(Waypoint waypoint) {
  if (fault_) return;
  SettleFrequency(waypoint, warnings_);
  // A fault here is the target's, not the source's line, which the reader goes on reading.
  try {
    writer_->AddWaypoint(waypoint);
  } catch (const FormatError& error) {
    fault_ = std::make_exception_ptr(FileError(shown_ + ": " + error.what()));
    return;
  }
  ++waypoints_;
  if (bytes_.size() >= kPieceBytes) Drain();
}

std::string FormatTarget::End(Document) {
  if (fault_) std::rethrow_exception(fault_);
  try {
    writer_->End();
  } catch (const FormatError& error) {
    throw FileError(shown_ + ": " + error.what());
  }
  Drain();
  if (const std::optional<HeldCounts> held = writer_->Held()) {
    return Contents(held->waypoints, held->tasks);
  }
  return Contents(waypoints_, tasks_);
}

void FormatTarget::Drain() {
  if (output_) output_->Write(bytes_);
  bytes_.clear();
}

bool FormatTarget::Commit() {
  if (unwritable_) std::rethrow_exception(unwritable_);
  return output_->Commit();
}

std::unique_ptr<CommittedTarget> MakeTarget(const std::string& path, const FileFormat& format,
                                            bool dryRun, Context& context, Diagnostics& warnings,
                                            std::ostream& out) {
  if (format.IsKoordin()) return std::make_unique<KoordinTarget>(path, context, warnings, out);
  return std::make_unique<FormatTarget>(path, format, dryRun, warnings, out);
}

}  // namespace koordin_cli
