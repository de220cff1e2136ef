#include "app/chat_app.h"

#include "app/chat_dialog.h"

bool ChatApp::InitInstance() {
  ChatDialog dialog;
  dialog.DoModal();
  return false;
}
