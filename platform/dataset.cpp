// The in-memory dataset: fields, cursor, states, events, index order, locate and control
// notifications.
#include "platform/dataset.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "platform/fieldtext.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

bool Editing(TDataSetState state) {
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

// Case folding for comparisons that ignore case: ASCII letters and the Latin-1 letters of
// Portuguese (À..Þ in UTF-8 fold to à..þ). Folding keeps the byte length.
inline unsigned char FoldByte(unsigned char c, unsigned char previous) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (previous == 0xC3 && c >= 0x80 && c <= 0x9E && c != 0x97)
        return static_cast<unsigned char>(c + 0x20);
    return c;
}

std::string Fold(std::string_view text) {
    std::string out(text);
    unsigned char previous = 0;
    for (char& ch : out) {
        auto c = static_cast<unsigned char>(ch);
        ch = static_cast<char>(FoldByte(c, previous));
        previous = c;
    }
    return out;
}

// Compares text with an already folded key over the key's length.
bool FoldedPrefixEquals(std::string_view text, std::string_view foldedKey) {
    if (text.size() < foldedKey.size()) return false;
    unsigned char previous = 0;
    for (std::size_t i = 0; i < foldedKey.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (FoldByte(c, previous) != static_cast<unsigned char>(foldedKey[i])) return false;
        previous = c;
    }
    return true;
}

int CompareFolded(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    unsigned char pa = 0, pb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        unsigned char fa = FoldByte(ca, pa), fb = FoldByte(cb, pb);
        if (fa != fb) return fa < fb ? -1 : 1;
        pa = ca;
        pb = cb;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// A total order on doubles: NaN after every number.
int CompareDouble(double a, double b) {
    if (a < b) return -1;
    if (a > b) return 1;
    if (a == b) return 0;
    bool an = std::isnan(a), bn = std::isnan(b);
    return an == bn ? 0 : (an ? 1 : -1);
}

std::string_view TrimBlanksRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

[[noreturn]] void NotEditing() {
    throw EDatabaseError("Conjunto de dados não está em modo de edição ou inserção");
}

// Calls `notify` on each source linked to a dataset. It walks a copy of `linked`, since a
// handler may unlink sources, and skips a source that is no longer linked when its turn comes.
template <class Notify>
void EachLinkedSource(const std::vector<TDataSource*>& linked, Notify notify) {
    if (linked.empty()) return;
    std::vector<TDataSource*> sources = linked;
    for (TDataSource* source : sources)
        if (std::find(linked.begin(), linked.end(), source) != linked.end()) notify(*source);
}

} // namespace

// ---- construction and fields ----

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
    std::vector<TDataSource*> sources = sources_;
    sources_.clear();
    for (TDataSource* source : sources) {
        source->dataSet_ = nullptr;
        source->NotifyActiveChanged();
    }
}

TField* TDataSet::AddField(std::unique_ptr<TField> field) {
    if (Active())
        throw EDatabaseError("Não é possível adicionar campos a um conjunto de dados aberto");
    if (dynamicFields_) {
        ownedFields_.clear();
        fields_.clear();
        dynamicFields_ = false;
    }
    if (FindField(field->FieldName()))
        throw EDatabaseError("Campo '" + field->FieldName() + "' definido mais de uma vez");
    field->dataSet_ = this;
    field->index_ = static_cast<int>(fields_.size());
    field->column_ = -1;
    fields_.push_back(field.get());
    ownedFields_.push_back(std::move(field));
    return fields_.back();
}

TStringField* TDataSet::AddStringField(std::string name, int size) {
    return static_cast<TStringField*>(
        AddField(std::make_unique<TStringField>(std::move(name), size)));
}

TFixedCharField* TDataSet::AddFixedCharField(std::string name, int size) {
    return static_cast<TFixedCharField*>(
        AddField(std::make_unique<TFixedCharField>(std::move(name), size)));
}

TFloatField* TDataSet::AddFloatField(std::string name) {
    return static_cast<TFloatField*>(AddField(std::make_unique<TFloatField>(std::move(name))));
}

TDateTimeField* TDataSet::AddDateTimeField(std::string name) {
    return static_cast<TDateTimeField*>(
        AddField(std::make_unique<TDateTimeField>(std::move(name))));
}

TIntegerField* TDataSet::AddIntegerField(std::string name) {
    return static_cast<TIntegerField*>(AddField(std::make_unique<TIntegerField>(std::move(name))));
}

TBooleanField* TDataSet::AddBooleanField(std::string name) {
    return static_cast<TBooleanField*>(AddField(std::make_unique<TBooleanField>(std::move(name))));
}

TField* TDataSet::FindField(std::string_view name) const {
    for (TField* f : fields_)
        if (SameText(f->FieldName(), name)) return f;
    return nullptr;
}

TField* TDataSet::FieldByName(std::string_view name) const {
    TField* f = FindField(name);
    if (!f) throw EDatabaseError("Campo '" + std::string(name) + "' não encontrado");
    return f;
}

std::vector<TFieldDef> TDataSet::PersistentColumns() const {
    std::vector<TFieldDef> columns;
    if (HasPersistentFields())
        for (const TField* f : fields_) columns.push_back(f->Def());
    return columns;
}

void TDataSet::CheckColumns(const std::vector<TFieldDef>& columns) const {
    if (!HasPersistentFields()) return;
    for (const TField* f : fields_) {
        auto it = std::find_if(columns.begin(), columns.end(), [&](const TFieldDef& c) {
            return SameText(c.Name, f->FieldName());
        });
        if (it == columns.end())
            throw EDatabaseError("O pacote de dados não traz o campo '" + f->FieldName() + "'");
        if (it->DataType != f->DataType())
            throw EDatabaseError("Tipo incompatível para o campo '" + f->FieldName() +
                                 "': esperado " + FieldTypeName(f->DataType()) + ", recebido " +
                                 FieldTypeName(it->DataType));
    }
}

void TDataSet::BindFields() {
    auto columnOf = [&](const std::string& name) {
        for (std::size_t i = 0; i < columns_.size(); ++i)
            if (SameText(columns_[i].Name, name)) return static_cast<int>(i);
        return -1;
    };
    if (HasPersistentFields()) {
        for (TField* f : fields_) f->column_ = columnOf(f->FieldName());
        return;
    }
    // Fields made from the columns; objects whose name and type still fit are kept.
    std::vector<std::unique_ptr<TField>> old = std::move(ownedFields_);
    ownedFields_.clear();
    fields_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const TFieldDef& def = columns_[i];
        auto it = std::find_if(old.begin(), old.end(), [&](const std::unique_ptr<TField>& f) {
            return f && f->FieldName() == def.Name && f->DataType() == def.DataType &&
                   f->Size() == def.Size;
        });
        std::unique_ptr<TField> field = it != old.end() ? std::move(*it) : CreateField(def);
        field->SetRequired(def.Required);
        field->dataSet_ = this;
        field->index_ = static_cast<int>(i);
        field->column_ = static_cast<int>(i);
        fields_.push_back(field.get());
        ownedFields_.push_back(std::move(field));
    }
    dynamicFields_ = true;
}

// ---- opening and closing ----

void TDataSet::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

void TDataSet::Open() {
    if (Active()) return;
    std::vector<TFieldDef> columns = HasPersistentFields() ? PersistentColumns() : columns_;
    if (columns.empty()) throw EDatabaseError("Conjunto de dados sem definição de campos");
    TRecordStore rows;
    std::vector<TFieldType> types;
    for (const TFieldDef& c : columns) types.push_back(c.DataType);
    rows.SetLayout(std::move(types));
    OpenWith(std::move(columns), std::move(rows), indexFields_, indexOptions_);
}

void TDataSet::OpenWith(std::vector<TFieldDef> columns, TRecordStore rows,
                        const std::string& indexFields, TIndexOptions indexOptions) {
    // Everything that can refuse the new content runs before the dataset is touched.
    CheckColumns(columns);
    std::vector<IndexKey> keys = ResolveIndexKeys(columns, indexFields, indexOptions);
    std::string fields = indexFields; // may alias indexFields_
    Close();
    indexFields_ = std::move(fields);
    indexOptions_ = indexOptions;
    DoEvent(BeforeOpen);
    columns_ = std::move(columns);
    store_ = std::move(rows);
    BindFields();
    indexKeys_ = std::move(keys);
    RebuildOrder();
    cursor_ = 0;
    bof_ = true;
    eof_ = store_.RowCount() == 0;
    SetState(TDataSetState::dsBrowse);
    DoEvent(AfterOpen);
    if (!IsEmpty()) DoEvent(AfterScroll);
}

void TDataSet::Close() {
    if (!Active()) return;
    DoEvent(BeforeClose);
    modified_ = false;
    editBuffer_.Release();
    editArena_.Release();
    SetState(TDataSetState::dsInactive);
    store_.Clear();
    order_.clear();
    order_.shrink_to_fit();
    cursor_ = 0;
    bof_ = eof_ = true;
    // Fields stay listed; reading them gives null until the next open.
    for (TField* f : fields_) f->column_ = -1;
    DoEvent(AfterClose);
}

void TDataSet::CheckActive() const {
    if (!Active())
        throw EDatabaseError(
            "Não é possível executar esta operação em um conjunto de dados fechado");
}

void TDataSet::SetState(TDataSetState state) {
    if (state == state_) return;
    TDataSetState old = state_;
    state_ = state;
    NotifyStateChange(old);
}

// ---- editing ----

const std::byte* TDataSet::CurrentRecord() const {
    if (peeking_) return peekRecord_;
    if (Editing(state_)) return editBuffer_.Data();
    if (state_ == TDataSetState::dsInactive || store_.RowCount() == 0) return nullptr;
    return store_.Row(PhysicalRow(cursor_));
}

std::byte* TDataSet::EditRecord() {
    if (!Editing(state_)) NotEditing();
    return editBuffer_.Data();
}

void TDataSet::FieldChanged(TField* field) {
    modified_ = true;
    if (field->OnChange) field->OnChange(field);
    NotifyRecordChanged(field);
}

void TDataSet::Edit() {
    CheckActive();
    if (Editing(state_)) return;
    if (IsEmpty()) {
        Append();
        return;
    }
    DoEvent(BeforeEdit);
    editBuffer_.Resize(store_.Stride());
    std::memcpy(editBuffer_.Data(), store_.Row(PhysicalRow(cursor_)), store_.Stride());
    editArena_.Clear();
    modified_ = false;
    SetState(TDataSetState::dsEdit);
    NotifyRecordChanged(nullptr);
    DoEvent(AfterEdit);
}

void TDataSet::Append() {
    CheckActive();
    CheckBrowseMode();
    DoEvent(BeforeInsert);
    savedCursor_ = cursor_;
    editBuffer_.Resize(store_.Stride());
    store_.InitRecord(editBuffer_.Data());
    EndEditStep(TDataSetState::dsInsert, AfterInsert);
}

void TDataSet::Post() {
    CheckActive();
    if (!Editing(state_)) return;
    DoEvent(BeforePost);
    for (const TField* f : fields_)
        if (f->Required() && f->column_ >= 0 && store_.IsNull(editBuffer_.Data(), f->column_))
            throw EDatabaseError("O campo '" + f->FieldName() + "' deve ter um valor");
    if (state_ == TDataSetState::dsEdit) {
        std::size_t row = PhysicalRow(cursor_);
        store_.CommitRecord(row, editBuffer_.Data(), editArena_);
        if (!order_.empty()) {
            order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(cursor_));
            PlaceRow(row);
        }
    } else {
        store_.AppendRow();
        std::size_t row = store_.RowCount() - 1;
        store_.CommitRecord(row, editBuffer_.Data(), editArena_);
        if (!indexKeys_.empty())
            PlaceRow(row);
        else
            cursor_ = row;
    }
    EndEditStep(TDataSetState::dsBrowse, AfterPost);
}

void TDataSet::EndEditStep(TDataSetState state, const TDataSetNotifyEvent& after) {
    editArena_.Clear();
    modified_ = false;
    bof_ = eof_ = false;
    SetState(state);
    NotifyDataSetChanged();
    DoEvent(after);
}

void TDataSet::Cancel() {
    if (!Editing(state_)) return;
    DoEvent(BeforeCancel);
    bool inserting = state_ == TDataSetState::dsInsert;
    editArena_.Clear();
    modified_ = false;
    if (inserting) cursor_ = std::min(savedCursor_, store_.RowCount() ? store_.RowCount() - 1 : 0);
    bof_ = false;
    eof_ = IsEmpty();
    SetState(TDataSetState::dsBrowse);
    NotifyDataSetChanged();
    DoEvent(AfterCancel);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (!Editing(state_)) return;
    if (modified_)
        Post();
    else
        Cancel();
}

// ---- navigation ----

int TDataSet::RecordCount() const {
    return Active() ? static_cast<int>(store_.RowCount()) : 0;
}

int TDataSet::RecNo() const {
    if (state_ == TDataSetState::dsInactive || state_ == TDataSetState::dsInsert || IsEmpty())
        return 0;
    return static_cast<int>(cursor_) + 1;
}

void TDataSet::First() {
    CheckBrowseMode();
    DoEvent(BeforeScroll);
    cursor_ = 0;
    bof_ = true;
    eof_ = IsEmpty();
    NotifyScrolled();
    DoEvent(AfterScroll);
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoEvent(BeforeScroll);
    std::size_t n = store_.RowCount();
    cursor_ = n ? n - 1 : 0;
    eof_ = true;
    bof_ = n == 0;
    NotifyScrolled();
    DoEvent(AfterScroll);
}

void TDataSet::Next() {
    MoveBy(1);
}

void TDataSet::Prior() {
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    DoEvent(BeforeScroll);
    if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0) return 0;
    auto n = static_cast<std::int64_t>(store_.RowCount());
    auto from = static_cast<std::int64_t>(cursor_);
    std::int64_t to = std::clamp<std::int64_t>(from + distance, 0, n ? n - 1 : 0);
    bof_ = eof_ = false;
    if (n == 0)
        bof_ = eof_ = true;
    else if (from + distance > n - 1)
        eof_ = true;
    else if (from + distance < 0)
        bof_ = true;
    cursor_ = static_cast<std::size_t>(to);
    NotifyScrolled();
    DoEvent(AfterScroll);
    return static_cast<int>(to - from);
}

void TDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (IsEmpty()) return;
    auto n = static_cast<int>(store_.RowCount());
    recNo = std::clamp(recNo, 1, n);
    DoEvent(BeforeScroll);
    cursor_ = static_cast<std::size_t>(recNo - 1);
    bof_ = eof_ = false;
    NotifyScrolled();
    DoEvent(AfterScroll);
}

// ---- locate ----

bool TDataSet::Locate(std::string_view keyFields, const Variant& keyValues,
                      TLocateOptions options) {
    if (keyValues.IsArray()) {
        std::vector<Variant> values;
        for (int i = keyValues.LowBound(); i <= keyValues.HighBound(); ++i)
            values.push_back(keyValues[i]);
        return LocateValues(keyFields, values.data(), values.size(), options);
    }
    return LocateValues(keyFields, &keyValues, 1, options);
}

bool TDataSet::Locate(std::string_view keyFields, std::initializer_list<Variant> keyValues,
                      TLocateOptions options) {
    return LocateValues(keyFields, keyValues.begin(), keyValues.size(), options);
}

bool TDataSet::LocateValues(std::string_view keyFields, const Variant* values, std::size_t count,
                            TLocateOptions options) {
    CheckBrowseMode();
    std::vector<std::string> names = SplitFieldNames(keyFields);
    if (names.empty()) throw EDatabaseError("Nenhum campo informado para localizar");
    if (names.size() != count)
        throw EDatabaseError("Localizar em " + IntToStr(static_cast<std::int64_t>(names.size())) +
                             " campo(s) com " + IntToStr(static_cast<std::int64_t>(count)) +
                             " valor(es)");
    bool caseInsensitive = options.Contains(loCaseInsensitive);
    bool partial = options.Contains(loPartialKey);
    struct Key {
        int column;
        TFieldType type;
        bool null;
        std::string text;
        double number;
        std::int64_t integer;
    };
    std::vector<Key> keys;
    for (std::size_t i = 0; i < names.size(); ++i) {
        TField* f = FieldByName(names[i]);
        Key k{f->column_, f->DataType(), values[i].IsNull() || values[i].IsEmpty(), {}, 0.0, 0};
        if (!k.null) {
            switch (k.type) {
            case TFieldType::ftString:
            case TFieldType::ftFixedChar:
                k.text = values[i].AsString();
                if (k.type == TFieldType::ftFixedChar)
                    k.text = std::string(TrimBlanksRight(k.text));
                if (caseInsensitive) k.text = Fold(k.text);
                break;
            case TFieldType::ftFloat: k.number = values[i].AsDouble(); break;
            case TFieldType::ftDateTime: k.number = values[i].AsDate(); break;
            case TFieldType::ftInteger: k.integer = values[i].AsInteger(); break;
            case TFieldType::ftBoolean: k.integer = values[i].AsBoolean() ? 1 : 0; break;
            }
        }
        keys.push_back(std::move(k));
    }
    auto matches = [&](const std::byte* record) {
        for (const Key& k : keys) {
            bool null = store_.IsNull(record, k.column);
            if (null || k.null) {
                if (null != k.null) return false;
                continue;
            }
            switch (k.type) {
            case TFieldType::ftString:
            case TFieldType::ftFixedChar: {
                std::string_view text = store_.GetText(record, k.column);
                if (k.type == TFieldType::ftFixedChar) text = TrimBlanksRight(text);
                if (!partial && text.size() != k.text.size()) return false;
                if (caseInsensitive ? !FoldedPrefixEquals(text, k.text)
                                    : text.substr(0, k.text.size()) != k.text)
                    return false;
                break;
            }
            case TFieldType::ftFloat:
            case TFieldType::ftDateTime:
                if (store_.GetDouble(record, k.column) != k.number) return false;
                break;
            case TFieldType::ftInteger:
            case TFieldType::ftBoolean:
                if (store_.GetInt(record, k.column) != k.integer) return false;
                break;
            }
        }
        return true;
    };
    DoEvent(BeforeScroll);
    std::size_t n = store_.RowCount();
    for (std::size_t pos = 0; pos < n; ++pos) {
        if (!matches(store_.Row(PhysicalRow(pos)))) continue;
        cursor_ = pos;
        bof_ = eof_ = false;
        NotifyScrolled();
        DoEvent(AfterScroll);
        return true;
    }
    return false;
}

// ---- index order ----

std::vector<TDataSet::IndexKey> TDataSet::ResolveIndexKeys(const std::vector<TFieldDef>& columns,
                                                           const std::string& fields,
                                                           TIndexOptions options) {
    std::vector<IndexKey> keys;
    for (const std::string& name : SplitFieldNames(fields)) {
        auto it = std::find_if(columns.begin(), columns.end(),
                               [&](const TFieldDef& c) { return SameText(c.Name, name); });
        if (it == columns.end())
            throw EDatabaseError("Campo '" + name + "' do índice não encontrado");
        keys.push_back(IndexKey{static_cast<int>(it - columns.begin()),
                                options.Contains(ixDescending),
                                options.Contains(ixCaseInsensitive)});
    }
    return keys;
}

bool TDataSet::RowLess(std::size_t a, std::size_t b) const {
    const std::byte* ra = store_.Row(a);
    const std::byte* rb = store_.Row(b);
    for (const IndexKey& k : indexKeys_) {
        bool na = store_.IsNull(ra, k.column), nb = store_.IsNull(rb, k.column);
        int c = 0;
        if (na || nb) {
            c = na == nb ? 0 : (na ? -1 : 1); // nulls first
        } else {
            switch (store_.ColumnType(k.column)) {
            case TFieldType::ftString:
            case TFieldType::ftFixedChar: {
                std::string_view ta = store_.GetText(ra, k.column),
                                 tb = store_.GetText(rb, k.column);
                c = k.caseInsensitive ? CompareFolded(ta, tb) : ta.compare(tb);
                c = c < 0 ? -1 : (c > 0 ? 1 : 0);
                break;
            }
            case TFieldType::ftFloat:
            case TFieldType::ftDateTime:
                c = CompareDouble(store_.GetDouble(ra, k.column), store_.GetDouble(rb, k.column));
                break;
            case TFieldType::ftInteger:
            case TFieldType::ftBoolean: {
                std::int64_t ia = store_.GetInt(ra, k.column), ib = store_.GetInt(rb, k.column);
                c = ia < ib ? -1 : (ia > ib ? 1 : 0);
                break;
            }
            }
        }
        if (c != 0) return k.descending ? c > 0 : c < 0;
    }
    return a < b; // equal keys keep insertion order
}

void TDataSet::RebuildOrder() {
    order_.clear();
    if (indexKeys_.empty()) {
        order_.shrink_to_fit();
        return;
    }
    order_.resize(store_.RowCount());
    std::iota(order_.begin(), order_.end(), 0u);
    std::sort(order_.begin(), order_.end(),
              [&](std::uint32_t a, std::uint32_t b) { return RowLess(a, b); });
}

void TDataSet::PlaceRow(std::size_t row) {
    auto it = std::lower_bound(order_.begin(), order_.end(), static_cast<std::uint32_t>(row),
                               [&](std::uint32_t a, std::uint32_t b) { return RowLess(a, b); });
    cursor_ = static_cast<std::size_t>(it - order_.begin());
    order_.insert(it, static_cast<std::uint32_t>(row));
}

void TDataSet::SetIndexFields(const std::string& fields, TIndexOptions options) {
    if (!Active()) {
        indexFields_ = fields;
        indexOptions_ = options;
        return;
    }
    std::vector<IndexKey> keys = ResolveIndexKeys(columns_, fields, options);
    CheckBrowseMode();
    indexFields_ = fields;
    indexOptions_ = options;
    std::size_t row = IsEmpty() ? 0 : PhysicalRow(cursor_);
    indexKeys_ = std::move(keys);
    RebuildOrder();
    if (!IsEmpty())
        cursor_ = order_.empty()
                      ? row
                      : static_cast<std::size_t>(std::find(order_.begin(), order_.end(), row) -
                                                 order_.begin());
    NotifyDataSetChanged();
}

void TDataSet::RowsReplaced() {
    RebuildOrder();
    cursor_ = 0;
    bof_ = true;
    eof_ = IsEmpty();
    NotifyDataSetChanged();
}

void TDataSet::RowsRestored() {
    RebuildOrder();
    std::size_t n = store_.RowCount();
    cursor_ = n ? std::min(cursor_, n - 1) : 0;
    bof_ = n == 0;
    eof_ = n == 0;
    NotifyDataSetChanged();
}

// ---- linked controls ----

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) disableState_ = state_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (state_ != disableState_) NotifyStateChange(disableState_);
    if (Active()) NotifyDataSetChanged();
}

void TDataSet::NotifyStateChange(TDataSetState oldState) {
    if (disableCount_ > 0) return;
    bool activeChanged =
        (oldState == TDataSetState::dsInactive) != (state_ == TDataSetState::dsInactive);
    bool editingChanged = Editing(oldState) != Editing(state_);
    EachLinkedSource(sources_, [&](TDataSource& source) {
        if (activeChanged) source.NotifyActiveChanged();
        if (editingChanged) source.NotifyEditingChanged();
        source.NotifyStateChange();
    });
}

void TDataSet::NotifyDataSetChanged() {
    if (disableCount_ > 0) return;
    EachLinkedSource(sources_, [](TDataSource& source) { source.NotifyDataSetChanged(); });
}

void TDataSet::NotifyScrolled() {
    if (disableCount_ > 0) return;
    EachLinkedSource(sources_, [](TDataSource& source) { source.NotifyScrolled(); });
}

void TDataSet::NotifyRecordChanged(TField* field) {
    if (disableCount_ > 0) return;
    EachLinkedSource(sources_, [field](TDataSource& source) { source.NotifyRecordChanged(field); });
}

std::size_t TDataSet::AllocatedBytes() const {
    return store_.AllocatedBytes() + order_.capacity() * sizeof(std::uint32_t) +
           editBuffer_.Capacity() + editArena_.Capacity();
}

// ---- TRecordPeek ----

TRecordPeek::TRecordPeek(TDataSet& dataSet, int recNo)
    : dataSet_(dataSet), savedRecord_(dataSet.peekRecord_), savedPeeking_(dataSet.peeking_) {
    const std::byte* record = nullptr;
    int n = dataSet.RecordCount();
    if (recNo >= 1 && recNo <= n) {
        auto position = static_cast<std::size_t>(recNo - 1);
        if (dataSet.state_ == TDataSetState::dsEdit && position == dataSet.cursor_)
            record = dataSet.editBuffer_.Data();
        else
            record = dataSet.store_.Row(dataSet.PhysicalRow(position));
    }
    dataSet.peekRecord_ = record;
    dataSet.peeking_ = true;
}

TRecordPeek::~TRecordPeek() {
    dataSet_.peekRecord_ = savedRecord_;
    dataSet_.peeking_ = savedPeeking_;
}

// ---- TRowAppender ----

TRowAppender::TRowAppender(TDataSet& dataSet) : dataSet_(&dataSet) {
    dataSet.CheckActive();
    if (dataSet.State() != TDataSetState::dsBrowse)
        throw EDatabaseError(
            "Só é possível carregar registros com o conjunto de dados em navegação");
}

TRowAppender::~TRowAppender() {
    // Abandoned without Finish (an exception on the way): keep the dataset consistent, quietly.
    if (!dataSet_) return;
    dataSet_->RebuildOrder();
    dataSet_->cursor_ = 0;
    dataSet_->bof_ = true;
    dataSet_->eof_ = dataSet_->IsEmpty();
}

void TRowAppender::AddRow() {
    if (!dataSet_) throw EDatabaseError("Carga de registros já encerrada");
    dataSet_->store_.AppendRow();
    row_ = dataSet_->store_.RowCount() - 1;
    started_ = true;
}

std::byte* TRowAppender::Row(int field, TFieldType expected) {
    if (!dataSet_ || !started_) throw EDatabaseError("Nenhum registro iniciado na carga");
    if (field < 0 || field >= dataSet_->FieldCount())
        throw EDatabaseError("Campo número " + IntToStr(field) + " inexistente");
    TField* f = dataSet_->fields_[static_cast<std::size_t>(field)];
    bool fits = f->DataType() == expected || (IsTextType(f->DataType()) && IsTextType(expected));
    if (!fits)
        throw EDatabaseError("Tipo incompatível para o campo '" + f->FieldName() + "': esperado " +
                             FieldTypeName(f->DataType()) + ", recebido " +
                             FieldTypeName(expected));
    return dataSet_->store_.Row(row_);
}

void TRowAppender::SetNull(int field) {
    if (!dataSet_ || !started_) throw EDatabaseError("Nenhum registro iniciado na carga");
    TField* f = dataSet_->fields_.at(static_cast<std::size_t>(field));
    dataSet_->store_.SetNull(dataSet_->store_.Row(row_), f->column_);
}

void TRowAppender::SetString(int field, std::string_view value) {
    std::byte* row = Row(field, TFieldType::ftString);
    TField* f = dataSet_->fields_[static_cast<std::size_t>(field)];
    auto size = static_cast<std::size_t>(f->Size());
    if (value.size() <= size && f->DataType() == TFieldType::ftString) {
        dataSet_->store_.SetText(row, f->column_, value);
        return;
    }
    std::string fitted;
    dataSet_->store_.SetText(row, f->column_,
                             FitText(TFieldDef{{}, f->DataType(), f->Size()}, value, fitted));
}

int TRowAppender::Column(int field) const {
    return dataSet_->fields_[static_cast<std::size_t>(field)]->column_;
}

void TRowAppender::SetFloat(int field, double value) {
    std::byte* row = Row(field, TFieldType::ftFloat);
    dataSet_->store_.SetDouble(row, Column(field), value);
}

void TRowAppender::SetDateTime(int field, TDateTime value) {
    std::byte* row = Row(field, TFieldType::ftDateTime);
    dataSet_->store_.SetDouble(row, Column(field), value);
}

void TRowAppender::SetInteger(int field, std::int64_t value) {
    std::byte* row = Row(field, TFieldType::ftInteger);
    dataSet_->store_.SetInt(row, Column(field), value);
}

void TRowAppender::SetBoolean(int field, bool value) {
    std::byte* row = Row(field, TFieldType::ftBoolean);
    dataSet_->store_.SetInt(row, Column(field), value ? 1 : 0);
}

void TRowAppender::SetVariant(int field, const Variant& value) {
    if (value.IsNull() || value.IsEmpty()) {
        SetNull(field);
        return;
    }
    if (field < 0 || field >= dataSet_->FieldCount())
        throw EDatabaseError("Campo número " + IntToStr(field) + " inexistente");
    switch (dataSet_->fields_[static_cast<std::size_t>(field)]->DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar: SetString(field, value.AsString()); break;
    case TFieldType::ftFloat: SetFloat(field, value.AsDouble()); break;
    case TFieldType::ftDateTime: SetDateTime(field, value.AsDate()); break;
    case TFieldType::ftInteger: SetInteger(field, value.AsInteger()); break;
    case TFieldType::ftBoolean: SetBoolean(field, value.AsBoolean()); break;
    }
}

void TRowAppender::Finish() {
    if (!dataSet_) return;
    TDataSet* ds = dataSet_;
    dataSet_ = nullptr;
    ds->RebuildOrder();
    ds->cursor_ = 0;
    ds->bof_ = true;
    ds->eof_ = ds->IsEmpty();
    ds->NotifyDataSetChanged();
}

} // namespace platform
