#include "ui/qt/qt_text.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QRegularExpression>

#include "core/text_codec.h"

namespace ui::qt {
namespace {

// Shift-JIS bytes of one character given as UTF-8, or 0 when the code page lacks it.
int CharBytes(const QString& character) {
  if (character.size() == 1 && character[0].unicode() < 0x80) return 1;
  core::CodecResult r = core::Utf8ToSjis(character.toUtf8().toStdString());
  return r.ok ? static_cast<int>(r.text.size()) : 0;
}

// Length in UTF-16 units of the character starting at `i`.
qsizetype CharLength(QStringView text, qsizetype i) {
  return (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
}

// True for a byte that can follow a lead byte in code page 932.
bool IsTrailByte(char byte) {
  unsigned char c = static_cast<unsigned char>(byte);
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

}  // namespace

QString FromSjis(std::string_view sjis) {
  std::string utf8;
  utf8.reserve(sjis.size() * 3 / 2);
  while (!sjis.empty()) {
    core::CodecResult r = core::SjisToUtf8(sjis);
    if (r.ok) {
      utf8 += r.text;
      break;
    }
    // Everything before the offending character converts; the character shows as U+FFFD.
    utf8 += core::SjisToUtf8(sjis.substr(0, r.error_offset)).text;
    utf8 += "\xEF\xBF\xBD";
    // A lead byte without a proper second byte stands alone: the byte after it is shown.
    size_t skip = r.error_char.size() == 2 && IsTrailByte(r.error_char[1]) ? 2 : 1;
    sjis.remove_prefix(std::min(sjis.size(), r.error_offset + skip));
  }
  return QString::fromStdString(utf8);
}

std::string ToSjis(QStringView text) {
  std::string utf8 = text.toUtf8().toStdString();
  std::string_view rest = utf8;
  std::string sjis;
  sjis.reserve(utf8.size());
  while (!rest.empty()) {
    core::CodecResult r = core::Utf8ToSjis(rest);
    if (r.ok) {
      sjis += r.text;
      break;
    }
    sjis += core::Utf8ToSjis(rest.substr(0, r.error_offset)).text;
    size_t skip = r.error_char.empty() ? 1 : r.error_char.size();
    rest.remove_prefix(std::min(rest.size(), r.error_offset + skip));
  }
  return sjis;
}

Unencodable FindUnencodable(QStringView text) {
  Unencodable found;
  const std::string utf8 = text.toUtf8().toStdString();
  size_t from = 0;
  while (from < utf8.size()) {
    core::CodecResult r = core::Utf8ToSjis(std::string_view(utf8).substr(from));
    if (r.ok) break;
    const size_t at = from + r.error_offset;
    if (r.error_char == "\xEF\xBF\xBD") {  // U+FFFD: see the header
      from = at + r.error_char.size();
      continue;
    }
    found.index = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(at)).size();
    found.character = text.mid(found.index, CharLength(text, found.index)).toString();
    break;
  }
  return found;
}

QString UnencodableMessage(const QString& character) {
  return QString::fromUtf8(u8"「") + character +
         QString::fromUtf8(u8"」はこのプログラムでは使えない文字です。別の文字にしてください。");
}

int SjisByteCount(QStringView text) {
  int bytes = 0;
  for (qsizetype i = 0; i < text.size();) {
    qsizetype n = CharLength(text, i);
    int b = CharBytes(text.mid(i, n).toString());
    bytes += b == 0 ? 2 : b;
    i += n;
  }
  return bytes;
}

qsizetype FitToBytes(QStringView text, int max_bytes) {
  int bytes = 0;
  qsizetype i = 0;
  while (i < text.size()) {
    qsizetype n = CharLength(text, i);
    int b = CharBytes(text.mid(i, n).toString());
    if (bytes + (b == 0 ? 2 : b) > max_bytes) break;
    bytes += b == 0 ? 2 : b;
    i += n;
  }
  return i;
}

QString StripControls(QStringView text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    char16_t u = c.unicode();
    if ((u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F)) continue;
    out.append(c);
  }
  return out;
}

QUrl ShellTargetUrl(std::string_view sjis_target, const QString& working_folder) {
  QString target = FromSjis(sjis_target);
  // A scheme of two letters or more ("C:" would be a drive, not an address).
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  if (scheme.match(target).hasMatch()) return QUrl(target, QUrl::TolerantMode);
  // A file: its name as the bytes the program opens it by.
  QString name =
      QFile::decodeName(QByteArray(sjis_target.data(), static_cast<qsizetype>(sjis_target.size())));
  return QUrl::fromLocalFile(QDir(working_folder).absoluteFilePath(name));
}

QString MapFontFamily(const QString& face, const std::function<bool(const QString&)>& installed) {
  QStringList candidates;
  if (face == QString::fromUtf8(u8"ＭＳ Ｐゴシック")) {
    candidates << QStringLiteral("IPAPGothic");
  } else if (face == QString::fromUtf8(u8"ＭＳ ゴシック")) {
    candidates << QStringLiteral("IPAGothic") << QStringLiteral("Noto Sans Mono CJK JP");
  } else if (!face.isEmpty()) {
    candidates << face;
  }
  candidates << QStringLiteral("Noto Sans CJK JP");
  for (const QString& family : candidates) {
    if (installed(family)) return family;
  }
  return QString();
}

bool FontFamilyInstalled(const QString& family) { return QFontDatabase::hasFamily(family); }

}  // namespace ui::qt
