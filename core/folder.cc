#include "core/folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace core {

Folder::Folder(const std::string& path) : m_path(path.empty() ? "." : path) {
  m_fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (m_fd < 0) m_openError = errno;
}

Folder::~Folder() {
  if (m_fd >= 0) ::close(m_fd);
}

std::string Folder::PathOf(const std::string& name) const {
  if (m_path == ".") return name;
  return m_path.back() == '/' ? m_path + name : m_path + "/" + name;
}

bool Folder::Injected(Call call, const std::string& name) {
  if (!m_hook) return false;
  int error = m_hook(call, name);
  if (error == 0) return false;
  errno = error;
  return true;
}

int Folder::Open(const std::string& name, int flags, mode_t mode) {
  if (Injected(Call::kOpen, name)) return -1;
  return ::openat(m_fd, name.c_str(), flags, mode);
}

int Folder::MakeTemp(const std::string& prefix, std::string* name) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char bytes[6];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
      // Without the kernel's randomness, the time and the attempt still vary the name.
      auto now = std::chrono::steady_clock::now().time_since_epoch().count();
      for (size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = static_cast<unsigned char>(now >> (i * 5));
      bytes[0] = static_cast<unsigned char>(bytes[0] + attempt);
    }
    *name = prefix;
    for (unsigned char b : bytes) name->push_back(kLetters[b % (sizeof kLetters - 1)]);
    int fd = Open(*name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

ssize_t Folder::Read(int fd, void* buffer, size_t size) {
  if (Injected(Call::kRead)) return -1;
  return ::read(fd, buffer, size);
}

ssize_t Folder::Pread(int fd, void* buffer, size_t size, off_t offset) {
  if (Injected(Call::kRead)) return -1;
  return ::pread(fd, buffer, size, offset);
}

ssize_t Folder::Write(int fd, const void* data, size_t size) {
  if (Injected(Call::kWrite)) return -1;
  return ::write(fd, data, size);
}

int Folder::Fsync(int fd) {
  if (Injected(Call::kFsync)) return -1;
  return ::fsync(fd);
}

int Folder::Close(int fd) {
  if (Injected(Call::kClose)) {
    ::close(fd);
    errno = EIO;
    return -1;
  }
  return ::close(fd);
}

int Folder::Rename(const std::string& from, const std::string& to) {
  if (Injected(Call::kRename, to)) return -1;
  return ::renameat(m_fd, from.c_str(), m_fd, to.c_str());
}

int Folder::Unlink(const std::string& name) {
  if (Injected(Call::kUnlink, name)) return -1;
  return ::unlinkat(m_fd, name.c_str(), 0);
}

int Folder::Stat(const std::string& name, struct stat* st) {
  if (Injected(Call::kStat, name)) return -1;
  return ::fstatat(m_fd, name.c_str(), st, 0);
}

int Folder::SyncFolder() {
  if (Injected(Call::kFsync)) return -1;
  return ::fsync(m_fd);
}

bool Folder::List(std::vector<std::string>* names) {
  names->clear();
  if (Injected(Call::kList)) return false;
  int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  while (struct dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(std::move(name));
  }
  ::closedir(dir);
  return true;
}

bool Folder::Lock() {
  if (m_lockDepth > 0) {
    ++m_lockDepth;
    return true;
  }
  if (Injected(Call::kLock)) return false;
  if (m_fd < 0) {
    errno = EBADF;
    return false;
  }
  // Polled rather than waited for, so that a holder that never lets go costs the user no
  // more than the timeout.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_lockTimeoutMs);
  for (;;) {
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
      m_lockDepth = 1;
      return true;
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return false;
    if (std::chrono::steady_clock::now() >= deadline) {
      errno = EWOULDBLOCK;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void Folder::Unlock() {
  if (m_lockDepth == 0) return;
  if (--m_lockDepth == 0) ::flock(m_fd, LOCK_UN);
}

}  // namespace core
