// Operators' passwords: Argon2id hash strings (libsodium, interactive limits) kept in
// OPERADOR.DSSENHAHASH. The password itself is never stored, logged or kept longer than a call.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/sql.h"
#include "server/securitybase.h"

namespace server {

/// The longest password accepted, in bytes (hashing cost does not depend on it; the bound only
/// keeps requests small).
inline constexpr std::size_t kMaxPasswordBytes = 1024;

/// The password every demo operator gets from the demo data.
inline constexpr const char* kDemoPassword = "demo";

/// An Argon2id hash string of `password` with a fresh random salt and libsodium's interactive
/// limits (crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE).
std::string HashPassword(std::string_view password);

/// Whether `password` matches the hash string; false for a malformed one. Costs one hash.
bool VerifyPassword(const std::string& hash, std::string_view password);

/// Whether a hash string was made with other limits than HashPassword uses today.
bool PasswordNeedsRehash(const std::string& hash);

/// The hash string of kDemoPassword the demo data gives its operators. Computed once, when this
/// code was written, with HashPassword: seeding the demo costs no hashing at all (tests seed it
/// hundreds of times, each test in a process of its own).
const std::string& DemoPasswordHash();

/// The stored hash of an operator: nullopt for an unknown operator, "" for one without a
/// password (who cannot log in).
std::optional<std::string> OperatorPasswordHash(platform::TSqlConnection& db,
                                                const std::string& operatorCode);

/// Sets an operator's password and revokes every token of the operator, in one transaction
/// (the caller's when one is open). ECredentialRefused for an unknown operator, an empty
/// password or one longer than kMaxPasswordBytes.
void SetOperatorPassword(platform::TSqlConnection& db, const std::string& operatorCode,
                         std::string_view password);

/// Removes an operator's password (it can no longer log in) and revokes its tokens.
/// ECredentialRefused for an unknown operator.
void ClearOperatorPassword(platform::TSqlConnection& db, const std::string& operatorCode);

} // namespace server
