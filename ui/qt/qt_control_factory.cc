#include "ui/qt/qt_control_factory.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include "ui/qt/qt_dialog_window.h"
#include "ui/qt/qt_list_model.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/sjis_line_validator.h"
#include "ui/qt/sjis_plain_text_edit.h"

namespace ui::qt {

namespace {

// Windows' MulDiv: a * b / c rounded to the nearest integer.
int MulDiv(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;
  return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
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

}  // namespace

int DialogUnits::X(int du) const { return MulDiv(du, base_x, 4); }
int DialogUnits::Y(int du) const { return MulDiv(du, base_y, 8); }

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

bool IsEdit(const ControlTemplate& t) { return t.kind == ControlKind::kEdit; }
bool IsMultiline(const ControlTemplate& t) { return IsEdit(t) && (t.style & kMultiline); }
bool IsCheckable(const ControlTemplate& t) {
  return t.kind == ControlKind::kRadioButton || t.kind == ControlKind::kCheckBox;
}

QString ToDisplayLines(const std::string& sjis) {
  QString text = FromSjis(sjis);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  return text;
}

QString AccessibleNameOf(const DialogTemplate& t, size_t index) {
  const ControlTemplate& ct = t.controls[index];
  if (!ct.name.empty()) return FromSjis(ct.name);
  if (ct.kind != ControlKind::kEdit && ct.kind != ControlKind::kList) return QString();
  if (index == 0) return QString();
  const ControlTemplate& before = t.controls[index - 1];
  if (before.kind != ControlKind::kStatic || before.text.empty()) return QString();
  const QString label = FromSjis(before.text);
  return (before.style & kNoPrefix) ? label : WithoutAccessKey(label);
}

void ApplyCaption(Control& c) {
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
    case ControlKind::kCheckBox:
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

ControlFactory::ControlFactory(QtDialogWindow& window, QWidget* owner, QWidget* client,
                               const DialogUnits& units)
    : m_window(window), m_owner(owner), m_client(client), m_units(units) {}

QWidget* ControlFactory::Make(Control& c) {
  const ControlTemplate& ct = *c.tmpl;
  if (m_made++ > 0 && (ct.style & kGroup)) m_group = nullptr;
  QRect rect(m_units.X(ct.rect.x), m_units.Y(ct.rect.y), m_units.X(ct.rect.cx),
             m_units.Y(ct.rect.cy));
  QWidget* w = MakeWidget(c, &rect);
  w->setGeometry(rect);
  w->installEventFilter(m_owner);  // keys the dialog may take (Dialog::HandleKey)
  const bool focusable = ct.kind != ControlKind::kStatic && ct.kind != ControlKind::kGroupBox &&
                         ct.kind != ControlKind::kIcon;
  w->setFocusPolicy(!focusable              ? Qt::NoFocus
                    : (ct.style & kTabStop) ? Qt::StrongFocus
                                            : Qt::ClickFocus);
  return w;
}

QWidget* ControlFactory::MakeWidget(Control& c, QRect* rect) {
  const ControlTemplate& ct = *c.tmpl;
  switch (ct.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton:
      return MakeButton(ct);
    case ControlKind::kEdit:
      return MakeEdit(c);
    case ControlKind::kStatic:
      return MakeLabel(ct);
    case ControlKind::kRadioButton:
      return MakeRadioButton(c);
    case ControlKind::kCheckBox:
      return new QCheckBox(FromSjis(ct.text), m_client);
    case ControlKind::kGroupBox:
      return MakeGroupBox(ct);
    case ControlKind::kIcon:
      return MakeIcon(ct, rect);
    case ControlKind::kList:
      return MakeList(c);
  }
  return nullptr;
}

QWidget* ControlFactory::MakeButton(const ControlTemplate& ct) {
  auto* button = new QPushButton(FromSjis(ct.text), m_client);
  button->setAutoDefault(true);
  button->setDefault(ct.kind == ControlKind::kDefPushButton);
  QObject::connect(button, &QPushButton::clicked, m_owner,
                   [w = &m_window, id = ct.id] { w->Dispatch(id); });
  return button;
}

QWidget* ControlFactory::MakeEdit(Control& c) {
  QWidget* w = IsMultiline(*c.tmpl) ? MakeMultilineEdit(c) : MakeLineEdit(c);
  if (c.tmpl->style & kReadOnly) {
    // Read-only fields sit on the dialog's own colour, as on Windows.
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    w->setPalette(palette);
  }
  return w;
}

QWidget* ControlFactory::MakeMultilineEdit(Control& c) {
  const uint32_t s = c.tmpl->style;
  QtDialogWindow* window = &m_window;
  auto* edit = new SjisPlainTextEdit(m_client, [window](const QString& ch) { window->Refuse(ch); });
  edit->setFrameShape((s & (kBorder | kSunken)) ? QFrame::StyledPanel : QFrame::NoFrame);
  edit->setReadOnly(s & kReadOnly);
  edit->setTabChangesFocus(true);
  edit->setProperty("rinu_want_return", static_cast<bool>(s & kWantReturn));
  edit->setLineWrapMode((s & (kHScroll | kAutoHScroll)) ? QPlainTextEdit::NoWrap
                                                        : QPlainTextEdit::WidgetWidth);
  edit->setVerticalScrollBarPolicy((s & kVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  edit->setHorizontalScrollBarPolicy((s & kHScroll) ? Qt::ScrollBarAlwaysOn
                                                    : Qt::ScrollBarAlwaysOff);
  edit->setPlainText(ToDisplayLines(c.tmpl->text));
  edit->installEventFilter(m_owner);
  QObject::connect(edit, &QPlainTextEdit::textChanged, m_owner,
                   [window, &c] { window->EditChanged(c); });
  return edit;
}

QWidget* ControlFactory::MakeLineEdit(Control& c) {
  const uint32_t s = c.tmpl->style;
  QtDialogWindow* window = &m_window;
  auto* edit = new QLineEdit(m_client);
  edit->setFrame(s & (kBorder | kSunken));
  // Without a frame the text starts at the top, in line with a label beside it.
  if (!(s & (kBorder | kSunken))) edit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  edit->setReadOnly(s & kReadOnly);
  if (!(s & kReadOnly)) {
    c.validator = new SjisLineValidator(edit);
    c.validator->set_on_cut([window] { window->TellPasteCut(); });
    c.validator->set_on_refused([window](const QString& ch) { window->Refuse(ch); });
    edit->setValidator(c.validator);
  }
  edit->setText(FromSjis(c.tmpl->text));
  if (c.validator) c.validator->set_current_text(edit->text());
  QObject::connect(edit, &QLineEdit::textChanged, m_owner, [window, &c](const QString& text) {
    if (c.validator) c.validator->set_current_text(text);
    window->EditChanged(c);
  });
  return edit;
}

QWidget* ControlFactory::MakeLabel(const ControlTemplate& ct) {
  auto* label = new QLabel(m_client);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(((ct.style & kCenter) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
  return label;
}

QWidget* ControlFactory::MakeRadioButton(Control& c) {
  auto* radio = new QRadioButton(FromSjis(c.tmpl->text), m_client);
  radio->setAutoExclusive(false);
  if (!m_group) m_group = new QButtonGroup(m_owner);
  m_group->addButton(radio);
  c.group = m_group;
  radio->installEventFilter(m_owner);
  return radio;
}

QWidget* ControlFactory::MakeGroupBox(const ControlTemplate& ct) {
  auto* box = new QGroupBox(FromSjis(ct.text), m_client);
  box->setAttribute(Qt::WA_TransparentForMouseEvents);
  return box;
}

QWidget* ControlFactory::MakeIcon(const ControlTemplate& ct, QRect* rect) {
  auto* label = new QLabel(m_client);
  if (ct.icon) {
    QPixmap pixmap = IconPixmap(*ct.icon, 32);
    label->setPixmap(pixmap);
    if (!pixmap.isNull()) rect->setSize(pixmap.size());
  }
  return label;
}

QWidget* ControlFactory::MakeList(Control& c) {
  // A report list: whole rows selected, several with Shift and Ctrl, every row of one height
  // so the view never measures rows it does not draw, Tab on to the next control.
  auto* view = new QTableView(m_client);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setTabKeyNavigation(false);
  view->setShowGrid(false);
  view->setWordWrap(false);
  view->setCornerButtonEnabled(false);
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_owner->font()).height() + 4);
  view->horizontalHeader()->setHighlightSections(false);
  view->horizontalHeader()->setStretchLastSection(true);
  view->horizontalHeader()->setSectionsMovable(false);
  view->setFrameShape((c.tmpl->style & (kBorder | kSunken)) ? QFrame::StyledPanel
                                                            : QFrame::NoFrame);
  c.list = new ListItemModel(view);
  view->setModel(c.list);
  QtDialogWindow* window = &m_window;
  const int id = c.tmpl->id;
  QObject::connect(view, &QAbstractItemView::doubleClicked, m_owner,
                   [window, id](const QModelIndex& index) {
                     if (index.isValid()) window->SendNotify(id, Notify::kListActivate);
                   });
  QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, m_owner,
                   [window, id] { window->ListSelectionChanged(id); });
  view->installEventFilter(m_owner);
  return view;
}

}  // namespace ui::qt
