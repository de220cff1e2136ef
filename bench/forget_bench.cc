// forget_bench: how long forgetting one record from a memory.dat of 1,000,000 records takes,
// next to one plain copy of the same file in the same process.
//
// In a temporary folder it writes memory.dat, then runs five rounds. Each round puts the
// same file back in place, forgets the one record that the keyword calls up (the listing,
// entry 1 chosen from it, the rewrite and the rename), and
// times that as F; then it reads memory.dat whole and writes it whole to another file, and
// times that as C. It prints the medians:
//   records=N bytes=B forget_ms=F copy_ms=C ratio=F/C
// Before timing it checks that the listing had exactly one entry and that the new
// memory.dat is the old one without that record.
//
// The records: keywords of 1 to 8 katakana, replies of 5 to 40 characters (kana and ASCII).
// The keyword is hiragana, so only the one record planted with it matches; most records are
// turned down at their first byte, as most records are when a user forgets.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/persona.h"
#include "core/record_format.h"
#include "memory/word_memory.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kRounds = 5;
const std::string kKeyword = "ぴよぴよ";
const std::string kPlanted = "ぴよ%+%planted reply";

double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

std::string Char(int code) { return {static_cast<char>(code >> 8), static_cast<char>(code)}; }

// The bench's working folder; its files are named by bare name.
std::string g_dir;
std::string At(const char* name) { return g_dir + "/" + name; }

std::string ReadWhole(const char* name) {
  std::string bytes;
  int fd = ::open(At(name).c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
  }
  ::close(fd);
  return bytes;
}

bool WriteWhole(const char* name, const std::string& bytes) {
  int fd = ::open(At(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

// memory.dat with the planted record somewhere in the second half.
std::string MakeMemory() {
  std::mt19937_64 rng(2024);
  std::vector<std::string> katakana, reply_chars;
  for (int c = 0x8340; c <= 0x8393; ++c)
    if (c != 0x837F) katakana.push_back(Char(c));
  for (int c = 0x829F; c <= 0x82F1; ++c) reply_chars.push_back(Char(c));
  for (char c = 'a'; c <= 'z'; ++c) reply_chars.push_back(std::string(1, c));
  auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  std::string file;
  file.reserve(static_cast<size_t>(kRecords) * 64);
  const int planted_at = kRecords / 2 + static_cast<int>(rng() % (kRecords / 2));
  std::string record;
  for (int i = 0; i < kRecords; ++i) {
    if (i == planted_at) {
      file += StoredLine(kPlanted);
      continue;
    }
    record.clear();
    for (int k = 1 + static_cast<int>(rng() % 8); k > 0; --k) record += pick(katakana);
    record += kRecordSeparator;
    for (int k = 5 + static_cast<int>(rng() % 36); k > 0; --k) record += pick(reply_chars);
    file += StoredLine(record);
  }
  return file;
}

}  // namespace

int main() {
  std::string folder = std::filesystem::temp_directory_path().string() + "/forget-bench-XXXXXX";
  if (!mkdtemp(folder.data())) {
    std::perror("forget_bench: temporary folder");
    return 1;
  }
  g_dir = folder;
  core::Persona persona(folder);

  const std::string original = MakeMemory();
  std::string expected = original;
  const std::string planted = StoredLine(kPlanted);
  expected.erase(expected.find(planted), planted.size());

  std::vector<double> forget_ms, copy_ms;
  bool ok = true;
  for (int round = 0; round < kRounds && ok; ++round) {
    if (!WriteWhole("memory.dat", original)) {
      std::fprintf(stderr, "forget_bench: cannot write memory.dat\n");
      ok = false;
      break;
    }
    double start = NowMs();
    bool forgot;
    std::string listed;
    {
      WordMemory memory(persona);
      forgot = memory.List(kKeyword).done();
      listed = memory.matches();
      forgot = forgot && memory.ForgetChosen(1).done();
    }
    forget_ms.push_back(NowMs() - start);
    if (!forgot || listed != "1 : " + kPlanted + "\r\n" || ReadWhole("memory.dat") != expected) {
      std::fprintf(stderr, "forget_bench: the forget did not remove exactly the one record\n");
      ok = false;
    }

    start = NowMs();
    std::string bytes = ReadWhole("memory.dat");
    bool copied = WriteWhole("copy.out", bytes);
    copy_ms.push_back(NowMs() - start);
    if (!copied || bytes.size() != expected.size()) ok = false;
    ::unlink(At("copy.out").c_str());
  }
  ::unlink(At("memory.dat").c_str());
  if (::rmdir(folder.c_str()) != 0) std::perror("forget_bench: clean-up");
  if (!ok) return 1;

  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  double f = median(forget_ms), c = median(copy_ms);
  std::printf("records=%d bytes=%zu forget_ms=%.1f copy_ms=%.1f ratio=%.2f\n", kRecords,
              original.size(), f, c, f / c);
  return 0;
}
