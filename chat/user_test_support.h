// Test support for the chat's tests: a user whose messages are boxes of a scripted backend, so
// a test reads every message where it reads boxes, and who answers no question (the dialogs
// are the window's, tested in app/).
#pragma once

#include "chat/user.h"
#include "testing/scripted_backend.h"

class BoxUser : public chat::User {
 public:
  explicit BoxUser(testing_support::ScriptedBackend& backend) : m_backend(backend) {}
  using chat::User::Tell;
  void Tell(const std::string& message) override { m_backend.MessageBox(message); }
  std::optional<chat::TaughtPair> AskPair() override { return std::nullopt; }
  std::optional<std::string> AskKeyword() override { return std::nullopt; }
  std::optional<int> AskRecordNumber(const std::string&) override { return std::nullopt; }
  SettingsValues AskFirstRunNames() override { return SettingsValues(); }
  SettingsAnswer AskSettings(const SettingsValues&, chat::SettingsApply&) override {
    return SettingsAnswer{SettingsAnswer::Kind::kNone, {}};
  }
  bool AskYesNo(const std::string&) override { return false; }

 private:
  testing_support::ScriptedBackend& m_backend;
};
