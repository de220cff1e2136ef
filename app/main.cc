// rinu [FOLDER]: the chat window on the desktop, on the persona in FOLDER (the current folder
// when none is given).
#include <cstdio>
#include <string>

#include "app/chat_app.h"
#include "core/persona.h"
#include "ui/qt/qt_backend.h"

int main(int argc, char** argv) {
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
