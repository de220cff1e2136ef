// ForgetScan: memory.dat as the forget operations read it. The file comes in pieces of at
// most kForgetReadUnit bytes, as a text-mode read gives them (CR LF becomes the line break,
// a Ctrl-Z ends the text, a longer line arrives in several pieces). Each piece says whether
// it is a comment and whether its keyword part occurs in the entered text. In copy mode the
// scan also writes the file byte for byte to another file as it reads, leaving out the lines
// it is told to drop, and keeps everything from a Ctrl-Z on.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class ForgetScan {
 public:
  // `keyword` is the entered text; it ends at its first NUL. `read_size` is the size of one
  // read from the file (small values only serve tests).
  explicit ForgetScan(std::string_view keyword, size_t read_size = 1 << 20);
  ~ForgetScan();
  ForgetScan(const ForgetScan&) = delete;
  ForgetScan& operator=(const ForgetScan&) = delete;

  // False when the file cannot be opened for reading.
  bool Open(const std::string& path);
  // From now on every byte read is also written to `fd` (borrowed), except dropped lines.
  // Call right after Open.
  void CopyTo(int fd);

  struct Piece {
    std::string_view text;  // the stored bytes before the line break
    bool line_end = false;  // the piece ends with a line break
    // A comment piece: the line as read starts with "/" and holds "//" anywhere, or it
    // continues a line whose first piece is a comment. Never listed, counted or matched.
    bool comment = false;
    bool matches = false;  // not a comment, and its keyword part occurs in the keyword
  };
  // The next piece; false at the end of the text or on a read error. `piece->text` stays
  // valid until the next call.
  bool Next(Piece* piece);
  // Leaves the line of the last piece out of the copy: all of its pieces, its line break
  // as stored, nothing else.
  void DropLine();
  // Copy mode: reads what is left and writes the rest of the file, everything after a Ctrl-Z
  // included. True when the whole file was read and every byte written.
  bool Finish();
  // True once a read failed (as opposed to the end of the file).
  bool failed() const { return m_readFailed; }

  // Appends the plain text of `piece` as the list shows it: read back (-3), up to its first
  // NUL, then its line break if it has one and nothing cut it short.
  static void AppendPlain(const Piece& piece, std::string* out);

 private:
  class Matcher;
  bool Fill();
  size_t ReadMore();
  void CompleteLine();
  void Write(size_t begin, size_t end);

  std::unique_ptr<Matcher> m_matcher;
  size_t m_readSize;
  int m_fd = -1;
  int m_out = -1;
  std::unique_ptr<char[]> m_buf;
  size_t m_cap = 0;
  size_t m_pos = 0;        // first byte not yet given as a piece
  size_t m_end = 0;        // end of the text read so far (a Ctrl-Z ends it)
  size_t m_rawEnd = 0;     // end of the bytes read (past a Ctrl-Z)
  size_t m_lineStart = 0;  // first byte of the current line; kept until the line ends
  size_t m_copyFrom = 0;   // first byte not yet written to the copy
  bool m_eof = false;      // no more text: end of file, a Ctrl-Z or a read error
  bool m_readFailed = false;
  bool m_writeFailed = false;
  bool m_lineEnded = false;    // the last piece ended its line
  bool m_dropping = false;     // the current line is left out of the copy
  bool m_lineComment = false;  // the current line's first piece is a comment
};
