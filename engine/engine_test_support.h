// Test support for the engine's tests: a working folder with a scripted backend and random
// source (WorkFolderTest), the log the engine writes its notes to, and a turn run as the chat
// window runs it. What a turn tells is shown as a box of the scripted backend, where a test
// reads every message; the chat words that ask are answered "not done" here (the chat's
// tests run them through the user).
#pragma once

#include <string>

#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"
#include "testing/work_folder.h"

class BoxWords : public ReplyEngine::Words {
 public:
  explicit BoxWords(ui::Backend& backend) : m_backend(backend) {}
  void Tell(const std::string& message) override { m_backend.MessageBox(message); }
  core::Outcome LearnByDialog() override { return NotAsked(); }
  core::Outcome ForgetByDialog() override { return NotAsked(); }
  core::Outcome ForgetKeyword(const std::string&) override { return NotAsked(); }

 private:
  static core::Outcome NotAsked() { return core::Outcome::Of(core::Outcome::Kind::kRefused); }
  ui::Backend& m_backend;
};

class EngineTest : public testing_support::WorkFolderTest {
 protected:
  // One turn: set.ini read for the turn, the reply returned and the exit status (-1 while the
  // program goes on) kept in last_exit.
  std::string Say(ReplyEngine& engine, const std::string& line) {
    SettingsStore settings(persona);
    core::Outcome told;
    EXPECT_EQ(settings.Read(&told), SettingsStore::State::kValid);
    ReplyEngine::Turn turn = engine.MakeReply(line, settings, words());
    last_exit = turn.exit_status;
    return turn.reply;
  }
  int ExitOf(ReplyEngine& engine, const std::string& line) {
    Say(engine, line);
    return last_exit;
  }
  // What the turns are given: their messages shown as boxes.
  virtual ReplyEngine::Words& words() { return box_words; }
  // What the steps run on their own told, shown as boxes.
  void ShowTold(ReplyEngine& engine) {
    for (const std::string& message : engine.TakeTold()) backend.MessageBox(message);
  }

  ConversationLog chat_log{persona};
  BoxWords box_words{backend};
  int last_exit = -1;
};
