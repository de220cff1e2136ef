// rinu [FOLDER]: the chat window on the desktop, on the persona in FOLDER (the current folder
// when none is given). rinu --tty [FOLDER]: the chat in the terminal. rinu --pipe [--encoding
// cp932] [FOLDER]: one line in, one reply line out. The terminal and the pipe never start
// the window system, so they run without a display. The window and the terminal offer to make
// a new persona in a folder that is missing or empty; the pipe never writes into a folder that
// is not a persona yet.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "app/chat_app.h"
#include "app/pipe_front.h"
#include "app/tty_front.h"
#include "chat/new_persona.h"
#include "core/persona.h"
#include "ui/qt/qt_backend.h"
#include "ui/text/libedit_line_source.h"
#include "ui/text/text_backend.h"

namespace {

enum class Mode { kWindow, kTty, kPipe };

struct Options {
  Mode mode = Mode::kWindow;
  ui::text::TerminalEncoding encoding = ui::text::TerminalEncoding::kUtf8;
  std::string folder = ".";
};

constexpr const char* kUsage =
    "usage: rinu [FOLDER]\n"
    "       rinu --tty [FOLDER]\n"
    "       rinu --pipe [--encoding cp932] [FOLDER]\n";

// Whether the arguments ask for the terminal or the pipe (anything before "--").
bool WantsText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    if (std::strcmp(argv[i], "--tty") == 0 || std::strcmp(argv[i], "--pipe") == 0 ||
        std::strcmp(argv[i], "--encoding") == 0)
      return true;
  }
  return false;
}

// The options of the terminal and the pipe; false, after a message, for ones that make no
// sense.
bool ParseTextOptions(int argc, char** argv, Options* options) {
  bool have_folder = false, have_encoding = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string error;
    if (arg == "--tty" || arg == "--pipe") {
      Mode mode = arg == "--tty" ? Mode::kTty : Mode::kPipe;
      if (options->mode != Mode::kWindow && options->mode != mode)
        error = "--tty and --pipe exclude each other";
      options->mode = mode;
    } else if (arg == "--encoding") {
      std::string value = i + 1 < argc ? argv[++i] : "";
      if (value == "cp932")
        options->encoding = ui::text::TerminalEncoding::kCp932;
      else if (value == "utf-8" || value == "UTF-8")
        options->encoding = ui::text::TerminalEncoding::kUtf8;
      else
        error = "--encoding takes cp932 or utf-8";
      have_encoding = true;
    } else if (arg == "--" || arg.empty() || arg[0] != '-') {
      // After "--" the one argument left is the folder, whatever it looks like.
      if (arg == "--") {
        if (i + 1 >= argc) continue;
        if (i + 2 < argc) error = "only one folder can follow --";
        arg = argv[++i];
      }
      if (have_folder) error = "only one folder can be given";
      options->folder = arg;
      have_folder = true;
    } else {
      error = "unknown option " + arg;
    }
    if (!error.empty()) {
      std::fprintf(stderr, "rinu: %s\n%s", error.c_str(), kUsage);
      return false;
    }
  }
  if (have_encoding && options->mode != Mode::kPipe) {
    std::fprintf(stderr, "rinu: --encoding goes with --pipe only\n%s", kUsage);
    return false;
  }
  return true;
}

// The terminal or the pipe.
int RunText(const Options& options) {
  std::unique_ptr<ui::text::LibeditLineSource> source;
  std::unique_ptr<ui::text::TextBackend> tty;
  if (options.mode == Mode::kTty) {
    source = std::make_unique<ui::text::LibeditLineSource>();
    source->EndLineOnInterrupt();
    ui::text::TextOptions text_options;
    text_options.working_folder = options.folder;
    tty = std::make_unique<ui::text::TextBackend>(*source, std::cout, text_options);
    if (chat::IsUnusedFolder(options.folder) && !OfferNewPersona(*tty, options.folder)) return 1;
  }
  core::Persona persona(options.folder);
  if (!persona.folder().ok()) {
    std::string message = CannotOpenFolderMessage(options.folder, persona.folder().open_error());
    std::fprintf(stderr, "rinu: %s\n",
                 ui::text::ToTerminal(message, ui::text::TerminalEncoding::kUtf8).c_str());
    if (options.mode == Mode::kPipe)
      std::fprintf(stderr, "%s", PipeSetupHint(options.folder).c_str());
    return 1;
  }
  int status = 0;
  if (options.mode == Mode::kPipe) {
    std::ios::sync_with_stdio(false);
    status = RunPipeChat(persona, std::cin, std::cout, std::cerr, options.encoding);
  } else {
    status = RunTtyChat(persona, *tty);
  }
  std::cout.flush();
  std::fflush(nullptr);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // The terminal and the pipe are chosen before anything of Qt starts.
  if (WantsText(argc, argv)) {
    Options options;
    if (!ParseTextOptions(argc, argv, &options)) return 2;
    return RunText(options);
  }
  // Qt takes its own options (-platform, ...) out of argv first.
  ui::qt::QtBackend backend(argc, argv);
  std::string folder = ".";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--" && i + 1 < argc) {
      folder = argv[i + 1];
      break;
    }
    if (!arg.empty() && arg[0] != '-') folder = arg;
  }
  if (chat::IsUnusedFolder(folder) && !OfferNewPersona(backend, folder)) return 1;
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
