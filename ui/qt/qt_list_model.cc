#include "ui/qt/qt_list_model.h"

#include <algorithm>
#include <climits>

#include "ui/qt/qt_text.h"

namespace ui::qt {

void ListItemModel::SetModel(const ListModel* model) {
  beginResetModel();
  m_model = model;
  endResetModel();
}

void ListItemModel::Reset() {
  beginResetModel();
  endResetModel();
}

int ListItemModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !m_model) return 0;
  return static_cast<int>(std::min<size_t>(m_model->RowCount(), INT_MAX));
}

int ListItemModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !m_model ? 0 : m_model->ColumnCount();
}

QVariant ListItemModel::data(const QModelIndex& index, int role) const {
  if (!m_model || !index.isValid()) return QVariant();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
  return FromSjis(m_model->CellText(static_cast<size_t>(index.row()), index.column()));
}

QVariant ListItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!m_model || orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  return FromSjis(m_model->Column(section).title);
}

}  // namespace ui::qt
