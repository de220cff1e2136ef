// SjisLineValidator: what a single-line field lets the user put in. Control characters other
// than tab are dropped from what is typed or pasted, and with a byte limit set, input that
// would take the text past that many Shift-JIS bytes is cut to what fits (a double-byte
// character that would cross the limit is refused whole). Text the program sets is not
// checked; the field tells the validator its text after every change.
#pragma once

#include <QString>
#include <QValidator>

namespace ui::qt {

class SjisLineValidator : public QValidator {
 public:
  explicit SjisLineValidator(QObject* parent) : QValidator(parent) {}

  // 0: no limit.
  void set_limit_bytes(int max_bytes) { m_limitBytes = max_bytes; }
  int limit_bytes() const { return m_limitBytes; }
  // The field's text as it now stands; an edit is measured against it.
  void set_current_text(const QString& text) { m_current = text; }

  State validate(QString& input, int& pos) const override;

 private:
  int m_limitBytes = 0;
  QString m_current;
};

}  // namespace ui::qt
