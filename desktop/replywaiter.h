// The desktop's way of waiting for a server's reply: the exchange runs on a worker thread while
// the user-interface thread keeps painting, with the wait cursor and user input held back.
#pragma once

#include "platform/replywait.h"

namespace desktop {

/// Installs the waiter for as long as it lives (and puts back the one it replaced). Only the
/// user-interface thread's exchanges go to a worker; any other thread waits as before.
class TReplyWaiter {
public:
    TReplyWaiter();
    ~TReplyWaiter();
    TReplyWaiter(const TReplyWaiter&) = delete;
    TReplyWaiter& operator=(const TReplyWaiter&) = delete;

    /// Runs `exchange` on a worker and spins a local event loop that excludes user input until
    /// it ends; its exception is raised here.
    static void WaitOffThread(const std::function<void()>& exchange);

private:
    platform::TReplyWaiter previous_;
};

} // namespace desktop
