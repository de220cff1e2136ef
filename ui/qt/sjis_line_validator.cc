#include "ui/qt/sjis_line_validator.h"

#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "ui/qt/qt_text.h"

namespace ui::qt {

Unencodable FindRefusedInput(QStringView text) {
  Unencodable bad = FindUnencodable(text);
  const qsizetype replacement = text.indexOf(QChar(QChar::ReplacementCharacter));
  if (replacement >= 0 && (bad.index < 0 || replacement < bad.index)) {
    bad.index = replacement;
    bad.character = QString(QChar(QChar::ReplacementCharacter));
  }
  return bad;
}

QValidator::State SjisLineValidator::validate(QString& input, int& pos) const {
  const QString& before = m_current;
  if (input == before) return Acceptable;

  // The edit replaced the middle of the old text: what is left of the cursor's end stands
  // as it was (the suffix), and so does the common start (the prefix).
  const qsizetype n_before = before.size(), n_input = input.size();
  qsizetype suffix = 0;
  const qsizetype suffix_cap = std::min(n_before, std::max<qsizetype>(0, n_input - pos));
  while (suffix < suffix_cap && before[n_before - 1 - suffix] == input[n_input - 1 - suffix]) {
    ++suffix;
  }
  qsizetype prefix = 0;
  const qsizetype prefix_cap = std::min(n_before, n_input) - suffix;
  while (prefix < prefix_cap && before[prefix] == input[prefix]) ++prefix;
  // Never split a surrogate pair between the kept and the inserted parts.
  if (prefix > 0 && input[prefix - 1].isHighSurrogate()) --prefix;
  if (suffix > 0 && input[n_input - suffix].isLowSurrogate()) --suffix;

  const QString inserted = input.mid(prefix, n_input - prefix - suffix);
  QString kept = StripControls(inserted);
  const Unencodable bad = FindRefusedInput(kept);
  if (bad.index >= 0) {
    if (m_onRefused) {
      QTimer::singleShot(0, this, [this, c = bad.character] { m_onRefused(c); });
    }
    return Invalid;
  }
  // The field itself cuts a paste at its length limit before it asks here.
  auto* line = qobject_cast<const QLineEdit*>(parent());
  bool cut = line && inserted.size() > 1 && n_input >= line->maxLength();
  if (m_limitBytes > 0) {
    int room = m_limitBytes - SjisByteCount(QStringView(input).left(prefix)) -
               SjisByteCount(QStringView(input).right(suffix));
    qsizetype whole = kept.size();
    kept.truncate(FitToBytes(kept, std::max(room, 0)));
    // One key too many is simply refused; a longer paste cut short is said.
    cut = cut || (kept.size() < whole && whole > 1);
  }
  if (cut) ReportCut();
  if (kept == inserted) return Acceptable;

  QString result = input.left(prefix) + kept + input.right(suffix);
  if (result == before) return Invalid;  // nothing of the edit is left: refuse it
  input = result;
  pos = static_cast<int>(prefix + kept.size());
  return Acceptable;
}

void SjisLineValidator::ReportCut() const {
  ++m_cuts;
  if (m_onCut) QTimer::singleShot(0, this, m_onCut);
}

}  // namespace ui::qt
