#include "ui/qt/qt_dialog_widget.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QWheelEvent>

#include "ui/qt/qt_dialog_window.h"

namespace ui::qt {

namespace {

constexpr int kNoZoom = 2;

// Ctrl+plus (also Ctrl+"=", the plus key without Shift on many layouts) gives +1, Ctrl+minus
// -1, Ctrl+0 0, on the main keys or the keypad; any other key kNoZoom.
int ZoomOf(const QKeyEvent* key) {
  const Qt::KeyboardModifiers mods =
      key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier | Qt::GroupSwitchModifier);
  if (mods != Qt::ControlModifier) return kNoZoom;
  switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return 1;
    case Qt::Key_Minus:
      return -1;
    case Qt::Key_0:
      return 0;
    default:
      return kNoZoom;
  }
}

bool IsEnter(int key, Qt::KeyboardModifiers mods) {
  return (key == Qt::Key_Return || key == Qt::Key_Enter) && mods == 0;
}

bool ToDialogKey(int key, Qt::KeyboardModifiers mods, Key* out) {
  if (mods == Qt::NoModifier) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      *out = Key::kReturn;
    } else if (key == Qt::Key_Delete) {
      *out = Key::kDelete;
    } else {
      return false;
    }
    return true;
  }
  if (mods != Qt::ControlModifier) return false;
  switch (key) {
    case Qt::Key_F:
      *out = Key::kCtrlF;
      return true;
    case Qt::Key_Y:
      *out = Key::kCtrlY;
      return true;
    case Qt::Key_Z:
      *out = Key::kCtrlZ;
      return true;
    default:
      return false;
  }
}

void SelectCurrentRow(QAbstractItemView* view) {
  QAbstractItemModel* model = view->model();
  QItemSelectionModel* selection = view->selectionModel();
  if (!model || !selection || selection->hasSelection() || model->rowCount() == 0) return;
  const int row = view->currentIndex().isValid() ? view->currentIndex().row() : 0;
  const QModelIndex current = model->index(row, 0);
  selection->setCurrentIndex(current,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view->scrollTo(current);
}

}  // namespace

DialogWidget::DialogWidget(QtDialogWindow& window, QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), m_window(window) {}

void DialogWidget::reject() { m_window.Dispatch(IDCANCEL); }
void DialogWidget::accept() { m_window.Dispatch(IDOK); }

void DialogWidget::closeEvent(QCloseEvent* event) {
  if (m_window.ended()) {
    event->accept();
    return;
  }
  event->ignore();
  m_window.Dispatch(IDCANCEL);
}

bool DialogWidget::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) m_window.Activated();
  return QDialog::event(event);
}

void DialogWidget::keyPressEvent(QKeyEvent* event) {
  if (m_window.grows() && TakeZoom(event)) return;
  if (event->matches(QKeySequence::Cancel)) {
    m_window.Dispatch(IDCANCEL);
    return;
  }
  Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (IsEnter(event->key(), mods)) {
    m_window.PressDefault();
    return;
  }
  // Outside an edit a plain key works as an access key, as it does with Alt, unless the
  // template asks for Alt (a window where people type, and a stray letter must not quit).
  QWidget* focus = focusWidget();
  bool in_edit = qobject_cast<QLineEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
                 qobject_cast<QAbstractItemView*>(focus);
  if (m_window.bare_access_keys() && !in_edit && mods == 0 && event->text().size() == 1 &&
      event->text()[0].isPrint() && m_window.ActivateAccessKey(event->text()[0])) {
    return;
  }
  event->ignore();
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Resize:
      if (watched != m_window.client()) break;
      m_window.LayOut();
      return false;
    case QEvent::KeyPress:
    case QEvent::Wheel:
      // The text size keys work wherever the focus is, before a control takes them; so does
      // Ctrl with the mouse wheel over the transcript or a list, which would otherwise zoom
      // that one edit by itself.
      if (m_window.grows() && TakeZoom(event)) return true;
      if (event->type() == QEvent::Wheel) break;
      return KeyIn(watched, static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn:
      return FocusIn(watched, static_cast<QFocusEvent*>(event));
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

bool DialogWidget::TakeZoom(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int zoom = ZoomOf(static_cast<QKeyEvent*>(event));
    if (zoom == kNoZoom) return false;
    m_window.Zoom(zoom);
    return true;
  }
  auto* wheel = static_cast<QWheelEvent*>(event);
  if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
  if (wheel->angleDelta().y() != 0) m_window.Zoom(wheel->angleDelta().y() > 0 ? 1 : -1);
  return true;
}

bool DialogWidget::FocusIn(QObject* watched, const QFocusEvent* event) {
  const Qt::FocusReason reason = event->reason();
  // A list reached with the keyboard while none of its rows is selected selects its current
  // row (the first when it has none), so Enter acts on it.
  if (auto* view = qobject_cast<QAbstractItemView*>(watched)) {
    if (reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
        reason != Qt::PopupFocusReason) {
      SelectCurrentRow(view);
    }
    return false;
  }
  // Tab into a radio group lands on its checked button, as on Windows.
  auto* radio = qobject_cast<QRadioButton*>(watched);
  if (!radio || !radio->group() || radio->isChecked() ||
      (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason)) {
    return false;
  }
  QAbstractButton* checked = radio->group()->checkedButton();
  if (!checked || !checked->isEnabled() || !checked->isVisible()) return false;
  checked->setFocus(reason);
  return true;
}

bool DialogWidget::KeyIn(QObject* watched, const QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (OfferToDialog(watched, key, mods)) return true;
  if (auto* view = qobject_cast<QAbstractItemView*>(watched)) return ListKey(view, key, mods);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(watched)) {
    return MultilineEditKey(edit, key, mods);
  }
  if (auto* radio = qobject_cast<QRadioButton*>(watched)) return RadioKey(radio, key, mods);
  return false;
}

bool DialogWidget::OfferToDialog(QObject* watched, int key, Qt::KeyboardModifiers mods) {
  // The dialog may take a key before the control does.
  auto* control = qobject_cast<QWidget*>(watched);
  if (!control || control->parentWidget() != m_window.client()) return false;
  Key mapped;
  return ToDialogKey(key, mods, &mapped) && !control->objectName().isEmpty() &&
         m_window.SendKey(control->objectName().toInt(), mapped);
}

bool DialogWidget::ListKey(QAbstractItemView* view, int key, Qt::KeyboardModifiers mods) {
  // Enter on a list row activates it, as a double-click does.
  if (!IsEnter(key, mods) || !view->currentIndex().isValid()) return false;
  m_window.SendNotify(view->objectName().toInt(), Notify::kListActivate);
  return true;
}

bool DialogWidget::MultilineEditKey(QPlainTextEdit* edit, int key, Qt::KeyboardModifiers mods) {
  // Without the Enter-keeping style it leaves Enter to the dialog; with it, it keeps Enter
  // even when it is read-only.
  if (!IsEnter(key, mods)) return false;
  if (!edit->property("rinu_want_return").toBool()) {
    m_window.PressDefault();
    return true;
  }
  return edit->isReadOnly();
}

bool DialogWidget::RadioKey(QRadioButton* radio, int key, Qt::KeyboardModifiers mods) {
  // Arrow keys move through a radio group in template order and check the button reached.
  int step = 0;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
      step = -1;
      break;
    case Qt::Key_Down:
    case Qt::Key_Right:
      step = 1;
      break;
    default:
      return false;
  }
  QButtonGroup* group = radio->group();
  if (!group || mods != 0) return false;
  QList<QAbstractButton*> buttons = group->buttons();
  qsizetype n = buttons.size(), at = buttons.indexOf(radio);
  for (qsizetype k = 1; k < n; ++k) {
    QAbstractButton* next = buttons[((at + step * k) % n + n) % n];
    if (next->isEnabled() && next->isVisible()) {
      next->setFocus(Qt::OtherFocusReason);
      next->click();
      break;
    }
  }
  return true;
}

}  // namespace ui::qt
