#include "app/setup_dialog.h"

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"

SetupDialog::SetupDialog(ui::Backend& backend)
    : ui::Dialog(res::SetupTemplate(), backend), m_nLogMode(-1) {}

SetupDialog::~SetupDialog() = default;

void SetupDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::DDX_Radio(dx, IDC_LOG_NONE, m_nLogMode);
  ui::DDX_Text(dx, IDC_SETUP_USER_NAME, m_strUserName);
  ui::DDV_MaxChars(dx, m_strUserName, 100);
  ui::DDX_Text(dx, IDC_SETUP_RINU_NAME, m_strNickname);
  ui::DDV_MaxChars(dx, m_strNickname, 100);
}
