// Stand-ins for the file formats until their readers and writers join koordin: each refuses.

#include "tools/koordin/formats/formats.h"

namespace koordin_cli {

namespace {

[[noreturn]] void NotYet(const char* format) {
  throw FormatError(0, std::string(format) + " is not supported yet");
}

}  // namespace

Document ReadGpx(std::string_view, Diagnostics&) {
  NotYet("GPX");
}
std::string WriteGpx(const Document&, Diagnostics&) {
  NotYet("GPX");
}
Document ReadCsv(std::string_view, Diagnostics&) {
  NotYet("CSV");
}
std::string WriteCsv(const Document&, Diagnostics&) {
  NotYet("CSV");
}
Document ReadJson(std::string_view, Diagnostics&) {
  NotYet("JSON");
}
std::string WriteJson(const Document&, Diagnostics&) {
  NotYet("JSON");
}

}  // namespace koordin_cli
