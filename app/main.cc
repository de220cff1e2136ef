// rinu: the chat window on the desktop, in the current working folder.
#include <cstdio>

#include "app/chat_app.h"
#include "ui/qt/qt_backend.h"

int main(int argc, char** argv) {
  ui::qt::QtBackend backend(argc, argv);
  ChatApp app(backend);
  app.InitInstance();
  std::fflush(nullptr);
  return app.exit_status();
}
