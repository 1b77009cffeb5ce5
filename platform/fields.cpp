// Fields of a dataset: conversions between the stored value of a column and what screens read.
#include "platform/fields.h"

#include <cmath>

#include "platform/dataset.h"
#include "platform/datetime.h"
#include "platform/editmask.h"
#include "platform/formats.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

std::string CutToSize(std::string_view value, int size) {
    // Bytes never undercount characters, so a short byte length needs no counting.
    if (value.size() <= static_cast<std::size_t>(size)) return std::string(value);
    if (Utf8Length(value) <= static_cast<std::size_t>(size)) return std::string(value);
    return Utf8Copy(value, 0, static_cast<std::size_t>(size));
}

} // namespace

// ---- TField ----

TField::TField(TFieldDef def) : def_(std::move(def)) {}

int TField::DisplayWidth() const {
    if (displayWidth_ > 0) return displayWidth_;
    switch (def_.DataType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar: return def_.Size;
    case TFieldType::ftFloat: return 10;
    case TFieldType::ftDateTime: return 18;
    case TFieldType::ftInteger: return 11;
    case TFieldType::ftBoolean: return 5;
    }
    return 10;
}

const std::byte* TField::ReadRecord() const {
    if (!dataSet_ || column_ < 0) return nullptr;
    return dataSet_->CurrentRecord();
}

std::byte* TField::WriteRecord() {
    if (!dataSet_)
        throw EDatabaseError("O campo '" + def_.Name + "' não pertence a um conjunto de dados");
    if (dataSet_->State() != TDataSetState::dsEdit && dataSet_->State() != TDataSetState::dsInsert)
        throw EDatabaseError("Conjunto de dados não está em modo de edição ou inserção");
    return dataSet_->EditRecord();
}

void TField::Changed() {
    dataSet_->FieldChanged(this);
}

std::string_view TField::ReadText(const std::byte* record) const {
    return dataSet_->store_.GetText(record, column_, &dataSet_->editArena_);
}

void TField::WriteText(std::byte* record, std::string_view text) {
    dataSet_->store_.SetEditText(record, column_, text, dataSet_->editArena_);
}

double TField::ReadDouble(const std::byte* record) const {
    return dataSet_->store_.GetDouble(record, column_);
}

void TField::WriteDouble(std::byte* record, double value) {
    dataSet_->store_.SetDouble(record, column_, value);
}

std::int64_t TField::ReadInt(const std::byte* record) const {
    return dataSet_->store_.GetInt(record, column_);
}

void TField::WriteInt(std::byte* record, std::int64_t value) {
    dataSet_->store_.SetInt(record, column_, value);
}

bool TField::IsNull() const {
    const std::byte* record = ReadRecord();
    return !record || dataSet_->store_.IsNull(record, column_);
}

void TField::AccessError(const char* typeName) const {
    throw EDatabaseError("Não é possível acessar o campo '" + def_.Name + "' como tipo " +
                         typeName);
}

std::string TField::AsString() const {
    AccessError("String");
}
double TField::AsFloat() const {
    AccessError("Float");
}
TDateTime TField::AsDateTime() const {
    AccessError("DateTime");
}
std::int64_t TField::AsInteger() const {
    AccessError("Integer");
}
bool TField::AsBoolean() const {
    AccessError("Boolean");
}
Variant TField::AsVariant() const {
    AccessError("Variant");
}
void TField::SetAsString(std::string_view) {
    AccessError("String");
}
void TField::SetAsFloat(double) {
    AccessError("Float");
}
void TField::SetAsDateTime(TDateTime) {
    AccessError("DateTime");
}
void TField::SetAsInteger(std::int64_t) {
    AccessError("Integer");
}
void TField::SetAsBoolean(bool) {
    AccessError("Boolean");
}

void TField::SetAsVariant(const Variant& value) {
    if (value.IsNull() || value.IsEmpty()) {
        Clear();
        return;
    }
    switch (def_.DataType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar: SetAsString(value.AsString()); break;
    case TFieldType::ftFloat: SetAsFloat(value.AsDouble()); break;
    case TFieldType::ftDateTime: SetAsDateTime(value.AsDate()); break;
    case TFieldType::ftInteger: SetAsInteger(value.AsInteger()); break;
    case TFieldType::ftBoolean: SetAsBoolean(value.AsBoolean()); break;
    }
}

void TField::Clear() {
    std::byte* record = WriteRecord();
    dataSet_->store_.SetNull(record, column_);
    Changed();
}

std::string TField::GetText(bool /*displayText*/) const {
    return IsNull() ? std::string() : AsString();
}

std::string TField::Text() const {
    std::string text;
    if (OnGetText) {
        OnGetText(const_cast<TField*>(this), text, false);
        return text;
    }
    return GetText(false);
}

std::string TField::DisplayText() const {
    std::string text;
    if (OnGetText) {
        OnGetText(const_cast<TField*>(this), text, true);
        return text;
    }
    return GetText(true);
}

// ---- TStringField ----

TStringField::TStringField(std::string name, int size)
    : TStringField(std::move(name), TFieldType::ftString, size) {}

TStringField::TStringField(std::string name, TFieldType type, int size)
    : TField(TFieldDef{std::move(name), type, size, false}) {
    if (size < 1 || size > kMaxTextSize)
        throw EDatabaseError("Tamanho " + IntToStr(size) + " inválido para o campo '" +
                             FieldName() + "'");
}

std::string TStringField::AsString() const {
    const std::byte* record = ReadRecord();
    if (!record || IsNull()) return std::string();
    return std::string(ReadText(record));
}

double TStringField::AsFloat() const {
    return IsNull() ? 0.0 : StrToFloat(AsString());
}
TDateTime TStringField::AsDateTime() const {
    return IsNull() ? 0.0 : StrToDateTime(AsString());
}
std::int64_t TStringField::AsInteger() const {
    return IsNull() ? 0 : StrToInt(AsString());
}

bool TStringField::AsBoolean() const {
    std::string s = AsString();
    return !s.empty() &&
           (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y' || s[0] == 'S' || s[0] == 's');
}

Variant TStringField::AsVariant() const {
    return IsNull() ? Variant::Null() : Variant(AsString());
}

void TStringField::SetAsString(std::string_view value) {
    std::byte* record = WriteRecord();
    WriteText(record, CutToSize(value, Size()));
    Changed();
}

void TStringField::SetAsFloat(double value) {
    SetAsString(FloatToStr(value));
}
void TStringField::SetAsDateTime(TDateTime value) {
    SetAsString(DateTimeToStr(value));
}
void TStringField::SetAsInteger(std::int64_t value) {
    SetAsString(IntToStr(value));
}
void TStringField::SetAsBoolean(bool value) {
    SetAsString(value ? "T" : "F");
}

std::string TStringField::GetText(bool displayText) const {
    if (displayText && !EditMask().empty()) return FormatMaskText(EditMask(), AsString());
    return AsString();
}

// ---- TFixedCharField ----

TFixedCharField::TFixedCharField(std::string name, int size)
    : TStringField(std::move(name), TFieldType::ftFixedChar, size) {}

void TFixedCharField::SetAsString(std::string_view value) {
    std::string text = CutToSize(value, Size());
    std::size_t length = Utf8Length(text);
    if (length < static_cast<std::size_t>(Size()))
        text.append(static_cast<std::size_t>(Size()) - length, ' ');
    std::byte* record = WriteRecord();
    WriteText(record, text);
    Changed();
}

// ---- TFloatField ----

TFloatField::TFloatField(std::string name)
    : TField(TFieldDef{std::move(name), TFieldType::ftFloat, 0, false}) {}

double TFloatField::AsFloat() const {
    const std::byte* record = ReadRecord();
    return !record || IsNull() ? 0.0 : ReadDouble(record);
}

std::string TFloatField::AsString() const {
    return IsNull() ? std::string() : FloatToStr(AsFloat());
}
std::int64_t TFloatField::AsInteger() const {
    return static_cast<std::int64_t>(std::llround(AsFloat()));
}
Variant TFloatField::AsVariant() const {
    return IsNull() ? Variant::Null() : Variant(AsFloat());
}

void TFloatField::SetAsString(std::string_view value) {
    if (Trim(value).empty()) {
        Clear();
        return;
    }
    SetAsFloat(StrToFloat(value));
}

void TFloatField::SetAsFloat(double value) {
    std::byte* record = WriteRecord();
    WriteDouble(record, value);
    Changed();
}

void TFloatField::SetAsInteger(std::int64_t value) {
    SetAsFloat(static_cast<double>(value));
}

std::string TFloatField::GetText(bool displayText) const {
    if (IsNull()) return std::string();
    if (displayText && !DisplayFormat().empty()) return FormatFloat(DisplayFormat(), AsFloat());
    return FloatToStr(AsFloat());
}

// ---- TDateTimeField ----

TDateTimeField::TDateTimeField(std::string name)
    : TField(TFieldDef{std::move(name), TFieldType::ftDateTime, 0, false}) {}

TDateTime TDateTimeField::AsDateTime() const {
    const std::byte* record = ReadRecord();
    return !record || IsNull() ? 0.0 : ReadDouble(record);
}

double TDateTimeField::AsFloat() const {
    return AsDateTime();
}
std::string TDateTimeField::AsString() const {
    return IsNull() ? std::string() : DateTimeToStr(AsDateTime());
}
Variant TDateTimeField::AsVariant() const {
    return IsNull() ? Variant::Null() : Variant::FromDate(AsDateTime());
}

void TDateTimeField::SetAsString(std::string_view value) {
    if (Trim(value).empty()) {
        Clear();
        return;
    }
    SetAsDateTime(StrToDateTime(value));
}

void TDateTimeField::SetAsFloat(double value) {
    SetAsDateTime(value);
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
    std::byte* record = WriteRecord();
    WriteDouble(record, value);
    Changed();
}

// ---- TIntegerField ----

TIntegerField::TIntegerField(std::string name)
    : TField(TFieldDef{std::move(name), TFieldType::ftInteger, 0, false}) {}

std::int64_t TIntegerField::AsInteger() const {
    const std::byte* record = ReadRecord();
    return !record || IsNull() ? 0 : ReadInt(record);
}

double TIntegerField::AsFloat() const {
    return static_cast<double>(AsInteger());
}
std::string TIntegerField::AsString() const {
    return IsNull() ? std::string() : IntToStr(AsInteger());
}
Variant TIntegerField::AsVariant() const {
    return IsNull() ? Variant::Null() : Variant(AsInteger());
}

void TIntegerField::SetAsString(std::string_view value) {
    if (Trim(value).empty()) {
        Clear();
        return;
    }
    SetAsInteger(StrToInt(value));
}

void TIntegerField::SetAsFloat(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 9.2e18)
        throw EConvertError("'" + FloatToStr(value) + "' não cabe no campo inteiro '" +
                            FieldName() + "'");
    SetAsInteger(static_cast<std::int64_t>(std::llround(value)));
}

void TIntegerField::SetAsInteger(std::int64_t value) {
    std::byte* record = WriteRecord();
    WriteInt(record, value);
    Changed();
}

std::string TIntegerField::GetText(bool displayText) const {
    if (IsNull()) return std::string();
    if (displayText && !DisplayFormat().empty())
        return FormatFloat(DisplayFormat(), static_cast<double>(AsInteger()));
    return IntToStr(AsInteger());
}

// ---- TBooleanField ----

TBooleanField::TBooleanField(std::string name)
    : TField(TFieldDef{std::move(name), TFieldType::ftBoolean, 0, false}) {}

bool TBooleanField::AsBoolean() const {
    const std::byte* record = ReadRecord();
    return record && !IsNull() && ReadInt(record) != 0;
}

std::string TBooleanField::AsString() const {
    if (IsNull()) return std::string();
    return AsBoolean() ? "True" : "False";
}

Variant TBooleanField::AsVariant() const {
    return IsNull() ? Variant::Null() : Variant(AsBoolean());
}

void TBooleanField::SetAsString(std::string_view value) {
    std::string t = Trim(value);
    if (t.empty())
        Clear();
    else if (SameText(t, "True") || SameText(t, "T"))
        SetAsBoolean(true);
    else if (SameText(t, "False") || SameText(t, "F"))
        SetAsBoolean(false);
    else
        throw EConvertError("'" + std::string(value) + "' não é um valor booleano válido");
}

void TBooleanField::SetAsBoolean(bool value) {
    std::byte* record = WriteRecord();
    WriteInt(record, value ? 1 : 0);
    Changed();
}

// ---- factory ----

std::unique_ptr<TField> CreateField(const TFieldDef& def) {
    std::unique_ptr<TField> field;
    switch (def.DataType) {
    case TFieldType::ftString: field = std::make_unique<TStringField>(def.Name, def.Size); break;
    case TFieldType::ftFixedChar:
        field = std::make_unique<TFixedCharField>(def.Name, def.Size);
        break;
    case TFieldType::ftFloat: field = std::make_unique<TFloatField>(def.Name); break;
    case TFieldType::ftDateTime: field = std::make_unique<TDateTimeField>(def.Name); break;
    case TFieldType::ftInteger: field = std::make_unique<TIntegerField>(def.Name); break;
    case TFieldType::ftBoolean: field = std::make_unique<TBooleanField>(def.Name); break;
    }
    field->SetRequired(def.Required);
    return field;
}

} // namespace platform
