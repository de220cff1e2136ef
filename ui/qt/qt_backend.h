// QtBackend: the program's real windows, on Qt 6 Widgets. It owns the QApplication, turns
// every dialog template into a modal Qt window (QtDialogWindow), shows OK-only message boxes
// and OK/Cancel questions titled "Rinu++" over the active window, opens files and addresses
// with the desktop's default program; Qt's own texts are Japanese (qtbase_ja.qm). Make one in
// main before any dialog runs and keep it for the program's life; this header is free of Qt so
// main needs nothing else of it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/backend.h"

class QApplication;
class QTranslator;

namespace ui::qt {

class WindowMemory;

class QtBackend : public Backend {
 public:
  // `argc` and `argv` must outlive the backend (Qt keeps them).
  QtBackend(int& argc, char** argv);
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  std::unique_ptr<DialogWindow> CreateDialogWindow(Dialog& dialog) override;
  // `text` is Shift-JIS; its LF line breaks stay line breaks.
  void MessageBox(const std::string& text) override;
  // `text` as for MessageBox; OK is the default button.
  bool Confirm(const std::string& text) override;
  // はい and いいえ, はい the default; the confirm hook answers it in tests.
  bool AskYesNo(const std::string& text) override;
  // A relative file name is looked for in the current working folder. False for a file
  // that does not exist, and when the desktop has no program to open the target with; a
  // program that starts and then fails is not seen.
  bool ShellOpen(const std::string& target) override;
  // The desktop's folder dialog; the path comes back in the local 8-bit encoding.
  bool ChooseFolder(const std::string& title, std::string* folder) override;

  // The backend's own messages, which may name characters Shift-JIS cannot hold: UTF-8.
  void ShowMessageUtf8(const std::string& utf8_text);

  // For tests: while set, every message box is handed to `hook` (its text in UTF-8)
  // instead of being shown, so nothing waits for a click. An empty hook shows boxes again.
  void SetMessageBoxHook(std::function<void(const std::string& utf8_text)> hook);
  // The same for questions: `hook` gives the answer.
  void SetConfirmHook(std::function<bool(const std::string& utf8_text)> hook);

  // Where the windows that grow keep their place, size and text size (per user, never in
  // the working folder); read from XDG_CONFIG_HOME and HOME when the backend is made.
  WindowMemory& window_memory() { return *m_windowMemory; }

 private:
  // An OK/Cancel question, or a Yes/No one.
  bool Ask(const std::string& text, bool yes_no);

  std::unique_ptr<QApplication> m_app;
  std::unique_ptr<QTranslator> m_qtTexts;  // Qt's own texts in Japanese
  std::unique_ptr<WindowMemory> m_windowMemory;
  std::function<void(const std::string&)> m_boxHook;
  std::function<bool(const std::string&)> m_confirmHook;
};

}  // namespace ui::qt
