#include "tools/koordin/instrument/koordin_reader.h"

#include "koordin/layout.h"
#include "tools/koordin/conversion/position.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/instrument/koordin_faults.h"
#include "tools/koordin/instrument/koordin_form.h"
#include "tools/koordin/reports/text_table.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace koordin_cli {

namespace {

// The longest line koordin reads from a KOORDIN file. Its own lines are short; a longer one
// (a file of a single line of 100 MB) would only take memory, so it ends the reading.
constexpr std::size_t kMaxLineLength = 4096;

// The bytes of a file's start kept for recognition, which reads its header and goes back to the
// start, and for messages about its first lines. A header line is at most
// koordin::kMaxHeaderLineLength long.
constexpr std::size_t kHeadBytes = 4096;

// Thrown out of the driver's reading when a line is longer than kMaxLineLength.
struct LineTooLong {
  int line;
};

// The host's text file on a stream read once through, as it comes: the file's start is kept, so
// that recognition can go back to it, and so is the line last read, for a message about it. Lines
// end in LF or CR LF, and may hold no more than kMaxLineLength characters. Each line is checked
// against the writer's form as it is read.
class KoordinStream : public CHostTextFile {
 public:
  KoordinStream(std::FILE* stream, const std::string& shown, const std::string& encoding)
      : stream_(stream), form_(encoding) {
    m_strFilePath = shown.c_str();
    head_.resize(kHeadBytes);
    std::size_t got = 0;
    while (got < head_.size()) {
      const std::size_t read = std::fread(head_.data() + got, 1, head_.size() - got, stream_);
      if (read == 0) break;
      got += read;
    }
    if (std::ferror(stream_)) throw FileError(DescribeFileError(shown, "cannot read", errno));
    head_.resize(got);
  }

  const std::string& head() const { return head_; }
  const std::string& lastLine() const { return lastLine_; }
  std::vector<FormFault>& faults() { return faults_; }

  UINT Read(void* buffer, UINT count) override {
    auto* bytes = static_cast<char*>(buffer);
    UINT got = 0;
    for (int byte; got < count && (byte = NextByte()) != EOF;)
      bytes[got++] = static_cast<char>(byte);
    return got;
  }

  // Back to the start, as long as nothing beyond the part kept has been read.
  ULONGLONG Seek(LONGLONG offset, UINT from) override {
    if (offset != 0 || from != CFile::begin || position_ > head_.size()) {
      AfxThrowFileException(CFileException::badSeek, ESPIPE, m_strFilePath);
    }
    position_ = 0;
    lineNumber = 0;
    return 0;
  }

  ULONGLONG GetPosition() const override { return position_; }

  BOOL ReadString(CStringA& line) override {
    line.Empty();
    std::string& bytes = reading_;
    bytes.clear();
    bool any = false;
    bool ended = false;
    for (int byte; (byte = NextByte()) != EOF;) {
      any = true;
      if (byte == '\n') {
        ended = true;
        break;
      }
      bytes += static_cast<char>(byte);
      // one more for the carriage return of a CR LF
      if (bytes.size() > kMaxLineLength + 1) throw LineTooLong{lineNumber + 1};
    }
    if (!any) return FALSE;
    if (ended && !bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    if (bytes.size() > kMaxLineLength) throw LineTooLong{lineNumber + 1};
    ++lineNumber;
    if (std::optional<std::string> fault = form_.Check(lineNumber, bytes)) {
      faults_.emplace_back(lineNumber, std::move(*fault));
    }
    line.Append(bytes.data(), static_cast<int>(bytes.size()));
    std::swap(lastLine_, reading_);
    return TRUE;
  }

 private:
  int NextByte() {
    if (position_ < head_.size()) return static_cast<unsigned char>(head_[position_++]);
    const int byte = std::getc(stream_);
    if (byte == EOF) {
      if (std::ferror(stream_)) {
        AfxThrowFileException(CFileException::hardIO, errno, m_strFilePath);
      }
      return EOF;
    }
    ++position_;
    return byte;
  }

  std::FILE* stream_;
  std::string head_;
  std::size_t position_ = 0;  // bytes handed out from the start
  std::string lastLine_;
  std::string reading_;  // the line being read, which becomes the last when complete
  KoordinForm form_;
  std::vector<FormFault> faults_;
};

std::string Decode(const std::string& bytes, const std::string& encoding, const std::string& what,
                   Diagnostics& diagnostics) {
  bool exact = true;
  std::string text = ConvertCharset(bytes, encoding.c_str(), kUtf8, &exact);
  if (!exact) {
    diagnostics.Warn(what + ": bytes that are no " + encoding +
                     " characters read as \"?\": " + Quoted(text));
  }
  return text;
}

// Throws FileError, naming the line, unless the driver's read, which ended at `file`'s line
// number, took every line of the file and the file has every line of its slots: the driver takes
// missing lines for empty ones.
void CheckWhole(KoordinStream& file, const std::string& shown) {
  const int read = file.lineNumber;
  const std::string whole =
      "; a KOORDIN file has " + std::to_string(koordin::kFileLines) + " lines";
  if (read < koordin::kFileLines) {
    throw FileError(shown + ":" + std::to_string(read) + ": the file ends at line " +
                    std::to_string(read) + ", in " + SlotOfLine(read + 1) + whole);
  }
  CStringA rest;
  if (file.ReadString(rest)) {
    const int extra = file.lineNumber;
    throw FileError(shown + ":" + std::to_string(extra) + ": a line after the last route slot" +
                    whole);
  }
}

Waypoint ToWaypoint(const FIO_TPEntry& entry, const std::string& encoding,
                    Diagnostics& diagnostics) {
  Waypoint waypoint;
  waypoint.slot = entry.number;
  const std::string what = "turnpoint " + std::to_string(entry.number);
  waypoint.name = Decode(entry.name, encoding, what, diagnostics);
  // The file carries whole seconds: the float's noise goes.
  waypoint.latitude = RoundToWholeSecond(entry.latitude);
  waypoint.longitude = RoundToWholeSecond(entry.longitude);
  waypoint.elevation = entry.altitude;
  // The file writes "0.000" for a turnpoint without a frequency.
  if (entry.frequency != koordin::kEmptyFrequency) {
    waypoint.frequency = Decode(entry.frequency, encoding, what, diagnostics);
  }
  waypoint.marked = (entry.flags & koordin::kMarkerFlagsMask) != 0;
  return waypoint;
}

}  // namespace

KoordinListing ReadKoordin(const LoadedDriver& driver, std::FILE* stream,
                           const std::string& encoding, Diagnostics& diagnostics,
                           const std::string& shown, std::vector<FormFault>* formFaults) {
  KoordinListing listing;
  try {
    KoordinStream file(stream, shown, encoding);
    // Recognition would take such a file's lines; the reading would find one line.
    if (EndsLinesInCarriageReturn(file.head()))
      throw FileError(shown + ": " + kCarriageReturnLines);
    try {
      if (driver.IsFileOfMyType(&file) != kFIOSuccess)
        throw FileError(DescribeNotKoordin(file.head(), shown, encoding));
      DriverSession session(driver);
      for (;;) {
        FIO_TPEntry turnpoint;
        FIO_Route route;  // owns the points the driver appends, and deletes them
        // A read from the file's beginning passes over the header first.
        const int nameLine = std::max(file.lineNumber, std::int32_t{koordin::kHeaderLines}) + 1;
        const std::int32_t result = driver.ReadObject(&file, &turnpoint, &route);
        if (result == kFIOReadEnd) break;
        if (turnpoint.number != -1) {  // the driver numbers every turnpoint slot it reads
          listing.turnpoints.push_back(ToWaypoint(turnpoint, encoding, diagnostics));
          continue;
        }
        KoordinRoute read;
        read.slot = static_cast<int>(listing.routes.size()) + 1;
        read.line = nameLine;
        const std::string what = "route " + std::to_string(read.slot);
        read.name = Decode(route.name, encoding, what, diagnostics);
        for (const FIO_TPEntry* point : route.points) {
          read.points.push_back(Decode(point->name, encoding, what, diagnostics));
        }
        listing.routes.push_back(std::move(read));
      }
      CheckWhole(file, shown);
    } catch (const FIO_Error& fault) {
      // The line of a fault is the one last read, or one of the header that recognition read.
      const std::optional<std::string> line = fault.line == file.lineNumber && fault.line > 0
                                                  ? std::optional<std::string>(file.lastLine())
                                                  : LineOfHead(file.head(), fault.line);
      bool fileEnded = false;
      try {
        CStringA rest;
        fileEnded = !file.ReadString(rest);
      } catch (const LineTooLong&) {  // the rest of an over-long header line
      }
      throw FileError(DescribeFault(line, shown, fault, encoding, fileEnded));
    }
    for (const auto& [line, fault] : file.faults()) diagnostics.Warn(AtLine(line, fault));
    if (formFaults != nullptr) *formFaults = std::move(file.faults());
  } catch (const LineTooLong& tooLong) {
    throw FileError(shown + ":" + std::to_string(tooLong.line) + ": a line of more than " +
                    std::to_string(kMaxLineLength) + " characters, which koordin does not read");
  } catch (CFileException* error) {
    const std::string message = DescribeFileError(shown, "cannot read", error->m_lOsError);
    error->Delete();
    throw FileError(message);
  }
  return listing;
}

}  // namespace koordin_cli
