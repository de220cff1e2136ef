// Files as the program keeps them: opened by name, read as the Windows runtime's text mode
// reads them (CR LF becomes LF, a Ctrl-Z byte ends the file, a line longer than the read
// unit arrives in pieces), and written so that a failure never leaves half a line or half a
// file behind. Writers put CR LF themselves, so the files stay as they are on Windows.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace core {

// Reads a file piece by piece, as fgets with a buffer of unit + 1 bytes over a text-mode
// file would. A piece holds at most `unit` bytes counting its line break. A lone CR (one
// not followed by LF) is an ordinary byte.
class TextReader {
 public:
  TextReader() = default;
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // False when the file cannot be opened for reading (missing, no permission, a folder);
  // open_error() then says why (ENOENT when it is missing). With `ctrl_z_ends_file` false a
  // Ctrl-Z byte is an ordinary byte, for files the program writes and reads back itself.
  bool Open(const std::string& path, bool ctrl_z_ends_file = true);
  int open_error() const { return m_openError; }
  void Close();

  struct Piece {
    std::string_view text;  // the bytes before the line break, or the whole piece
    bool line_end = false;  // the piece ends with a line break (not part of `text`)
    size_t size() const { return text.size() + (line_end ? 1 : 0); }
  };
  // The next piece; false at the end of the file or on a read error. `piece->text` stays
  // valid until the next call.
  bool Next(size_t unit, Piece* piece);
  // The next piece as a string, with its line break as a single LF.
  bool ReadLine(size_t unit, std::string* line);
  // The next whole line, however long; valid as with Next.
  bool NextLine(Piece* piece);
  // True once a read failed (as opposed to the end of the file); read_error() says why.
  bool failed() const { return m_failed; }
  int read_error() const { return m_readError; }

 private:
  bool Fill(size_t wanted);

  int m_fd = -1;
  void Reserve(size_t cap);

  std::unique_ptr<char[]> m_buf;
  size_t m_cap = 0;
  size_t m_pos = 0;    // first unread byte
  size_t m_end = 0;    // end of the valid bytes
  bool m_eof = false;  // nothing more to read from the file
  bool m_failed = false;
  bool m_ctrlZEnds = true;
  int m_openError = 0;
  int m_readError = 0;
};

// The next piece of at most `unit` bytes at `start`, cut as a text-mode read cuts it: the
// bytes [start, start + avail) must hold unit + 2 bytes, or all that remain of the file.
// Returns how many of them the piece takes up (its CR LF included).
size_t CutTextPiece(const char* start, size_t avail, size_t unit, TextReader::Piece* piece);

// Writes all of `bytes` to `fd`; false on any write error.
bool WriteAll(int fd, std::string_view bytes);

// Appends `bytes` as one unit. When a write fails part-way (a full disk), the file is cut
// back to its former length, so no partial line stays.
enum class AppendResult { kOk, kOpenFailed, kWriteFailed };
AppendResult AppendToFile(const std::string& path, std::string_view bytes);
// As AppendToFile, for `line` that ends with its own CR LF: when the file's last byte is not
// a line break (a file edited by hand), CR LF goes first, so the line is never glued to
// the end of another.
AppendResult AppendLine(const std::string& path, std::string_view line);

// The one way a file is rewritten: the new content goes whole into a temporary file beside
// `path`, which is synced, given the old file's permissions and renamed over it, and then the
// folder is synced. So `path` is always either the old or the new file, after a crash too.
// Begin makes the temporary file; Commit puts it in place; anything else (an error, Abort,
// the destructor) removes it and leaves `path` alone.
class FileReplacement {
 public:
  // `temp_name` names the temporary file (made afresh, never through a link by that name);
  // empty gives a unique name "path.new-XXXXXX".
  explicit FileReplacement(std::string path, std::string temp_name = std::string());
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The descriptor to write the new content to, or -1 when the file could not be made.
  int Begin();
  // Syncs and closes the new file and renames it over `path`. False, with `path` untouched
  // and the temporary file gone, when a write was reported failed, the new file could not
  // be synced, or `path` exists but may not be written (read-only, a folder).
  bool Commit();
  // Tells Commit that the content is incomplete; it then only cleans up.
  void MarkFailed() { m_failed = true; }
  void Abort();

 private:
  std::string m_path;
  std::string m_temp;
  int m_fd = -1;
  bool m_failed = false;
};

// What tells one state of a file from another: a rewrite by rename gives a new inode, a
// change in place a new time of modification (and mostly a new size).
struct FileStamp {
  bool exists = false;  // false: no such file, or it cannot be looked at
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);
FileStamp StampOf(int fd);

// Reads the regular file `path` whole, as raw bytes, into the memory `place(size)` gives for
// the size the file has when opened (room for at least that many bytes). Sets `*read` to the
// bytes read and `*stamp` to the file they came from. False when `path` cannot be opened as a
// file or a read fails; a file that changes meanwhile is read as far as its first size.
bool ReadWholeFile(const std::string& path, const std::function<char*(size_t)>& place, size_t* read,
                   FileStamp* stamp);

// Writes `bytes` as the new content of `path` through a FileReplacement.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// A short Japanese (Shift-JIS) description of the system error `error`, with its name, for
// messages: "読み書きが許可されていません (EACCES)".
std::string ErrorText(int error);

// True when `path` is a file (not a folder) that can be opened for reading.
bool CanRead(const std::string& path);
// Deletes `path`; false when it could not (missing included).
bool RemoveFile(const std::string& path);
// Every LF becomes CR LF, as a text-mode write on Windows does.
std::string ToCrLf(std::string_view text);
// Every CR LF becomes LF.
std::string FromCrLf(std::string_view text);

}  // namespace core
