// DialogWidget: the Qt window of a QtDialogWindow, and the event filter of its controls. It
// never closes on its own: Esc, the close box and Enter become commands of its window, and
// only EndModal ends the modal loop. Access keys, keys the dialog takes before a control,
// Enter on a list row, the arrow keys of a radio group and the text size keys reach the
// window from here. The QtDialogWindow owns it.
#pragma once

#include <QDialog>

class QAbstractItemView;
class QFocusEvent;
class QPlainTextEdit;
class QRadioButton;

namespace ui::qt {

class QtDialogWindow;

class DialogWidget : public QDialog {
 public:
  DialogWidget(QtDialogWindow& window, QWidget* parent, Qt::WindowFlags flags);

  void reject() override;
  void accept() override;
  QtDialogWindow& owner() const { return m_window; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A text size key, or Ctrl with the wheel: true when it was taken.
  bool TakeZoom(QEvent* event);
  // A control gets the focus: true when the focus was sent elsewhere.
  bool FocusIn(QObject* watched, const QFocusEvent* event);
  // A key pressed on a control: true when it was taken before the control saw it.
  bool KeyIn(QObject* watched, const QKeyEvent* event);
  bool OfferToDialog(QObject* watched, int key, Qt::KeyboardModifiers mods);
  bool ListKey(QAbstractItemView* view, int key, Qt::KeyboardModifiers mods);
  bool MultilineEditKey(QPlainTextEdit* edit, int key, Qt::KeyboardModifiers mods);
  bool RadioKey(QRadioButton* radio, int key, Qt::KeyboardModifiers mods);

  QtDialogWindow& m_window;
};

}  // namespace ui::qt
