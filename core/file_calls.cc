#include "core/file_calls.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace core::sys {
namespace {

std::function<int(Call)>& Hook() {
  static std::function<int(Call)> hook;
  return hook;
}

// True when the call is to fail; errno is then set.
bool Injected(Call call) {
  if (!Hook()) return false;
  int error = Hook()(call);
  if (error == 0) return false;
  errno = error;
  return true;
}

}  // namespace

void SetFaultHook(std::function<int(Call)> hook) { Hook() = std::move(hook); }

int Open(const char* path, int flags, mode_t mode) {
  if (Injected(Call::kOpen)) return -1;
  return ::open(path, flags, mode);
}

int MakeTemp(char* path_template) {
  if (Injected(Call::kOpen)) return -1;
  int fd = ::mkstemp(path_template);
  if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
}

ssize_t Read(int fd, void* buffer, size_t size) {
  if (Injected(Call::kRead)) return -1;
  return ::read(fd, buffer, size);
}

ssize_t Pread(int fd, void* buffer, size_t size, off_t offset) {
  if (Injected(Call::kRead)) return -1;
  return ::pread(fd, buffer, size, offset);
}

ssize_t Write(int fd, const void* data, size_t size) {
  if (Injected(Call::kWrite)) return -1;
  return ::write(fd, data, size);
}

int Fsync(int fd) {
  if (Injected(Call::kFsync)) return -1;
  return ::fsync(fd);
}

int Rename(const char* from, const char* to) {
  if (Injected(Call::kRename)) return -1;
  return ::rename(from, to);
}

int Close(int fd) {
  if (Injected(Call::kClose)) {
    ::close(fd);
    errno = EIO;
    return -1;
  }
  return ::close(fd);
}

}  // namespace core::sys
