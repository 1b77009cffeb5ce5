// Data-aware controls: the grid that shows a dataset's rows and the text that shows one field.
#include "platform/dbctrls.h"

#include <algorithm>

#include "platform/dataset.h"
#include "platform/fields.h"
#include "platform/forms.h"

namespace platform {

namespace {

constexpr int kIndicatorWidth = 11;
constexpr int kDigitWidth = 6; // width of a digit in the default font
constexpr int kCellMargin = 2;

bool IsNumeric(const TField* field) {
    return field &&
           (field->DataType() == TFieldType::ftFloat || field->DataType() == TFieldType::ftInteger);
}

// Where text of this width starts inside a cell, for an alignment.
int TextLeft(const TRect& rect, int textWidth, TAlignment alignment) {
    switch (alignment) {
    case TAlignment::taRightJustify: return rect.Right - kCellMargin - textWidth;
    case TAlignment::taCenter: return rect.Left + (rect.Width() - textWidth) / 2;
    case TAlignment::taLeftJustify: break;
    }
    return rect.Left + kCellMargin;
}

} // namespace

// ---- TColumnTitle ----

std::string TColumnTitle::Caption() const {
    if (hasCaption_) return caption_;
    if (TField* field = column_->Field()) return field->DisplayLabel();
    return column_->FieldName();
}

void TColumnTitle::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    hasCaption_ = true;
    column_->Changed();
}

void TColumnTitle::SetFont(const TFont& font) {
    font_ = font;
    column_->Changed();
}

void TColumnTitle::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    column_->Changed();
}

void TColumnTitle::SetColor(TColor color) {
    color_ = color;
    column_->Changed();
}

// ---- TColumn ----

TColumn::TColumn(TDBGrid* grid, int index) : grid_(grid), index_(index), title_(this) {}

void TColumn::Changed() {
    grid_->ColumnsChanged();
}

void TColumn::SetFieldName(std::string name) {
    fieldName_ = std::move(name);
    Changed();
}

TField* TColumn::Field() const {
    TDataSet* ds = grid_->DataSet();
    return ds && !fieldName_.empty() ? ds->FindField(fieldName_) : nullptr;
}

int TColumn::Width() const {
    if (width_ >= 0) return width_;
    if (TField* field = Field()) return field->DisplayWidth() * kDigitWidth + 2 * kCellMargin;
    return 64;
}

void TColumn::SetWidth(int width) {
    width_ = std::max(0, width);
    Changed();
}

TAlignment TColumn::Alignment() const {
    if (hasAlignment_) return alignment_;
    return IsNumeric(Field()) ? TAlignment::taRightJustify : TAlignment::taLeftJustify;
}

void TColumn::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    hasAlignment_ = true;
    Changed();
}

void TColumn::SetVisible(bool visible) {
    visible_ = visible;
    Changed();
}

void TColumn::SetColor(TColor color) {
    color_ = color;
    Changed();
}

void TColumn::SetFont(const TFont& font) {
    font_ = font;
    Changed();
}

// ---- TDBGrid ----

TDBGrid::TDBGrid(TComponent* owner) : TWinControl(owner), link_(this) {
    SetTabStop(true);
    color_ = clWindow;
    options_ = {dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
    SetBounds(0, 0, 320, 120);
}

TDBGrid::~TDBGrid() = default;

TDataSource* TDBGrid::DataSource() const {
    return link_.DataSource();
}

void TDBGrid::SetDataSource(TDataSource* source) {
    link_.SetDataSource(source);
}

TDataSet* TDBGrid::DataSet() const {
    return link_.DataSet();
}

TColumn* TDBGrid::AddColumn(const std::string& fieldName) {
    if (!customColumns_) {
        columns_.clear();
        customColumns_ = true;
    }
    columns_.push_back(std::make_unique<TColumn>(this, ColumnCount()));
    columns_.back()->fieldName_ = fieldName;
    ColumnsChanged();
    return columns_.back().get();
}

void TDBGrid::ClearColumns() {
    columns_.clear();
    customColumns_ = false;
    BuildDefaultColumns();
    ColumnsChanged();
}

TColumn* TDBGrid::Column(int index) const {
    if (index < 0 || index >= ColumnCount()) throw ERangeError("Índice de coluna fora dos limites");
    return columns_[static_cast<std::size_t>(index)].get();
}

TColumn* TDBGrid::ColumnByFieldName(const std::string& fieldName) const {
    for (const auto& c : columns_)
        if (SameText(c->FieldName(), fieldName)) return c.get();
    return nullptr;
}

std::vector<TColumn*> TDBGrid::VisibleColumns() const {
    std::vector<TColumn*> list;
    for (const auto& c : columns_)
        if (c->Visible()) list.push_back(c.get());
    return list;
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    if (options == options_) return;
    options_ = options;
    ColumnsChanged();
}

void TDBGrid::SetDefaultRowHeight(int height) {
    rowHeight_ = std::max(1, height);
    ColumnsChanged();
}

void TDBGrid::SetSelectedIndex(int index) {
    if (columns_.empty()) return;
    selectedIndex_ = std::clamp(index, 0, ColumnCount() - 1);
    Changed(TChange::Scroll);
}

void TDBGrid::BuildDefaultColumns() {
    if (customColumns_) return;
    columns_.clear();
    TDataSet* ds = DataSet();
    if (!ds) return;
    for (TField* field : ds->Fields()) {
        if (!field->Visible()) continue;
        columns_.push_back(std::make_unique<TColumn>(this, ColumnCount()));
        columns_.back()->fieldName_ = field->FieldName();
    }
}

int TDBGrid::IndicatorWidth() const {
    return options_.Contains(dgIndicator) ? kIndicatorWidth + LineWidth() : 0;
}
int TDBGrid::TitleHeight() const {
    return options_.Contains(dgTitles) ? rowHeight_ + LineWidth() : 0;
}
int TDBGrid::LineWidth() const {
    return options_.Contains(dgColLines) || options_.Contains(dgRowLines) ? 1 : 0;
}

int TDBGrid::VisibleRowCount() const {
    int rowStep = rowHeight_ + (options_.Contains(dgRowLines) ? 1 : 0);
    return std::max(1, (Height() - TitleHeight()) / std::max(1, rowStep));
}

void TDBGrid::SetTopRow(int recNo) {
    TDataSet* ds = DataSet();
    int count = ds && ds->Active() ? ds->RecordCount() : 0;
    int top = count == 0 ? 0 : std::clamp(recNo, 1, std::max(1, count - VisibleRowCount() + 1));
    if (AssignIfChanged(topRow_, top)) Changed(TChange::Scroll);
}

std::vector<int> TDBGrid::VisibleRecNos() const {
    std::vector<int> list;
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || topRow_ <= 0) return list;
    int count = ds->RecordCount();
    for (int recNo = topRow_; recNo <= count && recNo < topRow_ + VisibleRowCount(); ++recNo)
        list.push_back(recNo);
    return list;
}

void TDBGrid::ScrollIntoView() {
    TDataSet* ds = DataSet();
    int count = ds && ds->Active() ? ds->RecordCount() : 0;
    if (count == 0) {
        topRow_ = 0;
        return;
    }
    int current = std::max(1, ds->RecNo());
    int visible = VisibleRowCount();
    int top = topRow_ <= 0 ? 1 : topRow_;
    if (current < top) top = current;
    if (current >= top + visible) top = current - visible + 1;
    topRow_ = std::clamp(top, 1, std::max(1, count - visible + 1));
}

void TDBGrid::LinkActiveChanged() {
    BuildDefaultColumns();
    topRow_ = 0;
    ScrollIntoView();
    ++refreshCount_;
    ColumnsChanged();
    Changed(TChange::Data);
}

void TDBGrid::LinkDataChanged(TChange change) {
    ScrollIntoView();
    ++refreshCount_;
    Changed(change);
}

TRect TDBGrid::CellRect(const TColumn* column, int recNo) const {
    int x = IndicatorWidth();
    int colLine = options_.Contains(dgColLines) ? 1 : 0;
    bool found = false;
    int width = 0;
    for (const auto& c : columns_) {
        if (!c->Visible()) continue;
        if (c.get() == column) {
            found = true;
            width = c->Width();
            break;
        }
        x += c->Width() + colLine;
    }
    if (!found) return {};
    if (recNo == 0) return Bounds(x, 0, width, options_.Contains(dgTitles) ? rowHeight_ : 0);
    int rowStep = rowHeight_ + (options_.Contains(dgRowLines) ? 1 : 0);
    int y = TitleHeight() + (recNo - std::max(1, topRow_)) * rowStep;
    return Bounds(x, y, width, rowHeight_);
}

void TDBGrid::PaintTitles() {
    if (!options_.Contains(dgTitles)) return;
    for (TColumn* column : VisibleColumns()) {
        TRect rect = CellRect(column, 0);
        const TColumnTitle& title = column->Title();
        canvas_.SetBrushColor(title.Color());
        canvas_.SetFont(title.Font());
        canvas_.FillRect(rect);
        std::string caption = title.Caption();
        canvas_.TextRect(rect, TextLeft(rect, canvas_.TextWidth(caption), title.Alignment()),
                         rect.Top + 2, caption);
    }
}

void TDBGrid::PaintCellText(TField* field, TColumn* column, TCanvas& canvas, const TRect& rect,
                            TGridDrawState state) {
    TFont font = column->Font();
    if (state & gdSelected) {
        canvas.SetBrushColor(clHighlight);
        font.Color = clHighlightText;
    } else {
        canvas.SetBrushColor(column->Color());
    }
    canvas.SetFont(font);
    canvas.FillRect(rect);
    std::string text = field ? field->DisplayText() : std::string();
    canvas.TextRect(rect, TextLeft(rect, canvas.TextWidth(text), column->Alignment()), rect.Top + 2,
                    text);
}

void TDBGrid::PaintCell(int recNo, TColumn* column, TCanvas& canvas, const TRect& rect) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || recNo < 1 || recNo > ds->RecordCount() || !column) return;
    bool current = recNo == ds->RecNo();
    TRecordPeek peek(*ds, recNo);
    bool selected = current && (Focused() || options_.Contains(dgAlwaysShowSelection)) &&
                    (options_.Contains(dgRowSelect) || column->Index() == selectedIndex_);
    TGridDrawState state = (selected ? gdSelected : 0u) | (current && Focused() ? gdFocused : 0u);
    PaintCellText(column->Field(), column, canvas, rect, state);
    if (OnDrawColumnCell) OnDrawColumnCell(this, rect, column->Index(), column, state);
}

void TDBGrid::PaintRow(int recNo) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || recNo < 1 || recNo > ds->RecordCount()) return;
    for (TColumn* column : VisibleColumns())
        PaintCell(recNo, column, canvas_, CellRect(column, recNo));
}

void TDBGrid::PaintVisibleRows() {
    for (int recNo : VisibleRecNos()) PaintRow(recNo);
}

void TDBGrid::Paint() {
    ++paintCount_;
    canvas_.Clear();
    PaintTitles();
    PaintVisibleRows();
}

void TDBGrid::ClickRow(int recNo) {
    if (!Showing() || !EnabledWithParents()) return;
    if (!FocusForClick()) return;
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || recNo < 1 || recNo > ds->RecordCount()) return;
    ds->SetRecNo(recNo);
}

void TDBGrid::ClickTitle(TColumn* column) {
    if (!Showing() || !EnabledWithParents() || !options_.Contains(dgTitles)) return;
    if (!FocusForClick()) return;
    TitleClick(column);
}

void TDBGrid::TitleClick(TColumn* column) {
    if (OnTitleClick) OnTitleClick(column);
}

bool TDBGrid::WantsTab() const {
    return options_.Contains(dgTabs) && !options_.Contains(dgRowSelect);
}

void TDBGrid::HandleKeyDown(Word& key, TShiftState shift) {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return;
    bool ctrl = (shift & ssCtrl) != 0;
    bool rowSelect = options_.Contains(dgRowSelect);
    switch (key) {
    case VK_UP: ds->Prior(); break;
    case VK_DOWN: ds->Next(); break;
    case VK_PRIOR: ds->MoveBy(-VisibleRowCount()); break;
    case VK_NEXT: ds->MoveBy(VisibleRowCount()); break;
    case VK_HOME:
        if (ctrl || rowSelect)
            ds->First();
        else
            SetSelectedIndex(0);
        break;
    case VK_END:
        if (ctrl || rowSelect)
            ds->Last();
        else
            SetSelectedIndex(ColumnCount() - 1);
        break;
    case VK_LEFT:
        if (!rowSelect) SetSelectedIndex(selectedIndex_ - 1);
        break;
    case VK_RIGHT:
        if (!rowSelect) SetSelectedIndex(selectedIndex_ + 1);
        break;
    case VK_TAB:
        if (WantsTab()) SetSelectedIndex(selectedIndex_ + ((shift & ssShift) ? -1 : 1));
        break;
    default: break;
    }
}

// ---- TDBText ----

TDBText::TDBText(TComponent* owner) : TGraphicControl(owner), link_(this) {}

void TDBText::SetDataSource(TDataSource* source) {
    link_.SetDataSource(source);
}

void TDBText::SetDataField(std::string field) {
    dataField_ = std::move(field);
    DataChanged();
}

TField* TDBText::Field() const {
    TDataSet* ds = link_.DataSet();
    return ds && ds->Active() && !dataField_.empty() ? ds->FindField(dataField_) : nullptr;
}

std::string TDBText::Text() const {
    TField* field = Field();
    return field ? field->DisplayText() : std::string();
}

void TDBText::DataChanged() {
    ++refreshCount_;
    Changed(TChange::Caption);
}

} // namespace platform
