// The body of a successful call's reply as pieces, large byte strings shared.
#include "platform/rpcreply.h"

#include <cstdint>

#include "platform/wire.h"

namespace platform {

namespace {

// Collects the pieces: small values are encoded into the current piece, large byte strings
// close it and go in as shared pieces of their own (the MessagePack forms here are the ones
// EncodeVariant writes for arrays and long byte strings).
class TPartsWriter {
public:
    void ArrayHeader(std::size_t count) {
        if (count <= 15) {
            current_ += static_cast<char>(0x90 | count);
        } else if (count <= 0xffff) {
            current_ += static_cast<char>(0xdc);
            BigEndian(count, 2);
        } else {
            current_ += static_cast<char>(0xdd);
            BigEndian(count, 4);
        }
    }

    void Value(const Variant& value) {
        if (value.Type() == VarType::Array) {
            const int low = value.LowBound();
            const int high = value.HighBound();
            ArrayHeader(static_cast<std::size_t>(high - low + 1) + 1);
            current_ += EncodeVariant(Variant(low));
            for (int i = low; i <= high; ++i) Value(value[i]);
            return;
        }
        if (value.Type() == VarType::Bytes && value.AsBytes().size() >= kSharedReplyPartBytes &&
            value.AsBytes().size() <= 0xffffffffu) {
            current_ += static_cast<char>(0xc6); // bin 32
            BigEndian(value.AsBytes().size(), 4);
            Flush();
            parts_.push_back(value.SharedBytes());
            return;
        }
        current_ += EncodeVariant(value);
    }

    std::vector<std::shared_ptr<const std::string>> Finish() {
        Flush();
        return std::move(parts_);
    }

private:
    void BigEndian(std::uint64_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            current_ += static_cast<char>((value >> (8 * i)) & 0xff);
    }
    void Flush() {
        if (current_.empty()) return;
        parts_.push_back(std::make_shared<const std::string>(std::move(current_)));
        current_.clear();
    }

    std::string current_;
    std::vector<std::shared_ptr<const std::string>> parts_;
};

} // namespace

std::vector<std::shared_ptr<const std::string>>
EncodeOkReplyParts(const Variant& result, const std::vector<Variant>& byRef) {
    TPartsWriter writer;
    writer.ArrayHeader(2 + byRef.size());
    writer.Value(Variant(static_cast<std::int64_t>(TReplyStatus::Ok)));
    writer.Value(result);
    for (const Variant& value : byRef) writer.Value(value);
    return writer.Finish();
}

} // namespace platform
