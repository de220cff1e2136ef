#include "core/text_codec.h"

#include <iconv.h>

#include <cstdio>
#include <unordered_map>

namespace core {
namespace {

// One iconv conversion of a short text; false when iconv refuses it.
bool Convert(const char* to, const char* from, std::string_view in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char buf[64];
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = buf;
  size_t dst_left = sizeof buf;
  size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
  bool ok = r != static_cast<size_t>(-1) && src_left == 0;
  if (ok) {
    // Flush any shift state.
    ok = iconv(cd, nullptr, nullptr, &dst, &dst_left) != static_cast<size_t>(-1);
  }
  iconv_close(cd);
  if (ok) out->assign(buf, sizeof buf - dst_left);
  return ok;
}

// Cached conversions of single characters; an empty string marks a refused one.
const std::string& DecodeChar(std::string_view sjis_char) {
  static std::unordered_map<std::string, std::string> cache;
  std::string key(sjis_char);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  std::string utf8;
  if (!Convert("UTF-8", "CP932", sjis_char, &utf8)) utf8.clear();
  return cache.emplace(key, utf8).first->second;
}

const std::string& EncodeChar(std::string_view utf8_char) {
  static std::unordered_map<std::string, std::string> cache;
  std::string key(utf8_char);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  std::string sjis;
  if (!Convert("CP932", "UTF-8", utf8_char, &sjis)) sjis.clear();
  return cache.emplace(key, sjis).first->second;
}

// Length of the UTF-8 sequence at the start of `s`, or 0 when it is not valid UTF-8.
size_t Utf8Length(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n;
  char32_t cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else
    return 0;
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    unsigned char t = static_cast<unsigned char>(s[i]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

std::string Hex(std::string_view bytes) {
  std::string out = "0x";
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X", c);
    out += b;
  }
  return out;
}

}  // namespace

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

CodecResult SjisToUtf8(std::string_view sjis) {
  CodecResult r;
  r.text.reserve(sjis.size() * 3 / 2);
  for (size_t i = 0; i < sjis.size();) {
    unsigned char c = static_cast<unsigned char>(sjis[i]);
    if (c < 0x80) {
      r.text.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t n = IsLeadByte(c) ? 2 : 1;
    std::string_view ch = sjis.substr(i, n);
    r.error_offset = i;
    r.error_char = std::string(ch);
    if (ch.size() < n) {
      r.reason = "a double-byte character is cut off at the end (" + Hex(ch) + ")";
      r.text.clear();
      return r;
    }
    const std::string& utf8 = DecodeChar(ch);
    if (utf8.empty()) {
      r.reason = "the bytes " + Hex(ch) + " are not a Shift-JIS (code page 932) character";
      r.text.clear();
      return r;
    }
    if (EncodeChar(utf8) != ch) {
      r.reason = "the bytes " + Hex(ch) + " are a duplicate code of " + Hex(EncodeChar(utf8)) +
                 " and would not be written back the same";
      r.text.clear();
      return r;
    }
    r.text += utf8;
    i += n;
  }
  r.ok = true;
  r.error_char.clear();
  r.error_offset = 0;
  return r;
}

namespace {

// "U+301C" for the UTF-8 character `ch` (valid, as Utf8Length checked).
std::string CodePoint(std::string_view ch) {
  if (ch.empty()) return "U+?";
  unsigned char c = static_cast<unsigned char>(ch[0]);
  char32_t cp = ch.size() == 1   ? c
                : ch.size() == 2 ? (c & 0x1F)
                : ch.size() == 3 ? (c & 0x0F)
                                 : (c & 0x07);
  for (size_t i = 1; i < ch.size(); ++i)
    cp = (cp << 6) | (static_cast<unsigned char>(ch[i]) & 0x3F);
  char b[16];
  std::snprintf(b, sizeof b, "U+%04X", static_cast<unsigned>(cp));
  return b;
}

CodecResult ToSjis(std::string_view utf8, bool exact) {
  CodecResult r;
  r.text.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      r.text.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t n = Utf8Length(utf8.substr(i));
    r.error_offset = i;
    if (n == 0) {
      r.error_char = std::string(utf8.substr(i, 1));
      r.reason = "invalid UTF-8 (byte " + Hex(r.error_char) + ")";
      r.text.clear();
      return r;
    }
    std::string_view ch = utf8.substr(i, n);
    r.error_char = std::string(ch);
    const std::string& sjis = EncodeChar(ch);
    if (sjis.empty()) {
      r.reason = "the character " + CodePoint(ch) + " (" + std::string(ch) +
                 ") has no Shift-JIS (code page 932) form";
      r.text.clear();
      return r;
    }
    if (exact) {
      // ASCII results never come from the decoder's table; 0x5C and 0x7E read back as
      // themselves.
      std::string back = static_cast<unsigned char>(sjis[0]) < 0x80 ? sjis : DecodeChar(sjis);
      if (back.empty()) back = "?";
      if (back != ch) {
        r.reason = "the character " + CodePoint(ch) + " (" + std::string(ch) +
                   ") would be stored as " + Hex(sjis) + " and read back as " + CodePoint(back) +
                   " (" + back + ")";
        r.text.clear();
        return r;
      }
    }
    r.text += sjis;
    i += n;
  }
  r.ok = true;
  r.error_char.clear();
  r.error_offset = 0;
  return r;
}

}  // namespace

CodecResult Utf8ToSjis(std::string_view utf8) { return ToSjis(utf8, false); }

CodecResult Utf8ToSjisExact(std::string_view utf8) { return ToSjis(utf8, true); }

std::string_view CutToBytes(std::string_view sjis, size_t max_bytes) {
  size_t i = 0;
  while (i < sjis.size()) {
    size_t n = IsLeadByte(static_cast<unsigned char>(sjis[i])) ? 2 : 1;
    if (i + n > max_bytes) break;
    i += n;
  }
  return sjis.substr(0, i > sjis.size() ? sjis.size() : i);
}

}  // namespace core
