// rinu: the chat window on the desktop, in the current working folder.
#include "app/chat_app.h"
#include "ui/qt/qt_backend.h"

int main(int argc, char** argv) {
  ui::qt::QtBackend backend(argc, argv);
  ui::SetBackend(&backend);
  ChatApp app;
  app.InitInstance();
  ui::SetBackend(nullptr);
  return 0;
}
