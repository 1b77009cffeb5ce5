// What the server's credential modules share: libsodium's start-up, the UTC clock, random
// identifiers, the refusal exception and a transaction that joins the caller's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sql.h"
#include "platform/sysutils.h"

namespace server {

/// A refusal meant for the user (unknown operator, empty password, failed login): the message
/// is Portuguese and names nothing internal.
class ECredentialRefused : public platform::Exception {
    using Exception::Exception;
};

/// Initialises libsodium once per process (safe from several threads); raises when it cannot.
void EnsureSodium();

/// The current time in UTC as an automation date, to the millisecond. Credential tables keep
/// UTC so that servers in other time zones or across a change of daylight saving time agree.
platform::TDateTime UtcNow();

/// `bytes` random bytes from libsodium as lowercase hex (2 * bytes characters).
std::string RandomHex(std::size_t bytes);

/// `text` cut to at most `maxChars` UTF-8 characters (never inside a character).
std::string CutUtf8(std::string_view text, std::size_t maxChars);

/// A transaction of its own when the connection has none open; otherwise the caller's, which
/// the caller commits or rolls back (then Commit() here does nothing).
class TJoinedTransaction {
public:
    explicit TJoinedTransaction(platform::TSqlConnection& connection) {
        if (!connection.InTransaction()) own_.emplace(connection);
    }
    void Commit() {
        if (own_) own_->Commit();
    }

private:
    std::optional<platform::TSqlTransaction> own_;
};

} // namespace server
