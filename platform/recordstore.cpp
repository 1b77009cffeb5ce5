// Compact row storage of in-memory datasets: fixed-size records, a text arena and the change log.
#include "platform/recordstore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "platform/sysutils.h"

namespace platform {

namespace {

constexpr std::size_t kSlot = 8;

} // namespace

void AdviseHugePages(void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (bytes < 2 * kHuge) return;
    // The whole huge pages inside the block, as offsets from its start.
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const std::size_t begin = ((address + kHuge - 1) & ~(kHuge - 1)) - address;
    const std::size_t end = ((address + bytes) & ~(kHuge - 1)) - address;
    if (end > begin) madvise(static_cast<char*>(block) + begin, end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

// ---- TByteBuffer ----

TByteBuffer::~TByteBuffer() {
    std::free(data_);
}

TByteBuffer::TByteBuffer(TByteBuffer&& other) noexcept
    : data_(other.data_), size_(other.size_), capacity_(other.capacity_) {
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
}

TByteBuffer& TByteBuffer::operator=(TByteBuffer&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = other.data_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        other.data_ = nullptr;
        other.size_ = other.capacity_ = 0;
    }
    return *this;
}

TByteBuffer::TByteBuffer(const TByteBuffer& other) {
    Reserve(other.size_);
    Append(other.data_, other.size_);
}

TByteBuffer& TByteBuffer::operator=(const TByteBuffer& other) {
    if (this != &other) {
        Clear();
        Reserve(other.size_);
        Append(other.data_, other.size_);
    }
    return *this;
}

void TByteBuffer::Reallocate(std::size_t capacity) {
    if (capacity == 0) {
        Release();
        return;
    }
    void* p = std::realloc(data_, capacity);
    if (!p) throw std::bad_alloc();
    if (capacity > capacity_) AdviseHugePages(static_cast<std::byte*>(p) + size_, capacity - size_);
    data_ = static_cast<std::byte*>(p);
    capacity_ = capacity;
}

void TByteBuffer::GrowCapacity(std::size_t count) {
    Reallocate(std::max(size_ + count, capacity_ + capacity_ / 2 + 64));
}

void TByteBuffer::Reserve(std::size_t capacity) {
    if (capacity > capacity_) Reallocate(capacity);
}

void TByteBuffer::Resize(std::size_t size) {
    Reserve(size);
    size_ = size;
}

void TByteBuffer::Release() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void TByteBuffer::ShrinkToFit() {
    if (capacity_ > size_) Reallocate(size_);
}

// ---- TRecordStore ----

void TRecordStore::SetLayout(std::vector<TFieldType> types) {
    types_ = std::move(types);
    textColumns_.clear();
    for (std::size_t i = 0; i < types_.size(); ++i)
        if (IsTextType(types_[i])) textColumns_.push_back(static_cast<int>(i));
    nullOffset_ = types_.size() * kSlot;
    savedOffset_ = nullOffset_ + (types_.size() + 7) / 8;
    stride_ = savedOffset_ + (types_.size() + 7) / 8;
    rows_.Release();
    text_.Release();
    log_.Release();
    rowCount_ = baseRows_ = changedRows_ = garbage_ = 0;
}

void TRecordStore::ReserveRows(std::size_t rows) {
    rows_.Reserve(rows * stride_);
}

void TRecordStore::ReserveText(std::size_t bytes) {
    text_.Reserve(std::min(bytes, kMaxArenaBytes));
}

std::byte* TRecordStore::AppendRow() {
    if (rowCount_ >= 0xFFFFFFFFu) throw EDatabaseError("Número de registros excede o limite");
    std::byte* row = rows_.Grow(stride_);
    InitRecord(row);
    ++rowCount_;
    return row;
}

void TRecordStore::Clear() {
    rows_.Release();
    text_.Release();
    log_.Release();
    rowCount_ = baseRows_ = changedRows_ = garbage_ = 0;
}

void TRecordStore::ShrinkToFit() {
    rows_.ShrinkToFit();
    text_.ShrinkToFit();
}

void TRecordStore::InitRecord(std::byte* record) const {
    std::memset(record, 0, nullOffset_);
    std::memset(record + nullOffset_, 0xFF, savedOffset_ - nullOffset_);
    std::memset(record + savedOffset_, 0, stride_ - savedOffset_);
}

void TRecordStore::SetNull(std::byte* record, int column) const {
    record[nullOffset_ + static_cast<std::size_t>(column) / 8] |=
        static_cast<std::byte>(1u << (column % 8));
    std::memset(record + static_cast<std::size_t>(column) * kSlot, 0, kSlot);
}

void TRecordStore::TextTooLarge(std::size_t size) {
    if (size > kMaxTextBytes) throw EDatabaseError("Texto longo demais para um campo");
    throw EDatabaseError("Os textos do conjunto de dados excedem o limite de memória");
}

void TRecordStore::SetEditText(std::byte* record, int column, std::string_view text,
                               TByteBuffer& editArena) const {
    std::byte* slot = record + static_cast<std::size_t>(column) * kSlot;
    if (text.size() <= kInlineText) {
        PutInline(slot, text);
    } else {
        if (text.size() > kMaxTextBytes) throw EDatabaseError("Texto longo demais para um campo");
        auto offset = static_cast<std::uint32_t>(editArena.Size());
        editArena.Append(text.data(), text.size());
        PutRef(slot, offset, text.size(), kEditTag);
    }
    ClearNull(record, column);
}

bool TRecordStore::AnySaved(const std::byte* record) const {
    for (std::size_t i = savedOffset_; i < stride_; ++i)
        if (record[i] != std::byte{0}) return true;
    return false;
}

void TRecordStore::CommitRecord(std::size_t row, const std::byte* buffer,
                                const TByteBuffer& editArena) {
    std::byte* target = Row(row);
    const bool base = row < baseRows_;
    const bool wasChanged = base && AnySaved(target);
    const int columns = ColumnCount();
    for (int c = 0; c < columns; ++c) {
        const std::byte* oldSlot = Slot(target, c);
        bool oldNull = IsNull(target, c);
        if (oldNull == IsNull(buffer, c) && std::memcmp(oldSlot, Slot(buffer, c), kSlot) == 0)
            continue;
        bool saved = Saved(target, c);
        if (base && !saved) {
            // The value of the last merge goes to the log; the row keeps referring to its text.
            SavedValue entry{static_cast<std::uint32_t>(row),
                             static_cast<std::uint16_t>(c),
                             static_cast<std::uint8_t>(oldNull),
                             0,
                             {}};
            std::memcpy(entry.slot, oldSlot, kSlot);
            log_.Append(&entry, sizeof entry);
            target[savedOffset_ + static_cast<std::size_t>(c) / 8] |=
                static_cast<std::byte>(1u << (c % 8));
        } else if (!oldNull && IsTextType(types_[static_cast<std::size_t>(c)]) &&
                   SlotTag(oldSlot) == 0) {
            garbage_ += RefLength(oldSlot); // an intermediate text nobody refers to any more
        }
    }
    if (base && !wasChanged && AnySaved(target)) ++changedRows_;
    std::memcpy(target, buffer, savedOffset_); // slots and null bitmap; the saved bitmap stays
    for (int c : textColumns_) {
        std::byte* slot = Slot(target, c);
        if (!IsNull(target, c) && (SlotTag(slot) & kEditTag)) {
            std::string_view text(reinterpret_cast<const char*>(editArena.Data()) + RefOffset(slot),
                                  RefLength(slot));
            PutRef(slot, PutArenaText(text), text.size(), 0);
        }
    }
    if (garbage_ > (std::size_t{1} << 20) && garbage_ > text_.Size() / 2) CompactText();
}

void TRecordStore::MergeChangeLog() {
    const SavedValue* values = SavedValues();
    for (std::size_t i = 0; i < SavedCount(); ++i) {
        const SavedValue& v = values[i];
        std::byte* row = Row(v.row);
        std::memset(row + savedOffset_, 0, stride_ - savedOffset_);
        // The merged-away values' texts are garbage now.
        if (!v.wasNull && IsTextType(types_[v.column]) && SlotTag(v.slot) == 0)
            garbage_ += RefLength(v.slot);
    }
    log_.Release();
    changedRows_ = 0;
    baseRows_ = rowCount_;
}

void TRecordStore::CancelUpdates() {
    SavedValue* values = SavedValues();
    for (std::size_t i = 0; i < SavedCount(); ++i) {
        const SavedValue& v = values[i];
        std::byte* row = Row(v.row);
        std::byte* slot = Slot(row, v.column);
        std::memcpy(slot, v.slot, kSlot);
        if (v.wasNull)
            row[nullOffset_ + v.column / 8u] |= static_cast<std::byte>(1u << (v.column % 8));
        else
            ClearNull(row, v.column);
        std::memset(row + savedOffset_, 0, stride_ - savedOffset_);
    }
    log_.Release();
    changedRows_ = 0;
    rowCount_ = baseRows_;
    rows_.Resize(rowCount_ * stride_);
    CompactText();
}

void TRecordStore::CompactText() {
    // Copies every text still referenced (rows and saved originals) into a fresh arena.
    TByteBuffer fresh;
    fresh.Reserve(text_.Size() > garbage_ ? text_.Size() - garbage_ : 0);
    auto move = [&](std::byte* record) {
        for (int c : textColumns_) {
            std::byte* slot = record + static_cast<std::size_t>(c) * kSlot;
            if (IsNull(record, c) || SlotTag(slot) != 0) continue;
            auto offset = static_cast<std::uint32_t>(fresh.Size());
            fresh.Append(text_.Data() + RefOffset(slot), RefLength(slot));
            PutRef(slot, offset, RefLength(slot), 0);
        }
    };
    for (std::size_t r = 0; r < rowCount_; ++r) move(Row(r));
    SavedValue* values = SavedValues();
    for (std::size_t i = 0; i < SavedCount(); ++i) {
        SavedValue& v = values[i];
        if (v.wasNull || !IsTextType(types_[v.column]) || SlotTag(v.slot) != 0) continue;
        auto offset = static_cast<std::uint32_t>(fresh.Size());
        fresh.Append(text_.Data() + RefOffset(v.slot), RefLength(v.slot));
        PutRef(v.slot, offset, RefLength(v.slot), 0);
    }
    text_ = std::move(fresh);
    garbage_ = 0;
}

std::size_t TRecordStore::AllocatedBytes() const {
    return rows_.Capacity() + text_.Capacity() + log_.Capacity() +
           types_.capacity() * sizeof(TFieldType) + textColumns_.capacity() * sizeof(int);
}

} // namespace platform
