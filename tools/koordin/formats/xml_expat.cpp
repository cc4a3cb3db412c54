// XML events from expat, in every build: natively the system's, in the browser build expat's
// sources compiled with koordin.

#include "tools/koordin/formats/xml_events.h"

#include "tools/koordin/formats/charset.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <expat.h>

namespace koordin_cli {

const char* XmlAttributes::Find(std::string_view name) const {
  for (const char* const* pair = pairs_; *pair != nullptr; pair += 2) {
    if (name == pair[0]) return pair[1];
  }
  return nullptr;
}

std::vector<std::string_view> XmlAttributes::Names() const {
  std::vector<std::string_view> names;
  for (const char* const* pair = pairs_; *pair != nullptr; pair += 2) names.emplace_back(*pair);
  return names;
}

namespace {

// The bytes handed to the parser at a time.
constexpr std::size_t kChunkBytes = kPieceBytes;

// The most bytes of one text that the reader keeps, and of markup that the parser holds before it
// is complete (a tag, a comment, a document type declaration), is kMaxTextRun: a file with a
// longer one is refused rather than read into ever more memory.

// What an open element costs besides its name and namespace declarations, which all count against
// kMaxTextRun while it is open: this bounds how deep elements nest.
constexpr std::size_t kOpenElementBytes = 64;

// A file that the parser refuses at once, rather than hold ever more of it.
class LimitError : public FormatError {
 public:
  using FormatError::FormatError;
};

bool IsXmlBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view LocalName(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// A parse fault in one line.
std::string XmlFault(XML_Error code, bool elementsOpen) {
  switch (code) {
    case XML_ERROR_TAG_MISMATCH:
      return "Start-end tags mismatch";
    case XML_ERROR_INVALID_TOKEN:
      return "a character XML does not allow there, or a byte that is no character of the file's "
             "encoding";
    case XML_ERROR_NO_ELEMENTS:
      return elementsOpen ? "the file ends before its elements are closed" : "no element found";
    default:
      return XML_ErrorString(code);
  }
}

// Reads the files in a character set that expat does not know itself, e.g. Windows-1252, when
// iconv knows it as one byte a character.
int XMLCALL SingleByteEncoding(void*, const XML_Char* name, XML_Encoding* info) try {
  for (int byte = 0; byte < 256; ++byte) {
    bool exact = false;
    const std::string character =
        ConvertCharset(std::string(1, static_cast<char>(byte)), name, "UTF-32LE", &exact);
    int code = -1;  // no character
    if (exact && character.size() == 4) {
      code = 0;
      for (int i = 3; i >= 0; --i) code = code << 8 | static_cast<unsigned char>(character[i]);
    }
    info->map[byte] = code;
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
} catch (...) {  // a character set iconv does not know: expat says so
  return XML_STATUS_ERROR;
}

struct ParserDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserHandle = std::unique_ptr<XML_ParserStruct, ParserDeleter>;

// One parse of a file, from expat's calls to the events.
class ExpatReader {
 public:
  ExpatReader(ByteSource& source, XmlEvents& events) : source_(source), events_(events) {}

  void Read() {
    const ParserHandle handle(XML_ParserCreate(nullptr));
    if (!handle) throw std::bad_alloc();
    parser_ = handle.get();
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &OnStart, &OnEnd);
    XML_SetCharacterDataHandler(parser_, &OnText);
    // Comments and processing instructions are no part of the text around them: not handled.
    XML_SetCdataSectionHandler(parser_, &OnCdataStart, nullptr);
    XML_SetEntityDeclHandler(parser_, &OnEntity);
    XML_SetDoctypeDeclHandler(parser_, &OnDoctypeStart, &OnDoctypeEnd);
    XML_SetUnknownEncodingHandler(parser_, &SingleByteEncoding, nullptr);
    for (;;) {
      char* buffer = static_cast<char*>(XML_GetBuffer(parser_, static_cast<int>(kChunkBytes)));
      if (buffer == nullptr) throw std::bad_alloc();
      const std::size_t read = source_.Read(buffer, kChunkBytes);
      const std::size_t count = SkipLeadingBlanks(buffer, read);
      const bool last = read == 0;
      const XML_Status status = XML_ParseBuffer(parser_, static_cast<int>(count), last);
      if (fault_) std::rethrow_exception(fault_);
      if (done_) break;
      if (status != XML_STATUS_OK) {
        throw FormatError(ParserLine(), "not well-formed XML: " +
                                            XmlFault(XML_GetErrorCode(parser_), depth_ > 0));
      }
      fed_ += static_cast<XML_Index>(count);
      CheckHeld();
      if (last) break;
    }
    // A fault of what was read, found once the file proved well-formed XML.
    if (deferred_) throw *deferred_;
  }

 private:
  // An open element.
  struct Open {
    int line;
    std::size_t cost;          // its share of kMaxTextRun
    std::size_t declarations;  // the namespace declarations it made
    bool keepsText;            // its End gets its text
    std::size_t runStart;      // where in `text` the run since the last child element began
    bool kept;                 // that run is no mere blanks between elements
    std::string text;
  };

  // The line that the parser stands on.
  int ParserLine() const {
    return static_cast<int>(XML_GetCurrentLineNumber(parser_)) + lineOffset_;
  }

  // Refuses markup that the parser holds incomplete beyond the limit.
  void CheckHeld() const {
    const XML_Index at = std::max<XML_Index>(XML_GetCurrentByteIndex(parser_), 0);
    if (fed_ - at > static_cast<XML_Index>(kMaxTextRun)) {
      throw LimitError(ParserLine(), "markup (a tag, a comment, ...) of more than " +
                                         TextRunInWords() + ", which koordin does not read");
    }
    if (doctypeStart_ >= 0 && fed_ - doctypeStart_ > static_cast<XML_Index>(kMaxTextRun)) {
      throw LimitError(doctypeLine_, "a document type declaration of more than " +
                                         TextRunInWords() + ", which koordin does not read");
    }
  }

  // Leaves out the blanks and line ends before the first markup, after a UTF-8 byte-order mark if
  // there is one, which XML does not allow before an XML declaration but files have; the lines
  // they end still count. Returns the bytes of `bytes` left to parse, moved to its start.
  std::size_t SkipLeadingBlanks(char* bytes, std::size_t count) {
    static constexpr char kMark[] = "\xEF\xBB\xBF";
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i < count && lead_ != Lead::kDone; ++i) {
      const char c = bytes[i];
      if (lead_ == Lead::kByteOrderMark) {
        if (c == kMark[leadAt_]) {
          bytes[kept++] = c;
          if (++leadAt_ == sizeof kMark - 1) lead_ = Lead::kBlanks;
          continue;
        }
        lead_ = leadAt_ == 0 ? Lead::kBlanks : Lead::kDone;
        if (lead_ == Lead::kDone) break;
      }
      if (!IsXmlBlank(c)) {
        lead_ = Lead::kDone;
        break;
      }
      if (c == '\r' || (c == '\n' && !afterCr_)) ++lineOffset_;
      afterCr_ = c == '\r';
    }
    if (i == kept) return count;
    std::memmove(bytes + kept, bytes + i, count - i);
    return kept + count - i;
  }

  // --- the parser's calls; no exception may pass through the parser

  template <typename Handle>
  static void Guard(void* data, Handle handle) {
    ExpatReader& reader = *static_cast<ExpatReader*>(data);
    if (reader.stopped_) return;
    try {
      handle(reader);
    } catch (const LimitError&) {
      reader.Stop(std::current_exception());
    } catch (const FormatError& error) {
      // What was read is wrong; parsing goes on, so that a fault of the XML is told first.
      if (!reader.deferred_) reader.deferred_ = error;
      reader.failed_ = true;
    } catch (...) {
      reader.Stop(std::current_exception());
    }
  }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Guard(data, [&](ExpatReader& reader) { reader.Start(name, attributes); });
  }
  static void XMLCALL OnEnd(void* data, const XML_Char*) {
    Guard(data, [&](ExpatReader& reader) { reader.End(); });
  }
  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    Guard(data, [&](ExpatReader& reader) { reader.Text(text, static_cast<std::size_t>(length)); });
  }
  static void XMLCALL OnCdataStart(void* data) {
    Guard(data, [&](ExpatReader& reader) { reader.StartCdata(); });
  }
  static void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    Guard(data, [&](ExpatReader& reader) {
      throw LimitError(reader.ParserLine(), "an entity declaration, which koordin does not read");
    });
  }
  static void XMLCALL OnDoctypeStart(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                     int) {
    Guard(data, [&](ExpatReader& reader) {
      reader.doctypeStart_ = XML_GetCurrentByteIndex(reader.parser_);
      reader.doctypeLine_ = reader.ParserLine();
    });
  }
  static void XMLCALL OnDoctypeEnd(void* data) {
    Guard(data, [&](ExpatReader& reader) { reader.doctypeStart_ = -1; });
  }

  void Stop(std::exception_ptr fault) {
    fault_ = std::move(fault);
    stopped_ = true;
    XML_StopParser(parser_, XML_FALSE);
  }

  // --- elements, namespaces, texts

  void Start(const XML_Char* name, const XML_Char** attributes) {
    EndRun();
    const int line = ParserLine();
    std::size_t cost = kOpenElementBytes + std::strlen(name);
    std::size_t declarations = 0;
    for (const XML_Char** attribute = attributes; *attribute != nullptr; attribute += 2) {
      const std::string_view key = attribute[0];
      if (key != "xmlns" && key.rfind("xmlns:", 0) != 0) continue;
      scopes_.emplace_back(key.substr(std::min(key.size(), sizeof "xmlns")), attribute[1]);
      cost += key.size() + scopes_.back().second.size();
      ++declarations;
    }
    if (depth_ == opens_.size()) opens_.emplace_back();
    Open& open = opens_[depth_++];
    std::string text = std::move(open.text);  // its room kept for the next text
    text.clear();
    open = {line, cost, declarations, false, 0, false, std::move(text)};
    openBytes_ += cost;
    if (openBytes_ > kMaxTextRun) {
      throw LimitError(line, "elements nested too deep, which koordin does not read");
    }
    if (failed_) return;
    const std::string_view qualified = name;
    open.keepsText = events_.Start(
        {qualified, LocalName(qualified), NamespaceOf(qualified), XmlAttributes(attributes), line});
  }

  void End() {
    Open& open = opens_[--depth_];
    EndRunOf(open);
    openBytes_ -= open.cost;
    scopes_.resize(scopes_.size() - open.declarations);
    if (depth_ == 0) {  // the end of the file: what follows is not read
      done_ = stopped_ = true;
      XML_StopParser(parser_, XML_FALSE);
    }
    if (!failed_) events_.End(open.text);
  }

  void Text(const XML_Char* text, std::size_t length) {
    if (depth_ == 0) return;
    Open& open = opens_[depth_ - 1];
    if (!open.keepsText) return;
    if (open.text.size() + length > kMaxTextRun) {
      throw LimitError(open.line,
                       "a text of more than " + TextRunInWords() + ", which koordin does not read");
    }
    open.text.append(text, length);
    if (!open.kept) {
      open.kept = !std::all_of(text, text + length, IsXmlBlank) || FromReference();
    }
  }

  // True when the text the parser reports comes from a character reference ("&#32;"), which a
  // document tree keeps even when it is a blank.
  bool FromReference() const {
    int offset = 0;
    int size = 0;
    const char* context = XML_GetInputContext(parser_, &offset, &size);
    if (context == nullptr || offset >= size) return false;
    // "&" is the first byte of the reference, or its second in UTF-16 big-endian
    return context[offset] == '&' ||
           (context[offset] == '\0' && offset + 1 < size && context[offset + 1] == '&');
  }

  // A child element ends the run of text before it in the innermost open element.
  void EndRun() {
    if (depth_ > 0) EndRunOf(opens_[depth_ - 1]);
  }

  static void EndRunOf(Open& open) {
    if (!open.keepsText) return;
    if (!open.kept) open.text.resize(open.runStart);  // blanks between elements
    open.runStart = open.text.size();
    open.kept = false;
  }

  void StartCdata() {
    if (depth_ == 0) return;
    Open& open = opens_[depth_ - 1];
    if (open.keepsText) open.kept = true;  // an empty section too is text
  }

  // The namespace of an element's name, from the declarations of the elements open.
  std::string_view NamespaceOf(std::string_view name) const {
    const std::size_t colon = name.find(':');
    const std::string_view prefix = colon == std::string_view::npos ? "" : name.substr(0, colon);
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      if (scope->first == prefix) return scope->second;
    }
    return "";
  }

  ByteSource& source_;
  XmlEvents& events_;
  XML_Parser parser_ = nullptr;
  std::vector<Open> opens_;  // the open elements, outermost first, as deep as ever met
  std::size_t depth_ = 0;
  std::size_t openBytes_ = 0;                                // the open elements' costs
  std::vector<std::pair<std::string, std::string>> scopes_;  // namespace prefix and name in force
  bool stopped_ = false;  // by a fault, or by the end of the root element
  bool done_ = false;     // the root element closed
  bool failed_ = false;   // the events threw a FormatError: only the XML is parsed on
  std::exception_ptr fault_;
  std::optional<FormatError> deferred_;
  enum class Lead { kByteOrderMark, kBlanks, kDone } lead_ = Lead::kByteOrderMark;
  std::size_t leadAt_ = 0;  // the bytes of the byte-order mark met
  bool afterCr_ = false;
  int lineOffset_ = 0;  // the lines skipped before the first markup
  XML_Index fed_ = 0;   // the bytes given to the parser
  XML_Index doctypeStart_ = -1;
  int doctypeLine_ = 0;
};

}  // namespace

void ReadXml(ByteSource& source, XmlEvents& events) {
  ExpatReader(source, events).Read();
}

}  // namespace koordin_cli
