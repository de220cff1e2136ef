// QtDialogWindow: one dialog template made into a real Qt window, placed in dialog units of the
// template font and run with a nested modal loop; presses, menu commands, Enter and Esc go to
// the dialog as commands, edit changes and list events as notifications. A list is a view over
// the dialog's ListModel. Widgets carry their id as object name ("1001") for tests; the Dialog,
// its list models and the backend must outlive the window. ControlFactory makes the controls
// (qt_control_factory.h); DialogWidget is the Qt window and hears its keys (qt_dialog_widget.h).
//
// A template with anchors makes a window the user can resize, no smaller than the template:
// the controls follow their edges, Ctrl+plus, Ctrl+minus and Ctrl+0 change the text size of
// its multi-line edits and lists, and its place, size and text size are remembered (per
// template id, in the backend's WindowMemory) for the next time it opens.
#pragma once

#include <QChar>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"
#include "ui/qt/qt_control_factory.h"

class QMenu;
class QTimer;
class QWidget;

namespace ui::qt {

class QtBackend;
class DialogWidget;

class QtDialogWindow : public DialogWindow {
 public:
  // `parent` is the window the dialog stays above, or null.
  QtDialogWindow(QtBackend& backend, Dialog& dialog, QWidget* parent);
  ~QtDialogWindow() override;
  QtDialogWindow(const QtDialogWindow&) = delete;
  QtDialogWindow& operator=(const QtDialogWindow&) = delete;

  int RunModal() override;
  void EndModal(int result) override;
  bool ShowModeless() override;
  void Activate() override;
  size_t GetListTopRow(int id) const override;
  void SetListTopRow(int id, size_t row) override;
  std::string GetText(int id) const override;
  void SetText(int id, const std::string& text) override;
  bool IsChecked(int id) const override;
  void SetChecked(int id, bool checked) override;
  void SetLimitBytes(int id, int max_bytes) override;
  void SetFocus(int id) override;
  void SetIcon(const IconResource* icon) override;
  bool AppendSystemMenuItem(int id, const std::string& caption) override;
  void SetListModel(int id, const ListModel* model) override;
  void ListChanged(int id) override;
  std::vector<size_t> GetListSelection(int id) const override;
  void SetListSelection(int id, const std::vector<size_t>& rows) override;
  // A QTimer of the window: it fires only while the window is open.
  bool StartTimer(int ms) override;
  void StopTimer() override;

  // A command from the user: refused with a message while an edit the user changed holds
  // a character code page 932 lacks (except IDCANCEL, which saves nothing), else handed to
  // the dialog.
  void Dispatch(int id);
  // Enter: the default button is pressed, or IDOK runs when there is none.
  void PressDefault();
  // A plain key outside an edit that matches an access key: that control is activated.
  bool ActivateAccessKey(QChar key);
  // A notification of control `id`, handed to the dialog while the window is open.
  void SendNotify(int id, ui::Notify code);
  // A key pressed on control `id`, offered to the dialog while the window is open; true
  // when the dialog took it.
  bool SendKey(int id, Key key);
  // Typed or pasted text was refused for `character`: the user is told.
  void Refuse(const QString& character);
  // A paste into a line was cut to what fits: the user is told.
  void TellPasteCut();
  // The text of edit `c` changed: unless the program set it, the user changed it and the
  // dialog hears.
  void EditChanged(Control& c);
  // The selection of list `id` changed: unless the program changed it, the dialog hears.
  void ListSelectionChanged(int id);
  // The user came back to the window: a window shown beside another hears it.
  void Activated();
  // Ctrl+plus (+1), Ctrl+minus (-1), Ctrl+0 (0) in a window that grows: the text size of its
  // multi-line edits and lists changes and is remembered.
  void Zoom(int step);
  // A window that grows: the controls placed for the client's present size.
  void LayOut();

  bool ended() const { return m_ended; }
  bool grows() const { return m_grows; }
  // Whether a plain key outside an edit works as an access key (no Alt needed).
  bool bare_access_keys() const;
  // The widget that holds the controls, below the menu bar.
  QWidget* client() const { return m_client; }

 private:
  // Build: the window, its font and dialog units, the client area under the menu bar, the
  // controls, the labels linked to what they name; for a window that grows, the places the
  // anchors start from.
  void Build(QWidget* parent);
  void MakeWidget(QWidget* parent);
  void SetUpFont();
  void MakeClient();
  void MakeControls();
  void LinkLabels();
  void PrepareToGrow();
  void BuildMenu(QWidget* menu_or_bar, const std::vector<MenuItem>& items);
  // The window's context menu, which stands in for its system menu.
  void BuildWindowMenu();
  // A caption wider in our font than its place grows into the free room beside it.
  void FitCaption(Control& c);
  // The room FitCaption may take for `c`: the client, within a group box around it.
  QRect FitBounds(const Control& c) const;
  // Whether `r` lies within `bounds` clear of every control but `c` and group boxes.
  bool IsFree(const Control& c, const QRect& bounds, const QRect& r) const;
  // A control moved or grown in a window that grows takes its place at the template's size
  // along.
  void MoveBasePlace(const Control& c, const QRect& now);
  bool CheckTexts(int command);
  void FocusFirstTabStop();
  void FocusControl(Control& c);
  Control* Find(int id);
  const Control* Find(int id) const;
  // The next control after `index` in template order that Tab reaches (wrapping), or null.
  Control* NextTabStop(size_t index);
  // Windows that grow: the text size applied; the remembered place and size taken before
  // showing and kept at the end.
  void ApplyTextSize(int points);
  void RestorePlace();
  void RememberPlace();

  QtBackend& m_backend;
  Dialog& m_dialog;
  std::unique_ptr<DialogWidget> m_widget;
  QWidget* m_client = nullptr;
  DialogUnits m_units;
  std::vector<Control> m_controls;  // template order
  QMenu* m_windowMenu = nullptr;    // owned by m_widget; made by the first system-menu entry
  QTimer* m_timer = nullptr;        // owned by m_widget; made by the first StartTimer
  bool m_settingText = false;
  bool m_settingSelection = false;  // the program, not the user, changes a list's selection
  bool m_ended = false;
  bool m_modeless = false;  // shown by ShowModeless: the dialog hears when it closes
  int m_result = 0;
  bool m_grows = false;
  QSize m_baseClient;                 // the template's client size in pixels
  std::vector<ui::Rect> m_baseRects;  // the controls' places at that size, template order
  int m_textSize = 0;                 // points, in a window that grows
};

}  // namespace ui::qt
