// The item view of a platform grid: cells painted by the grid itself, input turned into the
// grid's events.
#include "desktop/gridview.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>

#include "desktop/canvaspainter.h"
#include "desktop/gridmodel.h"
#include "desktop/layoutmemory.h"
#include "desktop/qtconvert.h"
#include "host/frmpadraogrid.h"
#include "platform/application.h"
#include "platform/dataset.h"
#include "platform/dbctrls.h"

namespace desktop {

namespace {

/// Hands each cell to the view, which has the grid paint it.
class TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TGridView& view) : QStyledItemDelegate(&view), view_(view) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        view_.PaintCell(*painter, option.rect, index);
    }

private:
    TGridView& view_;
};

} // namespace

TGridView::TGridView(platform::TDBGrid& grid, std::function<void(const std::function<void()>&)> run,
                     QWidget* parent)
    : QTableView(parent), grid_(grid), run_(std::move(run)), model_(new TGridModel(grid, this)) {
    setModel(model_);
    setItemDelegate(new TGridDelegate(*this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    QHeaderView* rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setSectionsClickable(false);
    QHeaderView* titles = horizontalHeader();
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setSortIndicatorShown(false);
    titles->setMinimumSectionSize(1);
    titles->setStretchLastSection(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(titles, &QHeaderView::sectionClicked, this, [this](int section) {
        platform::TColumn* column = model_->Column(section);
        if (column) run_([this, column] { grid_.ClickTitle(column); });
    });
    connect(titles, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (syncing_ > 0) return;
        platform::TColumn* column = model_->Column(section);
        if (!column) return;
        ++syncing_;
        run_([column, size] { column->SetWidth(size); });
        --syncing_;
        RememberLayout(grid_, ColumnKey(*column), column->Width());
    });
    ColumnsChanged();
}

TGridView::~TGridView() = default;

bool TGridView::Frozen() const {
    platform::TDataSet* ds = grid_.DataSet();
    return ds && ds->ControlsDisabled();
}

void TGridView::ColumnsChanged() {
    ++syncing_;
    model_->Refresh();
    platform::TDBGridOptions options = grid_.Options();
    const bool titlesShown = options.Contains(platform::dgTitles);
    horizontalHeader()->setVisible(titlesShown);
    horizontalHeader()->setSectionResizeMode(
        options.Contains(platform::dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
    verticalHeader()->setVisible(options.Contains(platform::dgIndicator));
    verticalHeader()->setFixedWidth(12);
    setShowGrid(options.Contains(platform::dgColLines) || options.Contains(platform::dgRowLines));
    const int rowHeight =
        grid_.DefaultRowHeight() + (options.Contains(platform::dgRowLines) ? 1 : 0);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    if (titlesShown) {
        QFontMetrics metrics(ToQFont(grid_.TitleFont()));
        horizontalHeader()->setFixedHeight(std::max(rowHeight + 2, metrics.height() + 4));
    }
    ApplyColumnWidths();
    --syncing_;
    ScrollToCurrent();
    viewport()->update();
}

QString TGridView::ColumnKey(const platform::TColumn& column) {
    const QString name = ToQString(column.FieldName());
    return QStringLiteral("coluna/") + (name.isEmpty() ? QString::number(column.Index()) : name);
}

void TGridView::RestoreColumnWidths() {
    // The designed widths are the defaults; the ones a person set come back.
    for (int section = 0; section < model_->columnCount(); ++section) {
        platform::TColumn* column = model_->Column(section);
        if (!column) continue;
        bool ok = false;
        const int width = RememberedLayout(grid_, ColumnKey(*column)).toInt(&ok);
        if (ok && width > 0 && width != column->Width())
            run_([column, width] { column->SetWidth(width); });
    }
}

void TGridView::ApplyColumnWidths() {
    RestoreColumnWidths();
    const int lines = grid_.Options().Contains(platform::dgColLines) ? 1 : 0;
    for (int section = 0; section < model_->columnCount(); ++section)
        if (platform::TColumn* column = model_->Column(section))
            setColumnWidth(section, column->Width() + lines);
}

void TGridView::DataChanged() {
    model_->Refresh();
    ScrollToCurrent();
    viewport()->update();
}

void TGridView::Scrolled() {
    platform::TDataSet* ds = model_->OpenDataSet();
    int recNo = ds ? ds->RecNo() : 0;
    if (recNo != lastRecNo_) {
        int old = lastRecNo_;
        ScrollToCurrent();
        if (old > 0) model_->headerDataChanged(Qt::Vertical, old - 1, old - 1);
    }
    viewport()->update();
}

void TGridView::ScrollToCurrent() {
    platform::TDataSet* ds = model_->OpenDataSet();
    lastRecNo_ = ds ? ds->RecNo() : 0;
    if (lastRecNo_ <= 0 || lastRecNo_ > model_->rowCount() || model_->columnCount() == 0) return;
    ++syncing_;
    scrollTo(model_->index(lastRecNo_ - 1, 0), QAbstractItemView::EnsureVisible);
    --syncing_;
    emit model_->headerDataChanged(Qt::Vertical, lastRecNo_ - 1, lastRecNo_ - 1);
}

void TGridView::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    if (syncing_ > 0 || dy == 0) return;
    // The user scrolled: the grid's first shown row follows, the current row stays.
    int top = rowAt(0);
    if (top >= 0) {
        ++syncing_;
        run_([this, top] { grid_.SetTopRow(top + 1); });
        --syncing_;
    }
}

void TGridView::paintEvent(QPaintEvent* event) {
    if (Frozen()) {
        ++frozenPaints_;
        return; // the opaque viewport keeps what was painted last
    }
    QPainter background(viewport());
    background.fillRect(event->rect(), ToQColor(grid_.Color()));
    background.end();
    QTableView::paintEvent(event);
    const QString empty = EmptyText();
    if (!empty.isEmpty()) {
        QPainter text(viewport());
        text.setPen(QColor(96, 96, 96));
        text.drawText(viewport()->rect().adjusted(8, 24, -8, -8), Qt::AlignHCenter | Qt::AlignTop,
                      empty);
    }
}

QString TGridView::EmptyText() const {
    // The write-off list of a list screen, opened by a filter that found nothing.
    auto* screen = dynamic_cast<host::TfrmPadraoGrid*>(grid_.ParentForm());
    platform::TDataSet* ds = grid_.DataSet();
    if (!screen || screen->dbgPadrao != &grid_ || !ds || !ds->Active() || !ds->IsEmpty()) return {};
    return QStringLiteral("Nenhuma baixa encontrada.");
}

void TGridView::PaintCell(QPainter& painter, const QRect& rect, const QModelIndex& index) {
    platform::TDataSet* ds = model_->OpenDataSet();
    platform::TColumn* column = model_->Column(index.column());
    if (!ds || !column || index.row() >= ds->RecordCount()) return;
    ++cellPaints_;
    platform::TCanvas& canvas = grid_.Canvas();
    canvas.Clear();
    try {
        grid_.PaintCell(index.row() + 1, column, canvas,
                        platform::Bounds(rect.x(), rect.y(), rect.width(), rect.height()));
        PaintCanvasOps(painter, canvas.Operations());
    } catch (const std::exception& e) {
        PaintCanvasOps(painter, canvas.Operations());
        ReportPaintError(ToQString(e.what()));
    }
    canvas.Clear();
}

void TGridView::ReportPaintError(const QString& text) {
    // A failure while painting is shown once, after the paint pass, never from inside it.
    if (errorPending_) return;
    errorPending_ = true;
    QTimer::singleShot(0, this, [this, text] {
        errorPending_ = false;
        platform::Application().Services().ShowError(FromQString(text));
    });
}

void TGridView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    int recNo = index.row() + 1;
    run_([this, recNo] { grid_.ClickRow(recNo); });
}

void TGridView::mouseReleaseEvent(QMouseEvent*) {}

void TGridView::mouseMoveEvent(QMouseEvent*) {}

void TGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    run_([this] { grid_.UserDblClick(); });
}

} // namespace desktop
