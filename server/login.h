// The login check: operator and password in, a token out, with one and the same refusal for an
// unknown operator, an operator without password and a wrong password, and throttling of
// repeated failures per operator and per client address.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <semaphore>
#include <string>
#include <string_view>

#include "platform/sql.h"
#include "server/securitybase.h"
#include "server/tokens.h"

namespace server {

/// The refusal of every failed login, whatever failed.
inline constexpr const char* kLoginFailed = "Operador ou senha inválidos.";

/// A refused login. RetryAfter() is zero for a failed check and the time left to wait when
/// the attempt came while its operator or its address was being held back (then no password
/// was checked).
class ELoginRefused : public ECredentialRefused {
public:
    ELoginRefused(const std::string& message, std::chrono::milliseconds retryAfter)
        : ECredentialRefused(message), retryAfter_(retryAfter) {}
    std::chrono::milliseconds RetryAfter() const { return retryAfter_; }

private:
    std::chrono::milliseconds retryAfter_;
};

/// How failures are held back. After `freeFailures` failures of one operator (known or not)
/// or of one client address, each further attempt must wait `firstDelay` after the last
/// failure, doubled for every failure beyond, up to `maxDelay`. Attempts that come sooner are
/// refused without checking their password. A successful login clears its operator's and
/// address's counts; a count with no failure for `forgetAfter` is forgotten.
struct TLoginOptions {
    int freeFailures = 5;
    std::chrono::milliseconds firstDelay = std::chrono::seconds(1);
    std::chrono::milliseconds maxDelay = std::chrono::minutes(15);
    std::chrono::milliseconds forgetAfter = std::chrono::hours(1);
    /// Operators and addresses tracked, each; past it the entry with the oldest failure goes.
    std::size_t maxTracked = 10000;
    /// Password checks run at once (each takes 64 MiB for its time); more attempts wait.
    int maxConcurrentChecks = 4;
    /// The clock of the delays; empty means steady_clock. Tests set it.
    std::function<std::chrono::steady_clock::time_point()> clock;
};

/// Checks logins and issues their tokens. Thread-safe: one instance serves every session of a
/// server process. Failure counts live in the memory of the process (servers sharing a database
/// count separately).
class TLoginService {
public:
    /// Computes the stand-in hash that an attempt on an operator without one is checked
    /// against (one hash: about as long as a login).
    explicit TLoginService(TTokenStore& tokens, TLoginOptions options = {});

    /// A token for the operator when the password matches its stored hash. ELoginRefused with
    /// kLoginFailed otherwise (unknown operator, no password, wrong password: the same text and
    /// the same work, one hash verification), or with a text asking to wait while held back.
    /// `clientAddress` is the client's address; a trailing ":port" is ignored.
    TIssuedToken Login(platform::TSqlConnection& db, const std::string& operatorCode,
                       std::string_view password, std::string_view clientAddress);

private:
    using TClock = std::chrono::steady_clock;

    /// Failures of one operator or address. Invariant: failures >= 1; notBefore is set once
    /// failures reaches freeFailures.
    struct TFailures {
        int failures = 0;
        TClock::time_point last{};
        TClock::time_point notBefore{};
    };
    using TTable = std::map<std::string, TFailures, std::less<>>;

    TClock::time_point Now() const;
    std::chrono::milliseconds Wait(const TTable& table, const std::string& key,
                                   TClock::time_point now) const;
    void CountFailure(TTable& table, const std::string& key, TClock::time_point now);

    TTokenStore& tokens_;
    TLoginOptions options_;
    std::string standInHash_;
    std::counting_semaphore<256> checks_;
    std::mutex mutex_;
    TTable byOperator_; // guarded by mutex_
    TTable byAddress_;  // guarded by mutex_
};

/// The host part of "host:port", "[v6]:port", "v6" or "host".
std::string AddressHost(std::string_view clientAddress);

} // namespace server
