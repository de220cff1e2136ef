#include "app/chat_dialog.h"

#include <memory>

#include "app/about_dialog.h"
#include "app/duet_dialog.h"
#include "core/text_file.h"
#include "memory/memory_book_dialog.h"
#include "res/links.h"
#include "res/resource.h"
#include "res/strings.h"
#include "res/templates.h"
#include "ui/data_exchange.h"

const char* SpecialThanksNote() {
  return "スペシャルサンクスはRinuにコメントをつけてくださった方のHPにリンクを張っています。\n"
         "もし、「こんなところにリンクしないでくれ！」という方がいらっしゃいましたら、\n"
         "お手数ですが連絡ください。確認ししだい修正します。\n"
         "\n"
         "また、ＨＰのアドレスが変わったらすぐ連絡くださいね。\n";
}

ChatDialog::ChatDialog(core::Persona& persona, ui::Backend& backend)
    : ui::Dialog(res::ChatTemplate(), backend),
      m_hIcon(&res::ChatIcon()),
      m_persona(persona),
      m_conversation(persona, backend) {}

int ChatDialog::Start() { return m_conversation.Start() ? 1 : 0; }

void ChatDialog::EndProgram(int status) {
  m_exitStatus = status;
  if (m_book && m_book->IsOpen()) m_book->EndDialog(ui::IDCANCEL);
  EndDialog(ui::IDABORT);
}

bool ChatDialog::ReadsText(int command, int control) const {
  // Only send reads a field, and only the input line: the transcript and the name fields
  // may hold whatever was typed or pasted into them.
  return command == ui::IDOK && control == IDC_INPUT;
}

ChatDialog::~ChatDialog() = default;

void ChatDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::Dialog::DoDataExchange(dx);
  ui::DDX_Text(dx, IDC_YOUR_NAME, m_strYourName);
  ui::DDX_Text(dx, IDC_RINU_NAME, m_strRinuName);
}

bool ChatDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  // The About entry of the window menu (the desktop shows it where it shows window commands).
  if (ui::DialogWindow* window = Window()) {
    std::string caption = res::LoadString(IDS_ABOUTBOX);
    if (!caption.empty()) window->AppendSystemMenuItem(IDM_ABOUTBOX, caption);
  }
  SetIcon(m_hIcon);
  SetDlgItemText(IDC_TRANSCRIPT, m_conversation.Begin());
  ShowNames();
  return true;
}

void ChatDialog::ShowNames() {
  SetDlgItemText(IDC_YOUR_NAME, m_conversation.UserName());
  SetDlgItemText(IDC_RINU_NAME, m_conversation.Nickname());
}

void ChatDialog::OnOK() {
  RunTurn();
  // Whatever the turn did (a click on send, a dialog, a box), typing goes on in the input.
  GotoDlgCtrl(IDC_INPUT);
}

void ChatDialog::RunTurn() {
  std::string input = GetDlgItemText(IDC_INPUT);
  chat::Outcome outcome = m_conversation.Take(input);
  switch (outcome.kind) {
    case chat::Outcome::Kind::kEnd:
      EndProgram(outcome.exit_status);
      return;
    case chat::Outcome::Kind::kCommand:
      SetDlgItemText(IDC_INPUT, "");
      OnCommand(outcome.command);
      return;
    case chat::Outcome::Kind::kReply:
      ShowTranscript();
      SetDlgItemText(IDC_INPUT, "");
      return;
  }
}

void ChatDialog::OnCancel() {
  if (m_book && m_book->IsOpen()) m_book->EndDialog(ui::IDCANCEL);
  if (!m_conversation.End()) {
    EndProgram(1);
    return;
  }
  ui::Dialog::OnCancel();
}

bool ChatDialog::OnCommand(int id) {
  static constexpr struct {
    int id;
    void (ChatDialog::*handler)();
  } kCommands[] = {
      {ID_SHOW_LOG, &ChatDialog::OnShowLog},
      {ID_SETTINGS, &ChatDialog::OnSettings},
      {ID_HELP_PAGE, &ChatDialog::OnHelpPage},
      {ID_VERSION, &ChatDialog::OnVersion},
      {ID_LEARN, &ChatDialog::OnLearn},
      {ID_FORGET, &ChatDialog::OnForget},
      {ID_MEMORY_BOOK, &ChatDialog::OnMemoryBook},
      {ID_DUET, &ChatDialog::OnDuet},
      {ID_HOME_PAGE, &ChatDialog::OnHomePage},
      {ID_RINU_PAGE, &ChatDialog::OnRinuPage},
      {ID_MAIL_WEX, &ChatDialog::OnMailToWex},
      {ID_THANKS_SITE_1, &ChatDialog::OnThanksSite1},
      {ID_THANKS_SITE_2, &ChatDialog::OnThanksSite2},
      {ID_THANKS_SITE_3, &ChatDialog::OnThanksSite3},
      {ID_ABOUT_THANKS, &ChatDialog::OnAboutThanks},
      // The desktop's help command: the help page is the program's only help.
      {ID_HELP, &ChatDialog::OnHelpPage},
  };
  for (const auto& command : kCommands) {
    if (command.id == id) {
      (this->*command.handler)();
      GotoDlgCtrl(IDC_INPUT);
      return true;
    }
  }
  return false;
}

void ChatDialog::OnSysCommand(int id) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    AboutDialog dlgAbout(backend());
    dlgAbout.DoModal();
    GotoDlgCtrl(IDC_INPUT);
  }
  // The window system handles its own entries (move, minimise, close) itself.
}

void ChatDialog::OnShowLog() {
  if (!m_conversation.ShowLog()) EndProgram(1);
}

void ChatDialog::OnVersion() {
  auto about = std::make_unique<AboutDialog>(backend());
  about->DoModal();
}

void ChatDialog::OnSettings() {
  bool names_changed = false;
  if (!m_conversation.ChangeSettings(&names_changed)) {
    EndProgram(1);
    return;
  }
  if (names_changed) ShowNames();
}

void ChatDialog::OnLearn() { m_conversation.Learn(); }

void ChatDialog::OnForget() { m_conversation.Forget(); }

void ChatDialog::OnMemoryBook() {
  // Beside the chat window, so the user goes on chatting while it is open; a backend without
  // such windows runs it as before, until it is closed.
  if (m_book && m_book->IsOpen()) {
    m_book->Activate();
    return;
  }
  m_book = std::make_unique<MemoryBookDialog>(m_persona.folder(), backend());
  if (!m_book->Create()) {
    m_book->DoModal();
    m_book.reset();
  }
}

void ChatDialog::OnDuet() {
  DuetDialog duet(m_persona, backend());
  duet.DoModal();
}

void ChatDialog::Open(const char* target) {
  if (!backend().ShellOpen(target)) backend().MessageBox(res::CannotOpenMessage(target));
}

void ChatDialog::OnHelpPage() {
  // A file of the persona's folder, wherever the program was started from.
  if (!backend().ShellOpen(m_persona.folder().PathOf(res::kHelpPage)))
    backend().MessageBox(res::CannotOpenMessage(res::kHelpPage));
}
void ChatDialog::OnHomePage() { Open(res::kMakerHomePage); }
void ChatDialog::OnRinuPage() { Open(res::kRinuPage); }
void ChatDialog::OnMailToWex() { Open(res::kMailToWex); }
void ChatDialog::OnThanksSite1() { Open(res::kThanksSites[0].address); }
void ChatDialog::OnThanksSite2() { Open(res::kThanksSites[1].address); }
void ChatDialog::OnThanksSite3() { Open(res::kThanksSites[2].address); }

void ChatDialog::OnAboutThanks() { backend().MessageBox(SpecialThanksNote()); }

void ChatDialog::InsertUserName(std::string& reply) {
  chat::InsertName(reply, m_conversation.UserName());
}

void ChatDialog::ShowTranscript() {
  // The edit control wants CR LF between lines. Only the newest part is shown once the
  // transcript grows long, cut after a whole line.
  std::string_view shown = m_conversation.transcript();
  if (shown.size() > kShownTranscriptBytes) {
    shown = shown.substr(0, kShownTranscriptBytes);
    size_t last_break = shown.rfind('\n');
    if (last_break != std::string_view::npos) shown = shown.substr(0, last_break + 1);
  }
  SetDlgItemText(IDC_TRANSCRIPT, core::ToCrLf(shown));
}
