// An item model over a dataset's visible fields for the pick lists: rows read on demand.
#include "desktop/datasetmodel.h"

#include "desktop/qtconvert.h"
#include "platform/dataset.h"
#include "platform/fields.h"

namespace desktop {

TDataSetModel::TDataSetModel(platform::TDataSet& data, platform::TField& keyField, bool checkable,
                             QObject* parent)
    : QAbstractTableModel(parent), data_(data), keyField_(keyField), checkable_(checkable) {
    for (platform::TField* field : data_.Fields())
        if (field->Visible()) fields_.push_back(field);
    if (fields_.empty()) fields_.push_back(&keyField_);
}

int TDataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !data_.Active() ? 0 : data_.RecordCount();
}

int TDataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

std::string TDataSetModel::KeyAt(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    platform::TRecordPeek peek(data_, row + 1);
    return keyField_.AsString();
}

QString TDataSetModel::TextAt(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    platform::TRecordPeek peek(data_, row + 1);
    return ToQString(fields_[static_cast<std::size_t>(column)]->DisplayText());
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    platform::TField* field = fields_[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole: return TextAt(index.row(), index.column());
    case Qt::CheckStateRole:
        if (!checkable_ || index.column() != 0) return {};
        return chosen_.count(KeyAt(index.row())) ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
        if (field->DataType() == platform::TFieldType::ftFloat ||
            field->DataType() == platform::TFieldType::ftInteger)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default: return {};
    }
}

bool TDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkable_ || role != Qt::CheckStateRole || !index.isValid() || index.column() != 0)
        return false;
    std::string key = KeyAt(index.row());
    if (key.empty()) return false;
    bool wanted = value.toInt() == Qt::Checked;
    if (wanted)
        chosen_.insert(key);
    else
        chosen_.erase(key);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= columnCount()) return {};
    return ToQString(fields_[static_cast<std::size_t>(section)]->DisplayLabel());
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (checkable_ && index.column() == 0 && !KeyAt(index.row()).empty())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

void TDataSetModel::SetChosen(std::set<std::string> codes) {
    beginResetModel();
    chosen_ = std::move(codes);
    endResetModel();
}

void TDataSetModel::Toggle(int row) {
    QModelIndex cell = index(row, 0);
    if (!cell.isValid()) return;
    setData(cell, chosen_.count(KeyAt(row)) ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

void TDataSetModel::ChooseAll(bool chosen) {
    beginResetModel();
    if (!chosen) {
        chosen_.clear();
    } else {
        for (int row = 0; row < rowCount(); ++row) {
            std::string key = KeyAt(row);
            if (!key.empty()) chosen_.insert(key);
        }
    }
    endResetModel();
}

std::vector<std::string> TDataSetModel::ChosenInRowOrder() const {
    std::vector<std::string> codes;
    std::set<std::string> taken;
    for (int row = 0; row < rowCount(); ++row) {
        std::string key = KeyAt(row);
        if (!key.empty() && chosen_.count(key) && taken.insert(key).second) codes.push_back(key);
    }
    return codes;
}

} // namespace desktop
