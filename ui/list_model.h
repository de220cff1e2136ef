// ListModel: what a list control (ControlKind::kList) shows, asked for row by row, so a list
// of a million rows costs the window no object per row. A dialog owns its model and hands it
// to its window with DialogWindow::SetListModel; the model must outlive that window, and the
// dialog calls DialogWindow::ListChanged whenever its rows change.
#pragma once

#include <cstddef>
#include <string>

namespace ui {

struct ListColumn {
  std::string title;  // Shift-JIS
  int width = 0;      // dialog units of the template's font
};

class ListModel {
 public:
  virtual ~ListModel() = default;

  virtual int ColumnCount() const = 0;
  virtual ListColumn Column(int column) const = 0;
  virtual size_t RowCount() const = 0;
  // The Shift-JIS text of one cell; asked only for rows below RowCount().
  virtual std::string CellText(size_t row, int column) const = 0;
};

}  // namespace ui
