#include "settings/settings_dialog.h"

#include "res/resource.h"
#include "res/templates.h"
#include "settings/settings_store.h"
#include "ui/data_exchange.h"

SettingsDialog::SettingsDialog(core::Persona& persona, ui::Backend& backend)
    : ui::Dialog(res::SettingsTemplate(), backend), m_nLogMode(-1), m_persona(persona) {}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::DDX_Text(dx, IDC_NICKNAME, m_strNickname);
  ui::DDV_MaxChars(dx, m_strNickname, 100);
  ui::DDX_Text(dx, IDC_YOUR_NAME, m_strUserName);
  ui::DDV_MaxChars(dx, m_strUserName, 100);
  ui::DDX_Radio(dx, IDC_LOG_NONE, m_nLogMode);
}

bool SettingsDialog::OnCommand(int id) {
  if (id != IDC_APPLY) return false;
  OnApply();
  return true;
}

void SettingsDialog::OnApply() {
  // The store reads set.ini first, so a damaged file is repaired (through the setup dialog)
  // before the dialog's values are written over it.
  SettingsStore store(m_persona, backend());
  if (!store.Load()) {
    m_mustEnd = true;
    EndDialog(ui::IDABORT);
    return;
  }
  if (!UpdateData(true)) return;
  std::string userName = GetDlgItemText(IDC_YOUR_NAME);
  std::string nickname = GetDlgItemText(IDC_NICKNAME);
  store.Assign(userName, nickname, m_nLogMode);
  store.Save();
}
