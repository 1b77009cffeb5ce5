// Database connections shared by the sessions of the server: one is leased per call.
#include "server/connectionpool.h"

namespace server {

TConnectionPool::TConnectionPool(std::string url, std::size_t maxIdle)
    : url_(std::move(url)), maxIdle_(maxIdle) {}

TConnectionPool::TLease::~TLease() {
    if (!connection_) return; // moved from
    if (!discard_ && connection_->InTransaction()) {
        try {
            connection_->Rollback();
        } catch (const platform::Exception&) {
            discard_ = true; // a connection that cannot roll back is not reused
        }
    }
    if (!discard_) pool_->Return(std::move(connection_));
}

TConnectionPool::TLease TConnectionPool::Acquire() {
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return TLease(*this, std::move(connection));
        }
    }
    return TLease(*this, platform::TSqlConnection::Open(url_));
}

void TConnectionPool::Return(std::unique_ptr<platform::TSqlConnection> connection) {
    std::lock_guard lock(mutex_);
    if (idle_.size() < maxIdle_) idle_.push_back(std::move(connection));
}

std::size_t TConnectionPool::IdleCount() const {
    std::lock_guard lock(mutex_);
    return idle_.size();
}

} // namespace server
