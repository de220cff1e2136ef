#include "app/duet_dialog.h"

#include "app/default_data.h"
#include "chat/new_persona.h"
#include "core/text_codec.h"
#include "core/text_file.h"
#include "res/resource.h"
#include "res/templates.h"
#include "app/text_lines.h"
#include "chat/conversation.h"
#include "settings/settings_store.h"
#include "ui/data_exchange.h"

namespace {
constexpr const char* kChooseTitle = "相手のRinu++のフォルダを選んでください";
constexpr const char* kNewTitle = "新しい相手のフォルダを選んでください（空のフォルダ）";
constexpr const char* kNoFolder = "相手のRinu++のフォルダを選んでください。";
constexpr const char* kUnshownFolder =
    "このフォルダの名前には表示できない文字があります。\n別の名前のフォルダを選んでください。";
}  // namespace

DuetDialog::DuetDialog(core::Persona& persona, ui::Backend& backend, PartnerMaker make_partner)
    : ui::Dialog(res::DuetTemplate(), backend),
      m_persona(persona),
      m_user(backend),
      m_makePartner(std::move(make_partner)),
      m_defaultPlaces(DefaultDataPlaces()) {
  if (!m_makePartner) {
    m_makePartner = [](const std::string& path) { return std::make_unique<core::Persona>(path); };
  }
}

DuetDialog::~DuetDialog() = default;

void DuetDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::Dialog::DoDataExchange(dx);
  ui::DDX_Text(dx, IDC_DUET_FOLDER, m_strFolder);
  ui::DDX_Text(dx, IDC_DUET_EXCHANGES, m_nExchanges);
  ui::DDV_MinMaxInt(dx, m_nExchanges, 1, kMaxExchanges);
  ui::DDX_Text(dx, IDC_DUET_PAUSE, m_nPause);
  ui::DDV_MinMaxInt(dx, m_nPause, 0, kMaxPause);
  ui::DDX_Text(dx, IDC_DUET_FIRST, m_strFirst);
}

bool DuetDialog::ReadsText(int command, int control) const {
  // Only 開始 reads the fields; the transcript holds whatever the personas said.
  return (command == IDC_DUET_START || command == ui::IDOK) && control != IDC_DUET_TRANSCRIPT;
}

bool DuetDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  return true;
}

// Enter presses the default button, 開始.
void DuetDialog::OnOK() { OnStart(); }

void DuetDialog::OnCancel() {
  if (m_running) Finish();
  ui::Dialog::OnCancel();
}

bool DuetDialog::OnCommand(int id) {
  switch (id) {
    case IDC_DUET_BROWSE:
      OnBrowse();
      return true;
    case IDC_DUET_NEW:
      if (!m_running) OnNewPartner();
      return true;
    case IDC_DUET_START:
      OnStart();
      return true;
    case IDC_DUET_STOP:
      // Lines are made between firings of the timer, so the line being made is done.
      if (m_running) Finish();
      return true;
  }
  return false;
}

void DuetDialog::OnBrowse() {
  // The field shows Shift-JIS; file names are UTF-8.
  core::CodecResult start = core::SjisToUtf8(GetDlgItemText(IDC_DUET_FOLDER));
  std::string folder = start.ok ? start.text : std::string();
  if (backend().ChooseFolder(kChooseTitle, &folder)) {
    core::CodecResult shown = core::Utf8ToSjisExact(folder);
    if (shown.ok)
      SetDlgItemText(IDC_DUET_FOLDER, shown.text);
    else
      backend().MessageBox(kUnshownFolder);
  }
  GotoDlgCtrl(IDC_DUET_FOLDER);
}

void DuetDialog::OnNewPartner() {
  // The chooser opens beside this persona's folder, where a new one can be made.
  std::string folder = m_persona.folder().PathOf("..");
  if (!backend().ChooseFolder(kNewTitle, &folder)) return;
  core::CodecResult shown = core::Utf8ToSjisExact(folder);
  if (!shown.ok) {
    backend().MessageBox(kUnshownFolder);
    return;
  }
  const bool copy = Window() && Window()->IsChecked(IDC_DUET_COPY_MEMORY);
  const chat::NewPersona made =
      chat::MakeNewPersona(folder, m_defaultPlaces, copy ? &m_persona.folder() : nullptr);
  if (!made.made()) {
    backend().MessageBox(made.message);
    return;
  }
  // Its names and log mode, as at a first start; the store says why when it cannot keep them.
  std::unique_ptr<core::Persona> partner = m_makePartner(folder);
  SettingsStore settings(*partner);
  if (!chat::LoadSettings(settings, m_user)) return;
  SetDlgItemText(IDC_DUET_FOLDER, shown.text);
  GotoDlgCtrl(IDC_DUET_START);
}

void DuetDialog::OnStart() {
  if (m_running) return;  // one duet at a time
  if (!UpdateData(true)) return;
  if (m_strFolder.empty()) {
    backend().MessageBox(kNoFolder);
    GotoDlgCtrl(IDC_DUET_FOLDER);
    return;
  }
  m_duet.reset();
  core::CodecResult path = core::SjisToUtf8(m_strFolder);
  m_partner = m_makePartner(path.ok ? path.text : m_strFolder);
  m_duet = std::make_unique<chat::Duet>(m_persona, *m_partner, m_user);
  const std::string refused = m_duet->Open();
  if (!refused.empty()) {
    m_duet.reset();
    backend().MessageBox(refused);
    GotoDlgCtrl(IDC_DUET_FOLDER);
    return;
  }
  m_said = 0;
  m_running = true;
  const bool begun = m_duet->Begin(m_strFirst);
  ShowTranscript();
  if (!begun) {
    Finish();
    return;
  }
  if (StartTimer(m_nPause)) return;
  // No timer: the whole duet at once.
  while (SayNext()) {
  }
  Finish();
}

bool DuetDialog::SayNext() {
  if (!m_duet || m_said >= m_nExchanges || m_duet->stopped()) return false;
  std::string speaker, line;
  if (!m_duet->Step(&speaker, &line)) return false;
  ++m_said;
  ShowTranscript();
  return m_said < m_nExchanges && !m_duet->stopped();
}

void DuetDialog::OnTimer() {
  if (!m_running) return;
  // The timer waits while the line is made (a message box may open meanwhile), so the
  // pause runs from the end of one line to the start of the next.
  StopTimer();
  if (SayNext()) {
    StartTimer(m_nPause);
  } else {
    Finish();
  }
}

void DuetDialog::Finish() {
  StopTimer();
  m_running = false;
  if (!m_duet) return;
  m_duet->End();
  if (!m_duet->failure().empty()) backend().MessageBox(m_duet->failure());
}

void DuetDialog::ShowTranscript() {
  SetDlgItemText(IDC_DUET_TRANSCRIPT, ShownTranscript(m_duet ? m_duet->transcript() : ""));
}
