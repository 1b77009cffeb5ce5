// Login tokens: random bearer texts kept in the database only as hashes (TOKENOPER).
#include "server/tokens.h"

#include <sodium.h>

#include <algorithm>

namespace server {

using platform::TDateTime;
using platform::Variant;

namespace {

constexpr std::size_t kTokenBytes = 32;
// base64url of 32 bytes without padding.
constexpr std::size_t kTokenChars = 43;

double Days(std::chrono::seconds span) {
    return static_cast<double>(span.count()) / 86400.0;
}

bool WellFormed(std::string_view token) {
    if (token.size() != kTokenChars) return false;
    return std::all_of(token.begin(), token.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    });
}

// The key of a token in TOKENOPER: hex BLAKE2b-256 of its text.
std::string TokenKey(std::string_view token) {
    EnsureSodium();
    unsigned char digest[crypto_generichash_BYTES];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()),
                       token.size(), nullptr, 0);
    char hex[2 * crypto_generichash_BYTES + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

std::string NewTokenText() {
    EnsureSodium();
    unsigned char raw[kTokenBytes];
    randombytes_buf(raw, sizeof raw);
    char text[sodium_base64_ENCODED_LEN(kTokenBytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, raw, sizeof raw, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    sodium_memzero(raw, sizeof raw);
    return text;
}

constexpr const char* kDead = "(DTEXPIRACAO <= :NOW OR DTLIMINATIVO <= :NOW)";

} // namespace

TTokenStore::TTokenStore(TTokenOptions options) : options_(std::move(options)) {
    if (options_.idleLifetime.count() <= 0 || options_.absoluteLifetime.count() <= 0)
        throw platform::Exception("O tempo de vida de um token deve ser positivo.");
    if (options_.maxPerOperator < 1)
        throw platform::Exception("Cada operador deve poder ter ao menos um token.");
}

TDateTime TTokenStore::Now() const {
    return options_.clock ? options_.clock() : UtcNow();
}

TIssuedToken TTokenStore::Issue(platform::TSqlConnection& db, const std::string& operatorCode) {
    const TDateTime now = Now();
    TIssuedToken issued;
    issued.token = NewTokenText();
    issued.operatorCode = operatorCode;
    issued.expires = now + Days(options_.absoluteLifetime);
    const TDateTime idleLimit = std::min(issued.expires, now + Days(options_.idleLifetime));

    TJoinedTransaction transaction(db);
    // The operator's row, locked on PostgreSQL so that two logins of one operator trim its
    // tokens one after the other (SQLite's write transaction holds the whole database).
    const std::string lockSuffix = db.Kind() == platform::TSqlKind::PostgreSQL ? " FOR UPDATE" : "";
    if (db.SelectValue("SELECT CDOPERADOR FROM OPERADOR WHERE CDOPERADOR = :O" + lockSuffix,
                       {{"O", operatorCode}})
            .IsNull())
        throw ECredentialRefused("Operador \"" + CutUtf8(operatorCode, 12) + "\" não cadastrado.");
    db.Execute(std::string("DELETE FROM TOKENOPER WHERE CDOPERADOR = :O AND ") + kDead,
               {{"O", operatorCode}, {"NOW", Variant::FromDate(now)}});
    db.Execute("INSERT INTO TOKENOPER (HSTOKEN, CDOPERADOR, DTCRIACAO, DTULTUSO, DTLIMINATIVO,"
               " DTEXPIRACAO, NRINATIVOSEG) VALUES (:H, :O, :NOW, :NOW, :IDLE, :EXP, :SECS)",
               {{"H", TokenKey(issued.token)},
                {"O", operatorCode},
                {"NOW", Variant::FromDate(now)},
                {"IDLE", Variant::FromDate(idleLimit)},
                {"EXP", Variant::FromDate(issued.expires)},
                {"SECS", static_cast<std::int64_t>(options_.idleLifetime.count())}});
    // Newest first, the new one before any other issued in the same millisecond.
    std::vector<std::string> surplus;
    {
        auto cursor = db.OpenCursor(
            "SELECT HSTOKEN FROM TOKENOPER WHERE CDOPERADOR = :O"
            " ORDER BY CASE WHEN HSTOKEN = :H THEN 0 ELSE 1 END, DTCRIACAO DESC, HSTOKEN",
            {{"O", operatorCode}, {"H", TokenKey(issued.token)}});
        for (int kept = 0; cursor->Next();)
            if (++kept > options_.maxPerOperator) surplus.emplace_back(cursor->Text(0));
    }
    for (const std::string& key : surplus)
        db.Execute("DELETE FROM TOKENOPER WHERE HSTOKEN = :H", {{"H", key}});
    transaction.Commit();
    return issued;
}

std::optional<std::string> TTokenStore::Verify(platform::TSqlConnection& db,
                                               std::string_view token) {
    if (!WellFormed(token)) return std::nullopt;
    const std::string key = TokenKey(token);
    const TDateTime now = Now();
    std::string operatorCode;
    TDateTime lastUse = 0, idleLimit = 0, expires = 0;
    std::int64_t idleSeconds = 0;
    {
        auto cursor = db.OpenCursor("SELECT CDOPERADOR, DTULTUSO, DTLIMINATIVO, DTEXPIRACAO,"
                                    " NRINATIVOSEG FROM TOKENOPER WHERE HSTOKEN = :H",
                                    {{"H", key}});
        if (!cursor->Next()) return std::nullopt;
        operatorCode = cursor->Text(0);
        lastUse = cursor->Double(1);
        idleLimit = cursor->Double(2);
        expires = cursor->Double(3);
        idleSeconds = cursor->Int64(4);
    }
    if (now >= expires || now >= idleLimit) {
        db.Execute("DELETE FROM TOKENOPER WHERE HSTOKEN = :H", {{"H", key}});
        return std::nullopt;
    }
    if (now - lastUse >= Days(options_.touchInterval) || now < lastUse) {
        const TDateTime newLimit = std::min(expires, now + Days(std::chrono::seconds(idleSeconds)));
        // The condition on the limit keeps a concurrent revocation or expiry in force.
        if (db.Execute("UPDATE TOKENOPER SET DTULTUSO = :NOW, DTLIMINATIVO = :IDLE"
                       " WHERE HSTOKEN = :H AND DTLIMINATIVO > :NOW",
                       {{"H", key},
                        {"NOW", Variant::FromDate(now)},
                        {"IDLE", Variant::FromDate(newLimit)}}) != 1)
            return std::nullopt;
    }
    return operatorCode;
}

bool TTokenStore::Revoke(platform::TSqlConnection& db, std::string_view token) {
    if (!WellFormed(token)) return false;
    return db.Execute(std::string("DELETE FROM TOKENOPER WHERE HSTOKEN = :H AND NOT ") + kDead,
                      {{"H", TokenKey(token)}, {"NOW", Variant::FromDate(Now())}}) > 0;
}

int TTokenStore::Purge(platform::TSqlConnection& db) {
    return static_cast<int>(db.Execute(std::string("DELETE FROM TOKENOPER WHERE ") + kDead,
                                       {{"NOW", Variant::FromDate(Now())}}));
}

int RevokeOperatorTokens(platform::TSqlConnection& db, const std::string& operatorCode) {
    return static_cast<int>(
        db.Execute("DELETE FROM TOKENOPER WHERE CDOPERADOR = :O", {{"O", operatorCode}}));
}

} // namespace server
