#include "app/forget_choice_dialog.h"

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"

ForgetChoiceDialog::ForgetChoiceDialog(ui::Backend& backend)
    : ui::Dialog(res::ForgetChoiceTemplate(), backend), m_nNumber(0) {}

ForgetChoiceDialog::~ForgetChoiceDialog() = default;

void ForgetChoiceDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::DDX_Text(dx, IDC_FORGET_NUMBER, m_nNumber);
  ui::DDV_MinMaxInt(dx, m_nNumber, 0, 9999999);
  ui::DDX_Text(dx, IDC_FORGET_LIST, m_strList);
}
