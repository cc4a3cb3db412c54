#include "tools/koordin/formats/zip_archive.h"

#include "tools/koordin/formats/format_support.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

namespace koordin_cli {

namespace {

constexpr std::string_view kLocalHeaderSignature("PK\x03\x04", 4);
constexpr std::string_view kDirectorySignature("PK\x01\x02", 4);
constexpr std::string_view kEndSignature("PK\x05\x06", 4);
constexpr std::string_view kZip64LocatorSignature("PK\x06\x07", 4);
constexpr std::size_t kLocalHeaderBytes = 30;
constexpr std::size_t kDirectoryEntryBytes = 46;
constexpr std::size_t kEndBytes = 22;
constexpr std::size_t kZip64LocatorBytes = 20;
constexpr std::size_t kMaxCommentBytes = 0xFFFF;
// An end record with the longest comment, and the ZIP64 locator before it.
constexpr std::size_t kEndSearchBytes = kZip64LocatorBytes + kEndBytes + kMaxCommentBytes;
constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;
constexpr std::uint16_t kEncryptedFlag = 1U << 0;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

std::uint16_t Le16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t Le32(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(Le16(bytes, at)) |
         static_cast<std::uint32_t>(Le16(bytes, at + 2)) << 16;
}

FormatError Damaged(const std::string& what) {
  return FormatError(0, "a damaged zip archive: " + what);
}

FormatError Zip64() {
  return FormatError(0, "a ZIP64 archive, which koordin does not read");
}

// A source read at places: forward by reading on, backward by reading from the start again.
class SourceCursor {
 public:
  explicit SourceCursor(ByteSource& source) : source_(source) {}

  std::uint64_t at() const { return at_; }

  // Reads up to `size` further bytes; 0 at the end.
  std::size_t Read(char* buffer, std::size_t size) {
    const std::size_t got = source_.Read(buffer, size);
    at_ += got;
    return got;
  }

  // Exactly `size` further bytes, else a FormatError naming `what` ends early.
  void ReadExactly(char* buffer, std::size_t size, const std::string& what) {
    for (std::size_t got = 0; got < size;) {
      const std::size_t piece = Read(buffer + got, size - got);
      if (piece == 0) throw Damaged("the file ends inside " + what);
      got += piece;
    }
  }

  std::string ReadString(std::size_t size, const std::string& what) {
    std::string bytes(size, '\0');
    ReadExactly(bytes.data(), size, what);
    return bytes;
  }

  // Goes to `offset` from the start, which the source must reach.
  void Seek(std::uint64_t offset, const std::string& what) {
    if (!placed_ || offset < at_) {
      source_.Rewind();
      at_ = 0;
      placed_ = true;
    }
    if (offset == at_) return;
    if (skipped_.empty()) skipped_.resize(kPieceBytes);
    while (at_ < offset) {
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(skipped_.size(), offset - at_));
      if (Read(skipped_.data(), want) == 0) throw Damaged("the file ends before " + what);
    }
  }

 private:
  ByteSource& source_;
  std::uint64_t at_ = 0;
  bool placed_ = false;  // at_ is where the source stands
  std::vector<char> skipped_;
};

// What an archive's end record says, and where the archive lies in the source.
struct ArchiveEnd {
  std::uint64_t record = 0;  // where the end record begins
  std::uint16_t entries = 0;
  std::uint64_t directory = 0;  // where the directory begins in the source
  std::uint32_t directorySize = 0;
  std::uint64_t base = 0;  // what the archive's own offsets count from
};

// The end record in `window`, the bytes of the source from `windowStart`, whose comment ends at
// `end`, else (when not `exact`) the last one whose comment fits before the window's end.
std::optional<std::size_t> FindEndRecord(std::string_view window, std::uint64_t windowStart,
                                         std::uint64_t end, bool exact) {
  std::optional<std::size_t> fitting;
  for (std::size_t at = window.size() >= kEndBytes ? window.size() - kEndBytes + 1 : 0; at-- > 0;) {
    if (window.substr(at, kEndSignature.size()) != kEndSignature) continue;
    const std::uint64_t recordEnd = windowStart + at + kEndBytes + Le16(window, at + 20);
    if (recordEnd == end) return at;
    if (!exact && !fitting && recordEnd <= windowStart + window.size()) fitting = at;
  }
  return fitting;
}

// The archive whose end record is at `at` in `window` (the bytes of the source from
// `windowStart`).
ArchiveEnd ReadEnd(std::string_view window, std::uint64_t windowStart, std::size_t at) {
  ArchiveEnd end;
  end.record = windowStart + at;
  const std::string_view record = window.substr(at, kEndBytes);
  if (at >= kZip64LocatorBytes &&
      window.substr(at - kZip64LocatorBytes, kZip64LocatorSignature.size()) ==
          kZip64LocatorSignature) {
    throw Zip64();
  }
  const std::uint16_t disk = Le16(record, 4);
  const std::uint16_t directoryDisk = Le16(record, 6);
  const std::uint16_t entriesHere = Le16(record, 8);
  end.entries = Le16(record, 10);
  end.directorySize = Le32(record, 12);
  const std::uint32_t directoryOffset = Le32(record, 16);
  if (end.entries == 0xFFFF || end.directorySize == kZip64Marker ||
      directoryOffset == kZip64Marker) {
    throw Zip64();
  }
  if (disk != 0 || directoryDisk != 0 || entriesHere != end.entries) {
    throw FormatError(0, "a zip archive split over several disks, which koordin does not read");
  }
  if (end.directorySize > end.record) throw Damaged("its directory begins before the file");
  end.directory = end.record - end.directorySize;
  // Archives written apart and put one after the other count from their own first byte.
  if (directoryOffset > end.directory) throw Damaged("its directory lies beyond its place");
  end.base = end.directory - directoryOffset;
  return end;
}

// True when `bytes`, the first of a source, begin as a zip archive does.
bool StartsAnArchive(std::string_view bytes) {
  const std::string_view start = bytes.substr(0, kLocalHeaderSignature.size());
  return start == kLocalHeaderSignature || start == kEndSignature;
}

// A member's name that leads outside the archive when extracted: absolute, on a drive, or through
// a ".." folder.
bool LeadsOutside(std::string_view name) {
  if (name.find('\0') != std::string_view::npos) return true;
  if (!name.empty() && (name.front() == '/' || name.front() == '\\')) return true;
  if (name.size() >= 2 && name[1] == ':') return true;
  for (std::size_t start = 0; start <= name.size();) {
    const std::size_t stop = std::min(name.find_first_of("/\\", start), name.size());
    if (name.substr(start, stop - start) == "..") return true;
    start = stop + 1;
  }
  return false;
}

// Visits the members of the directory of `end`; returns where the archive's first member begins.
std::uint64_t ReadDirectory(SourceCursor& cursor, const ArchiveEnd& end,
                            const std::function<void(const ZipMember&)>& visit) {
  cursor.Seek(end.directory, "the zip directory");
  std::uint64_t first = end.directory;
  for (unsigned i = 0; i < end.entries; ++i) {
    const std::string entry = cursor.ReadString(kDirectoryEntryBytes, "the zip directory");
    if (std::string_view(entry).substr(0, 4) != kDirectorySignature) {
      throw Damaged("entry " + std::to_string(i + 1) + " of its directory is none");
    }
    ZipMember member;
    member.encrypted = (Le16(entry, 8) & kEncryptedFlag) != 0;
    member.method = Le16(entry, 10);
    member.crc = Le32(entry, 16);
    member.compressedSize = Le32(entry, 20);
    member.size = Le32(entry, 24);
    const std::uint16_t nameBytes = Le16(entry, 28);
    const std::size_t skipped = std::size_t{Le16(entry, 30)} + Le16(entry, 32);
    const std::uint32_t localOffset = Le32(entry, 42);
    if (member.compressedSize == kZip64Marker || member.size == kZip64Marker ||
        localOffset == kZip64Marker) {
      throw Zip64();
    }
    member.name = cursor.ReadString(nameBytes, "the zip directory");
    cursor.Seek(cursor.at() + skipped, "the end of the zip directory");
    if (cursor.at() > end.record) throw Damaged("its directory runs into its end record");
    if (LeadsOutside(member.name)) {
      throw FormatError(0, "the zip archive names a member " + Quoted(member.name) +
                               ", which leads outside it: koordin reads no such archive");
    }
    member.localHeader = end.base + localOffset;
    if (member.localHeader + kLocalHeaderBytes > end.directory) {
      throw Damaged(Quoted(member.name) + " lies beyond its directory");
    }
    first = std::min(first, member.localHeader);
    visit(member);
  }
  return first;
}

}  // namespace

bool StartsZipArchive(std::string_view head) {
  return head.substr(0, kLocalHeaderSignature.size()) == kLocalHeaderSignature;
}

std::uint64_t ListZipMembers(ByteSource& source,
                             const std::function<void(const ZipMember&)>& visit) {
  SourceCursor cursor(source);
  cursor.Seek(0, "");
  // The first pass: the size, and the last bytes, which hold the last archive's end record.
  std::vector<char> piece(kPieceBytes);
  std::string window;
  while (const std::size_t got = cursor.Read(piece.data(), piece.size())) {
    if (cursor.at() > kMaxZipBytes) {
      throw FormatError(0, "a zip archive of more than 4 GiB, which koordin does not read");
    }
    window.append(piece.data(), got);
    if (window.size() > 2 * kEndSearchBytes) window.erase(0, window.size() - kEndSearchBytes);
    // Nothing but the first bytes of a zip archive, so that no other file is read through.
    const std::size_t start = kLocalHeaderSignature.size();
    if (cursor.at() - got < start && cursor.at() >= start && !StartsAnArchive(window)) {
      throw FormatError(0, "not a zip archive");
    }
  }
  const std::uint64_t size = cursor.at();
  if (size < kLocalHeaderSignature.size()) throw FormatError(0, "not a zip archive");
  std::uint64_t windowStart = size - window.size();
  const std::optional<std::size_t> last = FindEndRecord(window, windowStart, size, false);
  if (!last) throw FormatError(0, "not a zip archive: it has no end record");
  ArchiveEnd end = ReadEnd(window, windowStart, *last);
  for (int archives = 1;; ++archives) {
    const std::uint64_t first = ReadDirectory(cursor, end, visit);
    if (first == 0 || archives == kMaxZipArchives) return first;
    // The archive before it, if one ends where this one begins.
    windowStart = first > kEndSearchBytes ? first - kEndSearchBytes : 0;
    cursor.Seek(windowStart, "the zip archive");
    window = cursor.ReadString(static_cast<std::size_t>(first - windowStart), "the zip archive");
    const std::optional<std::size_t> before = FindEndRecord(window, windowStart, first, true);
    if (!before) return first;
    end = ReadEnd(window, windowStart, *before);
  }
}

struct ZipMemberSource::Inflation {
  Inflation(ByteSource& archive, const ZipMember& zipMember) : cursor(archive), member(zipMember) {}
  Inflation(const Inflation&) = delete;
  Inflation& operator=(const Inflation&) = delete;
  // Here, not in the source's destructor, which a throwing constructor never reaches.
  ~Inflation() {
    if (streamMade) inflateEnd(&stream);
  }

  SourceCursor cursor;
  const ZipMember member;
  std::uint64_t data = 0;  // where the member's data begin
  z_stream stream{};
  bool streamMade = false;
  std::vector<char> input;
  std::uint32_t unread = 0;  // compressed bytes not yet read
  std::uint64_t given = 0;   // inflated bytes given out
  uLong crc = 0;
  bool ended = false;

  std::string Named() const { return Quoted(member.name); }

  std::size_t ReadStored(char* buffer, std::size_t size) {
    const std::size_t count = std::min<std::size_t>(size, unread);
    cursor.ReadExactly(buffer, count, Named());
    unread -= static_cast<std::uint32_t>(count);
    return count;
  }

  std::size_t ReadDeflated(char* buffer, std::size_t size) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = static_cast<uInt>(size);
    while (stream.avail_out == size) {
      if (stream.avail_in == 0 && unread > 0) {
        const std::size_t got =
            cursor.Read(input.data(), std::min<std::size_t>(input.size(), unread));
        if (got == 0) throw Damaged("the file ends inside " + Named());
        unread -= static_cast<std::uint32_t>(got);
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(got);
      }
      const int result = inflate(&stream, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        ended = true;
        break;
      }
      if (result == Z_MEM_ERROR) throw std::bad_alloc();
      if (result == Z_BUF_ERROR && stream.avail_in == 0 && unread == 0) {
        throw Damaged(Named() + " ends before its data do");
      }
      if (result != Z_OK && result != Z_BUF_ERROR) {
        throw Damaged(Named() +
                      " does not inflate: " + (stream.msg != nullptr ? stream.msg : "bad data"));
      }
    }
    return size - stream.avail_out;
  }
};

ZipMemberSource::ZipMemberSource(ByteSource& archive, const ZipMember& member)
    : inflation_(std::make_unique<Inflation>(archive, member)) {
  Inflation& z = *inflation_;
  const std::string named = z.Named();
  if (member.encrypted) {
    throw FormatError(0, named + " is encrypted, which koordin does not read");
  }
  if (member.method != kStored && member.method != kDeflated) {
    throw FormatError(0, named + " is compressed by method " + std::to_string(member.method) +
                             ", which koordin does not read (only stored or deflated)");
  }
  if (member.size > kMaxInflatedBytes) {
    throw FormatError(0, named + " inflates to " + WithThousands(member.size) +
                             " bytes, more than koordin reads (1 GiB)");
  }
  if (member.size > kPieceBytes &&
      member.size > kMaxInflationRatio * std::uint64_t{member.compressedSize}) {
    throw FormatError(0, named + " inflates to more than " + std::to_string(kMaxInflationRatio) +
                             " times its size: refused as a zip bomb");
  }
  if (member.method == kStored && member.size != member.compressedSize) {
    throw Damaged(named + " is stored in " + std::to_string(member.compressedSize) +
                  " bytes but has " + std::to_string(member.size));
  }
  z.cursor.Seek(member.localHeader, named);
  const std::string header = z.cursor.ReadString(kLocalHeaderBytes, named);
  if (std::string_view(header).substr(0, 4) != kLocalHeaderSignature) {
    throw Damaged(named + " is not where its directory says");
  }
  z.data = member.localHeader + kLocalHeaderBytes + Le16(header, 26) + Le16(header, 28);
  if (member.method == kDeflated) {
    z.input.resize(kPieceBytes);
    // Raw deflate, without zlib's header.
    if (inflateInit2(&z.stream, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    z.streamMade = true;
  }
  Rewind();
}

ZipMemberSource::~ZipMemberSource() = default;

void ZipMemberSource::Rewind() {
  Inflation& z = *inflation_;
  z.cursor.Seek(z.data, z.Named());
  z.unread = z.member.compressedSize;
  z.given = 0;
  z.crc = crc32(0L, Z_NULL, 0);
  z.ended = false;
  if (z.streamMade) {
    inflateReset(&z.stream);
    z.stream.avail_in = 0;
  }
}

std::size_t ZipMemberSource::Read(char* buffer, std::size_t size) {
  Inflation& z = *inflation_;
  size = std::min<std::size_t>(size, UINT_MAX);
  if (size == 0 || z.ended) return 0;
  const std::size_t got =
      z.member.method == kStored ? z.ReadStored(buffer, size) : z.ReadDeflated(buffer, size);
  z.given += got;
  if (z.given > z.member.size) {
    throw Damaged(z.Named() + " inflates to more than the " + WithThousands(z.member.size) +
                  " bytes its directory gives");
  }
  z.crc = crc32(z.crc, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(got));
  if (z.member.method == kStored && z.unread == 0) z.ended = true;
  if (z.ended) {
    if (z.given != z.member.size) {
      throw Damaged(z.Named() + " inflates to " + WithThousands(z.given) + " bytes, not the " +
                    WithThousands(z.member.size) + " its directory gives");
    }
    if (z.crc != z.member.crc) throw Damaged(z.Named() + " fails its check sum");
  }
  return got;
}

}  // namespace koordin_cli
