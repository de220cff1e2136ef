#include "ui/qt/qt_dialog_window.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

#include "ui/list_model.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/sjis_line_validator.h"
#include "ui/qt/window_memory.h"
#include "ui/window_layout.h"

namespace ui::qt {

// The Qt side of a list control: asks the dialog's ListModel for exactly the cells the view
// draws, so the rows cost nothing until they are scrolled into sight.
class ListItemModel : public QAbstractTableModel {
 public:
  explicit ListItemModel(QObject* parent) : QAbstractTableModel(parent) {}

  void SetModel(const ListModel* model) {
    beginResetModel();
    m_model = model;
    endResetModel();
  }
  const ListModel* model() const { return m_model; }
  void Reset() {
    beginResetModel();
    endResetModel();
  }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    if (parent.isValid() || !m_model) return 0;
    return static_cast<int>(std::min<size_t>(m_model->RowCount(), INT_MAX));
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() || !m_model ? 0 : m_model->ColumnCount();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!m_model || !index.isValid()) return QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
    // A line too long for its column is shown whole in the tip.
    return FromSjis(m_model->CellText(static_cast<size_t>(index.row()), index.column()));
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (!m_model || orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    return FromSjis(m_model->Column(section).title);
  }

 private:
  const ListModel* m_model = nullptr;
};

// A multi-line edit that refuses typed, pasted, dropped or composed text holding a character
// code page 932 cannot hold: the text stays as it was and `on_refused` hears the character
// once the event is done. Text the program sets is not checked.
class SjisPlainTextEdit : public QPlainTextEdit {
 public:
  SjisPlainTextEdit(QWidget* parent, std::function<void(const QString&)> on_refused)
      : QPlainTextEdit(parent), m_onRefused(std::move(on_refused)) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (Refused(event->text())) {
      event->accept();
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    if (Refused(event->commitString())) {
      // The composition ends; nothing of it is put in.
      QInputMethodEvent without(event->preeditString(), event->attributes());
      without.setCommitString(QString());
      QPlainTextEdit::inputMethodEvent(&without);
      return;
    }
    QPlainTextEdit::inputMethodEvent(event);
  }
  void insertFromMimeData(const QMimeData* source) override {
    if (source && source->hasText() && Refused(source->text())) return;
    QPlainTextEdit::insertFromMimeData(source);
  }

 private:
  bool Refused(const QString& text) {
    const Unencodable bad = FindRefusedInput(text);
    if (bad.index < 0) return false;
    if (m_onRefused) {
      QTimer::singleShot(0, this, [this, c = bad.character] { m_onRefused(c); });
    }
    return true;
  }

  std::function<void(const QString&)> m_onRefused;
};
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

}  // namespace

// The Qt window itself. It never closes on its own: Esc, the close box and Enter become
// commands of the owning QtDialogWindow, and only EndModal ends the modal loop.
class DialogWidget : public QDialog {
 public:
  DialogWidget(QtDialogWindow& window, QWidget* parent, Qt::WindowFlags flags)
      : QDialog(parent, flags), m_window(window) {}

  void reject() override { m_window.Dispatch(IDCANCEL); }
  void accept() override { m_window.Dispatch(IDOK); }
  QtDialogWindow& owner() const { return m_window; }

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (m_window.m_ended) {
      event->accept();
      return;
    }
    event->ignore();
    m_window.Dispatch(IDCANCEL);
  }

  bool event(QEvent* event) override {
    // A window beside the chat window hears when the user comes back to it.
    if (event->type() == QEvent::WindowActivate && m_window.m_modeless && !m_window.m_ended) {
      m_window.m_dialog.HandleActivate();
    }
    return QDialog::event(event);
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (m_window.m_grows && ZoomOf(event) != kNoZoom) {
      m_window.Zoom(ZoomOf(event));
      return;
    }
    if (event->matches(QKeySequence::Cancel)) {
      m_window.Dispatch(IDCANCEL);
      return;
    }
    Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == 0) {
      m_window.PressDefault();
      return;
    }
    // Outside an edit a plain key works as an access key, as it does with Alt, unless the
    // template asks for Alt (a window where people type, and a stray letter must not quit).
    QWidget* focus = focusWidget();
    bool in_edit = qobject_cast<QLineEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
                   qobject_cast<QAbstractItemView*>(focus);
    bool bare_keys = !(m_window.m_dialog.Template().style & kDlgAltAccessKeys);
    if (bare_keys && !in_edit && mods == 0 && event->text().size() == 1 &&
        event->text()[0].isPrint() && m_window.ActivateAccessKey(event->text()[0])) {
      return;
    }
    event->ignore();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize && watched == m_window.m_client) {
      m_window.LayOut();
      return false;
    }
    // The text size keys work wherever the focus is, before a control takes them; so does
    // Ctrl with the mouse wheel over the transcript or a list, which would otherwise zoom
    // that one edit by itself.
    if (event->type() == QEvent::KeyPress && m_window.m_grows) {
      const int zoom = ZoomOf(static_cast<QKeyEvent*>(event));
      if (zoom != kNoZoom) {
        m_window.Zoom(zoom);
        return true;
      }
    }
    if (event->type() == QEvent::Wheel && m_window.m_grows) {
      auto* wheel = static_cast<QWheelEvent*>(event);
      if (wheel->modifiers() & Qt::ControlModifier) {
        if (wheel->angleDelta().y() != 0) m_window.Zoom(wheel->angleDelta().y() > 0 ? 1 : -1);
        return true;
      }
    }
    if (event->type() == QEvent::FocusIn) {
      // Tab into a radio group lands on its checked button, as on Windows.
      auto* radio = qobject_cast<QRadioButton*>(watched);
      auto reason = static_cast<QFocusEvent*>(event)->reason();
      // A list reached with the keyboard while none of its rows is selected selects its
      // current row (the first when it has none), so Enter acts on it.
      if (auto* view = qobject_cast<QAbstractItemView*>(watched)) {
        if (reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason) {
          SelectCurrentRow(view);
        }
        return false;
      }
      if (radio && radio->group() && !radio->isChecked() &&
          (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)) {
        QAbstractButton* checked = radio->group()->checkedButton();
        if (checked && checked->isEnabled() && checked->isVisible()) {
          checked->setFocus(reason);
          return true;
        }
      }
      return false;
    }
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    // The dialog may take a key before the control does.
    if (auto* control = qobject_cast<QWidget*>(watched);
        control && control->parentWidget() == m_window.m_client) {
      Key mapped;
      if (ToDialogKey(key->key(), mods, &mapped) && !control->objectName().isEmpty() &&
          m_window.SendKey(control->objectName().toInt(), mapped)) {
        return true;
      }
    }
    // Enter on a list row activates it, as a double-click does.
    if (auto* view = qobject_cast<QAbstractItemView*>(watched)) {
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == 0 &&
          view->currentIndex().isValid()) {
        m_window.SendNotify(view->objectName().toInt(), Notify::kListActivate);
        return true;
      }
      return false;
    }
    // A multi-line edit without the Enter-keeping style leaves Enter to the dialog; one
    // with it keeps Enter even when it is read-only.
    if (auto* edit = qobject_cast<QPlainTextEdit*>(watched)) {
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == 0) {
        bool want_return = edit->property("rinu_want_return").toBool();
        if (!want_return) {
          m_window.PressDefault();
          return true;
        }
        return edit->isReadOnly();
      }
      return false;
    }
    // Arrow keys move through a radio group in template order and check the button reached.
    if (auto* radio = qobject_cast<QRadioButton*>(watched)) {
      int step = 0;
      switch (key->key()) {
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
    return false;
  }

 private:
  static bool ToDialogKey(int key, Qt::KeyboardModifiers mods, Key* out) {
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

  static void SelectCurrentRow(QAbstractItemView* view) {
    QAbstractItemModel* model = view->model();
    QItemSelectionModel* selection = view->selectionModel();
    if (!model || !selection || selection->hasSelection() || model->rowCount() == 0) return;
    const int row = view->currentIndex().isValid() ? view->currentIndex().row() : 0;
    const QModelIndex current = model->index(row, 0);
    selection->setCurrentIndex(current,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(current);
  }

  QtDialogWindow& m_window;
};

namespace {

// Windows' MulDiv: a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;
  return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

// "&&" stands for "&", "&x" marks an access key; returns the key (lower case) or a null char.
QChar AccessKey(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return caption[i + 1].toLower();
  }
  return QChar();
}

QString WithoutAccessKey(const QString& caption) {
  QString out;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    out.append(caption[i]);
  }
  return out;
}

QPixmap IconPixmap(const IconResource& icon, int want_size) {
  const IconImage* best = nullptr;
  for (const IconImage& image : icon.images) {
    bool better = !best || (image.size == want_size && best->size != want_size) ||
                  (image.size == best->size && image.bits_per_pixel > best->bits_per_pixel) ||
                  (best->size != want_size && image.size > best->size);
    if (better) best = &image;
  }
  QPixmap pixmap;
  if (best) {
    pixmap.loadFromData(reinterpret_cast<const uchar*>(best->png.data()),
                        static_cast<uint>(best->png.size()), "PNG");
  }
  return pixmap;
}

bool IsEdit(const ControlTemplate& t) { return t.kind == ControlKind::kEdit; }
bool IsMultiline(const ControlTemplate& t) { return IsEdit(t) && (t.style & kMultiline); }

QString ToDisplayLines(const std::string& sjis) {
  QString text = FromSjis(sjis);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  return text;
}

}  // namespace

int DialogUnits::X(int du) const { return MulDiv(du, base_x, 4); }
int DialogUnits::Y(int du) const { return MulDiv(du, base_y, 8); }

QtDialogWindow::QtDialogWindow(QtBackend& backend, Dialog& dialog, QWidget* parent)
    : m_backend(backend), m_dialog(dialog) {
  Build(parent);
}

QtDialogWindow::~QtDialogWindow() {
  // Each window's widgets belong to its QtDialogWindow alone. A window opened beside this one
  // (the memory book beside the chat window) is a Qt child of this one only so that it stays
  // above it; before this window's widgets go, such a window is closed and taken out of Qt's
  // tree, so that its own QtDialogWindow deletes it when its dialog goes, and Qt never does.
  for (DialogWidget* beside : m_widget->findChildren<DialogWidget*>(Qt::FindDirectChildrenOnly)) {
    beside->owner().EndModal(IDCANCEL);
    beside->setParent(nullptr, beside->windowFlags());
  }
}

void QtDialogWindow::Build(QWidget* parent) {
  const DialogTemplate& t = m_dialog.Template();

  Qt::WindowFlags flags = (t.style & kDlgAppWindow) ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint;
  if (t.style & kDlgCaption) flags |= Qt::WindowTitleHint;
  if (t.style & kDlgSysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (t.style & kDlgMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  if (!(t.style & kDlgCaption)) flags |= Qt::FramelessWindowHint;
  m_widget =
      std::make_unique<DialogWidget>(*this, (t.style & kDlgAppWindow) ? nullptr : parent, flags);
  m_widget->setWindowTitle(FromSjis(t.caption));
  m_widget->setSizeGripEnabled(false);

  QFont font;
  const QString face = FromSjis(t.font);
  QString family = MapFontFamily(face, FontFamilyInstalled);
  if (!family.isEmpty()) font.setFamily(family);
  font.setStyleHint(face == QString::fromUtf8(u8"ＭＳ ゴシック") ? QFont::TypeWriter
                                                                 : QFont::SansSerif);
  font.setPointSize(t.point_size > 0 ? t.point_size : 9);
  m_widget->setFont(font);
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_units.base_x = (alphabet / 26 + 1) / 2;
  m_units.base_y = metrics.height();

  m_grows = t.Grows();
  m_textSize = t.point_size > 0 ? t.point_size : 9;
  auto* layout = new QVBoxLayout(m_widget.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  // A window that grows is no smaller than its template; any other has the template's size.
  layout->setSizeConstraint(m_grows ? QLayout::SetMinimumSize : QLayout::SetFixedSize);
  if (t.menu) {
    auto* bar = new QMenuBar(m_widget.get());
    BuildMenu(bar, t.menu->items);
    layout->setMenuBar(bar);
  }
  m_client = new QWidget(m_widget.get());
  m_baseClient = QSize(m_units.X(t.cx), m_units.Y(t.cy));
  if (m_grows) {
    m_client->setMinimumSize(m_baseClient);
  } else {
    m_client->setFixedSize(m_baseClient);
  }
  layout->addWidget(m_client);

  m_controls.resize(t.controls.size());
  std::vector<QButtonGroup*> groups;  // one per group start, made when a radio needs it
  groups.push_back(nullptr);
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const ControlTemplate& ct = t.controls[i];
    if (i > 0 && (ct.style & kGroup)) groups.push_back(nullptr);
    Control& c = m_controls[i];
    c.tmpl = &ct;
    c.text = ct.text;
    c.widget = MakeControl(c, m_client, groups);
    if (ct.id != IDC_STATIC) c.widget->setObjectName(QString::number(ct.id));
  }
  // Labels hand their access key to the next control Tab reaches; group boxes lie under
  // the controls they frame.
  for (size_t i = 0; i < m_controls.size(); ++i) {
    Control& c = m_controls[i];
    if (c.tmpl->kind == ControlKind::kStatic) {
      Control* next = NextTabStop(i);
      if (next && !(c.tmpl->style & kNoPrefix) && !AccessKey(FromSjis(c.text)).isNull()) {
        static_cast<QLabel*>(c.widget)->setBuddy(next->widget);
      }
      ApplyCaption(c);
    } else if (c.tmpl->kind == ControlKind::kGroupBox) {
      c.widget->lower();
    }
  }
  for (Control& c : m_controls) {
    if (c.tmpl->kind == ControlKind::kStatic || c.tmpl->kind == ControlKind::kRadioButton) {
      FitCaption(c);
    }
  }
  if (!m_grows) return;
  // The places at the template's size, captions fitted, are where the anchors start from.
  for (const Control& c : m_controls) {
    const QRect r = c.widget->geometry();
    m_baseRects.push_back(ui::Rect{r.x(), r.y(), r.width(), r.height()});
    // The text size keys reach the window from every control, before the control sees them.
    c.widget->installEventFilter(m_widget.get());
    if (auto* area = qobject_cast<QAbstractScrollArea*>(c.widget)) {
      area->viewport()->installEventFilter(m_widget.get());
    }
  }
  m_client->installEventFilter(m_widget.get());
  const RememberedWindow remembered = m_backend.window_memory().Load(t.id);
  if (remembered.text_size > 0) ApplyTextSize(remembered.text_size);
}

namespace {

bool TakesTextSize(const ControlTemplate& t) {
  return t.kind == ControlKind::kList || (t.kind == ControlKind::kEdit && (t.style & kMultiline));
}

QRect ToQRect(const ui::Rect& r) { return QRect(r.x, r.y, r.cx, r.cy); }

}  // namespace

void QtDialogWindow::LayOut() {
  if (!m_grows || m_baseRects.size() != m_controls.size()) return;
  const ui::Size now{m_client->width(), m_client->height()};
  const ui::Size base{m_baseClient.width(), m_baseClient.height()};
  const std::vector<ui::Rect> rects =
      ui::LayOutControls(m_baseRects, ui::AnchorsOf(m_dialog.Template()), base, now);
  for (size_t i = 0; i < m_controls.size(); ++i) {
    m_controls[i].widget->setGeometry(ToQRect(rects[i]));
  }
}

void QtDialogWindow::ApplyTextSize(int points) {
  m_textSize = std::clamp(points, kMinTextSize, kMaxTextSize);
  QFont font = m_widget->font();
  font.setPointSize(m_textSize);
  for (Control& c : m_controls) {
    if (!TakesTextSize(*c.tmpl)) continue;
    c.widget->setFont(font);
    if (auto* view = qobject_cast<QTableView*>(c.widget)) {
      view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    }
  }
}

void QtDialogWindow::Zoom(int step) {
  if (!m_grows) return;
  const DialogTemplate& t = m_dialog.Template();
  const int next = ui::NextTextSize(m_textSize, step, t.point_size > 0 ? t.point_size : 9);
  if (next == m_textSize) return;
  ApplyTextSize(next);
  m_backend.window_memory().SaveTextSize(t.id, m_textSize);
}

void QtDialogWindow::RestorePlace() {
  const RememberedWindow remembered = m_backend.window_memory().Load(m_dialog.Template().id);
  if (!remembered.frame) return;
  // Never smaller than the template, whatever the file says, nor larger than its screen.
  const QSize minimum = m_widget->minimumSizeHint();
  const QSize size = remembered.frame->size().expandedTo(minimum);
  std::vector<ui::Rect> screens;
  size_t primary = 0;
  const QList<QScreen*> all = QGuiApplication::screens();
  for (qsizetype i = 0; i < all.size(); ++i) {
    const QRect g = all[i]->availableGeometry();
    if (all[i] == QGuiApplication::primaryScreen()) primary = static_cast<size_t>(i);
    screens.push_back(ui::Rect{g.x(), g.y(), g.width(), g.height()});
  }
  const ui::Rect place = ui::KeepOnScreen(
      ui::Rect{remembered.frame->x(), remembered.frame->y(), size.width(), size.height()},
      ui::Size{minimum.width(), minimum.height()}, screens, primary);
  m_widget->resize(place.cx, place.cy);
  m_widget->move(place.x, place.y);
}

void QtDialogWindow::RememberPlace() {
  if (!m_widget->isVisible() || m_widget->windowState() != Qt::WindowNoState) return;
  m_backend.window_memory().SaveFrame(m_dialog.Template().id,
                                      QRect(m_widget->pos(), m_widget->size()));
}

void QtDialogWindow::FitCaption(Control& c) {
  // Our fonts are not the ones the layout was drawn with, and a few captions come out a
  // little wider: such a control grows into the free space beside it (a wrapping label
  // downwards), within its group box, rather than lose the end of its caption.
  QRect rect = c.widget->geometry();
  QRect bounds = m_client->rect();
  for (const Control& other : m_controls) {
    QRect box = other.widget->geometry();
    if (other.tmpl->kind == ControlKind::kGroupBox && box.contains(rect)) {
      bounds &= box.adjusted(1, 1, -2, -2);
    }
  }
  auto free = [&](const QRect& r) {
    if (!bounds.contains(r)) return false;
    for (const Control& other : m_controls) {
      if (&other == &c || other.tmpl->kind == ControlKind::kGroupBox) continue;
      if (other.widget->geometry().intersects(r)) return false;
    }
    return true;
  };
  auto* label = qobject_cast<QLabel*>(c.widget);
  const QFontMetrics metrics(c.widget->font());
  if (label && rect.height() >= 2 * metrics.height()) {
    const int needed = label->heightForWidth(rect.width());
    while (rect.height() < needed && free(rect.adjusted(0, 0, 0, 1))) rect.adjust(0, 0, 0, 1);
  } else {
    const QString shown = label && label->buddy() ? WithoutAccessKey(label->text()) : QString();
    const int needed = !label           ? c.widget->sizeHint().width()
                       : label->buddy() ? metrics.horizontalAdvance(shown) + 1
                                        : metrics.horizontalAdvance(label->text()) + 1;
    if (needed <= rect.width()) return;
    if (label) label->setWordWrap(false);
    while (rect.width() < needed && free(rect.adjusted(0, 0, 1, 0))) rect.adjust(0, 0, 1, 0);
    if (!(c.tmpl->style & kCenter)) {
      while (rect.width() < needed && free(rect.adjusted(-1, 0, 0, 0))) rect.adjust(-1, 0, 0, 0);
    }
  }
  if (!m_baseRects.empty()) {
    // A caption set in a grown window moves the control's place at the template's size along.
    ui::Rect& base = m_baseRects[static_cast<size_t>(&c - m_controls.data())];
    const QRect old = c.widget->geometry();
    base.x += rect.x() - old.x();
    base.y += rect.y() - old.y();
    base.cx += rect.width() - old.width();
    base.cy += rect.height() - old.height();
  }
  c.widget->setGeometry(rect);
}

QWidget* QtDialogWindow::MakeControl(Control& c, QWidget* client,
                                     std::vector<QButtonGroup*>& groups) {
  const ControlTemplate& ct = *c.tmpl;
  QRect rect(m_units.X(ct.rect.x), m_units.Y(ct.rect.y), m_units.X(ct.rect.cx),
             m_units.Y(ct.rect.cy));
  const int id = ct.id;
  QWidget* w = nullptr;
  switch (ct.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton: {
      auto* button = new QPushButton(FromSjis(ct.text), client);
      button->setAutoDefault(true);
      button->setDefault(ct.kind == ControlKind::kDefPushButton);
      QObject::connect(button, &QPushButton::clicked, m_widget.get(), [this, id] { Dispatch(id); });
      w = button;
      break;
    }
    case ControlKind::kEdit: {
      const uint32_t s = ct.style;
      if (s & kMultiline) {
        auto* edit = new SjisPlainTextEdit(client, [this](const QString& c) { Refuse(c); });
        edit->setFrameShape((s & (kBorder | kSunken)) ? QFrame::StyledPanel : QFrame::NoFrame);
        edit->setReadOnly(s & kReadOnly);
        edit->setTabChangesFocus(true);
        edit->setProperty("rinu_want_return", static_cast<bool>(s & kWantReturn));
        edit->setLineWrapMode((s & (kHScroll | kAutoHScroll)) ? QPlainTextEdit::NoWrap
                                                              : QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy((s & kVScroll) ? Qt::ScrollBarAlwaysOn
                                                        : Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy((s & kHScroll) ? Qt::ScrollBarAlwaysOn
                                                          : Qt::ScrollBarAlwaysOff);
        edit->setPlainText(ToDisplayLines(ct.text));
        edit->installEventFilter(m_widget.get());
        QObject::connect(edit, &QPlainTextEdit::textChanged, m_widget.get(), [this, &c] {
          if (m_settingText) return;
          c.user_changed = true;
          SendNotify(c.tmpl->id, Notify::kEditChange);
        });
        w = edit;
      } else {
        auto* edit = new QLineEdit(client);
        edit->setFrame(s & (kBorder | kSunken));
        // Without a frame the text starts at the top, in line with a label beside it.
        if (!(s & (kBorder | kSunken))) edit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        edit->setReadOnly(s & kReadOnly);
        if (!(s & kReadOnly)) {
          c.validator = new SjisLineValidator(edit);
          c.validator->set_on_cut([this] {
            m_backend.ShowMessageUtf8(reinterpret_cast<const char*>(
                u8"貼り付けた文字が長すぎるため、入りきらない部分は切り捨てました。"));
          });
          c.validator->set_on_refused([this](const QString& ch) { Refuse(ch); });
          edit->setValidator(c.validator);
        }
        edit->setText(FromSjis(ct.text));
        if (c.validator) c.validator->set_current_text(edit->text());
        QObject::connect(edit, &QLineEdit::textChanged, m_widget.get(),
                         [this, &c](const QString& text) {
                           if (c.validator) c.validator->set_current_text(text);
                           if (m_settingText) return;
                           c.user_changed = true;
                           SendNotify(c.tmpl->id, Notify::kEditChange);
                         });
        w = edit;
      }
      if (s & kReadOnly) {
        // Read-only fields sit on the dialog's own colour, as on Windows.
        QPalette palette = w->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        w->setPalette(palette);
      }
      break;
    }
    case ControlKind::kStatic: {
      auto* label = new QLabel(client);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(((ct.style & kCenter) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
      w = label;
      break;
    }
    case ControlKind::kRadioButton: {
      auto* radio = new QRadioButton(FromSjis(ct.text), client);
      radio->setAutoExclusive(false);
      QButtonGroup*& group = groups.back();
      if (!group) group = new QButtonGroup(m_widget.get());
      group->addButton(radio);
      c.group = group;
      radio->installEventFilter(m_widget.get());
      w = radio;
      break;
    }
    case ControlKind::kGroupBox: {
      auto* box = new QGroupBox(FromSjis(ct.text), client);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      w = box;
      break;
    }
    case ControlKind::kIcon: {
      auto* label = new QLabel(client);
      if (ct.icon) {
        QPixmap pixmap = IconPixmap(*ct.icon, 32);
        label->setPixmap(pixmap);
        if (!pixmap.isNull()) rect.setSize(pixmap.size());
      }
      w = label;
      break;
    }
    case ControlKind::kList: {
      // A report list: whole rows selected, several with Shift and Ctrl, every row of one
      // height so the view never measures rows it does not draw, Tab on to the next control.
      auto* view = new QTableView(client);
      view->setSelectionMode(QAbstractItemView::ExtendedSelection);
      view->setSelectionBehavior(QAbstractItemView::SelectRows);
      view->setEditTriggers(QAbstractItemView::NoEditTriggers);
      view->setTabKeyNavigation(false);
      view->setShowGrid(false);
      view->setWordWrap(false);
      view->setCornerButtonEnabled(false);
      view->verticalHeader()->hide();
      view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
      view->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_widget->font()).height() + 4);
      view->horizontalHeader()->setHighlightSections(false);
      view->horizontalHeader()->setStretchLastSection(true);
      view->horizontalHeader()->setSectionsMovable(false);
      view->setFrameShape((ct.style & (kBorder | kSunken)) ? QFrame::StyledPanel : QFrame::NoFrame);
      c.list = new ListItemModel(view);
      view->setModel(c.list);
      QObject::connect(view, &QAbstractItemView::doubleClicked, m_widget.get(),
                       [this, id](const QModelIndex& index) {
                         if (index.isValid()) SendNotify(id, Notify::kListActivate);
                       });
      QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged,
                       m_widget.get(), [this, id] {
                         if (!m_settingSelection) SendNotify(id, Notify::kListSelectionChange);
                       });
      view->installEventFilter(m_widget.get());
      w = view;
      break;
    }
  }
  w->setGeometry(rect);
  w->installEventFilter(m_widget.get());  // keys the dialog may take (Dialog::HandleKey)
  const bool focusable = ct.kind != ControlKind::kStatic && ct.kind != ControlKind::kGroupBox &&
                         ct.kind != ControlKind::kIcon;
  w->setFocusPolicy(!focusable              ? Qt::NoFocus
                    : (ct.style & kTabStop) ? Qt::StrongFocus
                                            : Qt::ClickFocus);
  return w;
}

void QtDialogWindow::BuildMenu(QWidget* menu_or_bar, const std::vector<MenuItem>& items) {
  auto* bar = qobject_cast<QMenuBar*>(menu_or_bar);
  auto* menu = qobject_cast<QMenu*>(menu_or_bar);
  for (const MenuItem& item : items) {
    if (item.IsSeparator()) {
      if (menu) menu->addSeparator();
      continue;
    }
    QString caption = FromSjis(item.caption);
    if (!item.children.empty()) {
      QMenu* sub = bar ? bar->addMenu(caption) : menu->addMenu(caption);
      BuildMenu(sub, item.children);
      continue;
    }
    QAction* action = bar ? bar->addAction(caption) : menu->addAction(caption);
    const int id = item.id;
    QObject::connect(action, &QAction::triggered, m_widget.get(), [this, id] { Dispatch(id); });
  }
}

void QtDialogWindow::ApplyCaption(Control& c) {
  QString caption = FromSjis(c.text);
  switch (c.tmpl->kind) {
    case ControlKind::kStatic: {
      auto* label = static_cast<QLabel*>(c.widget);
      if (c.tmpl->style & kNoPrefix) {
        label->setText(caption);
      } else {
        // The access key is drawn by Qt only for a label with a buddy.
        label->setText(label->buddy() ? caption : WithoutAccessKey(caption));
      }
      break;
    }
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton:
    case ControlKind::kRadioButton:
      static_cast<QAbstractButton*>(c.widget)->setText(caption);
      break;
    case ControlKind::kGroupBox:
      static_cast<QGroupBox*>(c.widget)->setTitle(caption);
      break;
    case ControlKind::kEdit:
    case ControlKind::kIcon:
    case ControlKind::kList:
      break;
  }
}

int QtDialogWindow::RunModal() {
  bool focus_first = m_dialog.HandleInitDialog();
  if (m_ended) return m_result;
  if (focus_first) FocusFirstTabStop();
  if (m_grows) RestorePlace();
  m_widget->exec();
  // Give the keyboard back to the window underneath (a desktop without a window manager
  // would leave it nowhere).
  if (QWidget* parent = m_widget->parentWidget()) parent->activateWindow();
  return m_result;
}

bool QtDialogWindow::StartTimer(int ms) {
  if (!m_timer) {
    m_timer = new QTimer(m_widget.get());
    QObject::connect(m_timer, &QTimer::timeout, m_widget.get(), [this] {
      if (!m_ended) m_dialog.HandleTimer();
    });
  }
  m_timer->start(std::max(0, ms));
  return true;
}

void QtDialogWindow::StopTimer() {
  if (m_timer) m_timer->stop();
}

void QtDialogWindow::EndModal(int result) {
  if (m_ended) return;
  m_ended = true;
  StopTimer();
  m_result = result;
  if (m_grows) RememberPlace();
  if (m_widget->isVisible()) m_widget->done(result);
  if (m_modeless) m_dialog.HandleClosed();
}

bool QtDialogWindow::ShowModeless() {
  m_modeless = true;
  bool focus_first = m_dialog.HandleInitDialog();
  if (m_ended) return true;  // it closed itself while it opened
  if (focus_first) FocusFirstTabStop();
  if (m_grows) RestorePlace();
  m_widget->setModal(false);
  m_widget->show();
  Activate();
  return true;
}

void QtDialogWindow::Activate() {
  m_widget->raise();
  m_widget->activateWindow();
}

size_t QtDialogWindow::GetListTopRow(int id) const {
  const Control* c = Find(id);
  auto* view = c ? qobject_cast<QAbstractItemView*>(c->widget) : nullptr;
  if (!view) return 0;
  QModelIndex top = view->indexAt(QPoint(1, 1));
  return top.isValid() ? static_cast<size_t>(top.row()) : 0;
}

void QtDialogWindow::SetListTopRow(int id, size_t row) {
  Control* c = Find(id);
  auto* view = c ? qobject_cast<QAbstractItemView*>(c->widget) : nullptr;
  if (!view || !view->model() || static_cast<int>(row) >= view->model()->rowCount()) return;
  view->scrollTo(view->model()->index(static_cast<int>(row), 0), QAbstractItemView::PositionAtTop);
}

QtDialogWindow::Control* QtDialogWindow::Find(int id) {
  if (id == IDC_STATIC) return nullptr;
  for (Control& c : m_controls) {
    if (c.tmpl->id == id) return &c;
  }
  return nullptr;
}

const QtDialogWindow::Control* QtDialogWindow::Find(int id) const {
  return const_cast<QtDialogWindow*>(this)->Find(id);
}

QtDialogWindow::Control* QtDialogWindow::NextTabStop(size_t index) {
  for (size_t k = 1; k <= m_controls.size(); ++k) {
    Control& c = m_controls[(index + k) % m_controls.size()];
    if (c.widget->focusPolicy() == Qt::StrongFocus) return &c;
  }
  return nullptr;
}

std::string QtDialogWindow::GetText(int id) const {
  const Control* c = Find(id);
  if (!c) return std::string();
  if (!IsEdit(*c->tmpl) || !c->user_changed) return c->text;
  if (IsMultiline(*c->tmpl)) {
    QString text = static_cast<QPlainTextEdit*>(c->widget)->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    return ToSjis(text);
  }
  return ToSjis(static_cast<QLineEdit*>(c->widget)->text());
}

void QtDialogWindow::SetText(int id, const std::string& text) {
  Control* c = Find(id);
  if (!c) return;
  c->text = text;
  if (!IsEdit(*c->tmpl)) {
    ApplyCaption(*c);
    if (c->tmpl->kind == ControlKind::kStatic || c->tmpl->kind == ControlKind::kRadioButton) {
      FitCaption(*c);
    }
    return;
  }
  m_settingText = true;
  if (IsMultiline(*c->tmpl)) {
    auto* edit = static_cast<QPlainTextEdit*>(c->widget);
    edit->setPlainText(ToDisplayLines(text));
  } else {
    auto* edit = static_cast<QLineEdit*>(c->widget);
    // The program's own text is shown whole, past a byte limit too.
    edit->setValidator(nullptr);
    edit->setText(FromSjis(text));
    edit->setValidator(c->validator);
  }
  m_settingText = false;
  c->user_changed = false;
}

bool QtDialogWindow::IsChecked(int id) const {
  const Control* c = Find(id);
  if (!c || c->tmpl->kind != ControlKind::kRadioButton) return false;
  return static_cast<QRadioButton*>(c->widget)->isChecked();
}

void QtDialogWindow::SetChecked(int id, bool checked) {
  Control* c = Find(id);
  if (!c || c->tmpl->kind != ControlKind::kRadioButton) return;
  auto* radio = static_cast<QRadioButton*>(c->widget);
  if (checked || !radio->isChecked()) {
    radio->setChecked(checked);
    return;
  }
  // An exclusive group keeps one button checked; leaving none is the program's choice.
  c->group->setExclusive(false);
  radio->setChecked(false);
  c->group->setExclusive(true);
}

void QtDialogWindow::SetLimitBytes(int id, int max_bytes) {
  Control* c = Find(id);
  if (c && c->validator) c->validator->set_limit_bytes(max_bytes > 0 ? max_bytes : 0);
}

void QtDialogWindow::SetFocus(int id) {
  if (Control* c = Find(id)) FocusControl(*c);
}

void QtDialogWindow::FocusControl(Control& c) {
  c.widget->setFocus(Qt::OtherFocusReason);
  if (auto* line = qobject_cast<QLineEdit*>(c.widget)) line->selectAll();
  if (auto* text = qobject_cast<QPlainTextEdit*>(c.widget)) text->selectAll();
}

void QtDialogWindow::FocusFirstTabStop() {
  for (Control& c : m_controls) {
    if (c.widget->focusPolicy() == Qt::StrongFocus && c.widget->isEnabled()) {
      FocusControl(c);
      return;
    }
  }
}

void QtDialogWindow::SetIcon(const IconResource* icon) {
  QIcon qicon;
  if (icon) {
    for (const IconImage& image : icon->images) {
      QPixmap pixmap;
      if (pixmap.loadFromData(reinterpret_cast<const uchar*>(image.png.data()),
                              static_cast<uint>(image.png.size()), "PNG")) {
        qicon.addPixmap(pixmap);
      }
    }
  }
  m_widget->setWindowIcon(qicon);
}

bool QtDialogWindow::AppendSystemMenuItem(int id, const std::string& caption) {
  if (!m_windowMenu) BuildWindowMenu();
  m_windowMenu->addSeparator();
  QAction* action = m_windowMenu->addAction(FromSjis(caption));
  QObject::connect(action, &QAction::triggered, m_widget.get(),
                   [this, id] { m_dialog.HandleSysCommand(id); });
  return true;
}

void QtDialogWindow::BuildWindowMenu() {
  // Without a system menu of our own, the window commands open on a right click anywhere in
  // the window outside the fields the user types in: on the background, a button, a label,
  // the menu bar or a read-only name field. They begin with the window's own entries, so
  // what the dialog adds sits below a separator, as in a system menu.
  const DialogTemplate& t = m_dialog.Template();
  m_windowMenu = new QMenu(m_widget.get());
  m_windowMenu->setSeparatorsCollapsible(false);
  if (t.style & kDlgMinimizeBox) {
    QAction* minimize = m_windowMenu->addAction(QString::fromUtf8(u8"最小化(&N)"));
    QObject::connect(minimize, &QAction::triggered, m_widget.get(),
                     [this] { m_widget->showMinimized(); });
  }
  if (t.style & kDlgSysMenu) {
    QAction* close = m_windowMenu->addAction(QString::fromUtf8(u8"閉じる(&C)"));
    QObject::connect(close, &QAction::triggered, m_widget.get(), [this] { Dispatch(IDCANCEL); });
  }
  for (Control& c : m_controls) {
    if (IsEdit(*c.tmpl) && !IsMultiline(*c.tmpl) && (c.tmpl->style & kReadOnly)) {
      c.widget->setContextMenuPolicy(Qt::NoContextMenu);  // handed on to the window
    }
  }
  m_widget->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(m_widget.get(), &QWidget::customContextMenuRequested, m_widget.get(),
                   [this](const QPoint& at) { m_windowMenu->popup(m_widget->mapToGlobal(at)); });
}

void QtDialogWindow::SetListModel(int id, const ListModel* model) {
  Control* c = Find(id);
  if (!c || !c->list) return;
  m_settingSelection = true;
  c->list->SetModel(model);
  m_settingSelection = false;
  if (!model) return;
  auto* view = static_cast<QTableView*>(c->widget);
  for (int col = 0; col < model->ColumnCount(); ++col) {
    view->horizontalHeader()->resizeSection(col, m_units.X(model->Column(col).width));
  }
}

void QtDialogWindow::ListChanged(int id) {
  Control* c = Find(id);
  if (!c || !c->list) return;
  m_settingSelection = true;
  c->list->Reset();
  m_settingSelection = false;
}

std::vector<size_t> QtDialogWindow::GetListSelection(int id) const {
  std::vector<size_t> rows;
  const Control* c = Find(id);
  if (!c || !c->list) return rows;
  // Ranges, not one index per selected cell: a selection of every row stays cheap.
  const QItemSelection selection =
      static_cast<QTableView*>(c->widget)->selectionModel()->selection();
  for (const QItemSelectionRange& range : selection) {
    for (int row = range.top(); row <= range.bottom(); ++row)
      rows.push_back(static_cast<size_t>(row));
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void QtDialogWindow::SetListSelection(int id, const std::vector<size_t>& rows) {
  Control* c = Find(id);
  if (!c || !c->list) return;
  auto* view = static_cast<QTableView*>(c->widget);
  const int count = c->list->rowCount();
  const int last_column = std::max(c->list->columnCount() - 1, 0);
  std::vector<size_t> sorted(rows);
  std::sort(sorted.begin(), sorted.end());
  QItemSelection selection;
  for (size_t i = 0; i < sorted.size();) {
    size_t j = i;
    while (j + 1 < sorted.size() && sorted[j + 1] <= sorted[j] + 1) ++j;
    if (sorted[i] < static_cast<size_t>(count)) {
      const int bottom = static_cast<int>(std::min<size_t>(sorted[j], count - 1));
      selection.select(c->list->index(static_cast<int>(sorted[i]), 0),
                       c->list->index(bottom, last_column));
    }
    i = j + 1;
  }
  m_settingSelection = true;
  QItemSelectionModel* model = view->selectionModel();
  model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (!sorted.empty() && sorted.front() < static_cast<size_t>(count)) {
    QModelIndex current = c->list->index(static_cast<int>(sorted.front()), 0);
    model->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    view->scrollTo(current);
  }
  m_settingSelection = false;
}

void QtDialogWindow::SendNotify(int id, ui::Notify code) {
  if (!m_ended) m_dialog.HandleNotify(id, code);
}

bool QtDialogWindow::SendKey(int id, Key key) { return !m_ended && m_dialog.HandleKey(id, key); }

void QtDialogWindow::Refuse(const QString& character) {
  if (!m_ended) m_backend.ShowMessageUtf8(UnencodableMessage(character).toStdString());
}

bool QtDialogWindow::CheckTexts(int command) {
  for (Control& c : m_controls) {
    if (!IsEdit(*c.tmpl) || !c.user_changed || (c.tmpl->style & kReadOnly)) continue;
    // A text the command never reads cannot spoil it.
    if (!m_dialog.ReadsText(command, c.tmpl->id)) continue;
    QString text = IsMultiline(*c.tmpl) ? static_cast<QPlainTextEdit*>(c.widget)->toPlainText()
                                        : static_cast<QLineEdit*>(c.widget)->text();
    Unencodable bad = FindUnencodable(text);
    if (bad.index < 0) continue;
    m_backend.ShowMessageUtf8(UnencodableMessage(bad.character).toStdString());
    // The text stays as typed, with the character selected so it is easy to replace.
    c.widget->setFocus(Qt::OtherFocusReason);
    const int start = static_cast<int>(bad.index);
    const int length = static_cast<int>(bad.character.size());
    if (auto* line = qobject_cast<QLineEdit*>(c.widget)) {
      line->setSelection(start, length);
    } else {
      auto* edit = static_cast<QPlainTextEdit*>(c.widget);
      QTextCursor cursor = edit->textCursor();
      cursor.setPosition(start);
      cursor.setPosition(start + length, QTextCursor::KeepAnchor);
      edit->setTextCursor(cursor);
    }
    return false;
  }
  return true;
}

void QtDialogWindow::Dispatch(int id) {
  if (m_ended) return;
  if (id != IDCANCEL && !CheckTexts(id)) return;
  m_dialog.HandleCommand(id);
}

void QtDialogWindow::PressDefault() {
  for (QPushButton* button : m_client->findChildren<QPushButton*>()) {
    if (button->isDefault() && button->isVisible()) {
      if (button->isEnabled()) button->click();
      return;
    }
  }
  Dispatch(IDOK);
}

bool QtDialogWindow::ActivateAccessKey(QChar key) {
  key = key.toLower();
  for (size_t i = 0; i < m_controls.size(); ++i) {
    Control& c = m_controls[i];
    if (c.tmpl->kind == ControlKind::kEdit || c.tmpl->kind == ControlKind::kIcon) continue;
    if ((c.tmpl->style & kNoPrefix) || AccessKey(FromSjis(c.text)) != key) continue;
    if (!c.widget->isEnabled() || !c.widget->isVisible()) continue;
    switch (c.tmpl->kind) {
      case ControlKind::kStatic:
      case ControlKind::kGroupBox:
        if (Control* next = NextTabStop(i)) FocusControl(*next);
        break;
      case ControlKind::kRadioButton:
        c.widget->setFocus(Qt::ShortcutFocusReason);
        static_cast<QRadioButton*>(c.widget)->click();
        break;
      default:
        static_cast<QPushButton*>(c.widget)->click();
        break;
    }
    return true;
  }
  return false;
}

}  // namespace ui::qt
