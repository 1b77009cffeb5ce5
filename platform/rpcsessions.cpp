// The RPC server's session table: ids, idle expiry in time order, limits.
#include "platform/rpcsessions.h"

#include <algorithm>
#include <random>
#include <vector>

#include "platform/rpcserver.h"

namespace platform {

TRpcSession::~TRpcSession() = default;

TSessionTable::~TSessionTable() {
    Clear();
}

void TSessionTable::SetLimits(std::size_t total, std::size_t perAddress) {
    std::lock_guard lock(mutex_);
    maxTotal_ = total;
    maxPerAddress_ = perAddress;
}

void TSessionTable::Start() {
    std::lock_guard lock(mutex_);
    if (reaper_.joinable()) return;
    closed_ = false;
    reaper_ = std::thread([this] { ReapLoop(); });
}

void TSessionTable::Clear() {
    std::unordered_map<std::string, std::shared_ptr<TRpcSession>> ended;
    std::thread reaper;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        ended.swap(byId_);
        perAddress_.clear();
        perOperator_.clear();
        expiries_.clear();
        reaper.swap(reaper_);
    }
    wake_.notify_all();
    if (reaper.joinable()) reaper.join();
    // `ended` goes out of scope here: the objects are destroyed without the lock.
}

bool TSessionTable::Admit(const TRpcSession& session, std::string& refusal) {
    if (closed_) {
        refusal = "O servidor de aplicação está sendo encerrado.";
        return false;
    }
    if (byId_.size() >= maxTotal_) {
        refusal = "O servidor de aplicação atingiu o limite de sessões abertas; tente novamente "
                  "mais tarde.";
        return false;
    }
    std::size_t& fromAddress = perAddress_[session.address];
    if (fromAddress >= maxPerAddress_) {
        refusal = "Há sessões demais abertas a partir deste endereço no servidor de aplicação; "
                  "encerre alguma e tente novamente.";
        return false;
    }
    if (!session.operatorCode.empty()) {
        std::size_t& ofOperator = perOperator_[session.operatorCode];
        if (ofOperator >= maxPerOperator_) {
            if (ofOperator == 0) perOperator_.erase(session.operatorCode);
            if (fromAddress == 0) perAddress_.erase(session.address);
            refusal = "O operador já tem sessões demais abertas no servidor de aplicação; "
                      "encerre alguma e tente novamente.";
            return false;
        }
        ++ofOperator;
    }
    ++fromAddress;
    return true;
}

std::string TSessionTable::Add(std::shared_ptr<TRpcSession> session, std::string& refusal) {
    std::lock_guard lock(mutex_);
    if (!Admit(*session, refusal)) return {};
    std::string id = NewId();
    while (byId_.count(id)) id = NewId();
    session->id = id;
    TRpcSession& added = *session;
    byId_.emplace(id, std::move(session));
    Enqueue(added);
    return id;
}

std::shared_ptr<TRpcSession> TSessionTable::Adopt(std::shared_ptr<TRpcSession> session,
                                                  std::string& refusal) {
    std::shared_ptr<TRpcSession> expired; // destroyed after the lock is released
    std::lock_guard lock(mutex_);
    if (auto it = byId_.find(session->id); it != byId_.end()) {
        if (StartCall(it, expired)) return it->second;
    }
    if (!Admit(*session, refusal)) return nullptr;
    session->activeCalls = 1;
    byId_.emplace(session->id, session);
    return session;
}

bool TSessionTable::StartCall(
    std::unordered_map<std::string, std::shared_ptr<TRpcSession>>::iterator it,
    std::shared_ptr<TRpcSession>& expired) {
    TRpcSession& session = *it->second;
    if (session.queued) {
        if (session.expiry->first <= Clock::now()) { // due, and the reaper has not come yet
            expired = it->second;
            Erase(it);
            return false;
        }
        expiries_.erase(session.expiry);
        session.queued = false;
    }
    ++session.activeCalls;
    return true;
}

std::shared_ptr<TRpcSession> TSessionTable::BeginCall(const std::string& id) {
    std::shared_ptr<TRpcSession> expired; // destroyed after the lock is released
    std::lock_guard lock(mutex_);
    auto it = byId_.find(id);
    if (it == byId_.end() || !StartCall(it, expired)) return nullptr;
    return it->second;
}

void TSessionTable::EndCall(TRpcSession& session) {
    std::lock_guard lock(mutex_);
    if (--session.activeCalls > 0 || closed_) return;
    // Still in the table? Remove may have ended it during the call.
    auto it = byId_.find(session.id);
    if (it == byId_.end() || it->second.get() != &session) return;
    Enqueue(session);
}

void TSessionTable::Remove(const std::string& id) {
    std::shared_ptr<TRpcSession> ended; // destroyed after the lock is released
    std::lock_guard lock(mutex_);
    auto it = byId_.find(id);
    if (it == byId_.end()) return;
    ended = it->second;
    Erase(it);
}

std::size_t TSessionTable::RemoveByToken(const std::string& tokenHash) {
    std::vector<std::shared_ptr<TRpcSession>> ended; // destroyed after the lock is released
    std::lock_guard lock(mutex_);
    for (auto it = byId_.begin(); it != byId_.end();) {
        auto next = std::next(it);
        if (!tokenHash.empty() && it->second->tokenHash == tokenHash) {
            ended.push_back(it->second);
            Erase(it);
        }
        it = next;
    }
    return ended.size();
}

std::size_t TSessionTable::Count() const {
    std::lock_guard lock(mutex_);
    return byId_.size();
}

void TSessionTable::Erase(
    std::unordered_map<std::string, std::shared_ptr<TRpcSession>>::iterator it) {
    TRpcSession& session = *it->second;
    if (session.queued) expiries_.erase(session.expiry);
    session.queued = false;
    auto count = perAddress_.find(session.address);
    if (count != perAddress_.end() && --count->second == 0) perAddress_.erase(count);
    if (!session.operatorCode.empty()) {
        auto owned = perOperator_.find(session.operatorCode);
        if (owned != perOperator_.end() && --owned->second == 0) perOperator_.erase(owned);
    }
    byId_.erase(it);
}

void TSessionTable::Enqueue(TRpcSession& session) {
    session.expiry = expiries_.emplace(Clock::now() + idleTimeout_, session.id);
    session.queued = true;
    // The reaper is woken only when it would sleep past the new entry: a call's end must not
    // cost a thread switch.
    if (session.expiry->first < reaperWakes_) wake_.notify_all();
}

std::string TSessionTable::NewId() {
    static constexpr char kHex[] = "0123456789abcdef";
    static std::random_device random; // used under mutex_ only
    std::string id;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = random();
        for (int i = 0; i < 8; ++i, bits >>= 4) id += kHex[bits & 0xf];
    }
    return id;
}

void TSessionTable::ReapLoop() {
    std::unique_lock lock(mutex_);
    while (!closed_) {
        reaperWakes_ = expiries_.empty() ? Clock::time_point::max() : expiries_.begin()->first;
        if (expiries_.empty())
            wake_.wait(lock);
        else
            wake_.wait_until(lock, reaperWakes_);
        if (closed_) break;
        std::vector<std::shared_ptr<TRpcSession>> expired;
        const auto now = Clock::now();
        while (!expiries_.empty() && expiries_.begin()->first <= now) {
            auto it = byId_.find(expiries_.begin()->second);
            expired.push_back(it->second);
            Erase(it);
        }
        // The objects are destroyed without the lock: their destructors may be slow.
        lock.unlock();
        expired.clear();
        lock.lock();
    }
}

} // namespace platform
