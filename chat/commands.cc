#include "chat/commands.h"

#include "core/links.h"
#include "core/persona_files.h"
#include "res/resource.h"

namespace chat {
namespace {

Command Of(Command::Kind kind, std::string target = "", std::string text = "") {
  Command command;
  command.kind = kind;
  command.target = std::move(target);
  command.text = std::move(text);
  return command;
}

Command ShowLog(Conversation& conversation) {
  std::optional<LogToShow> log = conversation.LogToOpen();
  if (!log) return Of(Command::Kind::kEnd);
  if (log->file) return Of(Command::Kind::kOpenFile, log->file);
  if (!log->message.empty()) return Of(Command::Kind::kNote, "", log->message);
  return Of(Command::Kind::kDone);  // a log mode that keeps nothing and says nothing
}

Command ChangeSettings(Conversation& conversation) {
  Command command;
  if (!conversation.ChangeSettings(&command.names_changed)) command.kind = Command::Kind::kEnd;
  return command;
}

Command Learn(Conversation& conversation) {
  conversation.Learn();
  return Command();
}

Command Forget(Conversation& conversation) {
  conversation.Forget();
  return Command();
}

struct Row {
  int id;
  Command (*run)(Conversation&);
  Command::Kind kind;  // for rows without `run`
  const char* target;
};

constexpr Row kCommands[] = {
    {ID_SHOW_LOG, ShowLog, Command::Kind::kDone, nullptr},
    {ID_SETTINGS, ChangeSettings, Command::Kind::kDone, nullptr},
    {ID_HELP_PAGE, nullptr, Command::Kind::kOpenFile, core::kHelpPage},
    // The desktop's help command: the help page is the program's only help.
    {ID_HELP, nullptr, Command::Kind::kOpenFile, core::kHelpPage},
    {ID_VERSION, nullptr, Command::Kind::kAbout, nullptr},
    {ID_LEARN, Learn, Command::Kind::kDone, nullptr},
    {ID_FORGET, Forget, Command::Kind::kDone, nullptr},
    {ID_MEMORY_BOOK, nullptr, Command::Kind::kBook, nullptr},
    {ID_DUET, nullptr, Command::Kind::kDuet, nullptr},
    {ID_HOME_PAGE, nullptr, Command::Kind::kOpenAddress, core::kMakerHomePage},
    {ID_RINU_PAGE, nullptr, Command::Kind::kOpenAddress, core::kRinuPage},
    {ID_MAIL_WEX, nullptr, Command::Kind::kOpenAddress, core::kMailToWex},
    {ID_THANKS_SITE_1, nullptr, Command::Kind::kOpenAddress, core::kThanksSites[0].address},
    {ID_THANKS_SITE_2, nullptr, Command::Kind::kOpenAddress, core::kThanksSites[1].address},
    {ID_THANKS_SITE_3, nullptr, Command::Kind::kOpenAddress, core::kThanksSites[2].address},
    {ID_ABOUT_THANKS, nullptr, Command::Kind::kNote, nullptr},
};

}  // namespace

const char* SpecialThanksNote() {
  return "スペシャルサンクスはRinuにコメントをつけてくださった方のHPにリンクを張っています。\n"
         "もし、「こんなところにリンクしないでくれ！」という方がいらっしゃいましたら、\n"
         "お手数ですが連絡ください。確認ししだい修正します。\n"
         "\n"
         "また、ＨＰのアドレスが変わったらすぐ連絡くださいね。\n";
}

std::optional<Command> RunCommand(Conversation& conversation, int id) {
  for (const Row& row : kCommands) {
    if (row.id != id) continue;
    if (row.run) return row.run(conversation);
    if (row.kind == Command::Kind::kNote) return Of(row.kind, "", SpecialThanksNote());
    return Of(row.kind, row.target ? row.target : "");
  }
  return std::nullopt;
}

}  // namespace chat
