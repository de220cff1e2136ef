// QtDialogWindow: one dialog template made into a real Qt window, placed in dialog units of the
// template font and run with a nested modal loop; presses, menu commands, Enter and Esc go to
// the dialog as commands, edit changes and list events as notifications. A list is a view over
// the dialog's ListModel. Widgets carry their id as object name ("1001") for tests; the Dialog,
// its list models and the backend must outlive the window.
//
// A template with anchors makes a window the user can resize, no smaller than the template:
// the controls follow their edges, Ctrl+plus, Ctrl+minus and Ctrl+0 change the text size of
// its multi-line edits and lists, and its place, size and text size are remembered (per
// template id, in the backend's WindowMemory) for the next time it opens.
#pragma once

#include <QSize>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_template.h"

class QButtonGroup;
class QDialog;
class QMenu;
class QTimer;
class QWidget;

namespace ui::qt {

class QtBackend;
class SjisLineValidator;
class DialogWidget;
class ListItemModel;

// Converts dialog units to pixels with a font's average character width and height, the
// way the Windows dialog manager does.
struct DialogUnits {
  int base_x = 0;  // average character width in pixels
  int base_y = 0;  // character height in pixels

  int X(int du) const;
  int Y(int du) const;
};

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
  // Ctrl+plus (+1), Ctrl+minus (-1), Ctrl+0 (0) in a window that grows: the text size of its
  // multi-line edits and lists changes and is remembered.
  void Zoom(int step);

 private:
  struct Control {
    const ControlTemplate* tmpl = nullptr;
    QWidget* widget = nullptr;
    std::string text;           // edits: what the program last set; others: the caption
    bool user_changed = false;  // edits: the user changed the text since
    SjisLineValidator* validator = nullptr;  // editable single-line edits
    QButtonGroup* group = nullptr;           // radio buttons
    ListItemModel* list = nullptr;           // lists: the view's model, owned by the view
  };

  void Build(QWidget* parent);
  QWidget* MakeControl(Control& c, QWidget* client, std::vector<QButtonGroup*>& groups);
  void BuildMenu(QWidget* menu_or_bar, const std::vector<MenuItem>& items);
  // The window's context menu, which stands in for its system menu.
  void BuildWindowMenu();
  void ApplyCaption(Control& c);
  void FitCaption(Control& c);
  bool CheckTexts(int command);
  void FocusFirstTabStop();
  void FocusControl(Control& c);
  Control* Find(int id);
  const Control* Find(int id) const;
  // The next control after `index` in template order that Tab reaches (wrapping), or null.
  Control* NextTabStop(size_t index);
  // Windows that grow: the controls placed for the client's present size; the text size
  // applied; the remembered place and size taken before showing and kept at the end.
  void LayOut();
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

  friend class DialogWidget;
};

}  // namespace ui::qt
