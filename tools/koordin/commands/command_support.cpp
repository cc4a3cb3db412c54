#include "tools/koordin/commands/command_support.h"

#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/io/file_io.h"
#include "tools/koordin/reports/text_table.h"

#include <filesystem>
#include <ostream>
#include <vector>

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

namespace {

// "the extension .wpt is OziExplorer's and CompeGPS's", of the formats `named` of `path`.
std::string ExtensionOf(const std::string& path, const std::vector<const FileFormat*>& named) {
  std::vector<std::string> titles;
  for (const FileFormat* format : named) titles.push_back(std::string(format->title) + "'s");
  return "the extension " + std::filesystem::path(path).extension().string() + " is " +
         JoinedInWords(titles, "and");
}

// The names of `formats` in words: "ozi or compegps".
std::string NamesOf(const std::vector<const FileFormat*>& formats, const char* conjunction) {
  std::vector<std::string> names;
  for (const FileFormat* format : formats) names.emplace_back(format->name);
  return JoinedInWords(names, conjunction);
}

}  // namespace

const FileFormat& ResolveFormat(const std::string& path, const std::string& given,
                                const char* option) {
  const bool input = std::string(option) == "--from";
  // For a target, the formats koordin writes.
  const std::string listed = "(" + FormatList(", ", !input) + ")";
  if (!given.empty()) {
    if (const FileFormat* format = FindFormat(given)) return *format;
    throw UsageError(std::string(option) + " " + given + ": not a format koordin knows " + listed);
  }
  const std::vector<const FileFormat*> named = FormatsOfPath(path);
  if (named.size() == 1) return *named.front();
  const std::string shown = input ? ShownInputName(path) : ShownOutputName(path);
  if (named.size() > 1) {
    throw UsageError(shown + ": " + ExtensionOf(path, named) + "; give " + option + " (" +
                     NamesOf(named, "or") + ")");
  }
  if (path == kStandardStream) {
    throw UsageError(shown + ": give " + option + " to name its format " + listed);
  }
  throw UsageError(shown + ": cannot tell the format from the file name; give " + option + " " +
                   listed);
}

const FileFormat& SourceFormat(const std::string& path, std::string_view head, bool& byContent) {
  byContent = false;
  const std::vector<const FileFormat*> named = FormatsOfPath(path);
  const FileFormat* only = named.size() == 1 ? named.front() : nullptr;
  if (only != nullptr && (only->recognise == nullptr || only->recognise(head))) return *only;
  if (const FileFormat* format = FormatOfContent(head)) {
    byContent = true;
    return *format;
  }
  if (only != nullptr) return *only;
  const std::string shown = ShownInputName(path);
  if (head.empty()) throw FileError(shown + ": the file is empty");
  if (!named.empty()) {
    throw FileError(shown + ": " + ExtensionOf(path, named) + ", and the content is of neither" +
                    "; give --from (" + NamesOf(named, "or") + ")");
  }
  throw FileError(shown + ": cannot tell the format from " +
                  (path == kStandardStream ? "the content" : "the file name or the content") +
                  "; give --from (" + FormatList() + ")");
}

namespace {

bool IsEmpty(ByteSource& source) {
  char byte = 0;
  const bool empty = source.Read(&byte, 1) == 0;
  source.Rewind();
  return empty;
}

// The first bytes of `source`, at most kHeadBytes; the source is at its start again.
std::string Head(ByteSource& source) {
  source.Rewind();
  std::string head(kHeadBytes, '\0');
  std::size_t got = 0;
  while (got < head.size()) {
    const std::size_t read = source.Read(head.data() + got, head.size() - got);
    if (read == 0) break;
    got += read;
  }
  head.resize(got);
  source.Rewind();
  return head;
}

}  // namespace

Source::Source(const std::string& path, const std::string& given, Context& context)
    : context_(context), shown_(ShownInputName(path)) {
  // A KOORDIN file named so: the command line's fault before the file's.
  const FileFormat* named = given.empty() ? FormatOfPath(path) : FindFormat(given);
  if (named != nullptr && named->IsKoordin()) context.encoding();
  if (!given.empty()) {
    format_ = &ResolveFormat(path, given, "--from");
  } else {
    file_ = std::make_unique<FileSource>(path);
    format_ = &SourceFormat(path, Head(*file_), byContent_);
  }
  Open(path);
}

Source::Source(const std::string& path, const FileFormat& format, const std::string& inputEncoding,
               Context& context)
    : format_(&format), context_(context), shown_(ShownInputName(path)) {
  SetInputEncoding(inputEncoding);
  Open(path);
}

void Source::Open(const std::string& path) {
  if (format_->IsKoordin()) {
    context_.encoding();  // a command line it cannot follow, before any file
    // A stream read for its first bytes goes on from them.
    koordin_ = file_ ? std::make_unique<OpenedInput>(path, std::move(file_))
                     : std::make_unique<OpenedInput>(path);
    return;
  }
  if (!file_) file_ = std::make_unique<FileSource>(path);
  if (IsEmpty(*file_)) throw FileError(shown_ + ": the file is empty");
}

Source::~Source() = default;

void Source::SetInputEncoding(const std::string& inputEncoding) {
  if (!inputEncoding.empty() && !format_->otherCharsets) {
    throw UsageError("--input-encoding " + inputEncoding + ": only " + OtherCharsetTitles(" and ") +
                     " files come in other character sets (a KOORDIN file's is given with "
                     "--encoding)");
  }
  inputEncoding_ = inputEncoding;
}

KoordinListing Source::Listing(Diagnostics& diagnostics) {
  if (!listing_) {
    listing_ = ReadKoordin(context_.driver(), koordin_->stream(), context_.encoding(),
                           listingWarnings_, shown_, &formFaults_);
  }
  Diagnostics warnings = listingWarnings_;
  warnings.PassTo(diagnostics);
  return *listing_;
}

void Source::Read(Diagnostics& diagnostics, DocumentSink& sink) {
  if (koordin_) {
    Replay(ListingToDocument(Listing(diagnostics), diagnostics), sink);
    return;
  }
  try {
    file_->Rewind();
    if (inputEncoding_.empty()) {
      format_->read(*file_, diagnostics, sink);
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
    format_->read(*text, diagnostics, sink);
  } catch (const FormatError& error) {
    const std::string where = error.line() > 0 ? ":" + std::to_string(error.line()) : "";
    throw FileError(shown_ + where + ": " + error.what());
  }
}

void PrintFormatNote(std::ostream& err, const Source& source) {
  if (source.byContent()) {
    err << source.shown() << ": read as " << source.format().title << " (by its content)\n";
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
