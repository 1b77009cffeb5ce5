// Client sessions kept in the database (SESSAORPC) for every server on it.
#include "server/sessionstore.h"

#include "server/securitybase.h"

namespace server {

using platform::TDateTime;
using platform::Variant;

namespace {

// Deletes the sessions `where` selects (a condition on SESSAORPC with the parameters `params`)
// and what the remote object keeps for them, in the caller's transaction.
void DeleteSessions(platform::TSqlConnection& db, const std::string& where,
                    const platform::TSqlParams& params) {
    const std::string ids = "SELECT CDSESSAO FROM SESSAORPC WHERE " + where;
    db.Execute("DELETE FROM SESSAOLISTA WHERE CDSESSAO IN (" + ids + ")", params);
    db.Execute("DELETE FROM SESSAOESTADO WHERE CDSESSAO IN (" + ids + ")", params);
    db.Execute("DELETE FROM SESSAORPC WHERE " + where, params);
}

} // namespace

TDatabaseSessionStore::TDatabaseSessionStore(TConnectionPool& pool,
                                             std::chrono::milliseconds idleTimeout,
                                             std::function<TDateTime()> clock)
    : pool_(pool), idleTimeout_(idleTimeout), clock_(std::move(clock)) {
    if (idleTimeout_.count() <= 0)
        throw platform::Exception("O tempo de inatividade de uma sessão deve ser positivo.");
}

TDateTime TDatabaseSessionStore::Now() const {
    return clock_ ? clock_() : UtcNow();
}

TDateTime TDatabaseSessionStore::LiveSince(TDateTime now) const {
    return now - static_cast<double>(idleTimeout_.count()) / 86400000.0;
}

void TDatabaseSessionStore::Create(const platform::TStoredSession& session) {
    WithLease(pool_, [&](platform::TSqlConnection& db) {
        const TDateTime now = Now();
        platform::TSqlTransaction transaction(db);
        DeleteSessions(db, "DTULTUSO <= :LIVE", {{"LIVE", Variant::FromDate(LiveSince(now))}});
        db.Execute("INSERT INTO SESSAORPC (CDSESSAO, NMOBJETO, CDOPERADOR, HSTOKEN, DSENDERECO,"
                   " DTCRIACAO, DTULTUSO) VALUES (:S, :OBJ, :O, :H, :A, :NOW, :NOW)",
                   {{"S", session.id},
                    {"OBJ", session.objectName},
                    {"O", session.operatorCode},
                    {"H", session.tokenHash},
                    {"A", CutUtf8(session.address, 64)},
                    {"NOW", Variant::FromDate(now)}});
        transaction.Commit();
    });
}

std::optional<platform::TStoredSession> TDatabaseSessionStore::Find(const std::string& id) {
    return WithLease(
        pool_, [&](platform::TSqlConnection& db) -> std::optional<platform::TStoredSession> {
            const TDateTime now = Now();
            auto cursor = db.OpenCursor("UPDATE SESSAORPC SET DTULTUSO = :NOW"
                                        " WHERE CDSESSAO = :S AND DTULTUSO > :LIVE"
                                        " RETURNING NMOBJETO, CDOPERADOR, HSTOKEN, DSENDERECO",
                                        {{"S", id},
                                         {"NOW", Variant::FromDate(now)},
                                         {"LIVE", Variant::FromDate(LiveSince(now))}});
            if (!cursor->Next()) return std::nullopt;
            return platform::TStoredSession{
                id, std::string(cursor->Text(0)), std::string(cursor->Text(1)),
                std::string(cursor->Text(2)), std::string(cursor->Text(3))};
        });
}

bool TDatabaseSessionStore::Touch(const std::string& id) {
    return WithLease(pool_, [&](platform::TSqlConnection& db) {
        const TDateTime now = Now();
        return db.Execute("UPDATE SESSAORPC SET DTULTUSO = :NOW"
                          " WHERE CDSESSAO = :S AND DTULTUSO > :LIVE",
                          {{"S", id},
                           {"NOW", Variant::FromDate(now)},
                           {"LIVE", Variant::FromDate(LiveSince(now))}}) == 1;
    });
}

void TDatabaseSessionStore::End(const std::string& id) {
    WithLease(pool_, [&](platform::TSqlConnection& db) {
        platform::TSqlTransaction transaction(db);
        for (const char* table : {"SESSAOLISTA", "SESSAOESTADO", "SESSAORPC"})
            db.Execute(std::string("DELETE FROM ") + table + " WHERE CDSESSAO = :S", {{"S", id}});
        transaction.Commit();
    });
}

void TDatabaseSessionStore::EndByToken(const std::string& tokenHash) {
    WithLease(pool_, [&](platform::TSqlConnection& db) {
        platform::TSqlTransaction transaction(db);
        DeleteSessions(db, "HSTOKEN = :H", {{"H", tokenHash}});
        transaction.Commit();
    });
}

} // namespace server
