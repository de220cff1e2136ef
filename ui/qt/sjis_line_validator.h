// SjisLineValidator: what a single-line field lets the user put in. Control characters other
// than tab are dropped from what is typed or pasted, and with a byte limit set, input that
// would take the text past that many Shift-JIS bytes is cut to what fits (a double-byte
// character that would cross the limit is refused whole). A paste that had to be cut, by the
// byte limit or by the field's own length limit, is reported once the edit is done. Text the
// program sets is not checked; the field tells the validator its text after every change.
// Input that holds a character code page 932 cannot hold is refused whole (the field keeps
// its text) and reported with that character once the edit is done.
#pragma once

#include <QString>
#include <QValidator>
#include <functional>

#include "ui/qt/qt_text.h"

namespace ui::qt {

// The first character of text the user puts in (typed, pasted, dropped or composed) that the
// program cannot take: one code page 932 lacks, or U+FFFD, which would be dropped as well.
Unencodable FindRefusedInput(QStringView text);

class SjisLineValidator : public QValidator {
 public:
  explicit SjisLineValidator(QObject* parent) : QValidator(parent) {}

  // 0: no limit.
  void set_limit_bytes(int max_bytes) { m_limitBytes = max_bytes; }
  int limit_bytes() const { return m_limitBytes; }
  // The field's text as it now stands; an edit is measured against it.
  void set_current_text(const QString& text) { m_current = text; }

  // Called (from the event loop, after the edit) when pasted text was cut to fit.
  void set_on_cut(std::function<void()> on_cut) { m_onCut = std::move(on_cut); }
  int cuts() const { return m_cuts; }
  // Called (from the event loop) with the first character of refused input.
  void set_on_refused(std::function<void(const QString&)> on_refused) {
    m_onRefused = std::move(on_refused);
  }

  State validate(QString& input, int& pos) const override;

 private:
  void ReportCut() const;

  int m_limitBytes = 0;
  QString m_current;
  std::function<void()> m_onCut;
  std::function<void(const QString&)> m_onRefused;
  mutable int m_cuts = 0;
};

}  // namespace ui::qt
