// SjisPlainTextEdit: a multi-line edit that refuses typed, pasted, dropped or composed text
// holding a character code page 932 cannot hold. The text stays as it was, and `on_refused`
// hears the character once the event is done. Text the program sets is not checked.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <functional>

namespace ui::qt {

class SjisPlainTextEdit : public QPlainTextEdit {
 public:
  SjisPlainTextEdit(QWidget* parent, std::function<void(const QString&)> on_refused);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  // True when `text` holds a character the program cannot take; `on_refused` hears it later.
  bool Refused(const QString& text);

  std::function<void(const QString&)> m_onRefused;
};

}  // namespace ui::qt
