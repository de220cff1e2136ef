#include "ui/qt/sjis_plain_text_edit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <utility>

#include "ui/qt/sjis_line_validator.h"

namespace ui::qt {

SjisPlainTextEdit::SjisPlainTextEdit(QWidget* parent,
                                     std::function<void(const QString&)> on_refused)
    : QPlainTextEdit(parent), m_onRefused(std::move(on_refused)) {}

void SjisPlainTextEdit::keyPressEvent(QKeyEvent* event) {
  if (Refused(event->text())) {
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void SjisPlainTextEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (Refused(event->commitString())) {
    // The composition ends; nothing of it is put in.
    QInputMethodEvent without(event->preeditString(), event->attributes());
    without.setCommitString(QString());
    QPlainTextEdit::inputMethodEvent(&without);
    return;
  }
  QPlainTextEdit::inputMethodEvent(event);
}

void SjisPlainTextEdit::insertFromMimeData(const QMimeData* source) {
  if (source && source->hasText() && Refused(source->text())) return;
  QPlainTextEdit::insertFromMimeData(source);
}

bool SjisPlainTextEdit::Refused(const QString& text) {
  const Unencodable bad = FindRefusedInput(text);
  if (bad.index < 0) return false;
  if (m_onRefused) {
    QTimer::singleShot(0, this, [this, c = bad.character] { m_onRefused(c); });
  }
  return true;
}

}  // namespace ui::qt
