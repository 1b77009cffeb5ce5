// Client sessions kept in the database (SESSAORPC), so that every server on the same database
// serves every session: the transport's session store over pooled connections.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/rpcserver.h"
#include "server/connectionpool.h"

namespace server {

/// A session is live while it has been used within the idle time-out of the server asking
/// (its DTULTUSO, UTC, moved forward by every Find and Touch). Ending a session deletes what
/// the remote object keeps for it (SESSAOLISTA, SESSAOESTADO) in the same transaction; dead
/// sessions are deleted with theirs whenever a session is created. Holds no state of its own
/// besides its options, so any number of servers share one database.
class TDatabaseSessionStore : public platform::TSessionStore {
public:
    /// `clock`: the time in UTC; empty means UtcNow. Tests set it.
    TDatabaseSessionStore(TConnectionPool& pool, std::chrono::milliseconds idleTimeout,
                          std::function<platform::TDateTime()> clock = {});

    void Create(const platform::TStoredSession& session) override;
    std::optional<platform::TStoredSession> Find(const std::string& id) override;
    bool Touch(const std::string& id) override;
    void End(const std::string& id) override;
    void EndByToken(const std::string& tokenHash) override;

private:
    platform::TDateTime Now() const;
    // The last use a live session has at least.
    platform::TDateTime LiveSince(platform::TDateTime now) const;

    TConnectionPool& pool_;
    std::chrono::milliseconds idleTimeout_;
    std::function<platform::TDateTime()> clock_;
};

} // namespace server
