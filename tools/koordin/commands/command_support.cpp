#include "tools/koordin/commands/command_support.h"

#include "tools/koordin/formats/charset.h"
#include "tools/koordin/io/file_io.h"
#include "tools/koordin/reports/text_table.h"

#include <ostream>

namespace koordin_cli {

const LoadedDriver& Context::driver() {
  if (!driver_) {
    driver_ = std::make_unique<LoadedDriver>(
        common_.driverPath.empty() ? LoadedDriver::DefaultPath() : common_.driverPath);
  }
  return *driver_;
}

const std::string& Context::encoding() {
  if (!encodingChecked_) {
    try {
      CheckSingleByteCharset(common_.encoding);
    } catch (const std::invalid_argument& error) {
      throw UsageError("--encoding " + common_.encoding + ": " + error.what());
    }
    encodingChecked_ = true;
  }
  return common_.encoding;
}

const FileFormat& ResolveFormat(const std::string& path, const std::string& given,
                                const char* option) {
  const bool input = std::string(option) == "--from";
  // For a target, the formats koordin writes.
  const std::string listed = "(" + FormatList(", ", !input) + ")";
  if (!given.empty()) {
    if (const FileFormat* format = FindFormat(given)) return *format;
    throw UsageError(std::string(option) + " " + given + ": not a format koordin knows " + listed);
  }
  if (const FileFormat* format = FormatOfPath(path)) return *format;
  if (path == kStandardStream) {
    throw UsageError((input ? ShownInputName(path) : ShownOutputName(path)) + ": give " + option +
                     " to name its format " + listed);
  }
  throw UsageError(path + ": cannot tell the format from the file name; give " + option + " " +
                   listed);
}

const FileFormat& FormatToReadThrough(const std::string& path, const std::string& given) {
  if (given.empty() && FormatOfPath(path) == nullptr) return FileFormats().front();
  return ResolveFormat(path, given, "--from");
}

namespace {

bool IsEmpty(ByteSource& source) {
  char byte = 0;
  const bool empty = source.Read(&byte, 1) == 0;
  source.Rewind();
  return empty;
}

}  // namespace

Source::Source(const std::string& path, const FileFormat& format, const std::string& inputEncoding,
               Context& context)
    : format_(format),
      inputEncoding_(inputEncoding),
      context_(context),
      shown_(ShownInputName(path)) {
  if (!inputEncoding.empty() && !format.otherCharsets) {
    throw UsageError("--input-encoding " + inputEncoding + ": only " + OtherCharsetTitles(" and ") +
                     " files come in other character sets (a KOORDIN file's is given with "
                     "--encoding)");
  }
  if (format.IsKoordin()) {
    koordin_ = std::make_unique<NamedInput>(path);
    return;
  }
  file_ = std::make_unique<FileSource>(path);
  if (IsEmpty(*file_)) throw FileError(shown_ + ": the file is empty");
}

Source::~Source() = default;

KoordinListing Source::Listing(Diagnostics& diagnostics) {
  return ReadKoordin(context_.driver(), koordin_->path(), context_.encoding(), diagnostics, shown_);
}

void Source::Read(Diagnostics& diagnostics, DocumentSink& sink) {
  if (koordin_) {
    Replay(ListingToDocument(Listing(diagnostics), diagnostics), sink);
    return;
  }
  try {
    file_->Rewind();
    if (inputEncoding_.empty()) {
      format_.read(*file_, diagnostics, sink);
      return;
    }
    std::unique_ptr<CharsetSource> text;
    try {
      text = std::make_unique<CharsetSource>(*file_, inputEncoding_.c_str());
    } catch (const std::invalid_argument&) {
      throw UsageError("--input-encoding " + inputEncoding_ +
                       ": not a character set that iconv knows");
    }
    // A pass of its own tells whether every byte was a character, so that the warning comes first.
    std::string piece(kPieceBytes, '\0');
    while (text->Read(piece.data(), piece.size()) > 0) {
    }
    if (!text->exact())
      diagnostics.Warn("bytes that are no " + inputEncoding_ + " characters, read as \"?\"");
    text->Rewind();
    format_.read(*text, diagnostics, sink);
  } catch (const FormatError& error) {
    const std::string where = error.line() > 0 ? ":" + std::to_string(error.line()) : "";
    throw FileError(shown_ + where + ": " + error.what());
  }
}

void PrintWarnings(std::ostream& err, const std::string& file, const Diagnostics& diagnostics,
                   WarningDetail detail) {
  for (const std::string& line : WarningLines(file, diagnostics, detail)) err << line << '\n';
}

std::string Contents(std::size_t turnpoints, std::size_t routes) {
  return CountOf(turnpoints, "turnpoint", "turnpoints") + ", " + CountOf(routes, "route", "routes");
}

int Guarded(std::ostream& err, const std::function<int()>& command) {
  try {
    return command();
  } catch (const UsageError& error) {
    err << "koordin: " << error.what() << '\n';
    return kExitUsage;
  } catch (
      CException* error) {  // not expected outside the reading and writing, which name the file
    error->Delete();
    err << "koordin: a file operation failed\n";
  } catch (const std::exception& error) {  // DriverLoadError, FileError and the unforeseen
    err << "koordin: " << error.what() << '\n';
  }
  return kExitFailure;
}

}  // namespace koordin_cli
