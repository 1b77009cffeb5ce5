// What the remote object remembers of a session between calls, in SESSAOLISTA and SESSAOESTADO.
#include "server/sessionlists.h"

#include <functional>

#include "server/counters.h"
#include "server/entrybuilder.h"

namespace server {

std::string IssueSessionList(platform::TSqlConnection& db, const std::string& session) {
    platform::TSqlTransaction transaction(db);
    const std::string number = ZeroPadded(ReserveNumbers(db, kListCounter, 1), kListNumberWidth);
    db.Execute("INSERT INTO SESSAOLISTA (CDSESSAO, NRLISTA) VALUES (:S, :N)",
               {{"S", session}, {"N", number}});
    // The bound is kept about once in 64 numbers, so that a call does not count the session's
    // numbers each time; the number's hash decides, whichever server gave it.
    if (std::hash<std::string>{}(session + number) % 64 == 0)
        db.Execute("DELETE FROM SESSAOLISTA WHERE CDSESSAO = :S AND NRLISTA < (SELECT NRLISTA"
                   " FROM SESSAOLISTA WHERE CDSESSAO = :S ORDER BY NRLISTA DESC LIMIT 1 OFFSET " +
                       std::to_string(kMaxUnusedLists - 1) + ")",
                   {{"S", session}});
    transaction.Commit();
    return number;
}

bool TakeSessionList(platform::TSqlConnection& db, const std::string& session,
                     const std::string& number) {
    return db.Execute("DELETE FROM SESSAOLISTA WHERE CDSESSAO = :S AND NRLISTA = :N",
                      {{"S", session}, {"N", number}}) == 1;
}

void ReturnSessionList(platform::TSqlConnection& db, const std::string& session,
                       const std::string& number) {
    db.Execute("INSERT INTO SESSAOLISTA (CDSESSAO, NRLISTA) VALUES (:S, :N)"
               " ON CONFLICT (CDSESSAO, NRLISTA) DO NOTHING",
               {{"S", session}, {"N", number}});
}

std::string LastSessionList(platform::TSqlConnection& db, const std::string& session) {
    return platform::VarToStr(db.SelectValue(
        "SELECT NRLISTAULT FROM SESSAOESTADO WHERE CDSESSAO = :S", {{"S", session}}));
}

std::string ReplaceLastSessionList(platform::TSqlConnection& db, const std::string& session,
                                   const std::string& number) {
    db.Execute("INSERT INTO SESSAOESTADO (CDSESSAO, NRLISTAULT) VALUES (:S, '')"
               " ON CONFLICT (CDSESSAO) DO NOTHING",
               {{"S", session}});
    // SQLite's write transaction holds the whole database already.
    const std::string lock = db.Kind() == platform::TSqlKind::PostgreSQL ? " FOR UPDATE" : "";
    std::string previous = platform::VarToStr(db.SelectValue(
        "SELECT NRLISTAULT FROM SESSAOESTADO WHERE CDSESSAO = :S" + lock, {{"S", session}}));
    db.Execute("UPDATE SESSAOESTADO SET NRLISTAULT = :N WHERE CDSESSAO = :S",
               {{"S", session}, {"N", number}});
    return previous;
}

} // namespace server
