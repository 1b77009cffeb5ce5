// Data-aware controls: the grid that shows a dataset's rows and the text that shows one field.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/datasource.h"
#include "platform/fielddefs.h"
#include "platform/graphics.h"

namespace platform {

class TColumn;
class TDBGrid;
class TDataSet;
class TField;

/// The title cell of a grid column.
class TColumnTitle {
public:
    explicit TColumnTitle(TColumn* column) : column_(column) {}
    /// The caption set, else the field's label, else the field name.
    std::string Caption() const;
    void SetCaption(std::string caption);
    bool HasCaption() const { return hasCaption_; }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TColor Color() const { return color_; }
    void SetColor(TColor color);

private:
    TColumn* column_;
    std::string caption_;
    bool hasCaption_ = false;
    TFont font_;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    TColor color_ = clBtnFace;
};

/// One column of a grid, bound to a field by name. A column's own Visible decides whether the
/// grid shows it, whatever the field's visibility.
class TColumn {
public:
    TColumn(TDBGrid* grid, int index);
    TDBGrid* Grid() const { return grid_; }
    /// Position in the grid's columns (the "data column" number handed to OnDrawColumnCell).
    int Index() const { return index_; }

    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(std::string name);
    /// The field of the grid's dataset with FieldName; nullptr when there is none.
    TField* Field() const;
    /// The width set, else one that fits the field's display width, else 64 pixels.
    int Width() const;
    void SetWidth(int width);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment alignment);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    TColumnTitle& Title() { return title_; }
    const TColumnTitle& Title() const { return title_; }

private:
    friend class TDBGrid;
    friend class TColumnTitle;
    void Changed();
    TDBGrid* grid_;
    int index_;
    std::string fieldName_;
    int width_ = -1;
    bool hasAlignment_ = false;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool visible_ = true;
    TColor color_ = clWindow;
    TFont font_;
    bool readOnly_ = false;
    TColumnTitle title_;
};

enum TDBGridOption {
    dgEditing,
    dgAlwaysShowEditor,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection,
    dgConfirmDelete,
    dgCancelOnExit,
    dgMultiSelect,
};
using TDBGridOptions = TOptionSet<TDBGridOption>;

/// How a cell is being painted: a set of these bits.
enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

using TDrawColumnCellEvent = std::function<void(TObject* sender, const TRect& rect, int dataCol,
                                                TColumn* column, TGridDrawState state)>;
using TDBGridClickEvent = std::function<void(TColumn* column)>;

/// A grid over the rows of its data source's dataset, in the dataset's order; the current row
/// is the dataset's. It follows the dataset through its data link and never reorders rows
/// itself (a title click only runs OnTitleClick). Painting is on demand: Paint() and PaintRow()
/// write each cell's default text into Canvas() and then run OnDrawColumnCell for it, while the
/// fields read the painted row. Invariant: every notification from the data link that asks the
/// grid to show its data again adds one to RefreshCount() and tells the observers.
class TDBGrid : public TWinControl {
public:
    explicit TDBGrid(TComponent* owner);
    ~TDBGrid() override;
    const char* ClassName() const override { return "TDBGrid"; }

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    /// The dataset shown; nullptr without a data source.
    TDataSet* DataSet() const;

    // Columns.
    /// Adds a customised column. Once a column was added, the grid shows exactly its columns;
    /// before that, one default column per visible field of the dataset.
    TColumn* AddColumn(const std::string& fieldName = "");
    void ClearColumns();
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    TColumn* Column(int index) const;
    const std::vector<std::unique_ptr<TColumn>>& Columns() const { return columns_; }
    bool CustomColumns() const { return customColumns_; }
    /// The column bound to a field name (ignoring case); nullptr when none.
    TColumn* ColumnByFieldName(const std::string& fieldName) const;
    /// The visible columns, left to right.
    std::vector<TColumn*> VisibleColumns() const;

    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    TFont TitleFont() const { return titleFont_; }
    void SetTitleFont(const TFont& font) { titleFont_ = font; }
    int DefaultRowHeight() const { return rowHeight_; }
    void SetDefaultRowHeight(int height);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    /// The column of the selected cell (an index into the columns).
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int index);

    // Rows on screen.
    /// Rows that fit under the titles at the current height (at least 1).
    int VisibleRowCount() const;
    /// Record number (1-based) of the first row shown; 0 when there is no row.
    int TopRow() const { return topRow_; }
    void SetTopRow(int recNo);
    /// Record numbers shown, top to bottom.
    std::vector<int> VisibleRecNos() const;

    // Painting.
    TCanvas& Canvas() { return canvas_; }
    /// The cell rectangle of a column in a row shown on screen (recNo 0 = the title row).
    TRect CellRect(const TColumn* column, int recNo) const;
    /// Clears the canvas, then paints the titles (with dgTitles) and every visible row.
    void Paint();
    /// Paints the titles of the visible columns.
    void PaintTitles();
    /// Paints one row (record number, 1-based) at its place on screen.
    void PaintRow(int recNo);
    void PaintVisibleRows();
    /// Paints one cell into `canvas` within `rect`: the default text, then OnDrawColumnCell.
    /// For renderers that draw cell by cell.
    void PaintCell(int recNo, TColumn* column, TCanvas& canvas, const TRect& rect);
    int PaintCount() const { return paintCount_; }
    int RefreshCount() const { return refreshCount_; }

    // A person's actions.
    /// Clicking a data row: the grid takes the focus, then the row becomes current.
    void ClickRow(int recNo);
    /// Clicking a column title: the grid takes the focus, then TitleClick.
    void ClickTitle(TColumn* column);
    /// Runs OnTitleClick for the column. The rows are not reordered.
    virtual void TitleClick(TColumn* column);

    TDrawColumnCellEvent OnDrawColumnCell;
    TDBGridClickEvent OnTitleClick;
    TDBGridClickEvent OnColumnMoved;

    bool WantsTab() const override;

protected:
    void HandleKeyDown(Word& key, TShiftState shift) override;

private:
    class TGridDataLink : public TDataLink {
    public:
        explicit TGridDataLink(TDBGrid* grid) : grid_(grid) {}

    protected:
        void ActiveChanged() override { grid_->LinkActiveChanged(); }
        void DataSetChanged() override { grid_->LinkDataChanged(TChange::Data); }
        void DataSetScrolled() override { grid_->LinkDataChanged(TChange::Scroll); }
        void RecordChanged(TField*) override { grid_->LinkDataChanged(TChange::Data); }
        void EditingChanged() override { grid_->LinkDataChanged(TChange::Data); }

    private:
        TDBGrid* grid_;
    };
    friend class TColumn;
    friend class TColumnTitle;

    void LinkActiveChanged();
    void LinkDataChanged(TChange change);
    void BuildDefaultColumns();
    void ScrollIntoView();
    void ColumnsChanged() { Changed(TChange::Columns); }
    void PaintCellText(TField* field, TColumn* column, TCanvas& canvas, const TRect& rect,
                       TGridDrawState state);
    int IndicatorWidth() const;
    int TitleHeight() const;
    int LineWidth() const;

    TGridDataLink link_;
    std::vector<std::unique_ptr<TColumn>> columns_;
    bool customColumns_ = false;
    TDBGridOptions options_;
    TFont titleFont_;
    int rowHeight_ = 17;
    bool readOnly_ = false;
    int selectedIndex_ = 0;
    int topRow_ = 0;
    TCanvas canvas_;
    int paintCount_ = 0;
    int refreshCount_ = 0;
};

/// A text that shows a field of the current row: its display text.
class TDBText : public TGraphicControl {
public:
    explicit TDBText(TComponent* owner);
    const char* ClassName() const override { return "TDBText"; }

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const { return dataField_; }
    void SetDataField(std::string field);
    /// The field shown; nullptr without an open dataset holding it.
    TField* Field() const;
    /// The field's display text for the current row; empty without a field.
    std::string Text() const override;
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    int RefreshCount() const { return refreshCount_; }

private:
    class TTextDataLink : public TDataLink {
    public:
        explicit TTextDataLink(TDBText* text) : text_(text) {}

    protected:
        void ActiveChanged() override { text_->DataChanged(); }
        void DataSetChanged() override { text_->DataChanged(); }
        void DataSetScrolled() override { text_->DataChanged(); }
        void RecordChanged(TField*) override { text_->DataChanged(); }

    private:
        TDBText* text_;
    };
    void DataChanged();

    TTextDataLink link_;
    std::string dataField_;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    int refreshCount_ = 0;
};

} // namespace platform
