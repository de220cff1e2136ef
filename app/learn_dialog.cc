#include "app/learn_dialog.h"

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"

LearnDialog::LearnDialog(ui::Backend& backend) : ui::Dialog(res::LearnTemplate(), backend) {}

LearnDialog::~LearnDialog() = default;

void LearnDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::DDX_Text(dx, IDC_LEARN_WORDS, m_strYourWords);
  ui::DDX_Text(dx, IDC_LEARN_REPLY, m_strReply);
}
