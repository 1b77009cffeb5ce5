// MessagePack encoding of variants and of the request and reply bodies of remote calls.
//
// A variant maps to MessagePack as follows (the mapping is exact both ways):
//   Empty   ext type 1, no payload         Null    nil
//   Boolean true/false                     Integer int (smallest form)
//   Double  float64 (bit for bit)          String  str
//   Date    ext type 2, 8 bytes: the big-endian float64 of the automation date
//   Bytes   bin
//   Array   array whose first element is the low bound, followed by the elements in order
//
// A request body is a plain array holding, for each argument, its by-reference flag (a
// boolean) followed by its value. A reply body is a plain array whose first element is the
// reply status: [0, result, by-reference values in argument order...], [1, message] for a
// failure of the call, [2, message] when the session named by the request does not exist,
// [3, message] when the request carries no valid login (missing, unknown, expired or revoked
// bearer token, or not the token its session was opened with); nothing ran then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sysutils.h"
#include "platform/variant.h"

namespace platform {

/// Bytes that cannot be decoded (malformed, truncated, nested too deep, too many elements),
/// or a value that cannot be encoded.
class EWireError : public Exception {
    using Exception::Exception;
};

/// Bounds applied while decoding untrusted bytes. Memory used by a decode grows with the input
/// actually present, never with the counts that the input declares, and stays within a budget:
/// what the decoded values take (variants, the vectors that hold them, the contents of texts and
/// byte strings) is counted as they are built, and a decode that would take more than
/// memoryPerInputByte × the input's size + memoryAllowance fails with EWireError. Texts and byte
/// strings take about their own size; only inputs of many tiny elements come near the budget.
struct TWireLimits {
    int maxDepth = 32;                       ///< nested arrays, the envelope's own not counted
    std::size_t maxElements = 4'000'000;     ///< array elements declared in the whole input
    std::size_t memoryPerInputByte = 8;      ///< decode budget per byte of input
    std::size_t memoryAllowance = 64 * 1024; ///< decode budget for any input, in bytes
};

std::string EncodeVariant(const Variant& value);
Variant DecodeVariant(std::string_view bytes, const TWireLimits& limits = {});

/// One argument of a call as it travels: its value and whether the caller passed it by reference.
struct TWireArg {
    Variant value;
    bool byRef = false;
};

std::string EncodeRequest(const std::vector<TWireArg>& args);
std::vector<TWireArg> DecodeRequest(std::string_view body, const TWireLimits& limits = {});

enum class TReplyStatus : std::uint8_t { Ok = 0, Error = 1, NoSession = 2, NotAuthenticated = 3 };

/// A decoded reply. Invariant: result and byRef are meaningful only for Ok, message only otherwise.
struct TWireReply {
    TReplyStatus status = TReplyStatus::Ok;
    Variant result;
    std::vector<Variant> byRef;
    std::string message;
};

std::string EncodeReply(const TWireReply& reply);
std::string EncodeOkReply(const Variant& result, const std::vector<Variant>& byRef = {});
std::string EncodeErrorReply(const std::string& message, TReplyStatus status = TReplyStatus::Error);
TWireReply DecodeReply(std::string_view body, const TWireLimits& limits = {});

/// The media type of request and reply bodies.
inline constexpr const char* kWireContentType = "application/x-msgpack";

} // namespace platform
