#pragma once

// The writer's own operations, shared by FIO_WriteHeader, FIO_WriteTP and FIO_WriteRoute
// (declared in driver/fio_api.h).

#include "records/host_text_file.h"
#include "records/tp_entry.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace koordin {

// The bytes of one slot, formatted as the C runtime's printf conversions would make them and
// gathered so that the slot reaches the host's stream in one write. Any slot of fixed-width fields
// fits in the object itself; only a longer text moves it to the heap.
class SlotText {
 public:
  SlotText() = default;
  SlotText(const SlotText&) = delete;
  SlotText& operator=(const SlotText&) = delete;

  // Appends `length` bytes of `text` as they are.
  void Append(const char* text, std::size_t length);
  // Appends the zero-terminated text ("%s").
  void Append(const char* text);
  void Append(char ch);
  // Appends the number as "%0Nd" does with N = `width`: in decimal, with leading zeros after any
  // minus sign up to `width` characters.
  void AppendNumber(std::int32_t value, int width);
  // Appends the text as "%-N.Ns" does with N = `width`: the bytes of `text` up to its first zero
  // byte, cut after `width` or filled with blanks on the right to `width`.
  void AppendField(const std::string& text, int width);

  const char* data() const { return data_; }
  std::size_t size() const { return size_; }

  // Writes the bytes onto the file's open stream. When the write fails (fewer bytes written, or
  // the stream's error indicator newly set), clears the stream's error and end-of-file indicators
  // and throws CFileException* (cause genericException, the C runtime's last operating-system
  // error, the file's path).
  void WriteTo(CHostTextFile& file) const;

 private:
  // Makes room for `more` bytes beyond those held.
  char* Grow(std::size_t more);

  static constexpr std::size_t kLocalRoom = 512;  // a full route slot is 320 bytes

  char local_[kLocalRoom];
  char* data_ = local_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kLocalRoom;
  std::string heap_;
};

// Appends the 19 characters of a name line's name field: the turnpoint's name cut or filled with
// blanks to 18 characters, then the marker byte 0xA0 when `withMarker` is asked and any of bits 8
// to 15 of its flags are set, otherwise a blank.
void AppendNameField(SlotText& slot, const FIO_TPEntry& tp, bool withMarker);

}  // namespace koordin
