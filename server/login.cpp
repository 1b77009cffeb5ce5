// The login check: operator and password in, a token out; failures held back in memory.
#include "server/login.h"

#include <algorithm>

#include "server/passwords.h"

namespace server {

namespace {

// Keys are cut so that a hostile client cannot grow the tables with long texts.
constexpr std::size_t kMaxKeyBytes = 64;

std::string Key(std::string_view text) {
    return std::string(text.substr(0, kMaxKeyBytes));
}

} // namespace

std::string AddressHost(std::string_view clientAddress) {
    if (!clientAddress.empty() && clientAddress.front() == '[') {
        const auto close = clientAddress.find(']');
        if (close != std::string_view::npos) return std::string(clientAddress.substr(1, close - 1));
    }
    const auto colon = clientAddress.find(':');
    if (colon != std::string_view::npos && clientAddress.find(':', colon + 1) == std::string::npos)
        return std::string(clientAddress.substr(0, colon));
    return std::string(clientAddress);
}

TLoginService::TLoginService(TTokenStore& tokens, TLoginOptions options)
    : tokens_(tokens), options_(std::move(options)), standInHash_(HashPassword(RandomHex(16))),
      checks_(std::clamp(options_.maxConcurrentChecks, 1, 256)) {
    if (options_.freeFailures < 1 || options_.firstDelay.count() <= 0 ||
        options_.maxDelay < options_.firstDelay || options_.maxTracked < 1 ||
        options_.maxConcurrentChecks < 1 || options_.maxConcurrentChecks > 256)
        throw platform::Exception("Limites de tentativas de entrada inválidos.");
}

TLoginService::TClock::time_point TLoginService::Now() const {
    return options_.clock ? options_.clock() : TClock::now();
}

std::chrono::milliseconds TLoginService::Wait(const TTable& table, const std::string& key,
                                              TClock::time_point now) const {
    const auto it = table.find(key);
    if (it == table.end() || it->second.failures < options_.freeFailures ||
        it->second.notBefore <= now)
        return std::chrono::milliseconds(0);
    return std::chrono::ceil<std::chrono::milliseconds>(it->second.notBefore - now);
}

void TLoginService::CountFailure(TTable& table, const std::string& key, TClock::time_point now) {
    auto it = table.find(key);
    if (it != table.end() && now - it->second.last >= options_.forgetAfter) {
        table.erase(it);
        it = table.end();
    }
    if (it == table.end()) {
        if (table.size() >= options_.maxTracked) {
            // Forgotten entries first; else the one whose last failure is the oldest.
            std::erase_if(table, [&](const auto& entry) {
                return now - entry.second.last >= options_.forgetAfter;
            });
            if (table.size() >= options_.maxTracked)
                table.erase(
                    std::min_element(table.begin(), table.end(), [](const auto& a, const auto& b) {
                        return a.second.last < b.second.last;
                    }));
        }
        it = table.emplace(key, TFailures{}).first;
    }
    TFailures& f = it->second;
    ++f.failures;
    f.last = now;
    if (f.failures >= options_.freeFailures) {
        // firstDelay * 2^(failures - freeFailures), without overflow, capped at maxDelay.
        auto delay = options_.firstDelay;
        for (int i = options_.freeFailures; i < f.failures && delay < options_.maxDelay; ++i)
            delay *= 2;
        f.notBefore = now + std::min(delay, options_.maxDelay);
    }
}

TIssuedToken TLoginService::Login(platform::TSqlConnection& db, const std::string& operatorCode,
                                  std::string_view password, std::string_view clientAddress) {
    const std::string operatorKey = Key(operatorCode);
    const std::string addressKey = Key(AddressHost(clientAddress));
    {
        // The attempt counts as a failure from the start, so that concurrent attempts cannot
        // slip past the count while their passwords are being checked.
        std::lock_guard lock(mutex_);
        const auto now = Now();
        const auto wait =
            std::max(Wait(byOperator_, operatorKey, now), Wait(byAddress_, addressKey, now));
        if (wait.count() > 0) {
            const auto seconds = std::chrono::ceil<std::chrono::seconds>(wait).count();
            throw ELoginRefused("Muitas tentativas de entrada sem sucesso. Tente de novo em " +
                                    std::to_string(seconds) +
                                    (seconds == 1 ? " segundo." : " segundos."),
                                wait);
        }
        CountFailure(byOperator_, operatorKey, now);
        CountFailure(byAddress_, addressKey, now);
    }

    const std::optional<std::string> stored = password.size() <= kMaxPasswordBytes
                                                  ? OperatorPasswordHash(db, operatorCode)
                                                  : std::nullopt;
    const bool usable = stored && !stored->empty();
    // The same work whatever is missing: one verification against a hash of the same limits.
    bool matches = false;
    {
        struct TSlot {
            std::counting_semaphore<256>& slots;
            explicit TSlot(std::counting_semaphore<256>& s) : slots(s) { slots.acquire(); }
            ~TSlot() { slots.release(); }
        } slot(checks_);
        matches = VerifyPassword(usable ? *stored : standInHash_, password) && usable;
    }
    if (!matches) throw ELoginRefused(kLoginFailed, std::chrono::milliseconds(0));

    TIssuedToken issued = tokens_.Issue(db, operatorCode);
    std::lock_guard lock(mutex_);
    byOperator_.erase(operatorKey);
    byAddress_.erase(addressKey);
    return issued;
}

} // namespace server
