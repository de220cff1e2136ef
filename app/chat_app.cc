#include "app/chat_app.h"

#include "app/chat_dialog.h"

bool ChatApp::InitInstance() {
  ChatDialog dialog(m_backend);
  if (!dialog.Start()) {
    m_exitStatus = 1;
    return false;
  }
  dialog.DoModal();
  m_exitStatus = dialog.exit_status();
  return false;
}
