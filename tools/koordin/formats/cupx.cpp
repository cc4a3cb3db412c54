#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/zip_archive.h"

#include <string_view>
#include <vector>

namespace koordin_cli {

namespace {

constexpr std::string_view kCupExtension = ".cup";
constexpr std::string_view kPointsName = "points.cup";

// A member's file name, without its folders.
std::string_view FileName(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\");
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

bool IsCup(std::string_view name) {
  const std::string_view file = FileName(name);
  return file.size() > kCupExtension.size() &&
         EqualsIgnoringCase(file.substr(file.size() - kCupExtension.size()), kCupExtension);
}

// The CUP member to read: the last archive's POINTS.CUP (any case, in any folder), else the one
// CUP file. Throws FormatError when there is none, or several and none of them POINTS.CUP.
const ZipMember& ChosenCup(const std::vector<ZipMember>& cups) {
  for (const ZipMember& cup : cups) {
    if (EqualsIgnoringCase(FileName(cup.name), kPointsName)) return cup;
  }
  if (cups.empty()) {
    throw FormatError(0, "no CUP file in the zip archive, where a CUPX file has POINTS.CUP");
  }
  if (cups.size() > 1) {
    throw FormatError(0, std::to_string(cups.size()) + " CUP files in the zip archive (" +
                             Quoted(cups[0].name) + ", " + Quoted(cups[1].name) +
                             (cups.size() > 2 ? ", ..." : "") +
                             ") and none of them POINTS.CUP: koordin cannot tell which to read");
  }
  return cups.front();
}

}  // namespace

void ReadCupxInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  std::vector<ZipMember> cups;
  std::size_t pictures = 0;
  const std::uint64_t before = ListZipMembers(source, [&](const ZipMember& member) {
    if (member.IsFolder()) return;
    if (IsCup(member.name)) {
      cups.push_back(member);
    } else {
      ++pictures;
    }
  });
  const ZipMember& chosen = ChosenCup(cups);
  if (before > 0) {
    diagnostics.Warn(WithThousands(before) + " bytes before the zip archive, not read");
  }
  if (pictures > 0) {
    diagnostics.Warn(WithThousands(pictures) + (pictures == 1 ? " picture" : " pictures") +
                     " not read: koordin reads the waypoints and tasks of " + Quoted(chosen.name));
  }
  for (const ZipMember& cup : cups) {
    if (&cup != &chosen) {
      diagnostics.Warn("the CUP file " + Quoted(cup.name) + " not read beside " +
                       Quoted(chosen.name));
    }
  }
  ZipMemberSource cup(source, chosen);
  ReadCupInto(cup, diagnostics, sink);
}

bool RecogniseCupx(std::string_view head) {
  return StartsZipArchive(head);
}

}  // namespace koordin_cli
