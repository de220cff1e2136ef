// The program's dialog templates, menu and icons as data. Each template lives in a file of
// its own (res/template_*.cc); all are static and live as long as the program.
#pragma once

#include "ui/dialog_template.h"

namespace res {

const ui::DialogTemplate& AboutTemplate();          // 100
const ui::DialogTemplate& ChatTemplate();           // 102, with menu 132
const ui::DialogTemplate& SetupTemplate();          // 133
const ui::DialogTemplate& SettingsTemplate();       // 134
const ui::DialogTemplate& LearnTemplate();          // 136
const ui::DialogTemplate& ForgetKeywordTemplate();  // 137
const ui::DialogTemplate& ForgetChoiceTemplate();   // 138
const ui::DialogTemplate& MemoryBookTemplate();     // 139
const ui::DialogTemplate& BookEditTemplate();       // 140
const ui::DialogTemplate& DuetTemplate();           // 141
const ui::MenuTemplate& ChatMenu();                 // 132

const ui::IconResource& AboutIcon();  // 128
const ui::IconResource& ChatIcon();   // 131

}  // namespace res
