// Test entry point. File permissions are part of what the tests check (a read-only data
// file, a folder that cannot be written), and root ignores them: run as an ordinary user.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (geteuid() == 0) {
    const gid_t nogroup = 65534;
    const uid_t nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(nobody) != 0) {
      std::fprintf(stderr, "tests: cannot leave root\n");
      return 1;
    }
    // Leaving root makes the process undumpable, which the leak checker needs.
    prctl(PR_SET_DUMPABLE, 1);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
