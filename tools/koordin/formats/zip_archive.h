#pragma once

#include "tools/koordin/document/streams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Zip archives read from a source a piece at a time: the members their directories list, and a
// member's bytes inflated as a source of their own. Nothing is extracted, nothing held whole.
namespace koordin_cli {

// True when `head`, the first bytes of a source, begin a zip archive's first member.
bool StartsZipArchive(std::string_view head);

// A member of a zip archive as its directory lists it.
struct ZipMember {
  std::string name;  // as the archive has it: "/" (or "\\") between folders
  bool encrypted = false;
  std::uint16_t method = 0;  // 0 stored, 8 deflated
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t size = 0;         // inflated
  std::uint64_t localHeader = 0;  // where its local header begins in the source
  bool IsFolder() const { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }
};

// How many archives one after the other koordin looks for in one source.
inline constexpr int kMaxZipArchives = 16;

// Calls `visit` with every member of the zip archives that `source` holds one after the other,
// as zip tools write them when archives are appended to each other: the last archive's members
// first, in the order of its directory, then those of the archive before it, up to
// kMaxZipArchives. Returns the number of bytes before the first archive found, which no archive
// holds. Throws FormatError (line 0) for a source that is no zip archive or one koordin does not
// read (ZIP64, split over disks), a damaged directory, a source larger than kMaxZipBytes, and a
// member name that leads outside the archive (absolute, or with a ".." folder).
std::uint64_t ListZipMembers(ByteSource& source,
                             const std::function<void(const ZipMember&)>& visit);

// The largest source ListZipMembers reads: beyond it zip archives need ZIP64.
inline constexpr std::uint64_t kMaxZipBytes = std::uint64_t{1} << 32;

// The largest member koordin inflates, and the most a member of more than kPieceBytes may grow by
// inflating: beyond either it is refused as a zip bomb. Text grows tenfold or so.
inline constexpr std::uint64_t kMaxInflatedBytes = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMaxInflationRatio = 200;

// The bytes of a member, inflated a piece at a time from the archive's source, as often as asked.
class ZipMemberSource : public ByteSource {
 public:
  // Reads the member's local header. Throws FormatError (line 0) for a member that koordin does not
  // inflate: encrypted, compressed otherwise than deflated, beyond kMaxInflatedBytes or
  // kMaxInflationRatio.
  ZipMemberSource(ByteSource& archive, const ZipMember& member);
  ZipMemberSource(const ZipMemberSource&) = delete;
  ZipMemberSource& operator=(const ZipMemberSource&) = delete;
  ~ZipMemberSource() override;

  // Throws FormatError (line 0) for damaged data: bytes that do not inflate, more or fewer than the
  // directory says, another check sum.
  std::size_t Read(char* buffer, std::size_t size) override;
  void Rewind() override;

 private:
  struct Inflation;
  std::unique_ptr<Inflation> inflation_;
};

}  // namespace koordin_cli
