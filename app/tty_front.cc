#include "app/tty_front.h"

#include <optional>
#include <string>
#include <vector>

#include "app/dialog_user.h"
#include "app/text_front.h"
#include "app/text_lines.h"
#include "chat/commands.h"
#include "chat/conversation.h"
#include "res/templates.h"
#include "ui/text/text_menu.h"

namespace {

constexpr const char* kHelpLine = "「/」でメニュー一覧、「/番号」で実行、Ctrl-Dで終了";
constexpr const char* kBookNeedsWindow =
    "メモリー帳はウィンドウでしか開けません。オプションなしの rinu で開いてください。";
constexpr const char* kDuetNeedsWindow =
    "ふたりで会話させるにはウィンドウが要ります。ターミナルでは rinu-duet を使ってください。";

class TtyChat {
 public:
  TtyChat(core::Persona& persona, ui::text::TextBackend& backend)
      : m_backend(backend),
        m_user(backend),
        m_conversation(persona, m_user),
        m_menu(ui::text::MenuCommands(res::ChatMenu())) {}

  int Run() {
    if (!m_conversation.Start()) return 1;
    m_backend.Print(m_conversation.Begin());
    m_backend.Print(kHelpLine);
    for (;;) {
      std::optional<std::string> line = m_backend.ReadText(m_conversation.UserName() + ">");
      if (!line) return m_conversation.End() ? 0 : 1;
      if (std::optional<int> menu_number = MenuLine(*line)) {
        if (*menu_number == 0) {
          ShowMenu();
          continue;
        }
        std::optional<int> id = ui::text::MenuCommandId(m_menu, *menu_number);
        if (!id) {
          m_backend.Print("1から" + std::to_string(m_menu.size()) + "までの番号を入れてください。");
          continue;
        }
        if (!RunCommand(*id)) return 1;
        continue;
      }
      chat::Outcome outcome = m_conversation.Take(*line);
      switch (outcome.kind) {
        case chat::Outcome::Kind::kEnd:
          return outcome.exit_status;
        case chat::Outcome::Kind::kCommand:
          if (!RunCommand(outcome.command)) return 1;
          break;
        case chat::Outcome::Kind::kReply:
          m_backend.Print(m_conversation.Nickname() + ">" + ReplaceLineBreaks(outcome.reply, '\n'));
          break;
      }
    }
  }

 private:
  // "/" gives 0, "/N" gives N (one to four digits, spaces around allowed); any other line,
  // including one that only starts with "/", is said to the persona.
  static std::optional<int> MenuLine(const std::string& line) {
    size_t b = line.find_first_not_of(' ');
    size_t e = line.find_last_not_of(' ');
    if (b == std::string::npos || line[b] != '/') return std::nullopt;
    std::string number = line.substr(b + 1, e - b);
    if (number.empty()) return 0;
    if (number.size() > 4) return std::nullopt;
    for (char c : number)
      if (c < '0' || c > '9') return std::nullopt;
    return std::stoi(number);
  }

  void ShowMenu() {
    std::string listing = ui::text::FormatMenu(m_menu);
    if (!listing.empty() && listing.back() == '\n') listing.pop_back();
    m_backend.Print(listing);
  }

  // A command as the terminal shows it: as text, with the window's own windows named. False
  // when the program must end with status 1.
  bool RunCommand(int id) {
    std::optional<chat::Command> command = chat::RunCommand(m_conversation, id);
    if (!command) return true;
    switch (command->kind) {
      case chat::Command::Kind::kBook:
        m_backend.Print(kBookNeedsWindow);
        return true;
      case chat::Command::Kind::kDuet:
        m_backend.Print(kDuetNeedsWindow);
        return true;
      case chat::Command::Kind::kDone:
        if (command->names_changed)
          m_backend.Print("あなたの名前: " + m_conversation.UserName() +
                          "  Rinuの名前: " + m_conversation.Nickname());
        return true;
      default:
        return ShowAsText(*command, m_backend);
    }
  }

  ui::text::TextBackend& m_backend;
  DialogUser m_user;
  chat::Conversation m_conversation;
  std::vector<ui::text::MenuCommand> m_menu;
};

}  // namespace

int RunTtyChat(core::Persona& persona, ui::text::TextBackend& backend) {
  return TtyChat(persona, backend).Run();
}
