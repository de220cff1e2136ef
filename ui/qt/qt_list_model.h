// ListItemModel: the Qt side of a list control. It asks the dialog's ListModel for exactly
// the cells the view draws, so the rows cost nothing until they are scrolled into sight. The
// view owns it; the ListModel is borrowed and must outlive the view (or be set to null).
#pragma once

#include <QAbstractTableModel>

#include "ui/list_model.h"

namespace ui::qt {

class ListItemModel : public QAbstractTableModel {
 public:
  explicit ListItemModel(QObject* parent) : QAbstractTableModel(parent) {}

  // A new model (or none): the view forgets its rows and selection.
  void SetModel(const ListModel* model);
  const ListModel* model() const { return m_model; }
  // The model's rows changed: the view asks again.
  void Reset();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  // The cell's text, also as its tip, so a line too long for its column is shown whole.
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const ListModel* m_model = nullptr;
};

}  // namespace ui::qt
