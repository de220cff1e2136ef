// rinu [FOLDER]: the chat window on the desktop, on the persona in FOLDER (the current folder
// when none is given). rinu --tty [FOLDER]: the chat in the terminal. rinu --pipe [--encoding
// cp932] [FOLDER]: one line in, one reply line out. The terminal and the pipe never start
// the window system, so they run without a display. The window and the terminal offer to make
// a new persona in a folder that is missing or empty; the pipe never writes into a folder that
// is not a persona yet. A front end is one row of kFrontEnds and its own files.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app/chat_app.h"
#include "app/dialog_user.h"
#include "app/pipe_front.h"
#include "app/tty_front.h"
#include "chat/new_persona.h"
#include "core/persona.h"
#include "ui/qt/qt_backend.h"
#include "ui/text/libedit_line_source.h"
#include "ui/text/text_backend.h"

namespace {

struct Options {
  const char* mode = nullptr;  // the option that chose a front end; null: the window
  ui::text::TerminalEncoding encoding = ui::text::TerminalEncoding::kUtf8;
  bool have_encoding = false;
  std::string folder = ".";
};

constexpr const char* kUsage =
    "usage: rinu [FOLDER]\n"
    "       rinu --tty [FOLDER]\n"
    "       rinu --pipe [--encoding cp932] [FOLDER]\n";

// A folder that cannot be opened, said on standard error (UTF-8).
void SayCannotOpen(const std::string& folder, int error) {
  std::string message = CannotOpenFolderMessage(folder, error);
  std::fprintf(stderr, "rinu: %s\n",
               ui::text::ToTerminal(message, ui::text::TerminalEncoding::kUtf8).c_str());
}

int RunTty(const Options& options) {
  ui::text::LibeditLineSource source;
  source.EndLineOnInterrupt();
  ui::text::TextOptions text_options;
  text_options.working_folder = options.folder;
  ui::text::TextBackend backend(source, std::cout, text_options);
  DialogUser user(backend);
  if (chat::IsUnusedFolder(options.folder) && !OfferNewPersona(user, options.folder)) return 1;
  core::Persona persona(options.folder);
  if (!persona.folder().ok()) {
    SayCannotOpen(options.folder, persona.folder().open_error());
    return 1;
  }
  return RunTtyChat(persona, backend);
}

int RunPipe(const Options& options) {
  core::Persona persona(options.folder);
  if (!persona.folder().ok()) {
    SayCannotOpen(options.folder, persona.folder().open_error());
    std::fprintf(stderr, "%s", PipeSetupHint(options.folder).c_str());
    return 1;
  }
  std::ios::sync_with_stdio(false);
  return RunPipeChat(persona, std::cin, std::cout, std::cerr, options.encoding);
}

// The front ends chosen by an option; without one the window runs.
struct FrontEnd {
  const char* option;
  int (*run)(const Options&);
  bool takes_encoding;
};
constexpr FrontEnd kFrontEnds[] = {
    {"--tty", RunTty, false},
    {"--pipe", RunPipe, true},
};

const FrontEnd* FrontEndOf(const std::string& arg) {
  for (const FrontEnd& front : kFrontEnds)
    if (arg == front.option) return &front;
  return nullptr;
}

// The one reading of the command line. With `window` it reads what Qt left of it: options
// are Qt's or unknown and pass, and the last folder named counts. Otherwise an option that
// makes no sense is told (false).
bool ParseOptions(int argc, char** argv, bool window, Options* options) {
  bool have_folder = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string error;
    if (const FrontEnd* front = FrontEndOf(arg); front && !window) {
      if (options->mode && arg != options->mode) error = "--tty and --pipe exclude each other";
      options->mode = front->option;
    } else if (arg == "--encoding" && !window) {
      std::string value = i + 1 < argc ? argv[++i] : "";
      if (value == "cp932")
        options->encoding = ui::text::TerminalEncoding::kCp932;
      else if (value == "utf-8" || value == "UTF-8")
        options->encoding = ui::text::TerminalEncoding::kUtf8;
      else
        error = "--encoding takes cp932 or utf-8";
      options->have_encoding = true;
    } else if (arg == "--" || arg.empty() || arg[0] != '-') {
      // After "--" the one argument left is the folder, whatever it looks like.
      if (arg == "--") {
        if (i + 1 >= argc) continue;
        if (i + 2 < argc && !window) error = "only one folder can follow --";
        arg = argv[++i];
      }
      if (have_folder && !window) error = "only one folder can be given";
      options->folder = arg;
      have_folder = true;
      if (window && std::string(argv[i - 1]) == "--") break;
    } else if (!window) {
      error = "unknown option " + arg;
    }
    if (!error.empty()) {
      std::fprintf(stderr, "rinu: %s\n%s", error.c_str(), kUsage);
      return false;
    }
  }
  const FrontEnd* front = options->mode ? FrontEndOf(options->mode) : nullptr;
  if (options->have_encoding && !(front && front->takes_encoding)) {
    std::fprintf(stderr, "rinu: --encoding goes with --pipe only\n%s", kUsage);
    return false;
  }
  return true;
}

// Whether the arguments choose a front end other than the window (anything before "--"); the
// window system is then never started.
bool WantsText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") return false;
    if (FrontEndOf(arg) || arg == "--encoding") return true;
  }
  return false;
}

int RunWindow(int argc, char** argv) {
  // Qt takes its own options (-platform, ...) out of argv first.
  ui::qt::QtBackend backend(argc, argv);
  Options options;
  ParseOptions(argc, argv, true, &options);
  const std::string& folder = options.folder;
  DialogUser user(backend);
  if (chat::IsUnusedFolder(folder) && !OfferNewPersona(user, folder)) return 1;
  core::Persona persona(folder);
  if (!persona.folder().ok()) {
    std::string message = CannotOpenFolderMessage(folder, persona.folder().open_error());
    backend.MessageBox(message);
    std::fprintf(stderr, "rinu: cannot open the working folder %s\n", folder.c_str());
    return 1;
  }
  ChatApp app(persona, backend);
  app.InitInstance();
  std::fflush(nullptr);
  return app.exit_status();
}

}  // namespace

int main(int argc, char** argv) {
  if (!WantsText(argc, argv)) return RunWindow(argc, argv);
  Options options;
  if (!ParseOptions(argc, argv, false, &options)) return 2;
  const int status = FrontEndOf(options.mode)->run(options);
  std::cout.flush();
  std::fflush(nullptr);
  return status;
}
