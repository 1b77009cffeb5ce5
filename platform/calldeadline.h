// The deadline of the remote call the current thread runs: the RPC server sets one around each
// call, and the database layer checks it before and during statements, so that a call past its
// time (or cancelled because the server is stopping) ends with ECallCancelled and its open
// transaction rolls back.
#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "platform/sysutils.h"

namespace platform {

/// The call ran past its deadline or was cancelled; the message says which, for the user.
class ECallCancelled : public Exception {
    using Exception::Exception;
};

/// A point in time after which a call must stop. Another thread may bring it forward with
/// Cancel (a server that stops). Thread-safe.
/// Invariant: once Expired() is true it stays true.
class TCallDeadline {
public:
    using Clock = std::chrono::steady_clock;

    /// A deadline `timeout` from now.
    explicit TCallDeadline(Clock::duration timeout);

    /// True once the time is up or Cancel ran.
    bool Expired() const;
    /// Time left (zero once expired).
    std::chrono::milliseconds Remaining() const;
    /// Ends the call now; the call's next check raises with the stopping server's message.
    void Cancel();
    /// Raises ECallCancelled when Expired().
    void ThrowIfExpired() const;
    /// The message ECallCancelled carries: the time limit passed, or the server is stopping.
    std::string CancelMessage() const;

private:
    Clock::duration timeout_;
    std::atomic<Clock::rep> when_; // time_since_epoch of the deadline
    std::atomic<bool> cancelled_{false};
};

/// Makes `deadline` the current thread's for the scope's lifetime; the previous one (normally
/// none) comes back at its end.
class TCallDeadlineScope {
public:
    explicit TCallDeadlineScope(const TCallDeadline& deadline);
    ~TCallDeadlineScope();
    TCallDeadlineScope(const TCallDeadlineScope&) = delete;
    TCallDeadlineScope& operator=(const TCallDeadlineScope&) = delete;

private:
    const TCallDeadline* previous_;
};

/// The current thread's deadline, or nullptr outside a call.
const TCallDeadline* CurrentCallDeadline();

/// Raises ECallCancelled when the current thread's call is past its deadline; outside a call it
/// does nothing. Cheap enough for every statement and every few thousand rows.
void CheckCallDeadline();

} // namespace platform
