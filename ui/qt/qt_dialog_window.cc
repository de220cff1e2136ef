#include "ui/qt/qt_dialog_window.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/list_model.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/qt_dialog_widget.h"
#include "ui/qt/qt_list_model.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/sjis_line_validator.h"
#include "ui/qt/window_memory.h"
#include "ui/window_layout.h"

namespace ui::qt {

namespace {

int PointSizeOf(const DialogTemplate& t) { return t.point_size > 0 ? t.point_size : 9; }

bool TakesTextSize(const ControlTemplate& t) {
  return t.kind == ControlKind::kList || (t.kind == ControlKind::kEdit && (t.style & kMultiline));
}

QRect ToQRect(const ui::Rect& r) { return QRect(r.x, r.y, r.cx, r.cy); }

}  // namespace

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
  MakeWidget(parent);
  SetUpFont();
  m_grows = m_dialog.Template().Grows();
  m_textSize = PointSizeOf(m_dialog.Template());
  MakeClient();
  MakeControls();
  LinkLabels();
  for (Control& c : m_controls) {
    if (c.tmpl->kind == ControlKind::kStatic || IsCheckable(*c.tmpl)) {
      FitCaption(c);
    }
  }
  if (m_grows) PrepareToGrow();
}

void QtDialogWindow::MakeWidget(QWidget* parent) {
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
}

void QtDialogWindow::SetUpFont() {
  const DialogTemplate& t = m_dialog.Template();
  QFont font;
  const QString face = FromSjis(t.font);
  QString family = MapFontFamily(face, FontFamilyInstalled);
  if (!family.isEmpty()) font.setFamily(family);
  font.setStyleHint(face == QString::fromUtf8(u8"ＭＳ ゴシック") ? QFont::TypeWriter
                                                                 : QFont::SansSerif);
  font.setPointSize(PointSizeOf(t));
  m_widget->setFont(font);
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_units.base_x = (alphabet / 26 + 1) / 2;
  m_units.base_y = metrics.height();
}

void QtDialogWindow::MakeClient() {
  const DialogTemplate& t = m_dialog.Template();
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
}

void QtDialogWindow::MakeControls() {
  const DialogTemplate& t = m_dialog.Template();
  ControlFactory factory(*this, m_widget.get(), m_client, m_units);
  m_controls.resize(t.controls.size());
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const ControlTemplate& ct = t.controls[i];
    Control& c = m_controls[i];
    c.tmpl = &ct;
    c.text = ct.text;
    c.widget = factory.Make(c);
    if (ct.id != IDC_STATIC) c.widget->setObjectName(QString::number(ct.id));
    // What a screen reader says of a field the label before it names only on the screen.
    const QString name = AccessibleNameOf(t, i);
    if (!name.isEmpty()) c.widget->setAccessibleName(name);
  }
}

void QtDialogWindow::LinkLabels() {
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
}

void QtDialogWindow::PrepareToGrow() {
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
  const RememberedWindow remembered = m_backend.window_memory().Load(m_dialog.Template().id);
  if (remembered.text_size > 0) ApplyTextSize(remembered.text_size);
}

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
  const int next = ui::NextTextSize(m_textSize, step, PointSizeOf(t));
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
  const QRect bounds = FitBounds(c);
  auto free = [&](const QRect& r) { return IsFree(c, bounds, r); };
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
  if (!m_baseRects.empty()) MoveBasePlace(c, rect);
  c.widget->setGeometry(rect);
}

QRect QtDialogWindow::FitBounds(const Control& c) const {
  const QRect rect = c.widget->geometry();
  QRect bounds = m_client->rect();
  for (const Control& other : m_controls) {
    QRect box = other.widget->geometry();
    if (other.tmpl->kind == ControlKind::kGroupBox && box.contains(rect)) {
      bounds &= box.adjusted(1, 1, -2, -2);
    }
  }
  return bounds;
}

bool QtDialogWindow::IsFree(const Control& c, const QRect& bounds, const QRect& r) const {
  if (!bounds.contains(r)) return false;
  for (const Control& other : m_controls) {
    if (&other == &c || other.tmpl->kind == ControlKind::kGroupBox) continue;
    if (other.widget->geometry().intersects(r)) return false;
  }
  return true;
}

void QtDialogWindow::MoveBasePlace(const Control& c, const QRect& now) {
  // A caption set in a grown window moves the control's place at the template's size along.
  ui::Rect& base = m_baseRects[static_cast<size_t>(&c - m_controls.data())];
  const QRect old = c.widget->geometry();
  base.x += now.x() - old.x();
  base.y += now.y() - old.y();
  base.cx += now.width() - old.width();
  base.cy += now.height() - old.height();
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

Control* QtDialogWindow::Find(int id) {
  if (id == IDC_STATIC) return nullptr;
  for (Control& c : m_controls) {
    if (c.tmpl->id == id) return &c;
  }
  return nullptr;
}

const Control* QtDialogWindow::Find(int id) const {
  return const_cast<QtDialogWindow*>(this)->Find(id);
}

Control* QtDialogWindow::NextTabStop(size_t index) {
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
    if (c->tmpl->kind == ControlKind::kStatic || IsCheckable(*c->tmpl)) {
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
  if (!c || !IsCheckable(*c->tmpl)) return false;
  return static_cast<QAbstractButton*>(c->widget)->isChecked();
}

void QtDialogWindow::SetChecked(int id, bool checked) {
  Control* c = Find(id);
  if (!c || !IsCheckable(*c->tmpl)) return;
  auto* radio = static_cast<QAbstractButton*>(c->widget);
  if (checked || !radio->isChecked() || !c->group) {
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

void QtDialogWindow::TellPasteCut() {
  m_backend.ShowMessageUtf8(reinterpret_cast<const char*>(
      u8"貼り付けた文字が長すぎるため、入りきらない部分は切り捨てました。"));
}

void QtDialogWindow::EditChanged(Control& c) {
  if (m_settingText) return;
  c.user_changed = true;
  SendNotify(c.tmpl->id, Notify::kEditChange);
}

void QtDialogWindow::ListSelectionChanged(int id) {
  if (!m_settingSelection) SendNotify(id, Notify::kListSelectionChange);
}

void QtDialogWindow::Activated() {
  if (m_modeless && !m_ended) m_dialog.HandleActivate();
}

bool QtDialogWindow::bare_access_keys() const {
  return !(m_dialog.Template().style & kDlgAltAccessKeys);
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
      case ControlKind::kCheckBox:
        c.widget->setFocus(Qt::ShortcutFocusReason);
        static_cast<QAbstractButton*>(c.widget)->click();
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
