// Conversion between the program's Shift-JIS bytes (code page 932) and UTF-8, used only at
// the edges: the window backend's controls and the rinu-data tool. Nothing else in the
// program knows UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// True for a byte that starts a double-byte Shift-JIS character (0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(unsigned char c);

struct CodecResult {
  bool ok = false;
  std::string text;         // the converted text when ok
  size_t error_offset = 0;  // byte offset in the input of the offending character
  std::string error_char;   // that character as it stands in the input
  std::string reason;       // a short English explanation for tools and logs
};

// Fails at the first sequence that is not code page 932, or that has no form of its own in
// it (a duplicate code that would convert back to other bytes).
CodecResult SjisToUtf8(std::string_view sjis);
// Fails at the first invalid UTF-8 sequence or the first character code page 932 lacks.
// A character the code page holds only as a look-alike is taken as that look-alike: the wave
// dash U+301C becomes "～" (0x81 0x60), the yen sign U+00A5 becomes 0x5C.
CodecResult Utf8ToSjis(std::string_view utf8);
// As Utf8ToSjis, but also fails at such a look-alike, so that the result converts back to
// exactly `utf8`. For tools that must not change what they were given.
CodecResult Utf8ToSjisExact(std::string_view utf8);

// The longest prefix of `sjis` of at most `max_bytes` bytes that does not split a
// double-byte character.
std::string_view CutToBytes(std::string_view sjis, size_t max_bytes);

}  // namespace core
