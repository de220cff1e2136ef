// The system calls of the program's file routines, in one place, so that a test can make any
// one of them fail as a full disk, a failing device or a lost permission would. Outside tests
// each is the plain call. Only core/ uses them; everything else goes through core's routines.
#pragma once

#include <sys/types.h>

#include <functional>

namespace core::sys {

enum class Call { kOpen, kRead, kWrite, kFsync, kRename, kClose };

int Open(const char* path, int flags, mode_t mode = 0);
int MakeTemp(char* path_template);  // mkstemp, counted as kOpen
ssize_t Read(int fd, void* buffer, size_t size);
ssize_t Pread(int fd, void* buffer, size_t size, off_t offset);  // counted as kRead
ssize_t Write(int fd, const void* data, size_t size);
int Fsync(int fd);
int Rename(const char* from, const char* to);
int Close(int fd);

// For tests: before each call, `hook` is asked; a non-zero answer is an errno, and the call
// then fails with it without being made (a failed close still closes the descriptor). An
// empty hook makes every call again.
void SetFaultHook(std::function<int(Call)> hook);

}  // namespace core::sys
