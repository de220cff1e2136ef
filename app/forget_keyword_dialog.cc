#include "app/forget_keyword_dialog.h"

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"

ForgetKeywordDialog::ForgetKeywordDialog(ui::Backend& backend)
    : ui::Dialog(res::ForgetKeywordTemplate(), backend) {}

ForgetKeywordDialog::~ForgetKeywordDialog() = default;

void ForgetKeywordDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::DDX_Text(dx, IDC_FORGET_KEYWORD, m_strKeyword);
}
