#pragma once

#include "tools/koordin/commands/command_support.h"
#include "tools/koordin/conversion/conversion.h"
#include "tools/koordin/formats/formats.h"
#include "tools/koordin/instrument/koordin_plan.h"
#include "tools/koordin/io/streamed_output.h"

#include <exception>
#include <iosfwd>
#include <memory>
#include <string>

// The two kinds of target of `koordin convert`. Each is made ready by the conversion and put in
// place by Commit, which a dry run and a refusal under --strict never reach.
namespace koordin_cli {

class CommittedTarget : public Target {
 public:
  // Puts the file in place. False when standard output did not take it, which its caller reports;
  // throws FileError naming the target.
  virtual bool Commit() = 0;
};

// A KOORDIN file, planned when the choice is made and written through the driver.
class KoordinTarget : public CommittedTarget {
 public:
  KoordinTarget(const std::string& path, Context& context, Diagnostics& warnings,
                std::ostream& out);
  std::optional<Capacities> Limits() override;
  bool CleansTexts() const override { return true; }
  std::string End(Document chosen) override;
  bool Commit() override;

 private:
  std::string path_;
  Context& context_;
  Diagnostics& warnings_;
  std::ostream& out_;
  Capacities capacities_;
  KoordinPlan plan_;
};

// A file of another format, written a waypoint at a time as the waypoints are kept. A waypoint the
// format cannot hold is told at the end, after the source's warnings; a target that cannot be
// written when it is committed, after all warnings. `dryRun` writes nowhere.
class FormatTarget : public CommittedTarget {
 public:
  FormatTarget(const std::string& path, const FileFormat& format, bool dryRun,
               Diagnostics& warnings, std::ostream& out);
  std::optional<Capacities> Limits() override { return std::nullopt; }
  void Begin(const std::vector<Task>& tasks) override;
  void Add(Waypoint waypoint) override;
  std::string End(Document chosen) override;
  bool Commit() override;

 private:
  void Drain();

  std::string shown_;
  Diagnostics& warnings_;
  std::string bytes_;
  std::unique_ptr<FormatWriter> writer_;
  std::unique_ptr<StreamedOutput> output_;
  std::exception_ptr unwritable_;
  std::exception_ptr fault_;  // the first waypoint the format cannot hold
  bool holdsTasks_;
  std::size_t waypoints_ = 0;
  std::size_t tasks_ = 0;  // those the file holds
};

// The target of `format` at `path`: a KoordinTarget, or a FormatTarget.
std::unique_ptr<CommittedTarget> MakeTarget(const std::string& path, const FileFormat& format,
                                            bool dryRun, Context& context, Diagnostics& warnings,
                                            std::ostream& out);

}  // namespace koordin_cli
