// rinu-duet: two personas talk, without a window. Each folder must be a working folder that
// Rinu++ has been started in (its set.ini and data files): the persona of FOLDER_A answers
// first. The duet is printed to standard output as UTF-8, one "nickname> line" a line; each
// persona learns and logs as in the program's duet window. A refused folder (by the path
// given, with the reason, in one line), a message of either persona (a file that could not be
// written) and a stop go to standard error.
//
//   rinu-duet FOLDER_A FOLDER_B [--exchanges N] [--first LINE] [--seed S]
//
// Exit status: 0 when the duet ran to its end, 1 when a folder was refused or the duet
// stopped on a file, 2 for a wrong command line.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/dialog_user.h"
#include "chat/duet.h"
#include "core/persona.h"
#include "core/text_codec.h"
#include "ui/backend.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxExchanges = 1000;

constexpr const char* kUsage =
    "usage: rinu-duet FOLDER_A FOLDER_B [--exchanges N] [--first LINE] [--seed S]\n"
    "  --exchanges N  lines said in answer, 1 to 1000 (default 20)\n"
    "  --first LINE   B's opening line (UTF-8); without it A opens\n"
    "  --seed S       seeds A's random source with S and B's with S+1\n";

// Program text (Shift-JIS) as UTF-8 for the terminal; bytes that are no Shift-JIS pass as
// they are.
std::string Utf8(const std::string& sjis) {
  core::CodecResult r = core::SjisToUtf8(sjis);
  return r.ok ? r.text : sjis;
}

// No windows: a message box goes to standard error, a question is answered Cancel.
class StderrBackend : public ui::Backend {
 public:
  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog&) override { return nullptr; }
  void MessageBox(const std::string& text) override {
    std::fprintf(stderr, "rinu-duet: %s\n", Utf8(text).c_str());
  }
  bool ShellOpen(const std::string&) override { return false; }
};

// A whole decimal number in [min, max].
std::optional<long long> Number(const char* text, long long min, long long max) {
  if (!*text) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < min || value > max) return std::nullopt;
  return value;
}

int Usage(const char* problem) {
  std::fprintf(stderr, "rinu-duet: %s\n%s", problem, kUsage);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folders[2];
  int folder_count = 0;
  int exchanges = 20;
  std::string first;
  std::optional<uint32_t> seed;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--exchanges" || arg == "--first" || arg == "--seed") {
      if (i + 1 >= argc) return Usage((arg + " needs a value").c_str());
      const char* value = argv[++i];
      if (arg == "--exchanges") {
        std::optional<long long> n = Number(value, 1, kMaxExchanges);
        if (!n) return Usage("--exchanges takes a number from 1 to 1000");
        exchanges = static_cast<int>(*n);
      } else if (arg == "--seed") {
        std::optional<long long> n = Number(value, 0, UINT32_MAX);
        if (!n) return Usage("--seed takes a number from 0 to 4294967295");
        seed = static_cast<uint32_t>(*n);
      } else {
        core::CodecResult sjis = core::Utf8ToSjis(value);
        if (!sjis.ok) return Usage(("--first: " + sjis.reason).c_str());
        if (sjis.text.find_first_of("\r\n") != std::string::npos)
          return Usage("--first takes one line");
        first = sjis.text;
      }
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') return Usage(("unknown option " + arg).c_str());
    if (folder_count == 2) return Usage("more than two folders");
    folders[folder_count++] = arg;
  }
  if (folder_count != 2) return Usage("two folders are needed");

  StderrBackend backend;
  DialogUser user(backend);
  std::unique_ptr<core::Persona> a, b;
  if (seed) {
    a = std::make_unique<core::Persona>(folders[0], *seed);
    b = std::make_unique<core::Persona>(folders[1], *seed + 1);
  } else {
    a = std::make_unique<core::Persona>(folders[0]);
    b = std::make_unique<core::Persona>(folders[1]);
  }
  chat::Duet duet(*a, *b, user);
  const std::string refused = duet.Open();
  if (!refused.empty()) {
    // The folder by the path the user typed, in one line.
    const std::string& path = folders[duet.refused_side() == 0 ? 0 : 1];
    std::fprintf(stderr, "rinu-duet: %s: %s\n", path.c_str(), Utf8(duet.refused_reason()).c_str());
    return kExitRefused;
  }
  bool ok = duet.Begin(first);
  if (ok && !first.empty())
    std::printf("%s> %s\n", Utf8(duet.NicknameB()).c_str(), Utf8(first).c_str());
  std::string speaker, line;
  for (int said = 0; ok && said < exchanges && !duet.stopped(); ++said) {
    if (!duet.Step(&speaker, &line)) break;
    std::printf("%s> %s\n", Utf8(speaker).c_str(), Utf8(line).c_str());
    std::fflush(stdout);
  }
  duet.End();
  if (!duet.failure().empty()) {
    std::fprintf(stderr, "rinu-duet: %s\n", Utf8(duet.failure()).c_str());
    return kExitRefused;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "rinu-duet: cannot write to standard output\n");
    return kExitRefused;
  }
  return 0;
}
