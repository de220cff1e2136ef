// Folder: a persona's working folder, opened once on a path. Every file call of the program
// goes through it, relative to the folder's own descriptor (openat, renameat, unlinkat,
// fstatat), so nothing depends on the process's current folder and one process may hold
// several folders. Each folder has its own fault seam, so a test can make one folder's
// calls fail (or wait) while another works, and its own exclusive advisory lock, which every
// writer takes so that two programs on one folder lose nothing. Not copyable: it owns the
// descriptor.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace core {

enum class Call { kOpen, kRead, kWrite, kFsync, kRename, kClose, kUnlink, kStat, kLock, kList };

class Folder {
 public:
  // Opens `path` as a folder; ok() tells whether it could be, open_error() why not.
  explicit Folder(const std::string& path);
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  bool ok() const { return m_fd >= 0; }
  int open_error() const { return m_openError; }
  // The path it was opened on, and a file of it by that path (for the desktop's programs).
  const std::string& path() const { return m_path; }
  std::string PathOf(const std::string& name) const;

  // The calls, each as its system call relative to the folder; -1 with errno on failure.
  int Open(const std::string& name, int flags, mode_t mode = 0);
  // Makes a new file "`prefix`XXXXXX" (a unique name, never through a link) for writing;
  // its name goes to `*name`.
  int MakeTemp(const std::string& prefix, std::string* name);
  ssize_t Read(int fd, void* buffer, size_t size);
  ssize_t Pread(int fd, void* buffer, size_t size, off_t offset);  // counted as kRead
  ssize_t Write(int fd, const void* data, size_t size);
  int Fsync(int fd);
  int Close(int fd);  // a failed close still closes the descriptor
  int Rename(const std::string& from, const std::string& to);
  int Unlink(const std::string& name);
  int Stat(const std::string& name, struct stat* st);  // follows a link, as stat does
  // Syncs the folder itself, so a rename survives a crash.
  int SyncFolder();
  // The names in the folder (no "." or ".."); false when it cannot be read.
  bool List(std::vector<std::string>* names);

  // The folder's exclusive advisory lock (flock on the folder's descriptor, so no file is
  // made for it). Nested Lock calls of one Folder only count; the last Unlock lets go.
  // Lock waits at most lock_timeout_ms(); false (errno EWOULDBLOCK) when another holder
  // kept it that long. Two Folder objects on one path lock each other as two programs do.
  bool Lock();
  void Unlock();
  bool locked() const { return m_lockDepth > 0; }
  void set_lock_timeout_ms(int ms) { m_lockTimeoutMs = ms; }
  int lock_timeout_ms() const { return m_lockTimeoutMs; }

  // For tests: before each call `hook(call, name)` is asked (`name` is empty for calls on a
  // descriptor); a non-zero answer is an errno, and the call then fails with it without
  // being made. The hook may also wait, to hold this folder's caller at that call. An empty
  // hook makes every call again.
  using FaultHook = std::function<int(Call, const std::string& name)>;
  void SetFaultHook(FaultHook hook) { m_hook = std::move(hook); }

 private:
  // True when the call is to fail; errno is then set.
  bool Injected(Call call, const std::string& name = std::string());

  std::string m_path;
  int m_fd = -1;
  int m_openError = 0;
  int m_lockDepth = 0;
  int m_lockTimeoutMs = 2000;
  FaultHook m_hook;
};

// Holds `folder`'s lock for its life when it could be taken: held() says whether it was.
class FolderLock {
 public:
  explicit FolderLock(Folder& folder) : m_folder(folder), m_held(folder.Lock()) {}
  ~FolderLock() {
    if (m_held) m_folder.Unlock();
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return m_held; }

 private:
  Folder& m_folder;
  bool m_held;
};

}  // namespace core
