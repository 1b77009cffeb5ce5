// An item model over a dataset's visible fields for the pick lists: rows read on demand.
#pragma once

#include <QAbstractTableModel>

#include <set>
#include <string>
#include <vector>

namespace platform {
class TDataSet;
class TField;
} // namespace platform

namespace desktop {

/// Rows are the dataset's rows in its current order; columns its visible fields, titled by
/// their labels. With `checkable` set, the first column carries a check box per row, ticked
/// when the row's key (the value of `keyField`) is among the chosen codes. No row is copied:
/// values are read through a peek that neither moves the cursor nor fires events.
/// Invariant: Chosen() holds only codes the model was given or a person ticked.
class TDataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TDataSetModel(platform::TDataSet& data, platform::TField& keyField, bool checkable,
                  QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    /// The key of a row (0-based); empty outside the rows.
    std::string KeyAt(int row) const;
    /// The display text of a cell.
    QString TextAt(int row, int column) const;
    const std::set<std::string>& Chosen() const { return chosen_; }
    void SetChosen(std::set<std::string> codes);
    /// Ticks or clears a row (rows with an empty key cannot be ticked).
    void Toggle(int row);
    void ChooseAll(bool chosen);
    /// The chosen codes in the dataset's row order (codes no row holds are left out).
    std::vector<std::string> ChosenInRowOrder() const;

private:
    platform::TDataSet& data_;
    platform::TField& keyField_;
    bool checkable_;
    std::vector<platform::TField*> fields_;
    std::set<std::string> chosen_;
};

} // namespace desktop
