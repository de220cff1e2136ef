// The chat words, through the whole turn, with the dialogs of the words that ask: what each
// does to memory.dat, the log, the boxes, the reply and the pending conversation pair.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dialog_user.h"
#include "chat/conversation.h"
#include "engine/engine_test_support.h"
#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;

const std::string kLearned = "覚えたよ～ん,教えてくれてありがとう♪";
const std::string kLearnFailed = "覚えられないですぅ";
const std::string kForgot = "忘れたよ～～ん♪";
const std::string kForgetFailed = "忘れられないよう（泣）だって大切な思い出だもん！";
const std::string kLearnedNote = "言葉を覚えさせました！\r\n";
const std::string kLearnFailedNote =
    "言葉を覚えさせようとしましたが、なんらかの原因で失敗しました。\r\n";
const std::string kForgotNote = "言葉を忘れさせました！\r\n";
const std::string kForgetFailedNote =
    "言葉を忘れさせようとしましたが、何らかの理由で忘れることが出来ませんでした。\r\n";
const std::string kForgetFailedBox = "忘れさせるのに失敗しました。";
const std::string kNothingToForget = "その言葉に対する忘れる言葉はありませんでした。";

class ChatWordTest : public EngineTest {
 protected:
  // As the chat window runs them: the words that ask open their dialogs.
  ReplyEngine::Words& words() override { return user_words; }
  DialogUser user{backend};
  chat::UserWords user_words{persona, user};

  void SetUp() override {
    WorkFolderTest::SetUp();
    WriteFile("set.ini", "YourName:Taro\r\nRinuName:Mio\r\n2\r\n");  // a text log
    WriteFile("memory.dat", Stored({"// memory", "abc%+%xyz", "りんご%+%赤い"}));
    WriteFile("boke.dat", Stored({"ふーん"}));
    WriteFile("no.dat", Stored({"なあに？"}));
  }
  std::string Memory() { return ReadFile("memory.dat"); }
};

TEST_F(ChatWordTest, TeachingLineStoresThePairNotesItAndAnswersFixed) {
  ReplyEngine engine(persona, chat_log);
  EXPECT_EQ(Say(engine, "みかん===黄色い果物"), kLearned);
  EXPECT_EQ(Memory(), Stored({"// memory", "abc%+%xyz", "りんご%+%赤い", "みかん%+%黄色い果物"}));
  EXPECT_EQ(ReadFile("log.txt"), kLearnedNote);
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(ChatWordTest, LearnInAnyCaseOpensTheDialog) {
  for (const char* word : {"learn", "LEARN", "Learn"}) {
    backend.When(IDD_LEARN,
                 {Type(IDC_LEARN_WORDS, "犬"), Type(IDC_LEARN_REPLY, "わんわん"), Press(ui::IDOK)});
    ReplyEngine engine(persona, chat_log);
    EXPECT_EQ(Say(engine, word), kLearned) << word;
  }
  EXPECT_EQ(Memory(), Stored({"// memory", "abc%+%xyz", "りんご%+%赤い", "犬%+%わんわん",
                              "犬%+%わんわん", "犬%+%わんわん"}));
  EXPECT_EQ(ReadFile("log.txt"), kLearnedNote + kLearnedNote + kLearnedNote);
}

TEST_F(ChatWordTest, CancelledLearnAnswersTheFailureWithoutABox) {
  backend.When(IDD_LEARN, {Close()});
  ReplyEngine engine(persona, chat_log);
  EXPECT_EQ(Say(engine, "learn"), kLearnFailed);
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(ReadFile("log.txt"), kLearnFailedNote);
}

TEST_F(ChatWordTest, ForgetInAnyCaseRemovesTheChosenRecord) {
  backend.When(IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "りんごジュース"), Press(ui::IDOK)});
  backend.When(IDD_FORGET_CHOICE, {Type(IDC_FORGET_NUMBER, "1"), Press(ui::IDOK)});
  ReplyEngine engine(persona, chat_log);
  EXPECT_EQ(Say(engine, "FORGET"), kForgot);
  EXPECT_EQ(Memory(), Stored({"// memory", "abc%+%xyz"}));
  EXPECT_EQ(ReadFile("log.txt"), kForgotNote);
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(ChatWordTest, FailedForgetShowsItsBoxThenNotes) {
  backend.When(IDD_FORGET_KEYWORD, {Close()});
  ReplyEngine engine(persona, chat_log);
  EXPECT_EQ(Say(engine, "forget"), kForgetFailed);
  EXPECT_EQ(backend.boxes(), std::vector<std::string>{kForgetFailedBox});
  EXPECT_EQ(ReadFile("log.txt"), kForgetFailedNote);
}

TEST_F(ChatWordTest, FDotForgetsByTheRestOfTheLine) {
  backend.When(IDD_FORGET_CHOICE, {Type(IDC_FORGET_NUMBER, "1"), Press(ui::IDOK)});
  ReplyEngine engine(persona, chat_log);
  EXPECT_EQ(Say(engine, "f.abcd"), kForgot);
  EXPECT_EQ(Memory(), Stored({"// memory", "りんご%+%赤い"}));
  // "f." alone forgets by the empty text, which calls up nothing.
  EXPECT_EQ(Say(engine, "f."), kForgetFailed);
  EXPECT_EQ(backend.boxes(), (std::vector<std::string>{kNothingToForget, kForgetFailedBox}));
  EXPECT_EQ(ReadFile("log.txt"), kForgotNote + kForgetFailedNote);
}

TEST_F(ChatWordTest, TeachThenForgetInOneLineLeavesTheForgetOutcome) {
  ReplyEngine engine(persona, chat_log);
  // Teaches "f.x" -> "y", then forgets by "x===y", which no keyword occurs in.
  EXPECT_EQ(Say(engine, "f.x===y"), kForgetFailed);
  EXPECT_EQ(Memory(), Stored({"// memory", "abc%+%xyz", "りんご%+%赤い", "f.x%+%y"}));
  EXPECT_EQ(backend.boxes(), (std::vector<std::string>{kNothingToForget, kForgetFailedBox}));
  EXPECT_EQ(ReadFile("log.txt"), kLearnedNote + kForgetFailedNote);
}

TEST_F(ChatWordTest, NearMissesAreOrdinaryLines) {
  // Each goes to the search: the coin, then the fallback draw (line 1 of boke.dat).
  for (const char* line : {"Exit", "EXIT", "exit ", " exit", "learn me", "forgets", "F.abc"}) {
    random.Push({1, 1});
    ReplyEngine engine(persona, chat_log);
    std::string reply = Say(engine, line);
    EXPECT_TRUE(reply == "ふーん" || reply == "xyz") << line << ": " << reply;
  }
  EXPECT_FALSE(Exists("log.txt"));
  EXPECT_EQ(backend.dialogs().size(), 0u);
}

TEST_F(ChatWordTest, ExitWritesTheFarewellAndEndsWithStatusZeroLosingThePendingPair) {
  ReplyEngine engine(persona, chat_log);
  engine.RememberForPair("xyz");
  std::string before = Memory();
  EXPECT_EQ(ExitOf(engine, "exit"), 0);
  EXPECT_EQ(Memory(), before);
  std::string log = ReadFile("log.txt");
  EXPECT_EQ(log.rfind("Mio>ばいばーい\r\n\r\nここまで\t\t", 0), 0u) << log;
}

TEST_F(ChatWordTest, AChatWordThatActedDropsThePendingPairAndAnEmptyLineKeepsIt) {
  random.Push({1});  // the empty line's no.dat draw
  ReplyEngine engine(persona, chat_log);
  engine.RememberForPair("xyz");
  EXPECT_EQ(Say(engine, ""), "なあに？");
  EXPECT_TRUE(engine.PairPending());
  EXPECT_EQ(Say(engine, "a===b"), kLearned);
  EXPECT_FALSE(engine.PairPending());
  EXPECT_EQ(Memory(), Stored({"// memory", "abc%+%xyz", "りんご%+%赤い", "a%+%b"}));
  // The empty line opened no dialog and wrote no note.
  EXPECT_EQ(ReadFile("log.txt"), kLearnedNote);
}

}  // namespace
