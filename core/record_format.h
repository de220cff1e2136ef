// The record format of the data files memory.dat, boke.dat and no.dat, and the text
// functions every reader and writer of them uses. A memory record is keyword "%+%" reply;
// lines are stored with every byte before the line break shifted by +3 and end with CR LF.
// Everything here works on Shift-JIS bytes, not characters.
#pragma once

#include <string>
#include <string_view>

// Selector of SplitRecord.
constexpr char RecordKeyword = 0;
constexpr char RecordReply = 1;
// Direction of ShiftLine.
constexpr char ShiftStore = 0;  // +3, before a line is written
constexpr char ShiftRead = 1;   // -3, after a line is read

// The separator between keyword and reply.
constexpr std::string_view kRecordSeparator = "%+%";

// Read units of the readers, in bytes including the line break.
constexpr size_t kReplyReadUnit = 348;   // reply search, candidates, fallback and empty-line picks
constexpr size_t kForgetReadUnit = 349;  // forget listing and removal
constexpr size_t kCountReadUnit = 398;   // line count of boke.dat and no.dat

// Replaces `text` by its keyword (before the first "%+%") or its reply (after it, up to the
// first line break). A text without "%+%", or another selector, is left as it is. Works on
// all bytes of `text`; cut it with CutAtNul first where it stands for zero-terminated text.
void SplitRecord(std::string& text, char part);

// Shifts every byte before the first line break or NUL by +3 (ShiftStore) or -3
// (ShiftRead), modulo 256. Another direction leaves the text as it is. The text keeps its
// length: ShiftRead turns a stored 0x03 into a NUL inside it.
void ShiftLine(std::string& text, char direction);

// Cuts `text` at its first NUL. Readers hold lines as zero-terminated text, so a NUL read
// from a file, or made by ShiftRead, ends the line there.
void CutAtNul(std::string& text);

// The first position of `needle` in `haystack`, ASCII letters matched without regard to
// case, every other byte only itself; both end at their first NUL. Null when not found, and
// always for an empty haystack.
const char* FindNoCase(const char* haystack, const char* needle);

// The byte FindNoCase compares in place of `c`: an ASCII capital as its small letter, every
// other byte as it is. Two bytes match under FindNoCase exactly when their folds are equal.
constexpr unsigned char FoldNoCase(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 0x20) : c;
}

// 1 when the line as stored starts with "//" (a comment of memory.dat), else 0.
int IsCommentLine(std::string_view stored_line);

// Why a plain record cannot be stored so that it reads back as itself.
enum class StoreProblem {
  kNone,
  kBadByte,         // holds 0x07, 0x17 or 0xFD (shifted: a line break, an end of file, a NUL)
  kLineBreak,       // holds a line break or NUL of its own
  kReadsAsComment,  // starts with ",,", which is stored as "//"
  kTooLong,         // longer than kMaxRecordBytes: the reply search would read it in pieces
};
// The longest plain record that every reader takes whole, its line break in the same read.
constexpr size_t kMaxRecordBytes = kReplyReadUnit - 1;
// The first problem of `plain` as one line of memory.dat, or kNone.
StoreProblem CheckStorable(std::string_view plain);

// The stored form of one plain line: shifted, with CR LF. Check it with CheckStorable first.
std::string StoredLine(std::string_view plain);
