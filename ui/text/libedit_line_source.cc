#include "ui/text/libedit_line_source.h"

#include <editline/readline.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace ui::text {
namespace {

std::string g_prefill;  // the text rl_startup_hook puts on the next line

int InsertPrefill() {
  if (!g_prefill.empty()) rl_insert_text(g_prefill.c_str());
  g_prefill.clear();
  return 0;
}

}  // namespace

LibeditLineSource::LibeditLineSource() {
  std::setlocale(LC_CTYPE, "");
  rl_readline_name = "rinu";
  using_history();
  rl_startup_hook = InsertPrefill;
}

LibeditLineSource::~LibeditLineSource() {
  rl_startup_hook = nullptr;
  clear_history();
}

std::optional<std::string> LibeditLineSource::ReadLine(const std::string& prompt,
                                                       const std::string& initial_text) {
  std::fflush(stdout);
  g_prefill = initial_text;
  char* line = readline(prompt.c_str());
  g_prefill.clear();
  if (!line) return std::nullopt;
  std::string text(line);
  std::free(line);
  if (!text.empty()) add_history(text.c_str());
  return text;
}

}  // namespace ui::text
