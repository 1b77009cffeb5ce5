// Field and index definitions of a dataset: the layout that CreateDataSet builds and packets carry.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// Types a dataset column can hold. Fixed-width text is text padded with blanks to its size.
enum class TFieldType : std::uint8_t {
    ftString,
    ftFixedChar,
    ftFloat,
    ftDateTime,
    ftInteger,
    ftBoolean
};

/// "String", "FixedChar", "Float", "DateTime", "Integer", "Boolean".
const char* FieldTypeName(TFieldType type);
/// True for the two text types.
inline bool IsTextType(TFieldType type) {
    return type == TFieldType::ftString || type == TFieldType::ftFixedChar;
}
/// The largest text size, in characters, that a field may declare.
constexpr int kMaxTextSize = 1000000;

/// A small set of enumerators (options of indexes and of Locate). E must number from 0 to 31.
template <class E> class TOptionSet {
public:
    constexpr TOptionSet() = default;
    constexpr TOptionSet(E option) : bits_(Bit(option)) {}
    constexpr TOptionSet(std::initializer_list<E> options) {
        for (E o : options) bits_ |= Bit(o);
    }
    constexpr bool Contains(E option) const { return (bits_ & Bit(option)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const TOptionSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E o) { return std::uint32_t{1} << static_cast<unsigned>(o); }
    std::uint32_t bits_ = 0;
};

/// One column definition. Size counts characters for text types and is 0 for the others.
struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftString;
    int Size = 0;
    bool Required = false;

    bool operator==(const TFieldDef&) const = default;
};

/// The stored field definitions of a dataset, in column order. Names are unique ignoring case.
class TFieldDefs {
public:
    /// Adds a definition; EDatabaseError for a duplicate name, an empty name or a bad size.
    TFieldDef& Add(std::string name, TFieldType type, int size = 0, bool required = false);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const TFieldDef& operator[](int index) const {
        return items_.at(static_cast<std::size_t>(index));
    }
    /// Position of a definition by name ignoring case; -1 when absent.
    int IndexOf(std::string_view name) const;
    const std::vector<TFieldDef>& Items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<TFieldDef> items_;
};

enum TIndexOption { ixDescending, ixCaseInsensitive };
using TIndexOptions = TOptionSet<TIndexOption>;

/// An index: rows read in the order of Fields ("A;B"), stable for equal keys.
struct TIndexDef {
    std::string Name;
    std::string Fields;
    TIndexOptions Options;
};

/// The stored index definitions of a dataset. Names are unique ignoring case.
class TIndexDefs {
public:
    TIndexDef& Add(std::string name, std::string fields, TIndexOptions options = {});
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const TIndexDef& operator[](int index) const {
        return items_.at(static_cast<std::size_t>(index));
    }
    /// A definition by name ignoring case; nullptr when absent.
    const TIndexDef* Find(std::string_view name) const;

private:
    std::vector<TIndexDef> items_;
};

/// Splits "A;B; C" into trimmed names, dropping empty parts.
std::vector<std::string> SplitFieldNames(std::string_view names);

} // namespace platform
