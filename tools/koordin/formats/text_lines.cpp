#include "tools/koordin/formats/text_lines.h"

#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace koordin_cli {

namespace {

constexpr std::size_t kChunk = kPieceBytes;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The bytes at the end of `bytes` that begin a UTF-8 sequence which the next piece may complete.
std::size_t UnfinishedUtf8Tail(std::string_view bytes) {
  for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
    const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// Where the first CR or LF of `bytes` at or after `from` lies, or bytes.size().
std::size_t LineEnd(std::string_view bytes, std::size_t from) {
  const char* start = bytes.data() + from;
  const std::size_t left = bytes.size() - from;
  const void* lineFeed = std::memchr(start, '\n', left);
  const std::size_t before =
      lineFeed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start)
                          : left;
  const void* carriageReturn = std::memchr(start, '\r', before);
  const std::size_t end =
      carriageReturn != nullptr
          ? static_cast<std::size_t>(static_cast<const char*>(carriageReturn) - start)
          : before;
  return from + end;
}

std::string LineTooLong() {
  return "a line of more than " + TextRunInWords() + " bytes, which koordin does not read";
}

// True when every byte `source` gives from its start is UTF-8, up to a line longer than
// kMaxTextRun, where reading will stop (and a source without end ends).
bool AllUtf8(ByteSource& source) {
  source.Rewind();
  const std::unique_ptr<char[]> piece(new char[kChunk + 3]);
  std::size_t carried = 0;
  bool utf8 = true;
  std::size_t run = 0;  // the bytes of the line so far
  bool tooLong = false;
  while (const std::size_t got = source.Read(piece.get() + carried, kChunk)) {
    const std::string_view bytes(piece.get(), carried + got);
    // Pieces are shorter than the limit: only a line that runs on over pieces can pass it.
    const std::string_view fresh = bytes.substr(carried);
    const std::size_t lastEnd = fresh.find_last_of("\r\n");
    run = lastEnd == std::string_view::npos ? run + fresh.size() : fresh.size() - lastEnd - 1;
    tooLong = run > kMaxTextRun;
    const std::size_t tail = UnfinishedUtf8Tail(bytes);
    utf8 = utf8 && IsValidUtf8(bytes.substr(0, bytes.size() - tail));
    if (tooLong) return utf8;
    std::memmove(piece.get(), bytes.data() + bytes.size() - tail, tail);
    carried = tail;
  }
  return utf8 && carried == 0;
}

}  // namespace

TextLines::TextLines(ByteSource& source, Diagnostics& diagnostics, bool usuallyWindows1252)
    : source_(source) {
  utf8_ = AllUtf8(source_);
  Start();
  if (utf8_) return;
  if (!usuallyWindows1252) {
    diagnostics.Warn(
        "not UTF-8: read as Windows-1252; give --input-encoding for another set "
        "(CP1250, ISO-8859-2, ...)");
  }
  // Rare enough to afford a pass of its own, so that these come before what the reader says.
  TextLine line{};
  try {
    while (NextRaw(line)) {
      bool exact = true;
      ConvertCharset(line.text, kWindows1252, kUtf8, &exact);
      if (!exact) {
        diagnostics.Warn(
            AtLine(line.number, "a byte that is no Windows-1252 character, read as ?"));
      }
    }
  } catch (const FormatError&) {  // a line too long, where the reading proper stops too
  }
  Start();
}

void TextLines::Start() {
  source_.Rewind();
  buffer_.clear();
  at_ = 0;
  ended_ = false;
  number_ = 0;
  while (buffer_.size() < kUtf8ByteOrderMark.size() && !ended_) {
    char piece[kChunk];
    const std::size_t got = source_.Read(piece, sizeof piece);
    buffer_.append(piece, got);
    ended_ = got == 0;
  }
  if (std::string_view(buffer_).substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
    at_ = kUtf8ByteOrderMark.size();
  }
}

bool TextLines::NextRaw(TextLine& line) {
  std::size_t end = at_;
  while (true) {
    end = LineEnd(buffer_, end);
    // A CR at the end of what was read may be the first half of CR LF.
    const bool complete =
        end + 1 < buffer_.size() || (end < buffer_.size() && buffer_[end] == '\n');
    if (complete || ended_) break;
    if (end - at_ > kMaxTextRun) {
      throw FormatError(number_ + 1, LineTooLong());
    }
    buffer_.erase(0, at_);
    end -= at_;
    at_ = 0;
    char piece[kChunk];
    const std::size_t got = source_.Read(piece, sizeof piece);
    buffer_.append(piece, got);
    ended_ = got == 0;
  }
  if (at_ >= buffer_.size()) return false;
  if (end - at_ > kMaxTextRun) {
    throw FormatError(number_ + 1, LineTooLong());
  }
  line.number = ++number_;
  line.text = std::string_view(buffer_).substr(at_, end - at_);
  at_ = end;
  if (at_ < buffer_.size()) {
    at_ += (buffer_[at_] == '\r' && at_ + 1 < buffer_.size() && buffer_[at_ + 1] == '\n') ? 2 : 1;
  }
  return true;
}

bool TextLines::Next(TextLine& line) {
  if (!NextRaw(line)) return false;
  if (utf8_) return true;
  converted_ = ConvertCharset(line.text, kWindows1252, kUtf8);
  line.text = converted_;
  return true;
}

}  // namespace koordin_cli
