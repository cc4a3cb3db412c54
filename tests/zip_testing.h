#pragma once

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Zip archives that the tests make, as zip tools write them, with ways to make them wrong.
namespace koordin_testing {

// A member to put in an archive: its bytes deflated, else stored.
struct ZipEntry {
  std::string name;
  std::string bytes;
  bool deflated = true;
  std::uint16_t flags = 0;      // bit 0: encrypted
  std::uint16_t method = 0;     // when not 0, the method the headers give, whatever was done
  std::int64_t sizeGiven = -1;  // when not -1, the inflated size the headers give
  std::int64_t crcAdded = 0;    // added to the check sum the headers give
};

inline std::string Le16(std::uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

inline std::string Le32(std::uint32_t value) {
  return Le16(value & 0xFFFF) + Le16(value >> 16);
}

// `bytes` as raw deflate, as a zip member holds them.
inline std::string Deflated(std::string_view bytes) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(stream.total_out);
  return out;
}

// A zip archive of `entries`, its offsets counted from `base` bytes before its first (0: from its
// own first byte, as an archive written apart; the bytes before it when it is appended to them and
// its offsets are made to count from the file's start). `comment` ends it.
inline std::string ZipArchiveOf(const std::vector<ZipEntry>& entries, std::uint32_t base = 0,
                                const std::string& comment = "") {
  std::string archive, directory;
  for (const ZipEntry& entry : entries) {
    const std::string data = entry.deflated ? Deflated(entry.bytes) : entry.bytes;
    const std::uint16_t method = entry.method != 0 ? entry.method : entry.deflated ? 8 : 0;
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.bytes.data()),
                                         static_cast<uInt>(entry.bytes.size())) +
                                   entry.crcAdded);
    const auto size =
        static_cast<std::uint32_t>(entry.sizeGiven >= 0 ? entry.sizeGiven : entry.bytes.size());
    const std::string sizes =
        Le32(crc) + Le32(static_cast<std::uint32_t>(data.size())) + Le32(size);
    const std::string common = Le16(entry.flags) + Le16(method) + Le32(0) + sizes +
                               Le16(static_cast<std::uint32_t>(entry.name.size())) + Le16(0);
    const auto offset = static_cast<std::uint32_t>(base + archive.size());
    archive += "PK\x03\x04" + Le16(20) + common + entry.name + data;
    directory += "PK\x01\x02" + Le16(20) + Le16(20) + common + Le16(0) + Le16(0) + Le16(0) +
                 Le32(0) + Le32(offset) + entry.name;
  }
  const auto count = static_cast<std::uint32_t>(entries.size());
  const auto directoryOffset = static_cast<std::uint32_t>(base + archive.size());
  return archive + directory + "PK\x05\x06" + Le16(0) + Le16(0) + Le16(count) + Le16(count) +
         Le32(static_cast<std::uint32_t>(directory.size())) + Le32(directoryOffset) +
         Le16(static_cast<std::uint32_t>(comment.size())) + comment;
}

}  // namespace koordin_testing
