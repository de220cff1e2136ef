// The text boundary of the Qt backend: the program holds Shift-JIS bytes (code page 932),
// Qt shows UTF-16. These helpers convert both ways, count a text's Shift-JIS bytes, find the
// first character the code page cannot hold, and turn a shell target or a template's font
// name into what Qt needs. Nothing outside ui/qt/ uses them.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>
#include <functional>
#include <string>
#include <string_view>

namespace ui::qt {

// For display: bytes that are not code page 932 show as U+FFFD, the rest converts exactly.
QString FromSjis(std::string_view sjis);

// The Shift-JIS bytes of `text`; characters the code page lacks are left out (callers that
// must not lose them check with FindUnencodable first).
std::string ToSjis(QStringView text);

// The first character of `text` that code page 932 cannot hold: its index in UTF-16 units
// and the character itself; index -1 when every character converts. U+FFFD is passed over:
// it stands for bytes of the program's own text that could not be shown, and ToSjis drops
// it, so a user who edits such a text is not stopped by what they never typed.
struct Unencodable {
  qsizetype index = -1;
  QString character;
};
Unencodable FindUnencodable(QStringView text);

// The message that tells the user `character` cannot be used.
QString UnencodableMessage(const QString& character);

// How many Shift-JIS bytes `text` takes; a character the code page lacks counts as two.
int SjisByteCount(QStringView text);
// The number of UTF-16 units at the start of `text` that fit in `max_bytes` Shift-JIS
// bytes without splitting a character.
qsizetype FitToBytes(QStringView text, int max_bytes);

// `text` without the control characters a single-line field does not pass on: C0 controls
// other than tab, DEL and C1 controls.
QString StripControls(QStringView text);

// What the desktop opens for a shell target (Shift-JIS): an address with a scheme
// ("http:", "mailto:") as it stands, anything else as a file relative to `working_folder`.
QUrl ShellTargetUrl(std::string_view sjis_target, const QString& working_folder);

// The installed font family that stands in for a template's face name: the proportional
// gothic for "ＭＳ Ｐゴシック", the fixed one for "ＭＳ ゴシック", then Noto Sans CJK JP; an empty
// string when `installed` accepts none of them (the default font is used). The result is
// always the family's English name, and `installed` must accept a family by any of its
// names: the desktop lists the IPA fonts by their Japanese names under a Japanese locale,
// and the same face must be found under every locale.
QString MapFontFamily(const QString& face, const std::function<bool(const QString&)>& installed);

// Whether a font family is installed under that name in any language (Qt's font database,
// which takes every name fontconfig gives a family).
bool FontFamilyInstalled(const QString& family);

}  // namespace ui::qt
