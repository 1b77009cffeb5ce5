// Operators' passwords: Argon2id hash strings (libsodium, interactive limits) kept in
// OPERADOR.DSSENHAHASH.
#include "server/passwords.h"

#include <sodium.h>

#include "server/tokens.h"

namespace server {

namespace {

std::string UnknownOperator(const std::string& operatorCode) {
    return "Operador \"" + CutUtf8(operatorCode, 12) + "\" não cadastrado.";
}

} // namespace

std::string HashPassword(std::string_view password) {
    EnsureSodium();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw platform::Exception("Memória insuficiente para calcular o resumo da senha.");
    return hash;
}

bool VerifyPassword(const std::string& hash, std::string_view password) {
    EnsureSodium();
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

bool PasswordNeedsRehash(const std::string& hash) {
    EnsureSodium();
    return crypto_pwhash_str_needs_rehash(hash.c_str(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0;
}

const std::string& DemoPasswordHash() {
    static const std::string hash = "$argon2id$v=19$m=65536,t=2,p=1$Ad7xpS3D4uh2eOKvezIl5w$"
                                    "4kenYidOb2qr9kNHzCaXwSCidHPgnJMceoFSksopDJ0";
    return hash;
}

std::optional<std::string> OperatorPasswordHash(platform::TSqlConnection& db,
                                                const std::string& operatorCode) {
    auto cursor = db.OpenCursor("SELECT DSSENHAHASH FROM OPERADOR WHERE CDOPERADOR = :O",
                                {{"O", operatorCode}});
    if (!cursor->Next()) return std::nullopt;
    return std::string(cursor->Text(0));
}

void SetOperatorPassword(platform::TSqlConnection& db, const std::string& operatorCode,
                         std::string_view password) {
    if (password.empty()) throw ECredentialRefused("A senha não pode ser vazia.");
    if (password.size() > kMaxPasswordBytes)
        throw ECredentialRefused("A senha é longa demais (no máximo " +
                                 std::to_string(kMaxPasswordBytes) + " bytes).");
    const std::string hash = HashPassword(password);
    TJoinedTransaction transaction(db);
    if (db.Execute("UPDATE OPERADOR SET DSSENHAHASH = :H WHERE CDOPERADOR = :O",
                   {{"H", hash}, {"O", operatorCode}}) != 1)
        throw ECredentialRefused(UnknownOperator(operatorCode));
    RevokeOperatorTokens(db, operatorCode);
    transaction.Commit();
}

void ClearOperatorPassword(platform::TSqlConnection& db, const std::string& operatorCode) {
    TJoinedTransaction transaction(db);
    if (db.Execute("UPDATE OPERADOR SET DSSENHAHASH = NULL WHERE CDOPERADOR = :O",
                   {{"O", operatorCode}}) != 1)
        throw ECredentialRefused(UnknownOperator(operatorCode));
    RevokeOperatorTokens(db, operatorCode);
    transaction.Commit();
}

} // namespace server
