#include "core/folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "testing/work_folder.h"

namespace core {
namespace {

using Clock = std::chrono::steady_clock;

bool PathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

class FolderTest : public ::testing::Test {
 protected:
  ~FolderTest() override { testing_support::RemoveFolder(dir); }

  // Makes `name` in `folder` holding `bytes`, through the folder's own calls.
  static void Make(Folder& folder, const std::string& name, const std::string& bytes) {
    int fd = folder.Open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name;
    EXPECT_EQ(folder.Write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    EXPECT_EQ(folder.Close(fd), 0);
  }

  std::string dir = testing_support::MakeTempFolder();
};

TEST_F(FolderTest, CallsLandInTheFolderWhereverItIsMoved) {
  Folder folder(dir);
  ASSERT_TRUE(folder.ok());
  Make(folder, "a", "one");
  // The folder moves away under its path: every call still lands in it, by its descriptor.
  std::string moved = dir + ".moved";
  ASSERT_EQ(::rename(dir.c_str(), moved.c_str()), 0);
  std::swap(dir, moved);  // the fixture removes it where it is now
  Make(folder, "b", "two");
  EXPECT_TRUE(PathExists(dir + "/b"));
  EXPECT_FALSE(PathExists(moved));
  EXPECT_EQ(folder.Rename("a", "c"), 0);
  EXPECT_EQ(folder.Unlink("b"), 0);
  struct stat st;
  ASSERT_EQ(folder.Stat("c", &st), 0);
  EXPECT_EQ(st.st_size, 3);
  EXPECT_EQ(folder.Stat("a", &st), -1);
  EXPECT_EQ(errno, ENOENT);
  // Temporary files: new names of the prefix each time, private to the user.
  std::string first, second;
  int t1 = folder.MakeTemp("set.ini.", &first);
  int t2 = folder.MakeTemp("set.ini.", &second);
  ASSERT_GE(t1, 0);
  ASSERT_GE(t2, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind("set.ini.", 0), 0u);
  EXPECT_EQ(first.size(), std::string("set.ini.").size() + 6);
  ASSERT_EQ(folder.Stat(first, &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(folder.Close(t1), 0);
  EXPECT_EQ(folder.Close(t2), 0);
  EXPECT_EQ(folder.SyncFolder(), 0);
  std::vector<std::string> names;
  ASSERT_TRUE(folder.List(&names));
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = {"c", first, second};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);

  // A folder that is not there: every call fails, none touches the current folder.
  Folder missing(dir + "/no-such-folder");
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(missing.open_error(), ENOENT);
  EXPECT_EQ(missing.Open("c", O_RDONLY), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_FALSE(missing.List(&names));
  EXPECT_FALSE(missing.Lock());
  EXPECT_EQ(errno, EBADF);
}

TEST_F(FolderTest, LockNestsAndAnotherOpeningOfTheFolderWaitsForIt) {
  Folder first(dir), second(dir);  // two descriptors on one folder, as two programs hold
  EXPECT_EQ(first.lock_timeout_ms(), 2000);
  ASSERT_TRUE(first.Lock());
  ASSERT_TRUE(first.Lock());  // nested: only counted
  second.set_lock_timeout_ms(150);
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(second.Lock());
  EXPECT_EQ(errno, EWOULDBLOCK);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(150));
  EXPECT_LT(waited, std::chrono::milliseconds(1500));
  first.Unlock();  // still held once
  EXPECT_TRUE(first.locked());
  EXPECT_FALSE(second.Lock());
  first.Unlock();
  EXPECT_FALSE(first.locked());
  first.Unlock();  // one too many changes nothing
  {
    FolderLock held(second);
    EXPECT_TRUE(held.held());
    first.set_lock_timeout_ms(50);
    FolderLock refused(first);
    EXPECT_FALSE(refused.held());
  }
  // A holder that lets go while the other waits: the waiter gets the lock then.
  ASSERT_TRUE(second.Lock());
  std::thread holder([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    second.Unlock();
  });
  first.set_lock_timeout_ms(2000);
  const Clock::time_point asked = Clock::now();
  EXPECT_TRUE(first.Lock());
  EXPECT_GE(Clock::now() - asked, std::chrono::milliseconds(90));
  holder.join();
  first.Unlock();
}

TEST_F(FolderTest, FaultHookFailsOrHoldsTheCallsItIsGiven) {
  Folder folder(dir), other(dir);
  std::vector<std::pair<Call, std::string>> asked;
  folder.SetFaultHook([&](Call call, const std::string& name) {
    asked.emplace_back(call, name);
    if (call == Call::kWrite) return ENOSPC;
    if (call == Call::kRename && name == "to") return EXDEV;
    return (call == Call::kClose || call == Call::kLock || call == Call::kList) ? EIO : 0;
  });
  int fd = folder.Open("from", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(folder.Write(fd, "x", 1), -1);
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(folder.Close(fd), -1);  // failed, yet the descriptor is closed
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
  EXPECT_EQ(folder.Rename("from", "to"), -1);
  EXPECT_EQ(errno, EXDEV);
  EXPECT_EQ(folder.Rename("from", "elsewhere"), 0);
  EXPECT_FALSE(folder.Lock());
  EXPECT_EQ(errno, EIO);
  // The refused lock was never taken, and the other folder's seam is its own.
  EXPECT_TRUE(other.Lock());
  other.Unlock();
  std::vector<std::string> names = {"stale"};
  EXPECT_FALSE(folder.List(&names));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(asked, (std::vector<std::pair<Call, std::string>>{{Call::kOpen, "from"},
                                                              {Call::kWrite, ""},
                                                              {Call::kClose, ""},
                                                              {Call::kRename, "to"},
                                                              {Call::kRename, "elsewhere"},
                                                              {Call::kLock, ""},
                                                              {Call::kList, ""}}));
  struct stat st;
  EXPECT_EQ(other.Stat("elsewhere", &st), 0);
  EXPECT_EQ(st.st_size, 0);  // the failed write wrote nothing

  // A hook that waits holds the caller at that call until it lets go.
  std::atomic<bool> entered{false}, release{false};
  folder.SetFaultHook([&](Call call, const std::string&) {
    if (call != Call::kUnlink) return 0;
    entered = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  });
  std::thread caller([&] { EXPECT_EQ(folder.Unlink("elsewhere"), 0); });
  while (!entered) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(other.Stat("elsewhere", &st), 0);  // not yet removed
  release = true;
  caller.join();
  EXPECT_EQ(other.Stat("elsewhere", &st), -1);
  folder.SetFaultHook(nullptr);
  EXPECT_TRUE(folder.Lock());
  folder.Unlock();
}

}  // namespace
}  // namespace core
