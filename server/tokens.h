// Login tokens: random bearer texts handed to a client after a login, kept in the database
// only as hashes (TOKENOPER), so that every server on the same database accepts them.
//
// A token is 256 random bits (libsodium's randombytes_buf) written in base64url without
// padding: 43 characters. TOKENOPER keys a token by the hex BLAKE2b-256 hash
// (crypto_generichash) of that text. Verifying looks the hash up by key: the comparison runs
// over hashes of the presented text, never over the stored secret, so its timing tells an
// attacker nothing about any live token; and a copy of the table gives no usable token.
// A token dies at whichever comes first: its absolute expiry (issue time + absolute lifetime),
// its idle limit (last use + idle lifetime, moved forward by each use), its revocation
// (logout, a new password, too many live tokens of its operator) or its operator's removal.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sql.h"
#include "server/securitybase.h"

namespace server {

/// Lifetimes and bounds of tokens.
struct TTokenOptions {
    /// A token unused for this long dies.
    std::chrono::seconds idleLifetime = std::chrono::hours(8);
    /// A token dies this long after it was issued, however much it is used.
    std::chrono::seconds absoluteLifetime = std::chrono::hours(24);
    /// Live tokens one operator may hold; issuing one more revokes the oldest.
    int maxPerOperator = 10;
    /// A use this close to the recorded last use is not written back (one write per call would
    /// serialise every call on SQLite); the idle limit may therefore come this much early.
    std::chrono::seconds touchInterval = std::chrono::seconds(30);
    /// The clock, in UTC; empty means UtcNow. Tests set it.
    std::function<platform::TDateTime()> clock;
};

/// A token as the client gets it.
struct TIssuedToken {
    std::string token; // the secret text; shown to its client once, never stored
    std::string operatorCode;
    platform::TDateTime expires = 0; // absolute expiry, UTC
};

/// Issues, verifies and revokes tokens in TOKENOPER. Holds no state of its own besides its
/// options, so any number of stores (servers) may share one database. Each call runs in a
/// transaction of its own unless the connection has one open, which it then joins.
class TTokenStore {
public:
    explicit TTokenStore(TTokenOptions options = {});

    /// A new token for a known operator; revokes the operator's oldest live tokens beyond
    /// maxPerOperator and its dead ones. ECredentialRefused for an unknown operator.
    TIssuedToken Issue(platform::TSqlConnection& db, const std::string& operatorCode);

    /// The operator of a live token, recording its use; nullopt for a malformed, unknown,
    /// revoked or dead token (a dead one is deleted on sight).
    std::optional<std::string> Verify(platform::TSqlConnection& db, std::string_view token);

    /// Revokes one token (logout); false when it was not live.
    bool Revoke(platform::TSqlConnection& db, std::string_view token);

    /// Deletes every dead token; returns how many.
    int Purge(platform::TSqlConnection& db);

    const TTokenOptions& Options() const { return options_; }

private:
    platform::TDateTime Now() const;
    TTokenOptions options_;
};

/// Revokes every token of an operator (a new password, a removed one); returns how many.
int RevokeOperatorTokens(platform::TSqlConnection& db, const std::string& operatorCode);

} // namespace server
