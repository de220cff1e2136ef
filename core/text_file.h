// Files as the program keeps them: opened by name in a persona's folder, read as the Windows
// runtime's text mode reads them (CR LF becomes LF, a Ctrl-Z byte ends the file, a line longer than
// the read unit arrives in pieces), and written so that a failure never leaves half a line or half
// a file behind. Writers put CR LF themselves, so the files stay as they are on Windows.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/folder.h"

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

  // `folder` is borrowed and must outlive the reader (or its Close).
  // False when the file cannot be opened for reading (missing, no permission, a folder);
  // open_error() then says why (ENOENT when it is missing). With `ctrl_z_ends_file` false a
  // Ctrl-Z byte is an ordinary byte, for files the program writes and reads back itself.
  bool Open(Folder& folder, const std::string& name, bool ctrl_z_ends_file = true);
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

  void Reserve(size_t cap);

  Folder* m_folder = nullptr;
  int m_fd = -1;

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

// Writes all of `bytes` to `fd`, a file of `folder`; false on any write error.
bool WriteAll(Folder& folder, int fd, std::string_view bytes);

// Appends `bytes` as one unit, under the folder's lock (from the size check to the write
// and any cutting back). When a write fails part-way (a full disk), the file is cut back to
// its former length, so no partial line stays. kBusy: another writer held the lock too long;
// nothing was written.
enum class AppendResult { kOk, kOpenFailed, kWriteFailed, kBusy };
// What the user reads when a writer waited for the folder's lock too long: another program (a
// second Rinu++ on the same folder) kept writing. Nothing was changed.
inline constexpr const char* kFolderBusyMessage =
    "ほかのRinu++がこのフォルダーに書き込んでいるため、書き込めませんでした。\n"
    "何も変更していません。少し待ってからもう一度試してください。";
AppendResult AppendToFile(Folder& folder, const std::string& name, std::string_view bytes);
// As AppendToFile, for `line` that ends with its own CR LF: when the file's last byte is not
// a line break (a file edited by hand), CR LF goes first, so the line is never glued to
// the end of another.
AppendResult AppendLine(Folder& folder, const std::string& name, std::string_view line);

// The one way a file is rewritten: the new content goes whole into a temporary file of a
// unique name "name.new-XXXXXX" beside it, which is synced, given the old file's permissions
// and renamed over it, and then the folder is synced. So `name` is always either the old or
// the new file, after a crash too. Begin takes the folder's lock and makes the temporary
// file; Commit puts it in place; anything else (an error, Abort, the destructor) removes it
// and leaves `name` alone. The lock is held from Begin to the end of Commit or Abort; a
// caller that must check the file before the rewrite takes it first (it nests).
class FileReplacement {
 public:
  FileReplacement(Folder& folder, std::string name);
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The descriptor to write the new content to, or -1 when the file could not be made
  // (errno EWOULDBLOCK: another writer held the lock too long).
  int Begin();
  // Syncs and closes the new file and renames it over `name`. False, with `name` untouched
  // and the temporary file gone, when a write was reported failed, the new file could not
  // be synced, or `name` exists but may not be written (read-only, a folder).
  bool Commit();
  // Tells Commit that the content is incomplete; it then only cleans up.
  void MarkFailed() { m_failed = true; }
  void Abort();

  // The names its temporary files have, for the clean-up at start-up.
  static bool IsTemporaryName(const std::string& name);

 private:
  void Release();

  Folder& m_folder;
  std::string m_name;
  std::string m_temp;
  int m_fd = -1;
  bool m_failed = false;
  bool m_locked = false;
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
FileStamp StampOf(Folder& folder, const std::string& name);
FileStamp StampOf(int fd);

// Reads the regular file `name` whole, as raw bytes, into the memory `place(size)` gives for
// the size the file has when opened (room for at least that many bytes). Sets `*read` to the
// bytes read and `*stamp` to the file they came from. False when `name` cannot be opened as a
// file or a read fails; a file that changes meanwhile is read as far as its first size.
bool ReadWholeFile(Folder& folder, const std::string& name,
                   const std::function<char*(size_t)>& place, size_t* read, FileStamp* stamp);

// Writes `bytes` as the new content of `name` through a FileReplacement.
bool ReplaceFile(Folder& folder, const std::string& name, std::string_view bytes);

// A short Japanese (Shift-JIS) description of the system error `error`, with its name, for
// messages: "読み書きが許可されていません (EACCES)".
std::string ErrorText(int error);

// True when `name` is a file (not a folder) that can be opened for reading.
bool CanRead(Folder& folder, const std::string& name);
// Deletes `name`; false when it could not (missing included).
bool RemoveFile(Folder& folder, const std::string& name);
// Under the folder's lock, removes the copies that rewrites left behind when the program was
// killed: "tem.buf.temp" of earlier versions and every "*.new-XXXXXX". Only for start-up.
void RemoveLeftOverCopies(Folder& folder);
// Every LF becomes CR LF, as a text-mode write on Windows does.
std::string ToCrLf(std::string_view text);
// Every CR LF becomes LF.
std::string FromCrLf(std::string_view text);

}  // namespace core
