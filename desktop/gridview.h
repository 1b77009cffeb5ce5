// The item view of a platform grid: cells painted by the grid itself, input turned into the
// grid's events.
#pragma once

#include <QTableView>

#include <functional>

namespace platform {
class TColumn;
class TDBGrid;
} // namespace platform

namespace desktop {

class TGridModel;

/// Shows a TDBGrid through a TGridModel. Each visible cell is painted by the grid's own
/// PaintCell (its default text, then the screen's OnDrawColumnCell) on the grid's recording
/// canvas, and the recorded drawing is replayed here; so owner-drawn columns look as the screen
/// draws them. Clicks become ClickRow, double clicks the grid's double click, title clicks
/// ClickTitle, title resizes the column's width; keys are routed by the renderer.
///
/// While the dataset's controls are disabled the view paints nothing: the viewport is opaque,
/// so what was last painted stays on screen, and no row is read in a half-changed state.
class TGridView : public QTableView {
    Q_OBJECT
public:
    /// `run` runs a person's action inside the application's exception boundary.
    TGridView(platform::TDBGrid& grid, std::function<void(const std::function<void()>&)> run,
              QWidget* parent = nullptr);
    ~TGridView() override;

    platform::TDBGrid& Grid() const { return grid_; }
    TGridModel& Model() const { return *model_; }

    /// The grid's columns, options or rows changed: refresh the model and the layout.
    void ColumnsChanged();
    /// The grid's data changed: refresh the model and bring the current row into view.
    void DataChanged();
    /// The current row moved (or the grid scrolled).
    void Scrolled();

    /// Cells painted since creation; paint passes skipped while the controls were disabled.
    long long CellPaints() const { return cellPaints_; }
    long long FrozenPaints() const { return frozenPaints_; }
    /// True while the dataset's controls are disabled (the view does not repaint).
    bool Frozen() const;
    /// The text shown inside an empty list ("Nenhuma baixa encontrada."); empty when none.
    QString EmptyText() const;

    /// Paints one cell (used by the view's delegate).
    void PaintCell(class QPainter& painter, const QRect& rect, const QModelIndex& index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void ApplyColumnWidths();
    void RestoreColumnWidths();
    static QString ColumnKey(const platform::TColumn& column);
    void ScrollToCurrent();
    void ReportPaintError(const QString& text);

    platform::TDBGrid& grid_;
    std::function<void(const std::function<void()>&)> run_;
    TGridModel* model_;
    int syncing_ = 0;
    int lastRecNo_ = 0;
    long long cellPaints_ = 0;
    long long frozenPaints_ = 0;
    bool errorPending_ = false;
};

} // namespace desktop
