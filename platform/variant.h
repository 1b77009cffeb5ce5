// Variants: the dynamically typed values that travel between screens, datasets and the server.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/sysutils.h"

namespace platform {

/// An automation date: days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

enum class VarType : std::uint8_t {
    Empty,
    Null,
    Boolean,
    Integer,
    Double,
    String,
    Date,
    Bytes,
    Array
};

class Variant;

/// Elements of a variant array with explicit bounds. Invariant: items.size() == high - low + 1.
struct VarArrayData {
    int low = 0;
    int high = -1;
    std::vector<Variant> items;
};

/// A value of one of the types of VarType. Copies are deep for arrays and cheap for byte
/// strings (which are immutable and shared, so a 70 MB data packet is never copied).
class Variant {
public:
    Variant() = default; // Empty
    Variant(bool value) : value_(value) {}
    Variant(int value) : value_(static_cast<std::int64_t>(value)) {}
    Variant(std::int64_t value) : value_(value) {}
    Variant(double value) : value_(value) {}
    Variant(const char* value) : value_(std::string(value)) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(std::string_view value) : value_(std::string(value)) {}

    static Variant Null();
    static Variant FromDate(TDateTime value);
    static Variant FromBytes(std::string bytes);
    static Variant FromBytes(std::shared_ptr<const std::string> bytes);
    /// A one-dimensional array with bounds [low, high], every element Empty.
    static Variant Array(int low, int high);
    /// A one-dimensional array with bounds [low, low + items.size() - 1] holding `items` (taken
    /// over, not copied). ERangeError when the high bound would pass the int range.
    static Variant Array(int low, std::vector<Variant> items);

    VarType Type() const;
    bool IsEmpty() const { return Type() == VarType::Empty; }
    bool IsNull() const { return Type() == VarType::Null; }
    bool IsArray() const { return Type() == VarType::Array; }

    // Conversions. Empty converts to false, 0, 0.0 and ""; Null raises EVariantError;
    // an unconvertible text raises EConvertError.
    bool AsBoolean() const;
    std::int64_t AsInteger() const;
    double AsDouble() const;
    TDateTime AsDate() const;
    /// The text of the value as the host shows it (workstation formats for numbers and dates).
    std::string AsString() const;
    /// The bytes of a byte string; any other type raises EVariantError.
    const std::string& AsBytes() const;
    std::shared_ptr<const std::string> SharedBytes() const;

    // Arrays; any of these on a non-array raises EVariantError.
    int LowBound() const;
    int HighBound() const;
    /// Element access checked against the bounds (ERangeError outside them).
    Variant& operator[](int index);
    const Variant& operator[](int index) const;

    /// Name of the type for messages ("Null", "String"...).
    static const char* TypeName(VarType type);

    friend bool operator==(const Variant& a, const Variant& b);

private:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };
    struct DateBox {
        TDateTime value;
        bool operator==(const DateBox&) const = default;
    };
    struct BytesBox {
        std::shared_ptr<const std::string> bytes;
        bool operator==(const BytesBox& o) const;
    };
    struct ArrayBox {
        std::unique_ptr<VarArrayData> data;
        ArrayBox() = default;
        explicit ArrayBox(std::unique_ptr<VarArrayData> d) : data(std::move(d)) {}
        ArrayBox(const ArrayBox& o);
        ArrayBox& operator=(const ArrayBox& o);
        ArrayBox(ArrayBox&&) noexcept = default;
        ArrayBox& operator=(ArrayBox&&) noexcept = default;
        bool operator==(const ArrayBox& o) const;
    };
    std::variant<std::monostate, NullTag, bool, std::int64_t, double, std::string, DateBox,
                 BytesBox, ArrayBox>
        value_;

    [[noreturn]] void CannotConvert(const char* to) const;
    const VarArrayData& ArrayData() const;
};

/// VarArrayCreate({low, high}): a one-dimensional variant array of Empty elements.
Variant VarArrayCreate(std::initializer_list<int> bounds);
int VarArrayLowBound(const Variant& v, int dim = 1);
int VarArrayHighBound(const Variant& v, int dim = 1);
inline bool VarIsNull(const Variant& v) {
    return v.IsNull();
}
inline bool VarIsEmpty(const Variant& v) {
    return v.IsEmpty();
}
inline bool VarIsArray(const Variant& v) {
    return v.IsArray();
}
/// Text of a variant; Null and Empty give "".
std::string VarToStr(const Variant& v);

} // namespace platform
