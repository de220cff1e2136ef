// The application: runs the chat window as one modal dialog and says with what status the
// program ends when it closes. The backend is borrowed and must outlive the application.
#pragma once

#include "ui/backend.h"

class ChatApp {
 public:
  explicit ChatApp(ui::Backend& backend) : m_backend(backend) {}

  // Builds the chat window, runs it modally and destroys it; returns false, so the program
  // ends with no message loop of its own.
  bool InitInstance();
  // What the program ends with: 1 when start-up or a turn found it could not go on, else 0.
  int exit_status() const { return m_exitStatus; }

 private:
  ui::Backend& m_backend;
  int m_exitStatus = 0;
};
