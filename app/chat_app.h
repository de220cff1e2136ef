// The application: runs the chat window as one modal dialog and ends the program when it
// closes. The window backend must be set before InitInstance runs.
#pragma once

class ChatApp {
 public:
  // Builds the chat window, runs it modally and destroys it; returns false, so the program
  // ends with no message loop of its own.
  bool InitInstance();
};
