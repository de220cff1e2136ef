// Every system call of the operations that store something fails once in turn: teaching a
// pair, learning a pair from the conversation, forgetting, saving the settings and appending
// to the log. After each fault the file is as it was or complete, never half written, and a
// failure is never reported as a success: the user is told.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>
#include <string>

#include "core/folder.h"
#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "memory/word_memory.h"
#include "settings/settings_store.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using core::Call;

constexpr std::array<const char*, 10> kCallNames = {"open",  "read",   "write", "fsync", "rename",
                                                    "close", "unlink", "stat",  "lock",  "list"};

// One operation: it starts from `setup`, works on `file`, and says whether it reported
// success; `complete` is the file once the operation succeeded.
struct Operation {
  const char* name;
  std::function<void()> setup;
  std::function<bool(ScriptedBackend&)> run;
  const char* file;
  std::string complete;
};

class FaultInjectionTest : public WorkFolderTest {
 protected:
  void TearDown() override {
    persona.folder().SetFaultHook(nullptr);
    WorkFolderTest::TearDown();
  }

  // Runs `op` once with no fault, counting its calls, then once for each of them with that
  // call failing. Returns how many faults were injected.
  int InjectEveryFault(const Operation& op) {
    std::array<int, kCallNames.size()> calls{};
    op.setup();
    persona.folder().SetFaultHook([&](Call call, const std::string&) {
      ++calls[static_cast<size_t>(call)];
      return 0;
    });
    ScriptedBackend clean;
    EXPECT_TRUE(op.run(clean)) << op.name << " fails without a fault";
    persona.folder().SetFaultHook(nullptr);
    EXPECT_EQ(ReadFile(op.file), op.complete) << op.name;

    int injected = 0;
    for (size_t kind = 0; kind < calls.size(); ++kind) {
      for (int nth = 0; nth < calls[kind]; ++nth) {
        SCOPED_TRACE(std::string(op.name) + ": " + kCallNames[kind] + " #" + std::to_string(nth));
        op.setup();
        const std::string before = Exists(op.file) ? ReadFile(op.file) : "";
        int seen = 0;
        persona.folder().SetFaultHook([&](Call call, const std::string&) {
          return static_cast<size_t>(call) == kind && seen++ == nth ? EIO : 0;
        });
        ScriptedBackend faulty;
        const bool reported_success = op.run(faulty);
        persona.folder().SetFaultHook(nullptr);
        const std::string after = Exists(op.file) ? ReadFile(op.file) : "";
        EXPECT_TRUE(after == before || after == op.complete) << "half written: " << after;
        if (reported_success) {
          EXPECT_EQ(after, op.complete) << "a failure reported as a success";
        } else {
          EXPECT_FALSE(faulty.boxes().empty()) << "a failure nobody was told of";
        }
        ++injected;
      }
    }
    std::printf("fault injection: %s: %d faults (", op.name, injected);
    for (size_t kind = 0; kind < calls.size(); ++kind) {
      std::printf("%s%s %d", kind ? ", " : "", kCallNames[kind], calls[kind]);
    }
    std::printf(")\n");
    return injected;
  }

  static void Files() {
    WriteFile("set.ini", "YourName:Taro\r\nRinuName:Mio\r\n2\r\n");
    WriteFile("memory.dat", Stored({"// memory", "hi%+%one", "hi%+%two", "abc%+%xyz"}));
    WriteFile("log.txt", "earlier\r\n");
  }
};

// What an operation had to say, shown as the window shows it; true when it was done.
bool Shown(ScriptedBackend& b, const core::Outcome& outcome) {
  for (const std::string& message : outcome.messages) b.MessageBox(message);
  return outcome.done();
}

TEST_F(FaultInjectionTest, EveryFailingCallLeavesTheFileWholeAndIsReported) {
  const std::string memory = Stored({"// memory", "hi%+%one", "hi%+%two", "abc%+%xyz"});
  const Operation operations[] = {
      {"teach", Files,
       [this](ScriptedBackend& b) {
         return Shown(b, WordMemory(persona).LearnFromLine("みかん===黄色"));
       },
       "memory.dat", memory + Stored({"みかん%+%黄色"})},
      {"learn a pair", Files,
       [this](ScriptedBackend& b) {
         ConversationLog log(persona);
         ReplyEngine engine(persona, log);
         engine.RememberForPair("R");
         engine.AppendConversationPair("line");
         for (const std::string& message : engine.TakeTold()) b.MessageBox(message);
         return b.boxes().empty();
       },
       "memory.dat", memory + Stored({"R%+%line"})},
      {"forget", Files,
       [this](ScriptedBackend& b) {
         // The second of the records "hi" lists.
         WordMemory memory(persona);
         return Shown(b, memory.List("hi")) && Shown(b, memory.ForgetChosen(2));
       },
       "memory.dat", Stored({"// memory", "hi%+%one", "abc%+%xyz"})},
      {"save settings", Files,
       [this](ScriptedBackend& b) {
         SettingsStore settings(persona);
         settings.Assign("Jiro", "Ren", 0);
         return Shown(b, settings.Save());
       },
       "set.ini", "YourName:Jiro\r\nRinuName:Ren\r\n0\r\n"},
      {"append to the log", Files,
       [this](ScriptedBackend& b) {
         SettingsStore settings(persona);
         settings.Assign("Taro", "Mio", TEXT);
         const LogOutcome logged = ConversationLog(persona).WriteNote(settings, "note");
         if (!logged.message.empty()) b.MessageBox(logged.message);
         return logged.result == LogResult::kWritten;
       },
       "log.txt", "earlier\r\nnote\r\n"},
  };
  for (const Operation& op : operations) EXPECT_GT(InjectEveryFault(op), 0) << op.name;
}

}  // namespace
