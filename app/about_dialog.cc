#include "app/about_dialog.h"

#include "res/templates.h"

AboutDialog::AboutDialog(ui::Backend& backend) : ui::Dialog(res::AboutTemplate(), backend) {}

AboutDialog::~AboutDialog() = default;

void AboutDialog::DoDataExchange(ui::DataExchange& dx) { ui::Dialog::DoDataExchange(dx); }
