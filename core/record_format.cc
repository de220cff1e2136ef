#include "core/record_format.h"

#include <cstring>

namespace {

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Two bytes match when they are equal or are the two cases of one ASCII letter.
bool SameNoCase(unsigned char a, unsigned char b) {
  return a == b || (IsAsciiLetter(a) && IsAsciiLetter(b) && (a ^ b) == 0x20);
}

}  // namespace

void SplitRecord(std::string& text, char part) {
  size_t sep = text.find(kRecordSeparator);
  if (sep == std::string::npos) return;
  if (part == RecordKeyword) {
    text.resize(sep);
  } else if (part == RecordReply) {
    size_t start = sep + kRecordSeparator.size();
    size_t end = text.find('\n', start);
    text = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  }
}

void ShiftLine(std::string& text, char direction) {
  int delta;
  if (direction == ShiftStore) {
    delta = 3;
  } else if (direction == ShiftRead) {
    delta = -3;
  } else {
    return;
  }
  for (char& c : text) {
    if (c == '\n' || c == '\0') break;
    c = static_cast<char>(static_cast<unsigned char>(c) + delta);
  }
}

void CutAtNul(std::string& text) {
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
}

const char* FindNoCase(const char* haystack, const char* needle) {
  for (const char* start = haystack; *start != '\0'; ++start) {
    const unsigned char* h = reinterpret_cast<const unsigned char*>(start);
    const unsigned char* n = reinterpret_cast<const unsigned char*>(needle);
    while (*h != 0 && *n != 0 && SameNoCase(*h, *n)) {
      ++h;
      ++n;
    }
    if (*n == 0) return start;
  }
  return nullptr;
}

int IsCommentLine(std::string_view stored_line) {
  return stored_line.size() >= 2 && stored_line[0] == '/' && stored_line[1] == '/' ? 1 : 0;
}

StoreProblem CheckStorable(std::string_view plain) {
  if (plain.size() >= 2 && plain[0] == ',' && plain[1] == ',') {
    return StoreProblem::kReadsAsComment;
  }
  for (char c : plain) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b == 0x07 || b == 0x17 || b == 0xFD) return StoreProblem::kBadByte;
    if (b == '\n' || b == '\0') return StoreProblem::kLineBreak;
  }
  if (plain.size() > kMaxRecordBytes) return StoreProblem::kTooLong;
  return StoreProblem::kNone;
}

std::string StoredLine(std::string_view plain) {
  std::string line(plain);
  ShiftLine(line, ShiftStore);
  line += "\r\n";
  return line;
}
