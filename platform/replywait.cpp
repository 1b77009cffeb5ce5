// The process's reply waiter (see replywait.h).
#include "platform/replywait.h"

#include <utility>

namespace platform {

namespace {

TReplyWaiter& Waiter() {
    static TReplyWaiter waiter;
    return waiter;
}

} // namespace

TReplyWaiter SetReplyWaiter(TReplyWaiter waiter) {
    return std::exchange(Waiter(), std::move(waiter));
}

void WaitForReply(const std::function<void()>& exchange) {
    // A copy: a waiter replaced while an exchange is waiting stays alive until it returns.
    const TReplyWaiter waiter = Waiter();
    if (waiter)
        waiter(exchange);
    else
        exchange();
}

} // namespace platform
