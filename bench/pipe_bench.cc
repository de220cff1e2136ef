// pipe_bench: 10,000 lines through the real `rinu --pipe FOLDER`, run as a subprocess, on a
// memory.dat of 100,000 records. Prints
//   lines=N records=R pipe_ms=T per_line_ms=P
// T is the wall time from starting the program to its end (all lines written by a second
// thread, every reply line read), so it holds the start-up, the whole conversation and the
// farewell. The bench checks that each line got exactly one reply line.
//
// The records: keywords of 2 to 4 hiragana, replies of 5 to 20 hiragana; the lines are 6 to
// 12 hiragana, so a line calls up a few hundred records through its two-character keywords.
// set.ini names Taro and Mio and keeps no log.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/record_format.h"
#include "core/text_codec.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kLines = 10000;

using Rng = std::mt19937_64;

// One of the 83 hiragana of Shift-JIS (0x829F to 0x82F1).
std::string Hiragana(Rng& rng) {
  int trail = 0x9F + static_cast<int>(rng() % 83);
  return {static_cast<char>(0x82), static_cast<char>(trail)};
}
std::string Word(Rng& rng, int min, int max) {
  int n = min + static_cast<int>(rng() % static_cast<unsigned>(max - min + 1));
  std::string w;
  for (int i = 0; i < n; ++i) w += Hiragana(rng);
  return w;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  char tmpl[] = "/tmp/pipe_bench-XXXXXX";
  if (!mkdtemp(tmpl)) {
    std::perror("pipe_bench: mkdtemp");
    return 1;
  }
  const std::string dir = tmpl;
  Rng rng(20261208);
  std::string memory = "// memory.dat of pipe_bench\r\n";
  for (int r = 0; r < kRecords; ++r)
    memory += StoredLine(Word(rng, 2, 4) + "%+%" + Word(rng, 5, 20));
  std::string boke, no;
  for (int i = 0; i < 20; ++i) boke += StoredLine(Word(rng, 5, 15));
  for (int i = 0; i < 5; ++i) no += StoredLine(Word(rng, 5, 15));
  if (!WriteFile(dir + "/memory.dat", memory) || !WriteFile(dir + "/boke.dat", boke) ||
      !WriteFile(dir + "/no.dat", no) ||
      !WriteFile(dir + "/set.ini", "YourName:Taro\r\nRinuName:Mio\r\n0\r\n")) {
    std::fprintf(stderr, "pipe_bench: cannot write the data files in %s\n", dir.c_str());
    return 1;
  }
  std::string input;
  for (int i = 0; i < kLines; ++i) input += core::SjisToUtf8(Word(rng, 6, 12)).text + "\n";

  int to_child[2], from_child[2];
  if (pipe(to_child) != 0 || pipe(from_child) != 0) {
    std::perror("pipe_bench: pipe");
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(to_child[0], 0);
    dup2(from_child[1], 1);
    close(to_child[0]);
    close(to_child[1]);
    close(from_child[0]);
    close(from_child[1]);
    execl(RINU_BINARY, RINU_BINARY, "--pipe", dir.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(to_child[0]);
  close(from_child[1]);
  std::thread writer([&] {
    size_t done = 0;
    while (done < input.size()) {
      ssize_t n = write(to_child[1], input.data() + done, input.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(to_child[1]);
  });
  long replies = 0;
  char buf[65536];
  for (;;) {
    ssize_t n = read(from_child[0], buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) replies += buf[i] == '\n';
  }
  writer.join();
  int status = 0;
  waitpid(pid, &status, 0);
  double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  close(from_child[0]);
  std::filesystem::remove_all(dir);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || replies != kLines) {
    std::fprintf(stderr, "pipe_bench: the program ended with status %d after %ld reply lines\n",
                 WIFEXITED(status) ? WEXITSTATUS(status) : -1, replies);
    return 1;
  }
  std::printf("lines=%d records=%d pipe_ms=%.0f per_line_ms=%.3f\n", kLines, kRecords, ms,
              ms / kLines);
  return 0;
}
