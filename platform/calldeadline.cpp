// The current remote call's deadline, kept per thread.
#include "platform/calldeadline.h"

namespace platform {

namespace {
thread_local const TCallDeadline* currentDeadline = nullptr;
}

TCallDeadline::TCallDeadline(Clock::duration timeout)
    : timeout_(timeout), when_((Clock::now() + timeout).time_since_epoch().count()) {}

bool TCallDeadline::Expired() const {
    return cancelled_.load(std::memory_order_relaxed) ||
           Clock::now().time_since_epoch().count() >= when_.load(std::memory_order_relaxed);
}

std::chrono::milliseconds TCallDeadline::Remaining() const {
    if (cancelled_.load(std::memory_order_relaxed)) return std::chrono::milliseconds(0);
    const Clock::duration left =
        Clock::duration(when_.load(std::memory_order_relaxed)) - Clock::now().time_since_epoch();
    if (left <= Clock::duration::zero()) return std::chrono::milliseconds(0);
    return std::chrono::ceil<std::chrono::milliseconds>(left);
}

void TCallDeadline::Cancel() {
    cancelled_.store(true, std::memory_order_relaxed);
}

void TCallDeadline::ThrowIfExpired() const {
    if (Expired()) throw ECallCancelled(CancelMessage());
}

std::string TCallDeadline::CancelMessage() const {
    if (cancelled_.load(std::memory_order_relaxed))
        return "O servidor de aplicação está sendo encerrado: a chamada foi cancelada e nada do "
               "que ela fazia foi gravado.";
    // Whole seconds as the server's setting reads; a shorter limit (tests) in milliseconds.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(timeout_).count();
    const std::string limit =
        ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
    return "A chamada excedeu o tempo máximo de " + limit +
           " e foi cancelada; nada do que ela fazia foi gravado.";
}

TCallDeadlineScope::TCallDeadlineScope(const TCallDeadline& deadline) : previous_(currentDeadline) {
    currentDeadline = &deadline;
}

TCallDeadlineScope::~TCallDeadlineScope() {
    currentDeadline = previous_;
}

const TCallDeadline* CurrentCallDeadline() {
    return currentDeadline;
}

void CheckCallDeadline() {
    if (currentDeadline) currentDeadline->ThrowIfExpired();
}

} // namespace platform
