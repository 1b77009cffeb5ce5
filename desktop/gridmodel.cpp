// The item model of a platform grid: reads the grid's dataset on demand, never holding rows.
#include "desktop/gridmodel.h"

#include <QFontMetrics>

#include "desktop/qtconvert.h"
#include "platform/dataset.h"
#include "platform/dbctrls.h"
#include "platform/fields.h"

namespace desktop {

namespace {

Qt::Alignment ToQtAlignment(platform::TAlignment alignment) {
    switch (alignment) {
    case platform::TAlignment::taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case platform::TAlignment::taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    case platform::TAlignment::taLeftJustify: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

int CurrentRecordCount(const platform::TDBGrid& grid) {
    platform::TDataSet* ds = grid.DataSet();
    return ds && ds->Active() ? ds->RecordCount() : 0;
}

} // namespace

TGridModel::TGridModel(platform::TDBGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {
    columns_ = grid_.VisibleColumns();
    rows_ = CurrentRecordCount(grid_);
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

platform::TColumn* TGridModel::Column(int section) const {
    if (section < 0 || section >= static_cast<int>(columns_.size())) return nullptr;
    return columns_[static_cast<std::size_t>(section)];
}

int TGridModel::ColumnIndex(const platform::TColumn* column) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == column) return static_cast<int>(i);
    return -1;
}

platform::TDataSet* TGridModel::OpenDataSet() const {
    platform::TDataSet* ds = grid_.DataSet();
    return ds && ds->Active() ? ds : nullptr;
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.parent().isValid()) return {};
    platform::TColumn* column = Column(index.column());
    platform::TDataSet* ds = OpenDataSet();
    if (!column || !ds || index.row() >= ds->RecordCount() || index.row() >= rows_) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        platform::TField* field = column->Field();
        if (!field) return QString();
        platform::TRecordPeek peek(*ds, index.row() + 1);
        return ToQString(field->DisplayText());
    }
    case Qt::TextAlignmentRole: return QVariant::fromValue(ToQtAlignment(column->Alignment()));
    case Qt::FontRole: return ToQFont(column->Font());
    case Qt::BackgroundRole: return ToQColor(column->Color());
    case Qt::ForegroundRole: return ToQColor(column->Font().Color);
    default: return {};
    }
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole) return {};
        platform::TDataSet* ds = OpenDataSet();
        return ds && ds->RecNo() == section + 1 ? QStringLiteral("\u25B6") : QString();
    }
    platform::TColumn* column = Column(section);
    if (!column) return {};
    const platform::TColumnTitle& title = column->Title();
    switch (role) {
    case Qt::DisplayRole: return DisplayText(title.Caption(), title.Font());
    case Qt::FontRole: return ToQFont(title.Font());
    case Qt::TextAlignmentRole: return QVariant::fromValue(ToQtAlignment(title.Alignment()));
    case Qt::ForegroundRole: return ToQColor(title.Font().Color);
    case Qt::BackgroundRole: return ToQColor(title.Color());
    case Qt::ToolTipRole: {
        // A title cut by its column's width shows whole as a tooltip.
        const QString text = DisplayText(title.Caption(), title.Font());
        const int room = column->Width() - 6;
        if (QFontMetrics(ToQFont(title.Font())).horizontalAdvance(text) <= room) return {};
        return text;
    }
    default: return {};
    }
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TGridModel::Refresh() {
    std::vector<platform::TColumn*> columns = grid_.VisibleColumns();
    int rows = CurrentRecordCount(grid_);
    if (columns != columns_ || rows != rows_) {
        beginResetModel();
        columns_ = std::move(columns);
        rows_ = rows;
        endResetModel();
        return;
    }
    if (rows_ > 0 && !columns_.empty())
        emit dataChanged(index(0, 0), index(rows_ - 1, static_cast<int>(columns_.size()) - 1));
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, static_cast<int>(columns_.size()) - 1));
}

} // namespace desktop
