// Variants: the dynamically typed values that travel between screens, datasets and the server.
#include "platform/variant.h"

#include <cmath>
#include <limits>

#include "platform/datetime.h"
#include "platform/formats.h"

namespace platform {

Variant Variant::Null() {
    Variant v;
    v.value_ = NullTag{};
    return v;
}

Variant Variant::FromDate(TDateTime value) {
    Variant v;
    v.value_ = DateBox{value};
    return v;
}

Variant Variant::FromBytes(std::string bytes) {
    return FromBytes(std::make_shared<const std::string>(std::move(bytes)));
}

Variant Variant::FromBytes(std::shared_ptr<const std::string> bytes) {
    Variant v;
    if (!bytes) bytes = std::make_shared<const std::string>();
    v.value_ = BytesBox{std::move(bytes)};
    return v;
}

Variant Variant::Array(int low, std::vector<Variant> items) {
    const std::int64_t high = std::int64_t{low} + static_cast<std::int64_t>(items.size()) - 1;
    if (high > std::numeric_limits<int>::max())
        throw ERangeError("Array variante com elementos demais para os seus limites");
    auto data = std::make_unique<VarArrayData>();
    data->low = low;
    data->high = static_cast<int>(high);
    data->items = std::move(items);
    Variant v;
    v.value_ = ArrayBox(std::move(data));
    return v;
}

Variant Variant::Array(int low, int high) {
    if (high < low - 1)
        throw EVariantError("Limites inválidos para o array variante: [" + std::to_string(low) +
                            ", " + std::to_string(high) + "]");
    auto data = std::make_unique<VarArrayData>();
    data->low = low;
    data->high = high;
    data->items.resize(static_cast<std::size_t>(static_cast<std::int64_t>(high) - low + 1));
    Variant v;
    v.value_ = ArrayBox(std::move(data));
    return v;
}

VarType Variant::Type() const {
    return static_cast<VarType>(value_.index());
}

const char* Variant::TypeName(VarType type) {
    switch (type) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Boolean: return "Boolean";
    case VarType::Integer: return "Integer";
    case VarType::Double: return "Double";
    case VarType::String: return "String";
    case VarType::Date: return "Date";
    case VarType::Bytes: return "Bytes";
    case VarType::Array: return "Array";
    }
    return "?";
}

void Variant::CannotConvert(const char* to) const {
    throw EVariantError(std::string("Não é possível converter um variante do tipo (") +
                        TypeName(Type()) + ") para o tipo (" + to + ")");
}

bool Variant::AsBoolean() const {
    switch (Type()) {
    case VarType::Empty: return false;
    case VarType::Boolean: return std::get<bool>(value_);
    case VarType::Integer: return std::get<std::int64_t>(value_) != 0;
    case VarType::Double: return std::get<double>(value_) != 0.0;
    case VarType::String: {
        const std::string& s = std::get<std::string>(value_);
        if (SameText(s, "true")) return true;
        if (SameText(s, "false")) return false;
        return StrToInt(s) != 0;
    }
    default: CannotConvert("Boolean");
    }
}

static std::int64_t RoundToInteger(double d, const char* source) {
    if (!std::isfinite(d) || d >= 9.2233720368547758e18 || d < -9.2233720368547758e18)
        throw EVariantError(std::string("Valor fora do intervalo de inteiros: ") + source);
    return static_cast<std::int64_t>(std::nearbyint(d)); // banker's rounding, as the platform
}

std::int64_t Variant::AsInteger() const {
    switch (Type()) {
    case VarType::Empty: return 0;
    case VarType::Boolean: return std::get<bool>(value_) ? -1 : 0;
    case VarType::Integer: return std::get<std::int64_t>(value_);
    case VarType::Double: return RoundToInteger(std::get<double>(value_), "Double");
    case VarType::Date: return RoundToInteger(std::get<DateBox>(value_).value, "Date");
    case VarType::String: return StrToInt(std::get<std::string>(value_));
    default: CannotConvert("Integer");
    }
}

double Variant::AsDouble() const {
    switch (Type()) {
    case VarType::Empty: return 0.0;
    case VarType::Boolean: return std::get<bool>(value_) ? -1.0 : 0.0;
    case VarType::Integer: return static_cast<double>(std::get<std::int64_t>(value_));
    case VarType::Double: return std::get<double>(value_);
    case VarType::Date: return std::get<DateBox>(value_).value;
    case VarType::String: return StrToFloat(std::get<std::string>(value_));
    default: CannotConvert("Double");
    }
}

TDateTime Variant::AsDate() const {
    switch (Type()) {
    case VarType::Empty: return 0.0;
    case VarType::Integer: return static_cast<double>(std::get<std::int64_t>(value_));
    case VarType::Double: return std::get<double>(value_);
    case VarType::Date: return std::get<DateBox>(value_).value;
    case VarType::String: return StrToDateTime(std::get<std::string>(value_));
    default: CannotConvert("Date");
    }
}

std::string Variant::AsString() const {
    switch (Type()) {
    case VarType::Empty: return "";
    case VarType::Boolean: return std::get<bool>(value_) ? "True" : "False";
    case VarType::Integer: return IntToStr(std::get<std::int64_t>(value_));
    case VarType::Double: return FloatToStr(std::get<double>(value_));
    case VarType::Date: return DateTimeToStr(std::get<DateBox>(value_).value);
    case VarType::String: return std::get<std::string>(value_);
    case VarType::Bytes: return *std::get<BytesBox>(value_).bytes;
    default: CannotConvert("String");
    }
}

const std::string& Variant::AsBytes() const {
    if (Type() == VarType::Bytes) return *std::get<BytesBox>(value_).bytes;
    if (Type() == VarType::String) return std::get<std::string>(value_);
    CannotConvert("Bytes");
}

std::shared_ptr<const std::string> Variant::SharedBytes() const {
    if (Type() == VarType::Bytes) return std::get<BytesBox>(value_).bytes;
    return std::make_shared<const std::string>(AsBytes());
}

const VarArrayData& Variant::ArrayData() const {
    if (Type() != VarType::Array)
        throw EVariantError(std::string("O variante do tipo (") + TypeName(Type()) +
                            ") não é um array");
    return *std::get<ArrayBox>(value_).data;
}

int Variant::LowBound() const {
    return ArrayData().low;
}
int Variant::HighBound() const {
    return ArrayData().high;
}

const Variant& Variant::operator[](int index) const {
    const VarArrayData& data = ArrayData();
    if (index < data.low || index > data.high)
        throw ERangeError("Índice " + std::to_string(index) + " fora dos limites do array [" +
                          std::to_string(data.low) + ", " + std::to_string(data.high) + "]");
    return data.items[static_cast<std::size_t>(index - data.low)];
}

Variant& Variant::operator[](int index) {
    return const_cast<Variant&>(static_cast<const Variant&>(*this)[index]);
}

bool Variant::BytesBox::operator==(const BytesBox& o) const {
    return bytes == o.bytes || *bytes == *o.bytes;
}

Variant::ArrayBox::ArrayBox(const ArrayBox& o)
    : data(o.data ? std::make_unique<VarArrayData>(*o.data) : nullptr) {}

Variant::ArrayBox& Variant::ArrayBox::operator=(const ArrayBox& o) {
    if (this != &o) data = o.data ? std::make_unique<VarArrayData>(*o.data) : nullptr;
    return *this;
}

bool Variant::ArrayBox::operator==(const ArrayBox& o) const {
    if (!data || !o.data) return data == o.data;
    return data->low == o.data->low && data->high == o.data->high && data->items == o.data->items;
}

bool operator==(const Variant& a, const Variant& b) {
    return a.value_ == b.value_;
}

Variant VarArrayCreate(std::initializer_list<int> bounds) {
    if (bounds.size() != 2)
        throw EVariantError("VarArrayCreate aceita apenas arrays de uma dimensão: {low, high}");
    return Variant::Array(*bounds.begin(), *(bounds.begin() + 1));
}

int VarArrayLowBound(const Variant& v, int dim) {
    if (dim != 1) throw ERangeError("Dimensão inexistente no array variante");
    return v.LowBound();
}

int VarArrayHighBound(const Variant& v, int dim) {
    if (dim != 1) throw ERangeError("Dimensão inexistente no array variante");
    return v.HighBound();
}

std::string VarToStr(const Variant& v) {
    return v.IsNull() ? std::string() : v.AsString();
}

} // namespace platform
