#include "app/tty_front.h"

#include <optional>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/chat_dialog.h"
#include "chat/conversation.h"
#include "res/links.h"
#include "res/resource.h"
#include "res/strings.h"
#include "res/templates.h"
#include "ui/text/text_menu.h"

namespace {

constexpr const char* kHelpLine = "「/」でメニュー一覧、「/番号」で実行、Ctrl-Dで終了";
constexpr const char* kBookNeedsWindow =
    "メモリー帳はウィンドウでしか開けません。オプションなしの rinu で開いてください。";
constexpr const char* kDuetNeedsWindow =
    "ふたりで会話させるにはウィンドウが要ります。ターミナルでは rinu-duet を使ってください。";

// A stored reply may break its lines with a CR alone, which would send a terminal's cursor
// back over the line: every CR LF, CR or LF becomes LF.
std::string LineBreaksAsLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' ? '\n' : text[i];
  }
  return out;
}

class TtyChat {
 public:
  TtyChat(core::Persona& persona, ui::text::TextBackend& backend)
      : m_backend(backend),
        m_conversation(persona, backend),
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
          m_backend.Print(m_conversation.Nickname() + ">" + LineBreaksAsLf(outcome.reply));
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

  // The backend opens it with the desktop's program or prints where it is; only a file that
  // is not there (a help page removed from the folder) is said to be missing.
  void Open(const std::string& target) {
    if (!m_backend.ShellOpen(target)) m_backend.MessageBox(res::CannotOpenMessage(target));
  }

  // The window's commands (ChatDialog::OnCommand), shown as lines. False when the program
  // must end with status 1.
  bool RunCommand(int id) {
    switch (id) {
      case ID_SHOW_LOG:
        return m_conversation.ShowLog();
      case ID_SETTINGS: {
        bool names_changed = false;
        if (!m_conversation.ChangeSettings(&names_changed)) return false;
        if (names_changed)
          m_backend.Print("あなたの名前: " + m_conversation.UserName() +
                          "  Rinuの名前: " + m_conversation.Nickname());
        return true;
      }
      case ID_VERSION:
        AboutDialog(m_backend).DoModal();
        return true;
      case ID_LEARN:
        m_conversation.Learn();
        return true;
      case ID_FORGET:
        m_conversation.Forget();
        return true;
      case ID_MEMORY_BOOK:
        m_backend.Print(kBookNeedsWindow);
        return true;
      case ID_DUET:
        m_backend.Print(kDuetNeedsWindow);
        return true;
      case ID_HELP_PAGE:
      case ID_HELP:
        Open(res::kHelpPage);  // a file of the persona's folder: the backend finds it there
        return true;
      case ID_HOME_PAGE:
        Open(res::kMakerHomePage);
        return true;
      case ID_RINU_PAGE:
        Open(res::kRinuPage);
        return true;
      case ID_MAIL_WEX:
        Open(res::kMailToWex);
        return true;
      case ID_THANKS_SITE_1:
      case ID_THANKS_SITE_2:
      case ID_THANKS_SITE_3:
        Open(res::kThanksSites[id - ID_THANKS_SITE_1].address);
        return true;
      case ID_ABOUT_THANKS:
        m_backend.MessageBox(SpecialThanksNote());
        return true;
    }
    return true;
  }

  ui::text::TextBackend& m_backend;
  chat::Conversation m_conversation;
  std::vector<ui::text::MenuCommand> m_menu;
};

}  // namespace

int RunTtyChat(core::Persona& persona, ui::text::TextBackend& backend) {
  return TtyChat(persona, backend).Run();
}
