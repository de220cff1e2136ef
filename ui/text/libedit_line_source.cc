#include "ui/text/libedit_line_source.h"

#include <editline/readline.h>
#include <signal.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <deque>

namespace ui::text {
namespace {

// The pre-filled text is fed to libedit as if typed: text inserted before the line is read
// would be cleared by libedit when it starts the line. libedit takes each value this
// function returns as one wide character, so the terminal's bytes are decoded here too.
std::deque<wchar_t> g_prefill;
bool g_closed = false;                    // the input gave an end or an error
volatile sig_atomic_t g_interrupted = 0;  // Ctrl+C came (EndLineOnInterrupt)

void OnInterrupt(int) { g_interrupted = 1; }

int ReadChar(FILE* in) {
  if (!g_prefill.empty()) {
    wchar_t c = g_prefill.front();
    g_prefill.pop_front();
    return static_cast<int>(c);
  }
  std::mbstate_t state{};
  for (;;) {
    if (g_interrupted) {  // Ctrl+C: the line ends, the input stays open
      g_interrupted = 0;
      return -1;
    }
    int byte = std::fgetc(in);
    if (byte == EOF) {
      if (std::ferror(in) && errno == EINTR) {  // a signal (a resized window, Ctrl+C)
        std::clearerr(in);
        continue;
      }
      g_closed = true;
      return -1;
    }
    char ch = static_cast<char>(byte);
    wchar_t wc = 0;
    size_t n = std::mbrtowc(&wc, &ch, 1, &state);
    if (n == static_cast<size_t>(-2)) continue;  // more bytes of the character to come
    if (n == static_cast<size_t>(-1)) {          // not the locale's encoding: a lone byte
      state = std::mbstate_t{};
      return byte;
    }
    return static_cast<int>(wc);
  }
}

void QueuePrefill(const std::string& text) {
  g_prefill.clear();
  std::mbstate_t state{};
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    wchar_t wc = 0;
    size_t n = std::mbrtowc(&wc, p, static_cast<size_t>(end - p), &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
      state = std::mbstate_t{};
      wc = static_cast<unsigned char>(*p);
      n = 1;
    }
    if (n == 0) break;
    // A control character would act as an editing key: it is left out.
    if (wc >= 0x20 && wc != 0x7F) g_prefill.push_back(wc);
    p += n;
  }
}

}  // namespace

LibeditLineSource::LibeditLineSource() {
  std::setlocale(LC_CTYPE, "");
  rl_readline_name = "rinu";
  rl_getc_function = ReadChar;
  using_history();
}

LibeditLineSource::~LibeditLineSource() {
  g_prefill.clear();
  clear_history();
}

bool LibeditLineSource::Closed() const { return g_closed; }

void LibeditLineSource::EndLineOnInterrupt() {
  // No SA_RESTART: the read in ReadChar returns with EINTR and sees the flag.
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

std::optional<std::string> LibeditLineSource::ReadLine(const std::string& prompt,
                                                       const std::string& initial_text) {
  std::fflush(stdout);
  if (g_closed) return std::nullopt;
  QueuePrefill(initial_text);
  char* line = readline(prompt.c_str());
  g_prefill.clear();
  if (!line) {
    // The cursor is still after the prompt: what follows starts on a line of its own.
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return std::nullopt;
  }
  std::string text(line);
  std::free(line);
  if (!text.empty()) add_history(text.c_str());
  return text;
}

}  // namespace ui::text
