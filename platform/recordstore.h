// Compact row storage of in-memory datasets: one fixed-size byte record per row plus a text arena.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/fielddefs.h"

namespace platform {

/// Asks the system to back a large block with huge pages, so that filling it takes a few page
/// faults instead of thousands (ignored where unsupported; small blocks are left alone).
void AdviseHugePages(void* block, std::size_t bytes);

/// A growable byte buffer on malloc/realloc, so that big buffers grow and shrink in place (the
/// allocator remaps large blocks instead of copying them). Invariant: Size() <= Capacity().
class TByteBuffer {
public:
    TByteBuffer() = default;
    ~TByteBuffer();
    TByteBuffer(TByteBuffer&& other) noexcept;
    TByteBuffer& operator=(TByteBuffer&& other) noexcept;
    TByteBuffer(const TByteBuffer& other);
    TByteBuffer& operator=(const TByteBuffer& other);

    std::byte* Data() { return data_; }
    const std::byte* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }
    void Reserve(std::size_t capacity);
    /// Extends the buffer by count bytes (left uninitialized) and returns the first of them.
    std::byte* Grow(std::size_t count) {
        if (count > capacity_ - size_) GrowCapacity(count);
        std::byte* p = data_ + size_;
        size_ += count;
        return p;
    }
    void Append(const void* bytes, std::size_t count) {
        if (count) std::memcpy(Grow(count), bytes, count);
    }
    void Resize(std::size_t size);
    void Clear() { size_ = 0; }
    void Release();
    void ShrinkToFit();

private:
    void GrowCapacity(std::size_t count);
    void Reallocate(std::size_t capacity);
    std::byte* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

/// The rows of a dataset in insertion order, with a change log.
///
/// Record layout (Stride() bytes): one 8-byte slot per column, then a null bitmap (bit set =
/// null), then a saved bitmap (bit set = the column's value at the last merge is in the change
/// log). Numbers and dates are stored in their slot. A text slot's last
/// byte is a tag: 0x80|n = n (at most 7) bytes inline in the slot; 0x40 = bytes in the edit
/// arena of an edit buffer; 0 = bytes in the store's arena, offset in slot bytes 0..3 and
/// length in bytes 4..6. Invariant: every arena slot of a stored row or of a saved original
/// lies inside the arena; stored rows never use the edit tag.
///
/// Change log: rows [0, BaseRowCount()) are those present at the last merge; rows past the base
/// were appended since. The first change of a column of a base row saves that column's value at
/// the merge (slot and null bit) in the log, once; later changes of the same column save
/// nothing, so the log holds one entry per changed value.
class TRecordStore {
public:
    static constexpr std::size_t kInlineText = 7;
    static constexpr std::size_t kMaxTextBytes = (std::size_t{1} << 24) - 1;
    static constexpr std::size_t kMaxArenaBytes = std::size_t{0xFFFFFFFF};

    TRecordStore() = default;
    TRecordStore(TRecordStore&&) noexcept = default;
    TRecordStore& operator=(TRecordStore&&) noexcept = default;

    /// Sets the column types; drops every row and the change log.
    void SetLayout(std::vector<TFieldType> types);
    int ColumnCount() const { return static_cast<int>(types_.size()); }
    TFieldType ColumnType(int column) const { return types_[static_cast<std::size_t>(column)]; }
    const TFieldType* ColumnTypes() const { return types_.data(); }
    std::size_t Stride() const { return stride_; }
    std::size_t RowCount() const { return rowCount_; }
    std::size_t BaseRowCount() const { return baseRows_; }

    std::byte* Row(std::size_t row) { return rows_.Data() + row * stride_; }
    const std::byte* Row(std::size_t row) const { return rows_.Data() + row * stride_; }
    void ReserveRows(std::size_t rows);
    void ReserveText(std::size_t bytes);
    /// Appends an all-null row and returns it; pointers to rows are valid until the next append.
    std::byte* AppendRow();
    /// Drops every row and the change log; keeps the layout.
    void Clear();
    /// Fits the buffers to their contents (after a bulk load).
    void ShrinkToFit();

    // Slots of any record (a stored row or an edit buffer of Stride() bytes).
    void InitRecord(std::byte* record) const;
    bool IsNull(const std::byte* record, int column) const {
        return (static_cast<unsigned>(record[nullOffset_ + static_cast<std::size_t>(column) / 8]) >>
                (column % 8)) &
               1u;
    }
    void SetNull(std::byte* record, int column) const;
    double GetDouble(const std::byte* record, int column) const {
        double v;
        std::memcpy(&v, Slot(record, column), sizeof v);
        return v;
    }
    void SetDouble(std::byte* record, int column, double value) const {
        std::memcpy(Slot(record, column), &value, sizeof value);
        ClearNull(record, column);
    }
    std::int64_t GetInt(const std::byte* record, int column) const {
        std::int64_t v;
        std::memcpy(&v, Slot(record, column), sizeof v);
        return v;
    }
    void SetInt(std::byte* record, int column, std::int64_t value) const {
        std::memcpy(Slot(record, column), &value, sizeof value);
        ClearNull(record, column);
    }
    /// Text of a slot; editArena resolves the edit tag of edit buffers.
    std::string_view GetText(const std::byte* record, int column,
                             const TByteBuffer* editArena = nullptr) const {
        const std::byte* slot = Slot(record, column);
        std::uint8_t tag = SlotTag(slot);
        if (tag & kInlineTag)
            return std::string_view(reinterpret_cast<const char*>(slot), tag & 0x0F);
        const TByteBuffer& arena = (tag & kEditTag) ? *editArena : text_;
        return std::string_view(reinterpret_cast<const char*>(arena.Data()) + RefOffset(slot),
                                RefLength(slot));
    }
    /// Length in bytes of a text slot's value.
    std::size_t TextSize(const std::byte* record, int column) const {
        const std::byte* slot = Slot(record, column);
        std::uint8_t tag = SlotTag(slot);
        return (tag & kInlineTag) ? (tag & 0x0Fu) : RefLength(slot);
    }
    /// Stores text in a stored row (inline when short, else appended to the arena).
    void SetText(std::byte* record, int column, std::string_view text) {
        std::byte* slot = Slot(record, column);
        if (text.size() <= kInlineText)
            PutInline(slot, text);
        else
            PutRef(slot, PutArenaText(text), text.size(), 0);
        ClearNull(record, column);
    }
    /// Stores text in an edit buffer (inline when short, else appended to editArena).
    void SetEditText(std::byte* record, int column, std::string_view text,
                     TByteBuffer& editArena) const;
    /// Copies an edit buffer into a stored row, saving the row's original for the change log
    /// first and moving texts out of the edit arena. Compacts the arena when mostly garbage.
    void CommitRecord(std::size_t row, const std::byte* buffer, const TByteBuffer& editArena);

    /// Forgets the change log: the current rows become the base.
    void MergeChangeLog();
    /// Puts the rows back as they were at the last merge.
    void CancelUpdates();
    /// Changed base rows plus appended rows.
    std::size_t ChangeCount() const { return changedRows_ + (rowCount_ - baseRows_); }

    /// Bytes the storage holds allocated (capacities, not sizes).
    std::size_t AllocatedBytes() const;
    std::size_t TextBytes() const { return text_.Size(); }

private:
    static constexpr std::uint8_t kInlineTag = 0x80;
    static constexpr std::uint8_t kEditTag = 0x40;
    static std::byte* Slot(std::byte* record, int column) {
        return record + static_cast<std::size_t>(column) * 8;
    }
    static const std::byte* Slot(const std::byte* record, int column) {
        return record + static_cast<std::size_t>(column) * 8;
    }
    static std::uint8_t SlotTag(const std::byte* slot) {
        return static_cast<std::uint8_t>(slot[7]);
    }
    static std::uint32_t RefOffset(const std::byte* slot) {
        std::uint32_t offset;
        std::memcpy(&offset, slot, 4);
        return offset;
    }
    static std::size_t RefLength(const std::byte* slot) {
        return static_cast<std::size_t>(slot[4]) | (static_cast<std::size_t>(slot[5]) << 8) |
               (static_cast<std::size_t>(slot[6]) << 16);
    }
    static void PutRef(std::byte* slot, std::uint32_t offset, std::size_t length,
                       std::uint8_t tag) {
        std::memcpy(slot, &offset, 4);
        slot[4] = static_cast<std::byte>(length & 0xFF);
        slot[5] = static_cast<std::byte>((length >> 8) & 0xFF);
        slot[6] = static_cast<std::byte>((length >> 16) & 0xFF);
        slot[7] = static_cast<std::byte>(tag);
    }
    static void PutInline(std::byte* slot, std::string_view text) {
        // Assembled in a register and stored once: bytes stored one by one and read back as a
        // word would stall the store.
        std::uint64_t word = static_cast<std::uint64_t>(kInlineTag | text.size()) << 56;
        for (std::size_t i = 0; i < text.size(); ++i)
            word |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[i])) << (8 * i);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(slot, &word, 8);
        } else {
            for (std::size_t i = 0; i < 8; ++i) slot[i] = static_cast<std::byte>(word >> (8 * i));
        }
    }
    // One saved value of the change log.
    struct SavedValue {
        std::uint32_t row;
        std::uint16_t column;
        std::uint8_t wasNull;
        std::uint8_t unused;
        std::byte slot[8];
    };
    bool Saved(const std::byte* record, int column) const {
        return (static_cast<unsigned>(
                    record[savedOffset_ + static_cast<std::size_t>(column) / 8]) >>
                (column % 8)) &
               1u;
    }
    bool AnySaved(const std::byte* record) const;
    SavedValue* SavedValues() { return reinterpret_cast<SavedValue*>(log_.Data()); }
    std::size_t SavedCount() const { return log_.Size() / sizeof(SavedValue); }
    void ClearNull(std::byte* record, int column) const {
        record[nullOffset_ + static_cast<std::size_t>(column) / 8] &=
            static_cast<std::byte>(~(1u << (column % 8)));
    }
    std::uint32_t PutArenaText(std::string_view text) {
        if (text.size() > kMaxTextBytes || text_.Size() + text.size() > kMaxArenaBytes)
            TextTooLarge(text.size());
        auto offset = static_cast<std::uint32_t>(text_.Size());
        std::memcpy(text_.Grow(text.size()), text.data(), text.size());
        return offset;
    }
    [[noreturn]] static void TextTooLarge(std::size_t size);
    void CompactText();

    std::vector<TFieldType> types_;
    std::vector<int> textColumns_;
    std::size_t stride_ = 0;
    std::size_t nullOffset_ = 0;
    std::size_t savedOffset_ = 0;
    TByteBuffer rows_;
    std::size_t rowCount_ = 0;
    TByteBuffer text_;
    std::size_t garbage_ = 0; // arena bytes no longer referenced (an estimate from above)
    std::size_t baseRows_ = 0;
    std::size_t changedRows_ = 0; // base rows with at least one saved value
    TByteBuffer log_;             // SavedValue entries
};

} // namespace platform
