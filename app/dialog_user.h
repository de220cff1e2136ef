// DialogUser: the user as the program's own dialogs reach them (chat::User): a message is a box
// with OK, and each question is its dialog (learn, forget keyword and choice, setup, settings)
// or a Yes/No box, run modally on the backend it is given. The backend decides how they
// appear: the window's Qt windows, the terminal's lines, or the pipe, which cancels each one
// with a notice. The backend is borrowed and must outlive it.
#pragma once

#include "chat/user.h"
#include "ui/backend.h"

class DialogUser : public chat::User {
 public:
  explicit DialogUser(ui::Backend& backend) : m_backend(backend) {}

  using chat::User::Tell;
  void Tell(const std::string& message) override;
  std::optional<chat::TaughtPair> AskPair() override;
  std::optional<std::string> AskKeyword() override;
  std::optional<int> AskRecordNumber(const std::string& listing) override;
  SettingsValues AskFirstRunNames() override;
  SettingsAnswer AskSettings(const SettingsValues& current, chat::SettingsApply& apply) override;
  bool AskYesNo(const std::string& question) override;

  ui::Backend& backend() { return m_backend; }

 private:
  ui::Backend& m_backend;
};
