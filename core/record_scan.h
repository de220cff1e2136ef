// RecordScan: memory.dat as the reply search and the forget operations read it, with the one
// record matcher. The file comes in pieces of at most one read unit, as a text-mode read
// gives them (CR LF becomes the line break, a Ctrl-Z ends the text, a longer line arrives in
// several pieces); each piece says whether it is a comment and whether its keyword occurs in
// the given text. In copy mode the scan also writes the file byte for byte to another file as
// it reads, leaving out the lines it is told to drop, and keeps everything from a Ctrl-Z on.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/folder.h"
#include "core/record_format.h"

namespace core {

// Which pieces are comments: never listed, counted or matched.
enum class CommentRule {
  // The piece as stored starts with "//". Each piece of a long line is judged alone.
  kPieceStartsWithSlashes,
  // The piece as stored starts with "/" and holds "//" before its first NUL; every piece of
  // a line whose first piece is a comment is one too.
  kLineStartsWithSlashHoldsSlashes,
};

// What one use of the scan reads and skips. The two uses differ only in these.
struct ScanRules {
  size_t read_unit;  // bytes of one piece at most, its line break included
  CommentRule comment;
  // False: a piece that is empty or starts with NUL is passed over unmatched. True: it is
  // matched like any other (its keyword is then the line break alone, or empty).
  bool empty_piece_is_record;
};

// The reply search: reads of 348 bytes, "//" comments, empty pieces passed over.
inline constexpr ScanRules kReplySearchRules{kReplyReadUnit, CommentRule::kPieceStartsWithSlashes,
                                             false};
// The forget listing and removal: reads of 349 bytes, the wider comment, empty pieces matched.
inline constexpr ScanRules kForgetRules{kForgetReadUnit,
                                        CommentRule::kLineStartsWithSlashHoldsSlashes, true};

class RecordScan {
 public:
  // `text` is what the keywords are looked for in (the user's line, the entered keyword);
  // it ends at its first NUL, and an empty text matches nothing. `read_size` is the size of
  // one read from the file (small values only serve tests).
  RecordScan(std::string_view text, const ScanRules& rules, size_t read_size = 1 << 18);
  ~RecordScan();
  RecordScan(const RecordScan&) = delete;
  RecordScan& operator=(const RecordScan&) = delete;

  // False when the file cannot be opened for reading (missing, no permission, not a file).
  bool Open(Folder& folder, const std::string& name);
  // From now on every byte read is also written to `fd` (borrowed), except dropped lines.
  // Call right after Open.
  void CopyTo(int fd);

  struct Piece {
    std::string_view text;  // the stored bytes before the line break
    bool line_end = false;  // the piece ends with a line break
    bool comment = false;   // a comment by the rules' comment rule
    // Not a comment, not passed over as empty, and its keyword occurs in the text. The
    // keyword is the plain text (read back, -3) before its first "%+%", or all of it (with
    // the line break, when the piece has one and no NUL cut it short) when there is none.
    // Read back, a stored 0x03 is a NUL and ends the plain text. ASCII letters match
    // without regard to case, every other byte only itself.
    bool matches = false;
  };
  // The next piece; false at the end of the text or on a read error. `piece->text` stays
  // valid until the next call.
  bool Next(Piece* piece);
  // The next piece that matches, as Next would give it; false when none is left.
  bool NextMatch(Piece* piece);
  // Leaves the line of the last piece out of the copy: all of its pieces, its line break
  // as stored, nothing else.
  void DropLine();
  // Reads what is left; in copy mode writes the rest of the file, everything after a
  // Ctrl-Z included. True when the whole file was read and every byte written.
  bool Finish();
  // True once a read failed (as opposed to the end of the file).
  bool failed() const { return m_readFailed; }

  // Appends the plain text of `piece`: read back (-3), up to its first NUL, then its line
  // break if it has one and nothing cut it short.
  static void AppendPlain(const Piece& piece, std::string* out);

  // Where the keyword of a piece ends, as the matcher reads it: its first `stored_size`
  // stored bytes (read back and folded), then a line break when `with_break`.
  struct Keyword {
    size_t stored_size = 0;
    bool with_break = false;
    size_t size() const { return stored_size + (with_break ? 1 : 0); }
  };
  // `text` is the piece as stored, without its line break.
  static Keyword KeywordOf(std::string_view text, bool line_end);
  // The byte a stored keyword byte is compared as: read back (-3) and folded.
  static unsigned char ReadBackFolded(unsigned char stored) {
    return FoldNoCase(static_cast<unsigned char>(stored - 3));
  }

 private:
  class Matcher;
  bool Fill();
  size_t ReadMore();
  void CompleteLine();
  void SkipLinesThatCannotMatch();
  void Write(size_t begin, size_t end);

  ScanRules m_rules;
  std::unique_ptr<Matcher> m_matcher;
  size_t m_readSize;
  Folder* m_folder = nullptr;
  int m_fd = -1;
  int m_out = -1;
  std::unique_ptr<char[]> m_buf;
  size_t m_cap = 0;
  size_t m_pos = 0;        // first byte not yet given as a piece
  size_t m_end = 0;        // end of the text read so far (a Ctrl-Z ends it)
  size_t m_rawEnd = 0;     // end of the bytes read (past a Ctrl-Z)
  size_t m_lineStart = 0;  // copy mode: first byte of the current line, kept until it ends
  size_t m_copyFrom = 0;   // first byte not yet written to the copy
  bool m_eof = false;      // no more text: end of file, a Ctrl-Z or a read error
  bool m_readFailed = false;
  bool m_writeFailed = false;
  bool m_lineEnded = false;    // the last piece ended its line
  bool m_atLineStart = true;   // the next piece starts a line
  bool m_dropping = false;     // the current line is left out of the copy
  bool m_lineComment = false;  // the current line's first piece is a comment
};

}  // namespace core
