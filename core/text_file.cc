#include "core/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/persona_files.h"

namespace core {
namespace {

constexpr size_t kBlock = 1 << 20;
constexpr char kCtrlZ = 0x1A;

}  // namespace

bool WriteAll(Folder& folder, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = folder.Write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

TextReader::~TextReader() { Close(); }

bool TextReader::Open(Folder& folder, const std::string& name, bool ctrl_z_ends_file) {
  Close();
  m_folder = &folder;
  m_ctrlZEnds = ctrl_z_ends_file;
  // Non-blocking, so a named pipe in the file's place cannot hang the program; it is then
  // refused below like a folder.
  m_openError = 0;
  m_fd = folder.Open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (m_fd < 0) {
    m_openError = errno;
    return false;
  }
  struct stat st;
  if (::fstat(m_fd, &st) != 0) {
    m_openError = errno;
  } else if (S_ISDIR(st.st_mode)) {
    m_openError = EISDIR;
  } else if (!S_ISREG(st.st_mode)) {
    m_openError = ENXIO;
  } else if (::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    m_openError = errno;
  }
  if (m_openError != 0) {
    Close();
    return false;
  }
  // Room for the whole of a small file, a block of a large one; not filled in advance.
  size_t room =
      st.st_size < static_cast<off_t>(kBlock) ? static_cast<size_t>(st.st_size) + 1024 : kBlock;
  m_pos = m_end = 0;
  if (m_cap < room) Reserve(room);
  m_eof = m_failed = false;
  m_readError = 0;
  return true;
}

void TextReader::Close() {
  if (m_fd >= 0) m_folder->Close(m_fd);
  m_fd = -1;
}

void TextReader::Reserve(size_t cap) {
  auto bigger = std::make_unique_for_overwrite<char[]>(cap);
  if (m_end > 0) std::memcpy(bigger.get(), m_buf.get(), m_end);
  m_buf = std::move(bigger);
  m_cap = cap;
}

// Makes at least `wanted` unread bytes available, or all that remain.
bool TextReader::Fill(size_t wanted) {
  if (m_end - m_pos >= wanted || m_eof) return m_end > m_pos;
  if (m_pos > 0) {
    std::memmove(m_buf.get(), m_buf.get() + m_pos, m_end - m_pos);
    m_end -= m_pos;
    m_pos = 0;
  }
  if (m_cap < wanted) Reserve(wanted + kBlock);
  while (!m_eof && m_end < wanted) {
    ssize_t n = m_folder->Read(m_fd, m_buf.get() + m_end, m_cap - m_end);
    if (n < 0) {
      if (errno == EINTR) continue;
      m_readError = errno;
      m_failed = true;
      m_eof = true;
      break;
    }
    if (n == 0) {
      m_eof = true;
      break;
    }
    // A Ctrl-Z ends the file for a text-mode reader.
    const void* z =
        m_ctrlZEnds ? std::memchr(m_buf.get() + m_end, kCtrlZ, static_cast<size_t>(n)) : nullptr;
    if (z) {
      m_end = static_cast<size_t>(static_cast<const char*>(z) - m_buf.get());
      m_eof = true;
      break;
    }
    m_end += static_cast<size_t>(n);
  }
  return m_end > m_pos;
}

size_t CutTextPiece(const char* start, size_t avail, size_t unit, TextReader::Piece* piece) {
  // The line break, if it falls inside this piece: at most unit - 1 bytes of text before
  // it, plus one CR that the text mode drops.
  size_t scan = avail < unit + 1 ? avail : unit + 1;
  const char* lf = static_cast<const char*>(std::memchr(start, '\n', scan));
  if (lf) {
    size_t text_len = static_cast<size_t>(lf - start);
    size_t consumed = text_len + 1;
    if (text_len > 0 && start[text_len - 1] == '\r') --text_len;
    if (text_len + 1 <= unit) {
      piece->text = std::string_view(start, text_len);
      piece->line_end = true;
      return consumed;
    }
  }
  // No line break within the unit: a full piece of text. A CR at its end that the next
  // byte turns into a line break belongs to the next piece.
  size_t take = avail < unit ? avail : unit;
  if (take == unit && start[take - 1] == '\r' && take < avail && start[take] == '\n') --take;
  if (take == 0) {
    // Only "\r\n" left with unit 1: the line break alone.
    piece->text = std::string_view(start, 0);
    piece->line_end = true;
    return 2;
  }
  piece->text = std::string_view(start, take);
  piece->line_end = false;
  return take;
}

bool TextReader::Next(size_t unit, Piece* piece) {
  if (m_fd < 0 || unit == 0) return false;
  // Enough for a whole piece, its CR LF, and one byte to tell a CR LF from a lone CR.
  if (!Fill(unit + 2)) return false;
  m_pos += CutTextPiece(m_buf.get() + m_pos, m_end - m_pos, unit, piece);
  return true;
}

bool TextReader::ReadLine(size_t unit, std::string* line) {
  Piece piece;
  if (!Next(unit, &piece)) return false;
  line->assign(piece.text);
  if (piece.line_end) line->push_back('\n');
  return true;
}

bool TextReader::NextLine(Piece* piece) {
  if (m_fd < 0) return false;
  size_t scanned = 0;  // bytes after m_pos known to hold no LF
  for (;;) {
    if (!Fill(scanned + 1)) return false;
    const char* start = m_buf.get() + m_pos;
    size_t avail = m_end - m_pos;
    const char* lf = static_cast<const char*>(std::memchr(start + scanned, '\n', avail - scanned));
    if (lf) {
      size_t text_len = static_cast<size_t>(lf - start);
      m_pos += text_len + 1;
      if (text_len > 0 && start[text_len - 1] == '\r') --text_len;
      piece->text = std::string_view(start, text_len);
      piece->line_end = true;
      return true;
    }
    scanned = avail;
    if (m_eof) {
      // The last line, without a line break.
      piece->text = std::string_view(start, avail);
      piece->line_end = false;
      m_pos = m_end;
      return true;
    }
  }
}

namespace {

AppendResult Append(Folder& folder, const std::string& name, std::string_view bytes,
                    bool own_line) {
  // The lock keeps another writer's line out from the size seen here to the write (and any
  // cutting back), so neither the last-byte look nor the cut can meet half of another line.
  FolderLock lock(folder);
  if (!lock.held()) return AppendResult::kBusy;
  // Reading the last byte needs read access; a file that only allows writing is appended
  // to without that look.
  int fd = -1;
  if (own_line) fd = folder.Open(name, O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) {
    own_line = false;
    fd = folder.Open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  }
  if (fd < 0) return AppendResult::kOpenFailed;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    folder.Close(fd);
    return AppendResult::kOpenFailed;
  }
  off_t before = st.st_size;
  std::string joined;
  if (own_line && before > 0) {
    char last = '\n';
    if (folder.Pread(fd, &last, 1, before - 1) == 1 && last != '\n') {
      joined.reserve(bytes.size() + 2);
      joined = "\r\n";
      joined += bytes;
      bytes = joined;
    }
  }
  bool ok = WriteAll(folder, fd, bytes);
  if (!ok) {
    // Take back whatever part of the line reached the file (nothing more can be done if
    // even that fails).
    (void)!::ftruncate(fd, before);
  }
  if (folder.Close(fd) != 0) ok = false;
  return ok ? AppendResult::kOk : AppendResult::kWriteFailed;
}

}  // namespace

AppendResult AppendToFile(Folder& folder, const std::string& name, std::string_view bytes) {
  return Append(folder, name, bytes, false);
}

AppendResult AppendLine(Folder& folder, const std::string& name, std::string_view line) {
  return Append(folder, name, line, true);
}

namespace {
constexpr const char* kTempMark = ".new-";
constexpr const char* kOldCopyName = "tem.buf.temp";
}  // namespace

FileReplacement::FileReplacement(Folder& folder, std::string name)
    : m_folder(folder), m_name(std::move(name)) {}

FileReplacement::~FileReplacement() { Abort(); }

bool FileReplacement::IsTemporaryName(const std::string& name) {
  if (name == kOldCopyName) return true;
  // Only copies of the files the program rewrites: a user's own "x.new-123456" stays.
  for (const char* file : {kMemoryFile, kSettingsFile}) {
    std::string prefix = std::string(file) + kTempMark;
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
      return true;
  }
  return false;
}

int FileReplacement::Begin() {
  Abort();
  m_failed = false;
  if (!m_folder.Lock()) return -1;
  m_locked = true;
  m_fd = m_folder.MakeTemp(m_name + kTempMark, &m_temp);
  if (m_fd < 0) Release();
  return m_fd;
}

void FileReplacement::Release() {
  if (m_locked) m_folder.Unlock();
  m_locked = false;
}

void FileReplacement::Abort() {
  if (m_fd >= 0) {
    m_folder.Close(m_fd);
    m_fd = -1;
    m_folder.Unlink(m_temp);
  }
  Release();
}

bool FileReplacement::Commit() {
  if (m_fd < 0) return false;
  bool ok = !m_failed && m_folder.Fsync(m_fd) == 0;
  // The rename would replace even a read-only file: ask first whether it may be written,
  // and give the new file its permissions.
  mode_t mode = 0644;
  struct stat st;
  if (ok && m_folder.Stat(m_name, &st) == 0) {
    int probe = -1;
    ok = S_ISREG(st.st_mode) &&
         (probe = m_folder.Open(m_name, O_WRONLY | O_CLOEXEC | O_NONBLOCK)) >= 0;
    if (probe >= 0) m_folder.Close(probe);
    mode = st.st_mode & 07777;
  } else if (ok && errno != ENOENT) {
    ok = false;
  }
  ok = ok && ::fchmod(m_fd, mode) == 0;
  if (m_folder.Close(m_fd) != 0) ok = false;
  m_fd = -1;
  if (ok && m_folder.Rename(m_temp, m_name) != 0) ok = false;
  if (!ok) {
    m_folder.Unlink(m_temp);
  } else {
    (void)m_folder.SyncFolder();
  }
  Release();
  return ok;
}

void RemoveLeftOverCopies(Folder& folder) {
  FolderLock lock(folder);
  if (!lock.held()) return;  // another program is writing; its copies are not left over
  std::vector<std::string> names;
  if (!folder.List(&names)) return;
  for (const std::string& name : names) {
    if (FileReplacement::IsTemporaryName(name)) folder.Unlink(name);
  }
}

namespace {

FileStamp StampFrom(const struct stat& st) {
  return FileStamp{true, st.st_dev, st.st_ino, st.st_size,
                   int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

FileStamp StampOf(Folder& folder, const std::string& name) {
  struct stat st;
  return folder.Stat(name, &st) == 0 ? StampFrom(st) : FileStamp{};
}

FileStamp StampOf(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 ? StampFrom(st) : FileStamp{};
}

bool ReadWholeFile(Folder& folder, const std::string& name,
                   const std::function<char*(size_t)>& place, size_t* read, FileStamp* stamp) {
  *read = 0;
  *stamp = FileStamp{};
  // Non-blocking, so a named pipe in the file's place cannot hang the program.
  int fd = folder.Open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    *stamp = StampFrom(st);
    const size_t size = static_cast<size_t>(st.st_size);
    char* bytes = place(size);
    while (*read < size) {
      ssize_t n = folder.Read(fd, bytes + *read, size - *read);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      *read += static_cast<size_t>(n);
    }
  }
  folder.Close(fd);
  return ok;
}

bool ReplaceFile(Folder& folder, const std::string& name, std::string_view bytes) {
  FileReplacement replacement(folder, name);
  int fd = replacement.Begin();
  if (fd < 0) return false;
  if (!WriteAll(folder, fd, bytes)) replacement.MarkFailed();
  return replacement.Commit();
}

std::string ErrorText(int error) {
  const char* text;
  switch (error) {
    case ENOENT:
      text = "ファイルがありません";
      break;
    case EACCES:
    case EPERM:
      text = "読み書きが許可されていません";
      break;
    case EISDIR:
      text = "ファイルではなくフォルダーです";
      break;
    case ENXIO:
      text = "普通のファイルではありません";
      break;
    case EIO:
      text = "入出力エラーです";
      break;
    case ENOSPC:
    case EDQUOT:
      text = "ディスクがいっぱいです";
      break;
    case EROFS:
      text = "読み込み専用の場所です";
      break;
    case ELOOP:
      text = "リンクが多すぎます";
      break;
    case EMFILE:
    case ENFILE:
      text = "開いているファイルが多すぎます";
      break;
    default:
      text = "エラーです";
  }
  const char* name = ::strerrorname_np(error);
  return std::string(text) + " (" + (name ? name : "errno " + std::to_string(error)) + ")";
}

bool CanRead(Folder& folder, const std::string& name) {
  int fd = folder.Open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool file = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  folder.Close(fd);
  return file;
}

bool RemoveFile(Folder& folder, const std::string& name) { return folder.Unlink(name) == 0; }

std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

std::string FromCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace core
