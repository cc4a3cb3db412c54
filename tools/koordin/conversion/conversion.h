#pragma once

#include "tools/koordin/conversion/chooser.h"
#include "tools/koordin/document/document.h"
#include "tools/koordin/document/streams.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A conversion, in memory that does not grow with the source: a first pass reads the tasks and
// finds the place of --near, a second offers each waypoint to the chooser; a target without limits
// takes each waypoint as it is kept, one with limits takes what was chosen at the end.
namespace koordin_cli {

// One pass over the source, from its start, into `sink`; warnings go to `diagnostics`. Throws what
// reading throws.
using SourcePass = std::function<void(Diagnostics& diagnostics, DocumentSink& sink)>;

// Where a conversion writes. Its warnings go to the diagnostics it was made with.
class Target {
 public:
  virtual ~Target() = default;
  // What the target holds; none for a target without limits.
  virtual std::optional<Capacities> Limits() = 0;
  // True when the choice sees names as the target will hold them, without control characters.
  virtual bool CleansTexts() const { return false; }
  // Without limits: the tasks kept, first (they stay valid until End returns), then every waypoint
  // as it is kept.
  virtual void Begin(const std::vector<Task>& tasks) { (void)tasks; }
  virtual void Add(Waypoint waypoint) { (void)waypoint; }
  // The end of the choice, after the source was read: with limits, what was chosen; without,
  // nothing more. Returns what the target will hold, in words ("12 turnpoints, 2 routes").
  virtual std::string End(Document chosen) = 0;
};

// Converts what `read` gives into `target` by `choices`; warnings about the source go to
// `sourceWarnings` (read in the second pass), those about the target to `targetWarnings`.
// `sourceRead` is called once the source has been read through, also when the conversion cannot
// go on: a choice that cannot be followed (ChoiceError) or a target that cannot be had is thrown
// only after the source was read, so that a fault in the source comes first. `record`, when given,
// receives every decision. Returns what End returned.
std::string Convert(const Choices& choices, const SourcePass& read, Target& target,
                    Diagnostics& sourceWarnings, Diagnostics& targetWarnings,
                    const std::function<void()>& sourceRead, ChoiceRecord* record = nullptr);

}  // namespace koordin_cli
