// The controls of a QtDialogWindow: the Control record the window keeps for each control of
// its template, and the ControlFactory that makes a control's Qt widget, placed in dialog
// units and wired to the window's commands and notifications. The widgets are children of
// the window's client area and go with it; the window outlives every control it made.
#pragma once

#include <QChar>
#include <QString>
#include <cstddef>
#include <string>

#include "ui/dialog_template.h"

class QButtonGroup;
class QRect;
class QWidget;

namespace ui::qt {

class ListItemModel;
class QtDialogWindow;
class SjisLineValidator;

// Converts dialog units to pixels with a font's average character width and height, the
// way the Windows dialog manager does.
struct DialogUnits {
  int base_x = 0;  // average character width in pixels
  int base_y = 0;  // character height in pixels

  int X(int du) const;
  int Y(int du) const;
};

// One control of a window, in template order. The widget and what hangs off it belong to the
// window's client area.
struct Control {
  const ControlTemplate* tmpl = nullptr;
  QWidget* widget = nullptr;
  std::string text;                        // edits: what the program last set; others: the caption
  bool user_changed = false;               // edits: the user changed the text since
  SjisLineValidator* validator = nullptr;  // editable single-line edits
  QButtonGroup* group = nullptr;           // radio buttons
  ListItemModel* list = nullptr;           // lists: the view's model, owned by the view
};

// "&&" stands for "&", "&x" marks an access key; returns the key (lower case) or a null char.
QChar AccessKey(const QString& caption);
// The caption as shown where no access key is drawn: "&x" as "x", "&&" as "&".
QString WithoutAccessKey(const QString& caption);
bool IsEdit(const ControlTemplate& t);
bool IsMultiline(const ControlTemplate& t);
// A radio button or a check box.
bool IsCheckable(const ControlTemplate& t);
// The program's text (CR LF, CR or LF line breaks) as a multi-line edit shows it.
QString ToDisplayLines(const std::string& sjis);

// The name assistive technology gives control `index` of `t`: the name the template gives
// it; else, for an edit or a list, the label right before it in the template, without its
// access key; else empty (buttons, radio buttons, group boxes and labels are named by their
// own captions).
QString AccessibleNameOf(const DialogTemplate& t, size_t index);

// Shows c.text on the control as its kind shows a caption (edits, icons and lists have none).
void ApplyCaption(Control& c);

class ControlFactory {
 public:
  // What the controls report goes to `window`. `owner` is the window's own widget: it filters
  // the controls' events, owns their radio groups and is the context of their connections.
  // The controls are made in `client`.
  ControlFactory(QtDialogWindow& window, QWidget* owner, QWidget* client, const DialogUnits& units);

  // Makes the widget of `c` (c.tmpl set; validator, group and list filled in as the kind
  // needs), placed, with its focus policy. Called in template order: a control with kGroup
  // after the first starts a new radio group.
  QWidget* Make(Control& c);

 private:
  // `rect` may change: an icon takes its picture's size.
  QWidget* MakeWidget(Control& c, QRect* rect);
  QWidget* MakeButton(const ControlTemplate& ct);
  QWidget* MakeEdit(Control& c);
  QWidget* MakeMultilineEdit(Control& c);
  QWidget* MakeLineEdit(Control& c);
  QWidget* MakeLabel(const ControlTemplate& ct);
  QWidget* MakeRadioButton(Control& c);
  QWidget* MakeGroupBox(const ControlTemplate& ct);
  QWidget* MakeIcon(const ControlTemplate& ct, QRect* rect);
  QWidget* MakeList(Control& c);

  QtDialogWindow& m_window;
  QWidget* m_owner;
  QWidget* m_client;
  DialogUnits m_units;
  size_t m_made = 0;
  QButtonGroup* m_group = nullptr;  // the radio group of the present group, once it has one
};

}  // namespace ui::qt
