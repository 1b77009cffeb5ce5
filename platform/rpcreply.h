// The body of a successful call's reply as a list of pieces: the envelope's own bytes, and the
// large byte strings it carries (data packets) shared with the result instead of copied.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/variant.h"

namespace platform {

/// Byte strings of at least this size travel as pieces of their own.
inline constexpr std::size_t kSharedReplyPartBytes = 64 * 1024;

/// The pieces whose concatenation is exactly EncodeOkReply(result, byRef).
std::vector<std::shared_ptr<const std::string>>
EncodeOkReplyParts(const Variant& result, const std::vector<Variant>& byRef);

} // namespace platform
