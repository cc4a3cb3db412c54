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
#include <stdexcept>
#include <string>

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
// Throws UsageError naming the formats (for --to those koordin writes) when there is none.
const FileFormat& ResolveFormat(const std::string& path, const std::string& given,
                                const char* option);

// The format of a file to read through: the one given, the one its name tells, or else KOORDIN,
// which the driver recognises by the file's content.
const FileFormat& FormatToReadThrough(const std::string& path, const std::string& given);

// A source file, read as often as asked: `path` of `format`, in the character set
// `inputEncoding` (empty: as the format reads it). Messages name it as the user does.
class Source {
 public:
  // Throws UsageError for an input encoding the format does not take, FileError for a file that
  // cannot be opened or is empty.
  Source(const std::string& path, const FileFormat& format, const std::string& inputEncoding,
         Context& context);
  ~Source();

  // One pass from the start into `sink`. Throws FileError naming the file and the line.
  void Read(Diagnostics& diagnostics, DocumentSink& sink);

  const std::string& shown() const { return shown_; }

  // Every slot of a KOORDIN source, empty ones too.
  KoordinListing Listing(Diagnostics& diagnostics);

 private:
  const FileFormat& format_;
  std::string inputEncoding_;
  Context& context_;
  std::string shown_;
  std::unique_ptr<ByteSource> file_;     // a source of another format
  std::unique_ptr<NamedInput> koordin_;  // a KOORDIN source, which the driver reads by name
};

// Prints the lines of `diagnostics` about `file`.
void PrintWarnings(std::ostream& err, const std::string& file, const Diagnostics& diagnostics,
                   WarningDetail detail = WarningDetail::kSummary);

// "12 turnpoints, 2 routes".
std::string Contents(std::size_t turnpoints, std::size_t routes);

// Runs a command, turning every failure into one line on `err` and an exit status.
int Guarded(std::ostream& err, const std::function<int()>& command);

}  // namespace koordin_cli
