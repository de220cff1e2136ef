#include "app/settings_dialog.h"

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"

SettingsDialog::SettingsDialog(chat::SettingsApply& apply, ui::Backend& backend)
    : ui::Dialog(res::SettingsTemplate(), backend), m_nLogMode(-1), m_apply(apply) {}

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
  // set.ini is read first, so a damaged file is repaired (through the setup dialog) before the
  // dialog's values are written over it.
  if (!m_apply.Prepare()) {
    m_mustEnd = true;
    EndDialog(ui::IDABORT);
    return;
  }
  if (!UpdateData(true)) return;
  m_apply.Apply({GetDlgItemText(IDC_YOUR_NAME), GetDlgItemText(IDC_NICKNAME), m_nLogMode});
}
