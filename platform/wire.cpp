// MessagePack encoding of variants and of the request and reply bodies of remote calls.
#include "platform/wire.h"

#include <bit>
#include <limits>
#include <optional>

#include <msgpack.hpp>

namespace platform {

namespace {

constexpr std::int8_t kExtEmpty = 1;
constexpr std::int8_t kExtDate = 2;

// Output sinks for msgpack::packer: one only counts, so that the real pass writes into a
// string reserved once (a 70 MB data packet is then copied exactly once).
struct CountingSink {
    std::size_t size = 0;
    void write(const char*, std::size_t n) { size += n; }
};

struct StringSink {
    std::string* out;
    void write(const char* p, std::size_t n) { out->append(p, n); }
};

template <class Sink> class Writer {
public:
    explicit Writer(Sink& sink) : sink_(sink), pk_(sink) {}

    void Value(const Variant& v, int depth) {
        switch (v.Type()) {
        case VarType::Empty: pk_.pack_ext(0, kExtEmpty); break;
        case VarType::Null: pk_.pack_nil(); break;
        case VarType::Boolean: v.AsBoolean() ? pk_.pack_true() : pk_.pack_false(); break;
        case VarType::Integer: pk_.pack_int64(v.AsInteger()); break;
        case VarType::Double: Float64(v.AsDouble()); break;
        case VarType::String: Str(v.AsBytes()); break; // AsBytes: no copy
        case VarType::Date: {
            std::uint64_t bits = std::bit_cast<std::uint64_t>(v.AsDate());
            char be[8];
            for (int i = 7; i >= 0; --i, bits >>= 8) be[i] = static_cast<char>(bits & 0xff);
            pk_.pack_ext(sizeof be, kExtDate);
            pk_.pack_ext_body(be, sizeof be);
            break;
        }
        case VarType::Bytes: {
            const std::string& bytes = v.AsBytes();
            pk_.pack_bin(Length(bytes.size()));
            pk_.pack_bin_body(bytes.data(), Length(bytes.size()));
            break;
        }
        case VarType::Array: {
            if (depth >= TWireLimits{}.maxDepth)
                throw EWireError("Array variante aninhado em mais de " +
                                 std::to_string(TWireLimits{}.maxDepth) + " níveis");
            const int low = v.LowBound();
            const int high = v.HighBound();
            pk_.pack_array(Length(static_cast<std::size_t>(std::int64_t{high} - low + 2)));
            pk_.pack_int64(low);
            for (int i = low; i <= high; ++i) Value(v[i], depth + 1);
            break;
        }
        }
    }

    // msgpack::packer::pack_double writes integral doubles as integers (1.0 as 1, -0.0 as 0),
    // which would come back as Integer: a double is always written as float64 here.
    void Float64(double d) {
        std::uint64_t bits = std::bit_cast<std::uint64_t>(d);
        char buf[9];
        buf[0] = static_cast<char>(0xcb);
        for (int i = 8; i >= 1; --i, bits >>= 8) buf[i] = static_cast<char>(bits & 0xff);
        sink_.write(buf, sizeof buf);
    }

    void Str(const std::string& s) {
        pk_.pack_str(Length(s.size()));
        pk_.pack_str_body(s.data(), Length(s.size()));
    }
    void Array(std::size_t count) { pk_.pack_array(Length(count)); }
    void Bool(bool b) { b ? pk_.pack_true() : pk_.pack_false(); }
    void Int(std::int64_t i) { pk_.pack_int64(i); }

private:
    static std::uint32_t Length(std::size_t n) {
        if (n > std::numeric_limits<std::uint32_t>::max())
            throw EWireError("Valor grande demais para a codificação MessagePack (" +
                             std::to_string(n) + " bytes ou elementos)");
        return static_cast<std::uint32_t>(n);
    }

    Sink& sink_;
    msgpack::packer<Sink> pk_;
};

// Runs `write(writer)` twice: once to measure, once into a string of exactly that size.
template <class Fn> std::string Encode(Fn&& write) {
    CountingSink counter;
    Writer<CountingSink> measure(counter);
    write(measure);
    std::string out;
    out.reserve(counter.size);
    StringSink sink{&out};
    Writer<StringSink> real(sink);
    write(real);
    return out;
}

// Builds variants from msgpack parse events. A variant array is collected element by element
// as the elements arrive, so a declared count costs nothing until the bytes are there, and the
// collected elements become the array's own (never copied). Every allocation the values need is
// charged to the decode's budget before it is made (see TWireLimits).
// With plainTop the outermost array is an envelope: no low bound, elements indexed from 0.
class VariantBuilder : public msgpack::null_visitor {
public:
    VariantBuilder(const TWireLimits& limits, bool plainTop, std::size_t inputSize)
        : limits_(limits), plainTop_(plainTop), budget_(Budget(limits, inputSize)) {}

    Variant TakeRoot() {
        if (!root_) throw EWireError("Dados MessagePack vazios");
        return std::move(*root_);
    }

    bool visit_nil() { return Put(Variant::Null()); }
    bool visit_boolean(bool v) { return Put(Variant(v)); }
    bool visit_positive_integer(std::uint64_t v) {
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw EWireError("Inteiro fora do intervalo de 64 bits com sinal");
        return Put(Variant(static_cast<std::int64_t>(v)));
    }
    bool visit_negative_integer(std::int64_t v) { return Put(Variant(v)); }
    bool visit_float32(float v) { return Put(Variant(static_cast<double>(v))); }
    bool visit_float64(double v) { return Put(Variant(v)); }
    bool visit_str(const char* v, std::uint32_t size) {
        if (size > kInlineText) Charge(Allocation(std::size_t{size} + 1));
        return Put(Variant(std::string(v, size)));
    }
    bool visit_bin(const char* v, std::uint32_t size) {
        // The bytes, and the shared string that holds them.
        Charge(Allocation(std::size_t{size} + 1) + Allocation(kSharedStringSize));
        return Put(Variant::FromBytes(std::string(v, size)));
    }
    bool visit_ext(const char* v, std::uint32_t size) {
        // v[0] is the ext type; size counts it.
        const auto type = static_cast<std::int8_t>(v[0]);
        const std::uint32_t payload = size - 1;
        if (type == kExtEmpty) {
            if (payload != 0) throw EWireError("Valor Empty com conteúdo");
            return Put(Variant());
        }
        if (type == kExtDate) {
            if (payload != 8) throw EWireError("Data com tamanho inválido");
            std::uint64_t bits = 0;
            for (int i = 1; i <= 8; ++i) bits = (bits << 8) | static_cast<unsigned char>(v[i]);
            return Put(Variant::FromDate(std::bit_cast<double>(bits)));
        }
        throw EWireError("Tipo de extensão MessagePack desconhecido: " + std::to_string(type));
    }

    bool start_array(std::uint32_t count) {
        const bool plain = plainTop_ && !root_ && frames_.empty();
        const int variantDepth = static_cast<int>(frames_.size()) - (plainTop_ ? 1 : 0);
        if (!plain && variantDepth >= limits_.maxDepth)
            throw EWireError("Arrays aninhados em mais de " + std::to_string(limits_.maxDepth) +
                             " níveis");
        declared_ += count;
        if (declared_ > limits_.maxElements)
            throw EWireError("Mais de " + std::to_string(limits_.maxElements) +
                             " elementos de array");
        if (!plain && count == 0) throw EWireError("Array variante sem o limite inferior");
        Frame frame;
        frame.plain = plain;
        frames_.push_back(std::move(frame));
        return true;
    }

    bool end_array() {
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        const std::int64_t low = frame.plain ? 0 : frame.low;
        const std::int64_t high = low + static_cast<std::int64_t>(frame.items.size()) - 1;
        if (high > std::numeric_limits<int>::max() || high < std::numeric_limits<int>::min())
            throw EWireError("Limites do array variante fora do intervalo");
        Charge(Allocation(sizeof(VarArrayData)));
        return Put(Variant::Array(static_cast<int>(low), std::move(frame.items)));
    }

    bool start_map(std::uint32_t) { throw EWireError("Mapas MessagePack não são aceitos"); }

    void parse_error(std::size_t, std::size_t errorOffset) {
        throw EWireError("Dados MessagePack inválidos na posição " + std::to_string(errorOffset));
    }
    void insufficient_bytes(std::size_t, std::size_t) {
        throw EWireError("Dados MessagePack truncados");
    }

private:
    // Invariant: a non-plain frame has its low bound once it holds any element.
    struct Frame {
        bool plain = false;
        bool haveLow = false;
        int low = 0;
        std::vector<Variant> items;
    };

    bool Put(Variant v) {
        if (frames_.empty()) {
            root_ = std::move(v);
            return true;
        }
        Frame& frame = frames_.back();
        if (!frame.plain && !frame.haveLow) {
            if (v.Type() != VarType::Integer)
                throw EWireError("Limite inferior do array variante não é um inteiro");
            const std::int64_t low = v.AsInteger();
            if (low > std::numeric_limits<int>::max() || low < std::numeric_limits<int>::min())
                throw EWireError("Limite inferior do array variante fora do intervalo");
            frame.low = static_cast<int>(low);
            frame.haveLow = true;
            return true;
        }
        if (frame.items.size() == frame.items.capacity()) Grow(frame.items);
        frame.items.push_back(std::move(v));
        return true;
    }

    // Texts up to this size live inside the variant (the standard library's short strings).
    static constexpr std::size_t kInlineText = 15;
    // What a shared byte string takes besides its bytes: the string and the shared count.
    static constexpr std::size_t kSharedStringSize = sizeof(std::string) + 32;

    static std::size_t Budget(const TWireLimits& limits, std::size_t inputSize) {
        const std::size_t max = std::numeric_limits<std::size_t>::max();
        if (limits.memoryPerInputByte != 0 && inputSize > max / limits.memoryPerInputByte)
            return max;
        const std::size_t scaled = inputSize * limits.memoryPerInputByte;
        return scaled > max - limits.memoryAllowance ? max : scaled + limits.memoryAllowance;
    }

    // An allocation of `size` bytes as the allocator takes it: rounded up to 16 bytes, plus
    // its 16-byte header.
    static std::size_t Allocation(std::size_t size) { return (size + 15) / 16 * 16 + 16; }

    void Charge(std::size_t bytes) {
        used_ += bytes;
        if (used_ > budget_)
            throw EWireError("A mensagem foi recusada: lê-la ocuparia mais de " +
                             std::to_string(limits_.memoryPerInputByte) +
                             " vezes o seu tamanho em memória.");
    }

    // Doubles a frame's capacity; while the elements move, the old block and the new one are
    // both held, so the new one is charged before the old one is given back.
    void Grow(std::vector<Variant>& items) {
        const std::size_t old = items.capacity();
        const std::size_t wanted = old == 0 ? 4 : old * 2;
        Charge(Allocation(wanted * sizeof(Variant)));
        items.reserve(wanted);
        if (old != 0) used_ -= Allocation(old * sizeof(Variant));
    }

    const TWireLimits& limits_;
    const bool plainTop_;
    const std::size_t budget_;
    std::vector<Frame> frames_;
    std::optional<Variant> root_;
    std::size_t declared_ = 0;
    std::size_t used_ = 0; // bytes the values built so far take (see Charge)
};

Variant Decode(std::string_view bytes, const TWireLimits& limits, bool plainTop) {
    if (bytes.empty()) throw EWireError("Dados MessagePack vazios");
    VariantBuilder builder(limits, plainTop, bytes.size());
    std::size_t offset = 0;
    if (!msgpack::parse(bytes.data(), bytes.size(), offset, builder))
        throw EWireError("Dados MessagePack inválidos");
    if (offset != bytes.size())
        throw EWireError("Dados MessagePack com " + std::to_string(bytes.size() - offset) +
                         " bytes a mais no fim");
    Variant root = builder.TakeRoot();
    if (plainTop && !root.IsArray()) throw EWireError("O corpo da mensagem não é um array");
    return root;
}

} // namespace

std::string EncodeVariant(const Variant& value) {
    return Encode([&](auto& w) { w.Value(value, 0); });
}

Variant DecodeVariant(std::string_view bytes, const TWireLimits& limits) {
    return Decode(bytes, limits, false);
}

std::string EncodeRequest(const std::vector<TWireArg>& args) {
    return Encode([&](auto& w) {
        w.Array(args.size() * 2);
        for (const TWireArg& arg : args) {
            w.Bool(arg.byRef);
            w.Value(arg.value, 0);
        }
    });
}

std::vector<TWireArg> DecodeRequest(std::string_view body, const TWireLimits& limits) {
    Variant envelope = Decode(body, limits, true);
    const int count = envelope.HighBound() + 1;
    if (count % 2 != 0)
        throw EWireError(
            "Requisição malformada: cada argumento deve vir com sua marca de referência");
    std::vector<TWireArg> args;
    args.reserve(static_cast<std::size_t>(count / 2));
    for (int i = 0; i < count; i += 2) {
        if (envelope[i].Type() != VarType::Boolean)
            throw EWireError("Requisição malformada: marca de referência do argumento " +
                             std::to_string(i / 2 + 1) + " não é booleana");
        args.push_back(TWireArg{std::move(envelope[i + 1]), envelope[i].AsBoolean()});
    }
    return args;
}

std::string EncodeReply(const TWireReply& reply) {
    if (reply.status == TReplyStatus::Ok) return EncodeOkReply(reply.result, reply.byRef);
    return EncodeErrorReply(reply.message, reply.status);
}

std::string EncodeOkReply(const Variant& result, const std::vector<Variant>& byRef) {
    return Encode([&](auto& w) {
        w.Array(2 + byRef.size());
        w.Int(static_cast<std::int64_t>(TReplyStatus::Ok));
        w.Value(result, 0);
        for (const Variant& v : byRef) w.Value(v, 0);
    });
}

std::string EncodeErrorReply(const std::string& message, TReplyStatus status) {
    if (status == TReplyStatus::Ok) throw EWireError("Resposta de erro com status de sucesso");
    return Encode([&](auto& w) {
        w.Array(2);
        w.Int(static_cast<std::int64_t>(status));
        w.Str(message);
    });
}

TWireReply DecodeReply(std::string_view body, const TWireLimits& limits) {
    Variant envelope = Decode(body, limits, true);
    const int count = envelope.HighBound() + 1;
    if (count < 2 || envelope[0].Type() != VarType::Integer)
        throw EWireError("Resposta malformada: sem status");
    TWireReply reply;
    switch (envelope[0].AsInteger()) {
    case static_cast<std::int64_t>(TReplyStatus::Ok):
        reply.status = TReplyStatus::Ok;
        reply.result = std::move(envelope[1]);
        for (int i = 2; i < count; ++i) reply.byRef.push_back(std::move(envelope[i]));
        return reply;
    case static_cast<std::int64_t>(TReplyStatus::Error):
    case static_cast<std::int64_t>(TReplyStatus::NoSession):
    case static_cast<std::int64_t>(TReplyStatus::NotAuthenticated):
        if (count != 2 || envelope[1].Type() != VarType::String)
            throw EWireError("Resposta de erro malformada");
        reply.status = static_cast<TReplyStatus>(envelope[0].AsInteger());
        reply.message = envelope[1].AsString();
        return reply;
    default:
        throw EWireError("Resposta com status desconhecido: " +
                         std::to_string(envelope[0].AsInteger()));
    }
}

} // namespace platform
