// Database connections shared by the sessions of the server: one is leased per call.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sql.h"

namespace server {

/// Opens connections to one database on demand and keeps idle ones for the next call.
/// Invariant: a connection is either leased to exactly one call or idle in the pool, never both;
/// idle connections are outside any transaction.
///
/// A connection the database ended (a PostgreSQL restart) is never leased: every lease checks
/// it without a round trip, and one idle for longer than the ping interval gets a round trip
/// first. When a call loses its connection, the idle ones are dropped too: they went to the
/// same server.
class TConnectionPool {
public:
    using Clock = std::chrono::steady_clock;

    explicit TConnectionPool(std::string url, std::size_t maxIdle = 16,
                             Clock::duration pingAfterIdle = std::chrono::seconds(30));

    /// A connection for the life of the lease. A lease that is discarded (after a database
    /// failure) closes its connection instead of returning it.
    class TLease {
    public:
        TLease(TConnectionPool& pool, std::unique_ptr<platform::TSqlConnection> connection)
            : pool_(&pool), connection_(std::move(connection)) {}
        TLease(TLease&&) noexcept = default;
        TLease& operator=(TLease&&) noexcept = delete;
        ~TLease();

        platform::TSqlConnection& operator*() const { return *connection_; }
        platform::TSqlConnection* operator->() const { return connection_.get(); }
        void Discard() { discard_ = true; }

    private:
        TConnectionPool* pool_;
        std::unique_ptr<platform::TSqlConnection> connection_;
        bool discard_ = false;
    };

    TLease Acquire();
    const std::string& Url() const { return url_; }
    std::size_t IdleCount() const;
    /// Closes every idle connection; the next calls open new ones.
    void DropIdle();

private:
    struct TIdle {
        std::unique_ptr<platform::TSqlConnection> connection;
        Clock::time_point since;
    };

    void Return(std::unique_ptr<platform::TSqlConnection> connection);
    bool Usable(TIdle& idle) const;

    std::string url_;
    std::size_t maxIdle_;
    Clock::duration pingAfterIdle_;
    mutable std::mutex mutex_;
    std::vector<TIdle> idle_;
};

/// Runs `f` with a leased connection and returns what it returns; a database failure discards
/// the connection (it may be broken) before the failure goes on.
template <class F> auto WithLease(TConnectionPool& pool, F&& f) {
    auto lease = pool.Acquire();
    try {
        return f(*lease);
    } catch (const platform::EDatabaseError&) {
        lease.Discard();
        throw;
    }
}

} // namespace server
