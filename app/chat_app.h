// The application: runs the chat window on one persona as one modal dialog and says with what
// status the program ends when it closes. The persona and the backend are borrowed and must
// outlive the application.
#pragma once

#include <string>

#include "chat/user.h"
#include "core/persona.h"
#include "ui/backend.h"

class ChatApp {
 public:
  ChatApp(core::Persona& persona, ui::Backend& backend) : m_persona(persona), m_backend(backend) {}

  // Builds the chat window, runs it modally and destroys it; returns false, so the program
  // ends with no message loop of its own.
  bool InitInstance();
  // What the program ends with: 1 when start-up or a turn found it could not go on, else 0.
  int exit_status() const { return m_exitStatus; }

 private:
  core::Persona& m_persona;
  ui::Backend& m_backend;
  int m_exitStatus = 0;
};

// For a folder that is missing or empty (chat::IsUnusedFolder): asks the user whether to make a
// new persona there and makes it with the default data. False when the user said no or it
// could not be made (the user was told); the program then ends with status 1.
bool OfferNewPersona(chat::User& user, const std::string& folder);

// The message for a working folder `path` (as the system names it, UTF-8) that could not be
// opened, with why (`error`, an errno), in Shift-JIS.
std::string CannotOpenFolderMessage(const std::string& path, int error);
