// The item model of a platform grid: reads the grid's dataset on demand, never holding rows.
#pragma once

#include <QAbstractTableModel>

#include <vector>

namespace platform {
class TColumn;
class TDBGrid;
class TDataSet;
} // namespace platform

namespace desktop {

/// Rows are the dataset's rows in its current order (row r is record number r + 1); columns are
/// the grid's visible columns. Every value is read from the dataset when asked, through a peek
/// that neither moves the cursor nor fires events, so the model holds no copy of any row.
/// Invariant: rowCount() and the column list are what they were at the last Refresh(); reads of
/// rows the dataset no longer has give nothing.
class TGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TGridModel(platform::TDBGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// The grid column shown in a model column; nullptr outside the columns.
    platform::TColumn* Column(int section) const;
    /// The model column of a grid column; -1 when it is not shown.
    int ColumnIndex(const platform::TColumn* column) const;
    /// The dataset shown while it is open; nullptr otherwise.
    platform::TDataSet* OpenDataSet() const;

    /// Takes in the grid's current rows and columns: a reset when their number or the columns
    /// changed, otherwise a change of every cell (views repaint only what they show).
    void Refresh();

private:
    platform::TDBGrid& grid_;
    std::vector<platform::TColumn*> columns_;
    int rows_ = 0;
};

} // namespace desktop
