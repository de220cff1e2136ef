#include "app/chat_dialog.h"

#include <memory>

#include "app/about_dialog.h"
#include "app/duet_dialog.h"
#include "app/memory_book_dialog.h"
#include "app/text_lines.h"
#include "res/resource.h"
#include "res/strings.h"
#include "res/templates.h"
#include "ui/data_exchange.h"

ChatDialog::ChatDialog(core::Persona& persona, ui::Backend& backend)
    : ui::Dialog(res::ChatTemplate(), backend),
      m_hIcon(&res::ChatIcon()),
      m_persona(persona),
      m_user(backend),
      m_conversation(persona, m_user) {}

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
  std::optional<chat::Command> command = chat::RunCommand(m_conversation, id);
  if (!command) return false;
  Show(*command);
  GotoDlgCtrl(IDC_INPUT);
  return true;
}

void ChatDialog::Show(const chat::Command& command) {
  switch (command.kind) {
    case chat::Command::Kind::kDone:
      if (command.names_changed) ShowNames();
      return;
    case chat::Command::Kind::kOpenFile:
      // A file of the persona's folder, wherever the program was started from.
      if (!backend().ShellOpen(m_persona.folder().PathOf(command.target)))
        backend().MessageBox(res::CannotOpenMessage(command.target));
      return;
    case chat::Command::Kind::kOpenAddress:
      if (!backend().ShellOpen(command.target))
        backend().MessageBox(res::CannotOpenMessage(command.target));
      return;
    case chat::Command::Kind::kNote:
      backend().MessageBox(command.text);
      return;
    case chat::Command::Kind::kAbout:
      OpenAbout();
      return;
    case chat::Command::Kind::kBook:
      OpenBook();
      return;
    case chat::Command::Kind::kDuet:
      OpenDuet();
      return;
    case chat::Command::Kind::kEnd:
      EndProgram(1);
      return;
  }
}

void ChatDialog::OnSysCommand(int id) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    AboutDialog dlgAbout(backend());
    dlgAbout.DoModal();
    GotoDlgCtrl(IDC_INPUT);
  }
  // The window system handles its own entries (move, minimise, close) itself.
}

void ChatDialog::OpenAbout() {
  auto about = std::make_unique<AboutDialog>(backend());
  about->DoModal();
}

void ChatDialog::OpenBook() {
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

void ChatDialog::OpenDuet() {
  DuetDialog duet(m_persona, backend());
  duet.DoModal();
}

void ChatDialog::InsertUserName(std::string& reply) {
  chat::InsertName(reply, m_conversation.UserName());
}

void ChatDialog::ShowTranscript() {
  SetDlgItemText(IDC_TRANSCRIPT, ShownTranscript(m_conversation.transcript()));
}
