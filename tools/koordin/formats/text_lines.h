#pragma once

#include "tools/koordin/document/document.h"
#include "tools/koordin/document/streams.h"

#include <string>
#include <string_view>

namespace koordin_cli {

// One line of a text, without its line end, and its 1-based number.
struct TextLine {
  int number;
  std::string_view text;
};

// The lines of a text file as UTF-8, read a piece at a time: split at LF, CR LF and a lone CR (a
// line end at the very end starts no further line), without a leading byte-order mark. The bytes
// are taken as they are when the whole file is UTF-8, which a first pass over the source tells,
// else read as Windows-1252, with a warning (unless that is what the format's files usually are),
// and one more naming each line with a byte that is no Windows-1252 character (read as "?").
class TextLines {
 public:
  // Reads `source` from its start. Throws FormatError for a line longer than kMaxTextRun.
  // `usuallyWindows1252`: the format's files are Windows-1252 more often than not.
  TextLines(ByteSource& source, Diagnostics& diagnostics, bool usuallyWindows1252 = false);
  // The next line, or false at the end; its text stays until the next call. Throws FormatError for
  // a line longer than kMaxTextRun.
  bool Next(TextLine& line);

 private:
  bool NextRaw(TextLine& line);  // the next line as the file has it
  void Start();

  ByteSource& source_;
  std::string buffer_;  // bytes read and not yet given out, from `at_`
  std::size_t at_ = 0;
  bool ended_ = false;  // the source has no more
  int number_ = 0;
  bool utf8_ = true;
  std::string converted_;  // the line given out, when it had to be converted
};

// Hands every line of `lines` to `reader`'s Read(const TextLine&), then calls its Finish().
template <typename LineReader>
void ReadEachLine(TextLines& lines, LineReader& reader) {
  TextLine line{};
  while (lines.Next(line)) reader.Read(line);
  reader.Finish();
}

}  // namespace koordin_cli
