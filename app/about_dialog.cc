#include "app/about_dialog.h"

#include "res/templates.h"

AboutDialog::AboutDialog() : ui::Dialog(res::AboutTemplate()) {}

AboutDialog::~AboutDialog() = default;

void AboutDialog::DoDataExchange(ui::DataExchange& dx) { ui::Dialog::DoDataExchange(dx); }
