// Data packets: a dataset's whole content (column definitions and rows) as one MessagePack byte
// string.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"
#include "platform/fielddefs.h"
#include "platform/recordstore.h"
#include "platform/variant.h"

namespace platform {

class TDataSet;

/// Version written into every packet; decoding refuses other versions.
constexpr int kPacketVersion = 1;

/// The content of a decoded packet, ready to become a dataset's rows.
struct TPacketContent {
    std::vector<TFieldDef> Columns;
    TRecordStore Rows;
};

/// Called with the packet's column definitions before any row is decoded; throws to refuse.
using TPacketColumnsCheck = std::function<void(const std::vector<TFieldDef>& columns)>;

/// Writes a data packet from column definitions and rows given value by value, so that rows
/// read from elsewhere (a database cursor) become packet bytes without a dataset in between.
/// Each row is one Append per column, in column order; Finish() returns the packet. The bytes
/// equal EncodePacket's for a dataset holding the same columns and stored values.
///
/// The row count precedes the rows in the packet and is written in its smallest form. A writer
/// told the count in advance writes straight into the packet's string (through a small staging
/// block); otherwise rows are written into a buffer that grows in place (realloc) and are copied
/// behind the header at Finish, the buffer's pages given back as they are copied, so memory
/// never holds much more than one packet.
///
/// Appends check the column's type (a text for String and FixedChar, the matching number for
/// Float and DateTime...) and raise EDatabaseError on a mismatch; so do a row of the wrong
/// length given to AppendRow, more or fewer rows than announced, an incomplete last row at
/// Finish and an append after Finish. A refused value writes nothing.
class TDataPacketWriter {
public:
    /// Rows counted as they are appended.
    explicit TDataPacketWriter(std::vector<TFieldDef> columns);
    /// Exactly rowCount rows will follow; byteBound, when not 0, is an upper bound of the
    /// packet's size reserved up front (pages it does not reach are never touched).
    TDataPacketWriter(std::vector<TFieldDef> columns, std::size_t rowCount, std::size_t byteBound);
    ~TDataPacketWriter();
    TDataPacketWriter(const TDataPacketWriter&) = delete;
    TDataPacketWriter& operator=(const TDataPacketWriter&) = delete;

    const std::vector<TFieldDef>& Columns() const { return columns_; }
    /// Rows completed so far.
    std::size_t RowCount() const { return rows_; }

    void AppendNull() {
        Slot(kAny, 1);
        *next_++ = static_cast<char>(0xC0);
        Done();
    }
    /// A text as given, for a String or FixedChar column.
    void AppendString(std::string_view text) {
        if (text.size() + 5 > kStage) return AppendLongString(text);
        Slot(kText, text.size() + 5);
        PutStrHeader(text.size());
        char* p = next_;
        std::memcpy(p, text.data(), text.size());
        next_ = p + text.size();
        Done();
    }
    /// A text fitted to its column as a dataset stores it: cut to the column's size in
    /// characters, and for FixedChar padded with blanks to that size.
    void AppendFieldString(std::string_view text) {
        const TFieldDef& column = columns_[column_];
        if (column.DataType == TFieldType::ftString &&
            text.size() <= static_cast<std::size_t>(column.Size))
            return AppendString(text);
        AppendFittedString(text);
    }
    void AppendFloat(double value) { PutFloat64(TFieldType::ftFloat, value); }
    void AppendDateTime(TDateTime value) { PutFloat64(TFieldType::ftDateTime, value); }
    void AppendBoolean(bool value) {
        Slot(static_cast<int>(TFieldType::ftBoolean), 1);
        *next_++ = static_cast<char>(value ? 0xC3 : 0xC2);
        Done();
    }
    void AppendInteger(std::int64_t value);
    /// A value converted to the column's type as a dataset converts it; Null and Empty as null.
    void AppendVariant(const Variant& value);
    /// A whole row; EDatabaseError unless it has one value per column.
    void AppendRow(const std::vector<Variant>& values);

    /// The packet; EDatabaseError when a row is incomplete or, for a writer told the row count,
    /// when another number of rows came.
    std::string Finish();

private:
    static constexpr std::size_t kStage = 64 * 1024;
    static constexpr int kText = -1; // Slot's expectation: either text type
    static constexpr int kAny = -2;  // Slot's expectation: any type (a null)

    // Checks the current column's type, opens a row at its first column and makes room for
    // `bytes` more bytes at next_.
    void Slot(int expected, std::size_t bytes) {
        if (expected != kAny && !Fits(expected)) WrongType(expected);
        if (column_ == 0) StartRow();
        if (static_cast<std::size_t>(end_ - next_) < bytes) Flush();
    }
    bool Fits(int expected) const {
        const TFieldType type = types_[column_];
        return expected == kText ? IsTextType(type) : static_cast<int>(type) == expected;
    }
    void Done() {
        if (++column_ == types_.size()) {
            column_ = 0;
            ++rows_;
        }
    }
    // Values are composed in locals and stored with one copy: a store through char* could
    // alias the writer's own members, which would otherwise be reloaded after every byte.
    void PutBigEndian(std::uint64_t value, int bytes) {
        const std::uint64_t big =
            std::endian::native == std::endian::little ? __builtin_bswap64(value) : value;
        char b[8];
        std::memcpy(b, &big, 8);
        char* p = next_;
        std::memcpy(p, b + 8 - bytes, static_cast<std::size_t>(bytes));
        next_ = p + bytes;
    }
    void PutStrHeader(std::size_t n) {
        char* p = next_;
        if (n < 32) {
            *p = static_cast<char>(0xA0 | n);
            next_ = p + 1;
        } else if (n <= 0xFF) {
            p[0] = static_cast<char>(0xD9), p[1] = static_cast<char>(n);
            next_ = p + 2;
        } else if (n <= 0xFFFF) {
            *p = static_cast<char>(0xDA), next_ = p + 1, PutBigEndian(n, 2);
        } else {
            *p = static_cast<char>(0xDB), next_ = p + 1, PutBigEndian(n, 4);
        }
    }
    void PutFloat64(TFieldType type, double value) {
        Slot(static_cast<int>(type), 9);
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        const std::uint64_t big =
            std::endian::native == std::endian::little ? __builtin_bswap64(bits) : bits;
        char b[9];
        b[0] = static_cast<char>(0xCB);
        std::memcpy(b + 1, &big, 8);
        char* p = next_;
        std::memcpy(p, b, 9);
        next_ = p + 9;
        Done();
    }
    void StartRow();
    [[noreturn]] void WrongType(int expected) const;
    // Makes room for at least kStage bytes at next_.
    void Flush();
    void GrowBody(std::size_t count);
    void AppendLongString(std::string_view text);
    void AppendFittedString(std::string_view text);
    void Start();

    std::vector<TFieldDef> columns_;
    std::vector<TFieldType> types_; // the columns' types, compactly
    std::size_t column_ = 0;        // the next value's column
    std::size_t rows_ = 0;          // rows completed
    bool counted_ = false;          // told the row count in advance
    bool finished_ = false;
    std::size_t declaredRows_ = 0;
    std::string out_;               // the packet: the whole of it, or its head before the row count
    std::unique_ptr<char[]> stage_; // told the count: values are staged here, flushed to out_
    char* body_ = nullptr;          // not told the count: the rows, in a malloc'd block
    char* next_ = nullptr;          // where the next byte goes, in stage_ or body_
    char* end_ = nullptr;           // the end of stage_ or of body_'s capacity
};

/// The stored rows of an open dataset (pending edits excluded) with every column definition:
/// ["PAGDP", version, [[name, type, size, required]...], [[value...]...]], nulls as nil, texts
/// as UTF-8 strings, numbers and dates as 64-bit floats (bit-exact), integers and booleans as
/// such. EDatabaseError when the dataset is closed.
std::string EncodePacket(const TDataSet& dataSet);

/// Decodes a packet. Never reads out of bounds and allocates no more than a bounded multiple
/// of the input; truncated, oversized, wrongly typed, badly nested or otherwise malformed
/// input raises EDatabaseError with a clear message.
TPacketContent DecodePacket(std::string_view bytes, const TPacketColumnsCheck& check = {});

} // namespace platform
