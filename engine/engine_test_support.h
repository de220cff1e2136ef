// Test support for the engine's tests: a working folder with a scripted backend and random
// source (WorkFolderTest), the log the engine writes its notes to, and a turn run as the chat
// window runs it.
#pragma once

#include <string>

#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"
#include "testing/work_folder.h"

class EngineTest : public testing_support::WorkFolderTest {
 protected:
  // One turn: set.ini loaded for the turn, the reply returned and the exit status (-1 while
  // the program goes on) kept in last_exit.
  std::string Say(ReplyEngine& engine, const std::string& line) {
    SettingsStore settings(persona, backend);
    settings.Load();
    ReplyEngine::Turn turn = engine.MakeReply(line, settings);
    last_exit = turn.exit_status;
    return turn.reply;
  }
  int ExitOf(ReplyEngine& engine, const std::string& line) {
    Say(engine, line);
    return last_exit;
  }

  ConversationLog chat_log{persona, backend};
  int last_exit = -1;
};
