// Data packets: encoding a dataset to MessagePack and streaming a packet back into row storage.
#include "platform/datapacket.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <unistd.h>

#include <msgpack.hpp>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "platform/dataset.h"
#include "platform/fieldtext.h"
#include "platform/sysutils.h"

namespace platform {

namespace {

constexpr std::string_view kMagic = "PAGDP";
constexpr std::uint32_t kMaxColumns = 4096;
constexpr std::uint32_t kMaxNameBytes = 256;

// ---- encoding ----

std::size_t ArrayHeaderBytes(std::size_t n) {
    return n < 16 ? 1 : (n <= 0xFFFF ? 3 : 5);
}
std::size_t StrHeaderBytes(std::size_t n) {
    return n < 32 ? 1 : (n <= 0xFF ? 2 : (n <= 0xFFFF ? 3 : 5));
}
std::size_t StrBytes(std::string_view s) {
    return StrHeaderBytes(s.size()) + s.size();
}

// The library's packer writes the definitions and integers; row values other than integers
// are written straight in MessagePack's formats by the writer. Doubles always go as float 64,
// so every value, -0.0 and NaN payloads included, comes back bit for bit (the packer's
// pack_double writes integral doubles as integers).
struct StringSink {
    std::string& out;
    void write(const char* bytes, std::size_t count) { out.append(bytes, count); }
};

struct StageSink {
    char*& next;
    void write(const char* bytes, std::size_t count) {
        std::memcpy(next, bytes, count);
        next += count;
    }
};

void AppendArrayHeader(std::string& out, std::size_t n) {
    StringSink sink{out};
    msgpack::packer<StringSink> pk(sink);
    pk.pack_array(static_cast<std::uint32_t>(n));
}

// Appends size bytes of a malloc'd block to out and frees the block. A large block gives its
// pages back to the system as they are copied, so the two copies never take the whole size at
// once.
void MoveInto(char* block, std::size_t size, std::string& out) {
    constexpr std::size_t kStep = std::size_t{256} << 10;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    std::uintptr_t released = (address + page - 1) & ~(page - 1);
    for (std::size_t at = 0; at < size; at += kStep) {
        const std::size_t count = std::min(kStep, size - at);
        out.append(block + at, count);
        if (size < 16 * kStep) continue;
        const std::uintptr_t copied =
            reinterpret_cast<std::uintptr_t>(block + at + count) & ~(page - 1);
        if (copied > released) {
            // Addressed from `block`: `released` is never below it (rounded up from it).
            madvise(block + (released - address), copied - released, MADV_DONTNEED);
            released = copied;
        }
    }
    std::free(block);
}

// ---- decoding ----

[[noreturn, gnu::noinline, gnu::cold]] void Malformed(const std::string& detail) {
    throw EDatabaseError("Pacote de dados inválido: " + detail);
}

// Whether a short text (under 16 bytes) is all ASCII. Texts of rows always have at least 8
// bytes of the packet before their end, so the text is read as the last word ending with it.
inline bool ShortIsAscii(const char* p, std::size_t n, const char* begin) {
    if (n == 0) return true;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kHigh = 0x8080808080808080ull;
        std::uint64_t word;
        if (n >= 8) {
            std::uint64_t first;
            std::memcpy(&first, p, 8);
            std::memcpy(&word, p + n - 8, 8);
            return ((first | word) & kHigh) == 0;
        }
        if (p + n >= begin + 8) {
            std::memcpy(&word, p + n - 8, 8);
            return ((word >> (8 * (8 - n))) & kHigh) == 0;
        }
    }
    for (std::size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) & 0x80) return false;
    return true;
}

// UTF-8 validation, one character at a time: length, continuation bytes, overlong forms,
// surrogates and the U+10FFFF limit.
[[gnu::noinline]] bool ValidUtf8Scalar(const unsigned char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF)
            extra = 1, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3, cp = c & 0x07;
        else
            return false;
        if (i + extra >= n) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            unsigned char d = p[i + k];
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// UTF-8 validation of texts of 16 bytes or more, 16 bytes at a time and without branches per
// block, for texts made of ASCII and two-byte characters (all the accented letters of
// Portuguese): every continuation byte must follow a two-byte lead and every such lead must be
// followed by one. A text with any other byte above 0x7F goes to the scalar check. The last
// block ends at the text's end (overlapping the one before), so no bytes are left over.
bool ValidUtf8(const unsigned char* p, std::size_t n) {
#ifdef __SSE2__
    if (n < 16) return ValidUtf8Scalar(p, n);
    const __m128i continuationEnd =
        _mm_set1_epi8(static_cast<char>(0xC0)); // signed: 0x80..0xBF below
    const __m128i beforeLead2 = _mm_set1_epi8(static_cast<char>(0xC1));
    const __m128i afterLead2 = _mm_set1_epi8(static_cast<char>(0xE0));
    unsigned carry = 0; // the byte before the block is a two-byte lead
    unsigned bad = 0;
    unsigned other = 0;
    auto block = [&](std::size_t at) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
        auto continuation =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, continuationEnd)));
        auto lead2 = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpgt_epi8(v, beforeLead2), _mm_cmplt_epi8(v, afterLead2))));
        other |= high & ~continuation & ~lead2;
        bad |= (((lead2 << 1) | carry) & 0xFFFFu) ^ continuation;
        carry = lead2 >> 15;
    };
    std::size_t i = 0;
    for (; i + 16 < n; i += 16) block(i);
    carry = n > 16 && p[n - 17] >= 0xC2 && p[n - 17] <= 0xDF;
    block(n - 16);
    if (other) return ValidUtf8Scalar(p, n);
    return (bad | carry) == 0;
#else
    return ValidUtf8Scalar(p, n);
#endif
}

bool TypeFromName(std::string_view name, TFieldType& type) {
    for (TFieldType t : {TFieldType::ftString, TFieldType::ftFixedChar, TFieldType::ftFloat,
                         TFieldType::ftDateTime, TFieldType::ftInteger, TFieldType::ftBoolean})
        if (name == FieldTypeName(t)) {
            type = t;
            return true;
        }
    return false;
}

// Streams the parser's events straight into a TRecordStore. Positions: depth 1 is the packet
// array, depth 2 the items of the columns or rows array, depth 3 the parts of one column
// definition or the values of one row; item_[d] is the current item's index at depth d.
class PacketVisitor : public msgpack::null_visitor {
public:
    PacketVisitor(std::string_view input, TPacketContent& content, const TPacketColumnsCheck& check)
        : begin_(input.data()), inputBytes_(input.size()), content_(content), store_(content.Rows),
          check_(check) {}

    bool start_array(std::uint32_t n) {
        switch (depth_) {
        case 0:
            if (n != 4) Malformed("esperava 4 partes, encontrou " + std::to_string(n));
            break;
        case 1:
            if (item_[1] == 2) {
                if (n == 0) Malformed("nenhum campo definido");
                if (n > kMaxColumns) Malformed("campos demais (" + std::to_string(n) + ")");
                content_.Columns.reserve(n);
            } else if (item_[1] == 3) {
                StartRows(n);
            } else {
                Unexpected("um array");
            }
            break;
        case 2:
            if (item_[1] == 2) {
                if (n != 4) Malformed("definição de campo com " + std::to_string(n) + " partes");
                content_.Columns.emplace_back();
            } else {
                if (n != columnCount_)
                    Malformed("registro " + std::to_string(item_[2] + 1) + " com " +
                              std::to_string(n) + " valores para " + std::to_string(columnCount_) +
                              " campos");
                row_ = content_.Rows.AppendRow();
            }
            break;
        default: Malformed("aninhamento profundo demais");
        }
        ++depth_;
        item_[depth_] = 0;
        return true;
    }
    bool end_array_item() {
        ++item_[depth_];
        return true;
    }
    bool end_array() {
        --depth_;
        if (depth_ == 1 && item_[1] == 2) EndColumns();
        if (depth_ == 2 && item_[1] == 2) CheckColumn(content_.Columns.back());
        return true;
    }
    bool start_map(std::uint32_t) { Unexpected("um mapa"); }

    bool visit_nil() {
        if (depth_ == 3 && item_[1] == 3) return true; // rows start all null
        Unexpected("nulo");
    }
    bool visit_boolean(bool v) {
        if (InRows()) {
            if (types_[Column()] != TFieldType::ftBoolean) Unexpected("um valor lógico");
            store_.SetInt(row_, Column(), v ? 1 : 0);
            return true;
        }
        if (depth_ == 3 && item_[1] == 2 && item_[3] == 3) {
            content_.Columns.back().Required = v;
            return true;
        }
        if (!InRow(TFieldType::ftBoolean)) Unexpected("um valor lógico");
        store_.SetInt(row_, Column(), v ? 1 : 0);
        return true;
    }
    bool visit_positive_integer(std::uint64_t v) {
        if (InRows()) {
            if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                Unexpected("um inteiro grande demais");
            return Number(static_cast<std::int64_t>(v));
        }
        if (depth_ == 1 && item_[1] == 1) {
            if (v != static_cast<std::uint64_t>(kPacketVersion))
                Malformed("versão " + std::to_string(v) + " não suportada");
            versionSeen_ = true;
            return true;
        }
        if (depth_ == 3 && item_[1] == 2 && item_[3] == 2) {
            if (v > static_cast<std::uint64_t>(kMaxTextSize))
                Malformed("tamanho de campo grande demais");
            content_.Columns.back().Size = static_cast<int>(v);
            return true;
        }
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            Unexpected("um inteiro grande demais");
        return Number(static_cast<std::int64_t>(v));
    }
    bool visit_negative_integer(std::int64_t v) { return Number(v); }
    bool visit_float32(float v) { return visit_float64(static_cast<double>(v)); }
    bool visit_float64(double v) {
        if (!InRow(TFieldType::ftFloat) && !InRow(TFieldType::ftDateTime))
            Unexpected("um número real");
        store_.SetDouble(row_, Column(), v);
        return true;
    }
    [[gnu::always_inline]] bool visit_str(const char* p, std::uint32_t n) {
        if (InRows()) { // the common case: a text of a row
            if (!IsTextType(types_[Column()])) Unexpected("um texto");
            bool ascii = n < 16 && ShortIsAscii(p, n, begin_);
            if (!ascii && !ValidUtf8(reinterpret_cast<const unsigned char*>(p), n)) NotUtf8();
            store_.SetText(row_, Column(), std::string_view(p, n));
            return true;
        }
        return HeaderText(p, n);
    }
    bool visit_bin(const char*, std::uint32_t) { Unexpected("dados binários"); }
    bool visit_ext(const char*, std::uint32_t) { Unexpected("uma extensão"); }
    void parse_error(std::size_t, std::size_t at) {
        Malformed("byte inválido na posição " + std::to_string(at));
    }
    void insufficient_bytes(std::size_t, std::size_t) { Malformed("pacote truncado"); }

    void Finish() const {
        if (!magicSeen_ || !versionSeen_ || !columnsDone_ || !rowsSeen_)
            Malformed("pacote incompleto");
    }

private:
    // Texts outside the rows: the signature, field names and types.
    [[gnu::noinline]] bool HeaderText(const char* p, std::uint32_t n) {
        std::string_view s(p, n);
        if (!ValidUtf8(reinterpret_cast<const unsigned char*>(p), n)) NotUtf8();
        if (depth_ == 1 && item_[1] == 0) {
            if (s != kMagic) Malformed("assinatura desconhecida");
            magicSeen_ = true;
            return true;
        }
        if (depth_ == 3 && item_[1] == 2 && item_[3] == 0) {
            if (n == 0 || n > kMaxNameBytes) Malformed("nome de campo vazio ou longo demais");
            content_.Columns.back().Name = std::string(s);
            return true;
        }
        if (depth_ == 3 && item_[1] == 2 && item_[3] == 1) {
            if (!TypeFromName(s, content_.Columns.back().DataType))
                Malformed("tipo de campo desconhecido '" + std::string(s) + "'");
            typeSeen_ = true;
            return true;
        }
        Unexpected("um texto");
    }

    int Column() const { return static_cast<int>(item_[3]); }
    bool InRows() const { return depth_ == 3 && item_[1] == 3; }
    [[noreturn, gnu::noinline, gnu::cold]] static void NotUtf8() {
        Malformed("texto que não é UTF-8 válido");
    }

    bool InRow(TFieldType type) const {
        return depth_ == 3 && item_[1] == 3 && types_[Column()] == type;
    }

    bool Number(std::int64_t v) {
        if (InRow(TFieldType::ftInteger))
            store_.SetInt(row_, Column(), v);
        else if (InRow(TFieldType::ftFloat) || InRow(TFieldType::ftDateTime))
            store_.SetDouble(row_, Column(), static_cast<double>(v));
        else
            Unexpected("um inteiro");
        return true;
    }

    [[noreturn, gnu::noinline, gnu::cold]] void Unexpected(const std::string& what) const {
        if (depth_ == 0) Malformed("não é um pacote de dados");
        if (depth_ == 3 && item_[1] == 3 && columnsDone_) {
            const TFieldDef& c = content_.Columns[static_cast<std::size_t>(Column())];
            Malformed(what + " no campo '" + c.Name + "' (" + FieldTypeName(c.DataType) +
                      ") do registro " + std::to_string(item_[2] + 1));
        }
        Malformed(what + " fora do lugar");
    }

    void CheckColumn(const TFieldDef& c) {
        if (c.Name.empty() || !typeSeen_) Malformed("definição de campo incompleta");
        typeSeen_ = false;
        if (IsTextType(c.DataType) ? c.Size < 1 : c.Size != 0)
            Malformed("tamanho " + std::to_string(c.Size) + " inválido para o campo '" + c.Name +
                      "'");
        for (std::size_t i = 0; i + 1 < content_.Columns.size(); ++i)
            if (SameText(content_.Columns[i].Name, c.Name))
                Malformed("campo '" + c.Name + "' repetido");
    }

    void EndColumns() {
        std::vector<TFieldType> types;
        for (const TFieldDef& c : content_.Columns) types.push_back(c.DataType);
        content_.Rows.SetLayout(std::move(types));
        columnCount_ = static_cast<std::uint32_t>(content_.Columns.size());
        types_ = content_.Rows.ColumnTypes();
        columnsDone_ = true;
        if (check_) check_(content_.Columns);
    }

    void StartRows(std::uint32_t n) {
        if (!columnsDone_) Malformed("registros antes dos campos");
        rowsSeen_ = true;
        // Each row takes at least one byte per value plus its header, so the input bounds what
        // a declared count may reserve; a count beyond it shows up as a truncated packet.
        std::size_t bound = inputBytes_ / (columnCount_ + 1);
        content_.Rows.ReserveRows(std::min<std::size_t>(n, bound));
        content_.Rows.ReserveText(inputBytes_ / 2);
    }

    const char* begin_;
    std::size_t inputBytes_;
    TPacketContent& content_;
    TRecordStore& store_;
    const TFieldType* types_ = nullptr; // the columns' types, once the definitions are read
    const TPacketColumnsCheck& check_;
    int depth_ = 0;
    std::uint32_t item_[4] = {0, 0, 0, 0};
    std::uint32_t columnCount_ = 0;
    std::byte* row_ = nullptr;
    bool magicSeen_ = false;
    bool versionSeen_ = false;
    bool typeSeen_ = false;
    bool columnsDone_ = false;
    bool rowsSeen_ = false;
};

} // namespace

// ---- the writer ----

TDataPacketWriter::TDataPacketWriter(std::vector<TFieldDef> columns)
    : columns_(std::move(columns)) {
    Start();
}

TDataPacketWriter::TDataPacketWriter(std::vector<TFieldDef> columns, std::size_t rowCount,
                                     std::size_t byteBound)
    : columns_(std::move(columns)), counted_(true), declaredRows_(rowCount) {
    if (byteBound != 0) {
        out_.reserve(byteBound);
        AdviseHugePages(out_.data(), byteBound);
    }
    Start();
    AppendArrayHeader(out_, rowCount);
}

TDataPacketWriter::~TDataPacketWriter() {
    std::free(body_);
}

void TDataPacketWriter::Start() {
    if (columns_.empty()) throw EDatabaseError("Pacote de dados sem definição de campos");
    for (const TFieldDef& c : columns_) types_.push_back(c.DataType);
    StringSink sink{out_};
    msgpack::packer<StringSink> pk(sink);
    pk.pack_array(4);
    pk.pack_str(static_cast<std::uint32_t>(kMagic.size()));
    pk.pack_str_body(kMagic.data(), static_cast<std::uint32_t>(kMagic.size()));
    pk.pack_uint32(static_cast<std::uint32_t>(kPacketVersion));
    pk.pack_array(static_cast<std::uint32_t>(columns_.size()));
    for (const TFieldDef& c : columns_) {
        const std::string_view type = FieldTypeName(c.DataType);
        pk.pack_array(4);
        pk.pack_str(static_cast<std::uint32_t>(c.Name.size()));
        pk.pack_str_body(c.Name.data(), static_cast<std::uint32_t>(c.Name.size()));
        pk.pack_str(static_cast<std::uint32_t>(type.size()));
        pk.pack_str_body(type.data(), static_cast<std::uint32_t>(type.size()));
        pk.pack_uint32(static_cast<std::uint32_t>(c.Size));
        if (c.Required)
            pk.pack_true();
        else
            pk.pack_false();
    }
    if (counted_) {
        stage_ = std::make_unique_for_overwrite<char[]>(kStage);
        next_ = stage_.get();
        end_ = next_ + kStage;
    } else {
        GrowBody(kStage);
    }
}

void TDataPacketWriter::StartRow() {
    if (finished_) throw EDatabaseError("Pacote de dados já encerrado");
    if (counted_ && rows_ == declaredRows_)
        throw EDatabaseError("Pacote de dados com mais registros que os " +
                             std::to_string(declaredRows_) + " anunciados");
    if (static_cast<std::size_t>(end_ - next_) < 5) Flush();
    const std::size_t n = columns_.size();
    if (n < 16)
        *next_++ = static_cast<char>(0x90 | n);
    else if (n <= 0xFFFF)
        *next_++ = static_cast<char>(0xDC), PutBigEndian(n, 2);
    else
        *next_++ = static_cast<char>(0xDD), PutBigEndian(n, 4);
}

void TDataPacketWriter::WrongType(int expected) const {
    const TFieldDef& c = columns_[column_];
    throw EDatabaseError(
        "Tipo incompatível para o campo '" + c.Name + "': esperado " + FieldTypeName(c.DataType) +
        ", recebido " +
        (expected == kText ? "String" : FieldTypeName(static_cast<TFieldType>(expected))));
}

void TDataPacketWriter::Flush() {
    if (!counted_) return GrowBody(kStage);
    out_.append(stage_.get(), static_cast<std::size_t>(next_ - stage_.get()));
    next_ = stage_.get();
}

void TDataPacketWriter::GrowBody(std::size_t count) {
    const auto used = static_cast<std::size_t>(next_ - body_);
    const auto capacity = static_cast<std::size_t>(end_ - body_);
    if (capacity - used >= count) return;
    // Growing by half keeps the reallocations few; pages of the capacity that the rows do not
    // reach are never touched.
    const std::size_t grown = std::max(used + count, capacity + capacity / 2);
    auto* block = static_cast<char*>(std::realloc(body_, grown));
    if (!block) throw std::bad_alloc();
    body_ = block;
    next_ = block + used;
    end_ = block + grown;
}

void TDataPacketWriter::AppendLongString(std::string_view text) {
    Slot(kText, 5);
    PutStrHeader(text.size());
    if (counted_) {
        Flush();
        out_.append(text);
    } else {
        GrowBody(text.size());
        std::memcpy(next_, text.data(), text.size());
        next_ += text.size();
    }
    Done();
}

void TDataPacketWriter::AppendFittedString(std::string_view text) {
    if (!Fits(kText)) WrongType(kText);
    std::string fitted;
    AppendString(FitText(columns_[column_], text, fitted));
}

void TDataPacketWriter::AppendInteger(std::int64_t value) {
    Slot(static_cast<int>(TFieldType::ftInteger), 9);
    StageSink sink{next_};
    msgpack::packer<StageSink> pk(sink);
    pk.pack_int64(value);
    Done();
}

void TDataPacketWriter::AppendVariant(const Variant& value) {
    if (value.IsNull() || value.IsEmpty()) return AppendNull();
    switch (columns_[column_].DataType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar: AppendFieldString(value.AsString()); break;
    case TFieldType::ftFloat: AppendFloat(value.AsDouble()); break;
    case TFieldType::ftDateTime: AppendDateTime(value.AsDate()); break;
    case TFieldType::ftInteger: AppendInteger(value.AsInteger()); break;
    case TFieldType::ftBoolean: AppendBoolean(value.AsBoolean()); break;
    }
}

void TDataPacketWriter::AppendRow(const std::vector<Variant>& values) {
    if (column_ != 0 || values.size() != columns_.size())
        throw EDatabaseError("Registro com " + std::to_string(values.size()) + " valores para " +
                             std::to_string(columns_.size()) + " campos");
    for (const Variant& v : values) AppendVariant(v);
}

std::string TDataPacketWriter::Finish() {
    if (finished_) throw EDatabaseError("Pacote de dados já encerrado");
    if (column_ != 0)
        throw EDatabaseError("Registro incompleto no pacote de dados: " + std::to_string(column_) +
                             " valores para " + std::to_string(columns_.size()) + " campos");
    if (counted_ && rows_ != declaredRows_)
        throw EDatabaseError("Pacote de dados com " + std::to_string(rows_) +
                             " registros; anunciados " + std::to_string(declaredRows_));
    finished_ = true;
    if (counted_) {
        Flush();
        stage_.reset();
        next_ = end_ = nullptr;
        return std::move(out_);
    }
    const auto rowBytes = static_cast<std::size_t>(next_ - body_);
    std::string packet;
    const std::size_t size = out_.size() + ArrayHeaderBytes(rows_) + rowBytes;
    packet.reserve(size);
    AdviseHugePages(packet.data(), size);
    packet.append(out_);
    AppendArrayHeader(packet, rows_);
    char* block = std::exchange(body_, nullptr);
    next_ = end_ = nullptr;
    MoveInto(block, rowBytes, packet);
    out_.clear();
    return packet;
}

// ---- datasets ----

std::string EncodePacket(const TDataSet& dataSet) {
    dataSet.CheckActive();
    const std::vector<TFieldDef>& columns = dataSet.columns_;
    const TRecordStore& store = dataSet.store_;
    const int columnCount = store.ColumnCount();
    const std::size_t rowCount = store.RowCount();

    // An upper bound of the packet's size: 9 bytes for any value (a text of up to 7 bytes
    // included) plus every byte of the text arena, which holds all longer texts.
    std::size_t bound =
        1 + StrBytes(kMagic) + 1 + ArrayHeaderBytes(columns.size()) + ArrayHeaderBytes(rowCount);
    for (const TFieldDef& c : columns)
        bound += 1 + StrBytes(c.Name) + StrBytes(FieldTypeName(c.DataType)) + 5 + 1;
    bound += rowCount * (ArrayHeaderBytes(static_cast<std::size_t>(columnCount)) +
                         9 * static_cast<std::size_t>(columnCount));
    bound += store.TextBytes();

    TDataPacketWriter writer(columns, rowCount, bound);
    std::vector<TFieldType> types;
    for (int c = 0; c < columnCount; ++c) types.push_back(store.ColumnType(c));
    for (std::size_t r = 0; r < rowCount; ++r) {
        const std::byte* row = store.Row(r);
        for (int c = 0; c < columnCount; ++c) {
            if (store.IsNull(row, c)) {
                writer.AppendNull();
                continue;
            }
            switch (types[static_cast<std::size_t>(c)]) {
            case TFieldType::ftString:
            case TFieldType::ftFixedChar: writer.AppendString(store.GetText(row, c)); break;
            case TFieldType::ftFloat: writer.AppendFloat(store.GetDouble(row, c)); break;
            case TFieldType::ftDateTime: writer.AppendDateTime(store.GetDouble(row, c)); break;
            case TFieldType::ftInteger: writer.AppendInteger(store.GetInt(row, c)); break;
            case TFieldType::ftBoolean: writer.AppendBoolean(store.GetInt(row, c) != 0); break;
            }
        }
    }
    return writer.Finish();
}

TPacketContent DecodePacket(std::string_view bytes, const TPacketColumnsCheck& check) {
    TPacketContent content;
    PacketVisitor visitor(bytes, content, check);
    std::size_t offset = 0;
    if (!msgpack::parse(bytes.data(), bytes.size(), offset, visitor))
        Malformed("estrutura inválida");
    if (offset != bytes.size()) Malformed("bytes sobrando após o fim do pacote");
    visitor.Finish();
    content.Rows.ShrinkToFit();
    content.Rows.MergeChangeLog();
    return content;
}

} // namespace platform
