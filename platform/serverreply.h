// The reply convention of the application server's methods: [status, message, payload] with bounds
// 0..2.
//
// Every method whose reply the host checks answers a variant array with bounds 0 to 2:
//   [0] status, an Integer: 0 = success, anything else = failure;
//   [1] message, a String: empty on success, the Portuguese text shown to the user on failure;
//   [2] payload: the method's result on success (a data packet, or an array of packets), Empty
//       on failure.
#pragma once

#include <string>

#include "platform/sysutils.h"
#include "platform/variant.h"

namespace platform {

/// Status of a successful reply; every other value is a failure.
inline constexpr int kServerReplyOk = 0;
/// Status the server uses for a failed call.
inline constexpr int kServerReplyFailed = 1;

/// A value that does not follow the reply convention (not an array 0..2, status not an integer,
/// message not a string).
class EServerReplyError : public Exception {
    using Exception::Exception;
};

/// The parts of a reply. Invariant: message is empty and payload meaningful exactly when
/// status == kServerReplyOk (as built by the server; Unpack reports what it finds).
struct TServerReply {
    int status = kServerReplyOk;
    std::string message;
    Variant payload;
    bool Ok() const { return status == kServerReplyOk; }
};

/// A success reply carrying the payload.
Variant ServerReplyOk(Variant payload);
/// A failure reply with the message shown to the user; status must not be kServerReplyOk.
Variant ServerReplyFailure(const std::string& message, int status = kServerReplyFailed);
/// Reads a reply; EServerReplyError when the value does not follow the convention.
TServerReply UnpackServerReply(const Variant& reply);

} // namespace platform
