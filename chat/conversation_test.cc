// A conversation's turns without a window: the outcome of each line as a front end gets it,
// including what the front end cannot see in the reply itself, a write of the turn that
// failed.
#include "chat/conversation.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>

#include "chat/user_test_support.h"
#include "res/resource.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using core::Call;

class ConversationTest : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    WriteFile("set.ini", "YourName:Taro\r\nRinuName:Mio\r\n2\r\n");
    WriteFile("memory.dat", Stored({"hello%+%hi NAME"}));
    WriteFile("boke.dat", Stored({"hmm"}));
    WriteFile("no.dat", Stored({"say something"}));
  }
  BoxUser user{backend};
  void TearDown() override {
    persona.folder().SetFaultHook(nullptr);
    WorkFolderTest::TearDown();
  }
  // The `nth` write from now on fails, as on a full disk. A turn writes the pending pair
  // first, then the chat word's record, then the log.
  void FailWrite(int nth) {
    persona.folder().SetFaultHook([this, nth, seen = 0](Call call, const std::string&) mutable {
      if (call != Call::kWrite || ++seen < nth) return 0;
      persona.folder().SetFaultHook(nullptr);
      return ENOSPC;
    });
  }
};

TEST_F(ConversationTest, EachTurnSaysWhetherItsWritesWereKept) {
  chat::Conversation conversation(persona, user);
  ASSERT_TRUE(conversation.Start());
  conversation.Begin();

  // An ordinary turn: the reply with the name put in, remembered by the coin (0).
  random.Push({0, 0});
  chat::Outcome outcome = conversation.Take("hello there");
  EXPECT_EQ(outcome.kind, chat::Outcome::Kind::kReply);
  EXPECT_EQ(outcome.reply, "hi Taro");
  EXPECT_FALSE(outcome.write_failed);

  // The exchange entry of the log cannot be written (the pair of "hi NAME" is).
  FailWrite(2);
  random.Push({0, 0});
  outcome = conversation.Take("hello again");
  EXPECT_EQ(outcome.reply, "hi Taro");
  EXPECT_TRUE(outcome.write_failed);
  const std::string log = ReadFile("log.txt");
  EXPECT_EQ(log.find("hello again"), std::string::npos);

  // The pair of the remembered reply cannot be written: the reply still stands.
  const std::string memory = ReadFile("memory.dat");
  FailWrite(1);
  random.Push({1, 0});
  outcome = conversation.Take("hello once more");
  EXPECT_TRUE(outcome.write_failed);
  EXPECT_EQ(outcome.reply, "hi Taro");
  EXPECT_EQ(ReadFile("memory.dat"), memory);
  EXPECT_EQ(backend.boxes().size(), 2u);  // the log's and the pair's write-error boxes

  // A teaching word whose log note cannot be written.
  FailWrite(2);
  outcome = conversation.Take("apple===red");
  EXPECT_TRUE(outcome.write_failed);
  EXPECT_EQ(ReadFile("memory.dat"), memory + Stored({"apple%+%red"}));

  // A command word writes nothing; "exit" ends with status 0 and the farewell.
  outcome = conversation.Take("log");
  EXPECT_EQ(outcome.kind, chat::Outcome::Kind::kCommand);
  EXPECT_EQ(outcome.command, ID_SHOW_LOG);
  EXPECT_FALSE(outcome.write_failed);
  outcome = conversation.Take("exit");
  EXPECT_EQ(outcome.kind, chat::Outcome::Kind::kEnd);
  EXPECT_EQ(outcome.exit_status, 0);
  EXPECT_EQ(random.left(), 0u);
}

}  // namespace

namespace {

// A user who answers from what the test gives, as a front end without windows could.
class AnsweringUser : public BoxUser {
 public:
  using BoxUser::BoxUser;
  std::optional<chat::TaughtPair> AskPair() override { return pair; }
  std::optional<std::string> AskKeyword() override { return keyword; }
  std::optional<int> AskRecordNumber(const std::string& listing) override {
    listed = listing;
    return number;
  }
  SettingsAnswer AskSettings(const SettingsValues& current, chat::SettingsApply&) override {
    shown = current;
    return {SettingsAnswer::Kind::kOk, {"Jiro", "Ren", TEXT}};
  }
  std::optional<chat::TaughtPair> pair;
  std::optional<std::string> keyword;
  std::optional<int> number;
  std::string listed;
  SettingsValues shown;
};

TEST_F(ConversationTest, CommandsAskTheirQuestionsThroughTheUser) {
  AnsweringUser asked(backend);
  chat::Conversation conversation(persona, asked);
  ASSERT_TRUE(conversation.Start());
  asked.pair = chat::TaughtPair{"apple", "red"};
  conversation.Learn();
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hello%+%hi NAME", "apple%+%red"}));
  asked.keyword = "apple pie";
  asked.number = 1;
  conversation.Forget();
  EXPECT_EQ(asked.listed, "1 : apple%+%red\r\n");
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hello%+%hi NAME"}));
  bool names_changed = false;
  EXPECT_TRUE(conversation.ChangeSettings(&names_changed));
  EXPECT_TRUE(names_changed);
  EXPECT_EQ(asked.shown.user_name, "Taro");
  EXPECT_EQ(conversation.UserName(), "Jiro");
  EXPECT_EQ(ReadFile("set.ini"), "YourName:Jiro\r\nRinuName:Ren\r\n2\r\n");
  EXPECT_TRUE(backend.boxes().empty());
}

}  // namespace
