// How a client thread waits for a server's reply: by default the request is sent and its reply
// read on the caller's thread; a host with a user interface installs a waiter that runs the
// exchange elsewhere and keeps its own thread serving the screen meanwhile.
#pragma once

#include <functional>

namespace platform {

/// Runs `exchange` (the sending of a request and the reading of its reply) to its end and
/// returns; an exception thrown by it reaches the caller. The exchange touches nothing but its
/// own connection, so it may run on another thread while the caller's thread waits.
using TReplyWaiter = std::function<void(const std::function<void()>& exchange)>;

/// Installs the process's waiter (an empty one: the exchange runs on the caller's thread).
/// Returns the waiter it replaces. Set before calls are made, from the thread that makes them.
TReplyWaiter SetReplyWaiter(TReplyWaiter waiter);

/// Runs `exchange` through the installed waiter.
void WaitForReply(const std::function<void()>& exchange);

} // namespace platform
