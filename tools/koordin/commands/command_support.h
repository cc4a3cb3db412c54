#pragma once

#include "tools/koordin/commands/commands.h"
#include "tools/koordin/conversion/conversion.h"
#include "tools/koordin/document/document.h"
#include "tools/koordin/formats/formats.h"
#include "tools/koordin/instrument/driver_library.h"
#include "tools/koordin/instrument/koordin_reader.h"
#include "tools/koordin/io/file_io.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What koordin's commands share: the driver loaded when first needed, the formats of the files
// named, the reading of a source, and the printing of warnings and errors.
namespace koordin_cli {

// A command line that asks for something koordin cannot do; the message says what.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The driver, loaded when a command first needs it, and the KOORDIN file's character set.
class Context {
 public:
  explicit Context(const CommonOptions& common) : common_(common) {}

  // Throws DriverLoadError.
  const LoadedDriver& driver();

  // The KOORDIN file's character set, checked once. Throws UsageError for one that is no
  // single-byte character set.
  const std::string& encoding();

 private:
  const CommonOptions& common_;
  std::unique_ptr<LoadedDriver> driver_;
  bool encodingChecked_ = false;
};

// The format given with `option` (--from or --to), or else the one the file's extension names.
// Throws UsageError naming the formats (for --to those koordin writes) when there is none, or
// the formats when there are more than one.
const FileFormat& ResolveFormat(const std::string& path, const std::string& given,
                                const char* option);

// The format of the source `path` whose first bytes are `head`: the one its extension names when
// that is one format and the content is not of another (the row's recogniser), else the one the
// content is of, and then `byContent` is set; else the one its extension names, whose reader tells
// what is wrong. Throws FileError naming the source when neither tells one format.
const FileFormat& SourceFormat(const std::string& path, std::string_view head, bool& byContent);

// A source file, read as often as asked. Messages name it as the user does.
class Source {
 public:
  // `path` in the format that `given` (--from) names, or else the one that SourceFormat tells.
  // Throws UsageError for a format `given` that koordin does not know, FileError for a file that
  // cannot be opened or whose format cannot be told.
  Source(const std::string& path, const std::string& given, Context& context);
  // `path` of `format`, in the character set `inputEncoding` (SetInputEncoding).
  Source(const std::string& path, const FileFormat& format, const std::string& inputEncoding,
         Context& context);
  ~Source();

  // The character set of the source's text, for a format whose files come in others (empty: as
  // the format reads it). Throws UsageError for a format whose files come in none.
  void SetInputEncoding(const std::string& inputEncoding);

  // One pass from the start into `sink`. Throws FileError naming the file and the line.
  void Read(Diagnostics& diagnostics, DocumentSink& sink);

  const std::string& shown() const { return shown_; }
  const FileFormat& format() const { return *format_; }
  // True when the format was taken from the content, which koordin then says (PrintFormatNote).
  bool byContent() const { return byContent_; }

  // Every slot of a KOORDIN source, empty ones too.
  KoordinListing Listing(Diagnostics& diagnostics);

  // The lines of a KOORDIN source, once read, that are not in the form the driver writes.
  const std::vector<FormFault>& FormFaults() const { return formFaults_; }

 private:
  // Opens the source in its format, from `file_` when it has been read to tell the format.
  void Open(const std::string& path);

  const FileFormat* format_ = nullptr;
  bool byContent_ = false;
  std::string inputEncoding_;
  Context& context_;
  std::string shown_;
  std::unique_ptr<ByteSource> file_;  // a source of another format, or one read to tell it
  // A KOORDIN source, read once as it comes; what it holds is kept for every further pass.
  std::unique_ptr<OpenedInput> koordin_;
  std::optional<KoordinListing> listing_;
  Diagnostics listingWarnings_;
  std::vector<FormFault> formFaults_;
};

// Says on `err` which format a source was read as, when its content told it: "in.dat: read as CUP
// (by its content)".
void PrintFormatNote(std::ostream& err, const Source& source);

// Prints the lines of `diagnostics` about `file`.
void PrintWarnings(std::ostream& err, const std::string& file, const Diagnostics& diagnostics,
                   WarningDetail detail = WarningDetail::kSummary);

// "12 turnpoints, 2 routes".
std::string Contents(std::size_t turnpoints, std::size_t routes);

// Runs a command, turning every failure into one line on `err` and an exit status.
int Guarded(std::ostream& err, const std::function<int()>& command);

}  // namespace koordin_cli
