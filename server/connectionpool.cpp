// Database connections shared by the sessions of the server: one is leased per call.
#include "server/connectionpool.h"

namespace server {

TConnectionPool::TConnectionPool(std::string url, std::size_t maxIdle,
                                 Clock::duration pingAfterIdle)
    : url_(std::move(url)), maxIdle_(maxIdle), pingAfterIdle_(pingAfterIdle) {}

TConnectionPool::TLease::~TLease() {
    if (!connection_) return; // moved from
    if (!discard_ && connection_->InTransaction()) {
        try {
            connection_->Rollback();
        } catch (const platform::Exception&) {
            discard_ = true; // a connection that cannot roll back is not reused
        }
    }
    if (!discard_) {
        pool_->Return(std::move(connection_));
        return;
    }
    // A lost connection means the database went away: the idle ones went with it.
    if (!connection_->Connected()) pool_->DropIdle();
}

bool TConnectionPool::Usable(TIdle& idle) const {
    if (!idle.connection->Connected()) return false;
    return Clock::now() - idle.since < pingAfterIdle_ || idle.connection->Ping();
}

TConnectionPool::TLease TConnectionPool::Acquire() {
    for (;;) {
        TIdle idle;
        {
            std::lock_guard lock(mutex_);
            if (idle_.empty()) break;
            idle = std::move(idle_.back());
            idle_.pop_back();
        }
        // Checked outside the lock: a ping is a round trip. A dead one is closed here.
        if (Usable(idle)) return TLease(*this, std::move(idle.connection));
    }
    return TLease(*this, platform::TSqlConnection::Open(url_));
}

void TConnectionPool::Return(std::unique_ptr<platform::TSqlConnection> connection) {
    if (!connection->Connected()) return;
    std::lock_guard lock(mutex_);
    if (idle_.size() < maxIdle_) idle_.push_back({std::move(connection), Clock::now()});
}

void TConnectionPool::DropIdle() {
    std::vector<TIdle> dropped; // closed after the lock is released
    std::lock_guard lock(mutex_);
    dropped.swap(idle_);
}

std::size_t TConnectionPool::IdleCount() const {
    std::lock_guard lock(mutex_);
    return idle_.size();
}

} // namespace server
