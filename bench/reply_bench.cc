// reply_bench: how long one turn of the reply engine takes on a large memory.dat, next to a
// raw read of the same file, and how much memory the search needs.
//
// For 10,000, 100,000 and 1,000,000 records (and 10,000,000 with --huge) it writes
// memory.dat, boke.dat and no.dat in a temporary folder, then prints one line per size:
//   records=N bytes=B turn_ms=T first_ms=F append_ms=A raw_ms=R ratio=T/R peak_rss_mb=M
//   index_mb=I
// turn_ms is the median of MakeReply over 24 lines (three rounds); first_ms the first turn of
// a persona that has not read memory.dat yet; append_ms the median of nine turns, each right
// after another program appended one record to memory.dat; raw_ms the median of nine reads
// of the file from the page cache with read() into a 1 MiB buffer, nothing done with the
// bytes. peak_rss_mb is the high water mark of the process's resident memory while the engine
// ran: the files are written by a child process, and the mark is reset
// (/proc/self/clear_refs) before each size. index_mb is what the persona's index of
// memory.dat holds at the end.
//
// The records: keywords of 1 to 8 characters (Japanese, or ASCII letters), replies of 5 to
// 40. Each user line holds a chosen number (0 to 20) of planted keywords between filler
// characters. The other records' keywords each hold a character that no line has, so the
// number of matching records per line is known exactly; the bench checks it before timing.
// Many of those keywords share their first characters with the lines, so the search cannot
// turn them all down at the first byte.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/memory_index.h"
#include "core/persona.h"
#include "core/record_format.h"
#include "engine/reply_engine.h"
#include "settings/settings_store.h"
#include "ui/backend.h"

namespace {

// The bench's working folder of the size being measured.
std::string g_dir;
std::string At(const std::string& name) { return g_dir + "/" + name; }

// Boxes are counted and shown on standard error; nothing else of a window is needed.
// What the turns tell goes to stderr and is counted; no chat word asks anything here.
class BenchWords : public ReplyEngine::Words {
 public:
  void Tell(const std::string& text) override {
    ++boxes;
    std::fprintf(stderr, "reply_bench: message: %s\n", text.c_str());
  }
  core::Outcome LearnByDialog() override {
    return core::Outcome::Of(core::Outcome::Kind::kRefused);
  }
  core::Outcome ForgetByDialog() override {
    return core::Outcome::Of(core::Outcome::Kind::kRefused);
  }
  core::Outcome ForgetKeyword(const std::string&) override {
    return core::Outcome::Of(core::Outcome::Kind::kRefused);
  }
  int boxes = 0;
};

using Rng = std::mt19937_64;
using Chars = std::vector<std::string>;

std::string Char(int code) { return {static_cast<char>(code >> 8), static_cast<char>(code)}; }

// Double-byte characters whose trail byte is below 0x80, is no capital letter and none of
// the letters a-m: a line made of them never holds two of its bytes that make another
// character (case folded), nor one of the letters the other records use.
bool LineTrail(int t) {
  return t >= 0x40 && t <= 0x7E && !(t >= 0x41 && t <= 0x5A) && !(t >= 0x61 && t <= 0x6D);
}

struct Alphabets {
  Chars planted;   // kanji that only planted keywords and the lines use
  Chars filler;    // katakana between the keywords of a line; also in other keywords
  Chars other;     // kanji no line ever holds
  Chars hiragana;  // other keywords and replies
  Alphabets() {
    for (int lead = 0x89; lead <= 0x97; ++lead) {
      for (int t = 0x40; t <= 0xFC; ++t) {
        if (t == 0x7F) continue;
        if (t >= 0x4E && t <= 0x5A) continue;  // folds into a trail byte of the lines
        (LineTrail(t) ? planted : other).push_back(Char(lead << 8 | t));
      }
    }
    for (int t = 0x40; t <= 0x7E; ++t) {
      if (LineTrail(t)) filler.push_back(Char(0x8300 | t));
    }
    for (int t = 0x9F; t <= 0xF1; ++t) hiragana.push_back(Char(0x8200 | t));
  }
};

const std::string& Pick(Rng& rng, const Chars& chars) { return chars[rng() % chars.size()]; }

// Keyword length in characters: short ones are the most common.
int KeywordLength(Rng& rng) {
  static const int lengths[] = {1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 5, 5, 6, 6, 7, 8, 8};
  return lengths[rng() % std::size(lengths)];
}

std::string Letters(Rng& rng, int n, char first) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    char c = static_cast<char>(first + rng() % 13);
    s.push_back(rng() % 3 == 0 ? static_cast<char>(c - 0x20) : c);
  }
  return s;
}

// A keyword no line holds: ASCII from a-m, or Japanese with at least one kanji of `other`.
std::string OtherKeyword(Rng& rng, const Alphabets& a) {
  int n = KeywordLength(rng);
  if (rng() % 10 < 3) return Letters(rng, n, 'a');
  std::string k;
  int must = static_cast<int>(rng() % n);
  for (int i = 0; i < n; ++i) {
    int roll = static_cast<int>(rng() % 10);
    if (i == must || roll < 3) {
      k += Pick(rng, a.other);
    } else if (roll < 7) {
      k += Pick(rng, a.filler);  // shares bytes with the lines
    } else {
      k += Pick(rng, a.hiragana);
    }
  }
  return k;
}

std::string Reply(Rng& rng, const Alphabets& a) {
  static const char* ascii[] = {"!", "?", " ", "w", "OK", "NAME", "(^^)", "1", "2"};
  std::string r;
  for (int n = 5 + static_cast<int>(rng() % 36); n > 0; --n) {
    int roll = static_cast<int>(rng() % 20);
    if (roll < 12) {
      r += Pick(rng, a.hiragana);
    } else if (roll < 17) {
      r += Pick(rng, a.other);
    } else {
      r += ascii[rng() % std::size(ascii)];
    }
  }
  return r;
}

struct BenchLine {
  std::string text;
  int matches = 0;
};

// Writes the three data files and returns the user lines with their number of matches.
std::vector<BenchLine> Generate(int records, const char* lines_file) {
  Rng rng(static_cast<uint64_t>(records));
  Alphabets a;
  std::shuffle(a.planted.begin(), a.planted.end(), rng);
  // The first 60 planted kanji may stand in any planted keyword; each one after them
  // belongs to one keyword only, which a line therefore holds only when it holds all of it.
  size_t next_planted = 60;

  // The lines and their planted keywords.
  const int kLines = 24;
  std::vector<BenchLine> lines(kLines);
  std::vector<std::string> planted;
  for (int i = 0; i < kLines; ++i) {
    int want = (i * 5) % 21;
    std::string& text = lines[i].text;
    for (int f = 1 + static_cast<int>(rng() % 3); f > 0; --f) text += Pick(rng, a.filler);
    for (int k = 0; k < want; ++k) {
      std::string kw;
      if (rng() % 5 == 0) {
        // Long enough not to turn up by chance in another line's letters.
        kw = Letters(rng, 5 + static_cast<int>(rng() % 4), 'n');
        text += " " + kw + " ";
      } else {
        int n = KeywordLength(rng);
        int unique = static_cast<int>(rng() % n);
        for (int c = 0; c < n; ++c) {
          kw += c == unique ? a.planted[next_planted++]
                            : (rng() % 2 ? Pick(rng, a.filler) : a.planted[rng() % 60]);
        }
        text += kw;
        for (int f = static_cast<int>(rng() % 3); f > 0; --f) text += Pick(rng, a.filler);
      }
      planted.push_back(kw);
    }
  }
  for (BenchLine& line : lines) {
    for (const std::string& kw : planted) {
      if (FindNoCase(line.text.c_str(), kw.c_str())) ++line.matches;
    }
  }

  // memory.dat: a few comments, then the records with the planted ones among them.
  // One planted record in each stretch of records / planted.size(), at a random place.
  std::shuffle(planted.begin(), planted.end(), rng);
  const int stretch = records / static_cast<int>(planted.size());
  FILE* f = std::fopen(At("memory.dat").c_str(), "wb");
  if (!f) return {};
  std::string out = "// memory.dat of reply_bench\r\n// keyword %+% reply, shifted\r\n";
  size_t p = 0;
  int planted_at = static_cast<int>(rng() % stretch);
  for (int r = 0; r < records; ++r) {
    std::string plain;
    if (r == planted_at && p < planted.size()) {
      plain = planted[p++];
      planted_at = static_cast<int>(p) * stretch + static_cast<int>(rng() % stretch);
    } else {
      plain = OtherKeyword(rng, a);
    }
    plain += kRecordSeparator;
    plain += Reply(rng, a);
    out += StoredLine(plain);
    if (out.size() > (1 << 20)) {
      std::fwrite(out.data(), 1, out.size(), f);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);

  std::string boke, no;
  for (int i = 0; i < 30; ++i) boke += StoredLine(Reply(rng, a));
  for (int i = 0; i < 10; ++i) no += StoredLine(Reply(rng, a));
  std::ofstream(At("boke.dat"), std::ios::binary) << boke;
  std::ofstream(At("no.dat"), std::ios::binary) << no;
  std::ofstream list(At(lines_file), std::ios::binary);
  for (const BenchLine& line : lines) list << line.matches << ' ' << line.text << '\n';
  return lines;
}

std::vector<BenchLine> ReadLines(const char* lines_file) {
  std::vector<BenchLine> lines;
  std::ifstream in(lines_file, std::ios::binary);
  BenchLine line;
  while (in >> line.matches && in.get() == ' ' && std::getline(in, line.text)) {
    lines.push_back(line);
  }
  return lines;
}

// Monotonic milliseconds. (<chrono> cannot be used: the program's literals are code page
// 932, which has no sign for its "us" suffix.)
double NowMs() {
  timespec t;
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The raw read the search is held against: the file in 1 MiB blocks, nothing done with the
// bytes. Returns the bytes read, so a short read shows.
double RawReadMs(const std::string& path, long long* bytes_out) {
  static std::vector<char> buf(1 << 20);
  double start = NowMs();
  int fd = ::open(path.c_str(), O_RDONLY);
  long long bytes = 0;
  ssize_t n;
  while ((n = ::read(fd, buf.data(), buf.size())) > 0) bytes += n;
  ::close(fd);
  double ms = NowMs() - start;
  *bytes_out = bytes;
  return ms;
}

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long kb = -1;
  while (status >> key) {
    if (key == "VmHWM:") {
      status >> kb;
      break;
    }
    status.ignore(1 << 10, '\n');
  }
  return kb;
}

bool ResetPeakRss() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return clear.good();
}

bool RunSize(int records) {
  std::string folder = (std::filesystem::temp_directory_path() / "reply-bench-XXXXXX").string();
  if (!::mkdtemp(folder.data())) return false;
  g_dir = folder;
  const char* lines_file = "lines.txt";

  pid_t child = ::fork();
  if (child == 0) std::_Exit(Generate(records, lines_file).empty() ? 1 : 0);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || status != 0) return false;
  std::vector<BenchLine> lines = ReadLines(At(lines_file).c_str());
  ::unlink(At(lines_file).c_str());

  long long file_bytes = 0;
  RawReadMs(At("memory.dat"), &file_bytes);  // into the page cache
  if (!ResetPeakRss()) std::fprintf(stderr, "reply_bench: peak memory not reset\n");

  BenchWords backend;
  core::Persona persona(folder, 1);
  bool ok = true;
  {
    ConversationLog log(persona);
    ReplyEngine engine(persona, log);
    // A turn of the window: set.ini read once, then the engine; its time in ms.
    auto turn = [&](const BenchLine& line) {
      double start = NowMs();
      SettingsStore settings(persona);
      core::Outcome told;
      settings.Read(&told);
      engine.MakeReply(line.text, settings, backend);
      return NowMs() - start;
    };
    const double first_ms = turn(lines[0]);
    for (const BenchLine& line : lines) {
      int matched = engine.SearchMemory(line.text);
      if (matched != line.matches || matched > 20) {
        std::fprintf(stderr, "reply_bench: %d matches where %d were planted\n", matched,
                     line.matches);
        ok = false;
      }
    }
    std::vector<double> turns;
    for (int round = 0; round < 3; ++round) {
      for (const BenchLine& line : lines) turns.push_back(turn(line));
    }
    // Another program adds a record that no line calls up, then the persona answers.
    std::vector<double> after_append;
    const int builds = persona.memory_index().builds();
    for (int i = 0; i < 9; ++i) {
      const std::string record = StoredLine("\x89\x9f" + std::to_string(i) + "%+%bench");
      int fd = ::open(At("memory.dat").c_str(), O_WRONLY | O_APPEND);
      if (fd < 0 ||
          ::write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
        ok = false;
      if (fd >= 0) ::close(fd);
      after_append.push_back(turn(lines[static_cast<size_t>(i) % lines.size()]));
      if (persona.memory_index().builds() != builds) {
        std::fprintf(stderr, "reply_bench: the index was built anew after an append\n");
        ok = false;
      }
    }
    std::vector<double> reads;
    for (int i = 0; i < 9; ++i) reads.push_back(RawReadMs(At("memory.dat"), &file_bytes));
    if (file_bytes != static_cast<long long>(std::filesystem::file_size(At("memory.dat")))) {
      std::fprintf(stderr, "reply_bench: the raw read gave %lld bytes\n", file_bytes);
      ok = false;
    }
    double turn_ms = Median(turns), raw_ms = Median(reads);
    std::printf(
        "records=%d bytes=%lld turn_ms=%.3f first_ms=%.1f append_ms=%.3f raw_ms=%.3f ratio=%.2f "
        "peak_rss_mb=%.1f index_mb=%.1f\n",
        records, file_bytes, turn_ms, first_ms, Median(after_append), raw_ms, turn_ms / raw_ms,
        PeakRssKb() / 1024.0, persona.memory_index().MemoryBytes() / 1048576.0);
    std::fflush(stdout);
  }
  if (backend.boxes != 0) ok = false;
  std::filesystem::remove_all(folder);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  bool huge = argc == 2 && std::strcmp(argv[1], "--huge") == 0;
  if (argc > 2 || (argc == 2 && !huge)) {
    std::fprintf(stderr, "usage: reply_bench [--huge]\n");
    return 2;
  }
  bool ok = true;
  for (int records : {10000, 100000, 1000000}) ok = RunSize(records) && ok;
  if (huge) ok = RunSize(10000000) && ok;
  return ok ? 0 : 1;
}
