// The RPC server's session table: client sessions by id, their idle expiry kept in time order,
// and the limits on sessions in total and per client address.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace platform {

class TRemoteObject;

/// One client session. Invariant: object is called only with callMutex held; the fields after
/// callMutex belong to the table and are read and written under its mutex only.
struct TRpcSession {
    std::string objectName;
    std::unique_ptr<TRemoteObject> object;
    std::string address;      // the client address that opened it (no port)
    std::string operatorCode; // its owner, vouched for by its token; empty: anonymous
    std::string tokenHash;    // SHA-256 of the token it was opened with; empty: anonymous
    std::mutex callMutex;
    // When the session store last vouched for it (steady clock ticks); only with a store.
    std::atomic<std::chrono::steady_clock::rep> storeChecked{0};

    std::string id;
    int activeCalls = 0;
    bool queued = false; // an entry in the table's expiry queue exists (only while idle)
    std::multimap<std::chrono::steady_clock::time_point, std::string>::iterator expiry;
    ~TRpcSession();
};

/// Thread-safe. Invariant: a session is in the expiry queue exactly when it has no call in
/// progress, so a session in the middle of a call never expires; the reaper only touches the
/// queue's expired head, never the whole table.
class TSessionTable {
public:
    using Clock = std::chrono::steady_clock;

    TSessionTable() = default;
    ~TSessionTable(); // Clear()
    TSessionTable(const TSessionTable&) = delete;
    TSessionTable& operator=(const TSessionTable&) = delete;

    /// Configure before Start.
    void SetIdleTimeout(std::chrono::milliseconds timeout) { idleTimeout_ = timeout; }
    void SetLimits(std::size_t total, std::size_t perAddress);
    /// Sessions of one operator (anonymous sessions are not counted).
    void SetOperatorLimit(std::size_t perOperator) { maxPerOperator_ = perOperator; }

    /// Starts the reaper thread.
    void Start();
    /// Ends every session (objects destroyed outside the lock) and stops the reaper; refuses
    /// new sessions from then on.
    void Clear();

    /// Adds `session` under a new id and returns the id; on refusal (a limit, or the table
    /// closed) returns "" with the reason for the client, in Portuguese, in `refusal`.
    std::string Add(std::shared_ptr<TRpcSession> session, std::string& refusal);
    /// Puts `session`, its id and object set (a session the session store knows), in the table
    /// with one call in progress; when the table has a live session of that id already (a call
    /// that adopted it at the same time), that one instead. Null on refusal, as Add. Every
    /// non-null result needs its EndCall.
    std::shared_ptr<TRpcSession> Adopt(std::shared_ptr<TRpcSession> session, std::string& refusal);
    /// The live session `id` with one more call in progress, or null when there is none (or it
    /// has just expired). Every non-null result needs its EndCall.
    std::shared_ptr<TRpcSession> BeginCall(const std::string& id);
    void EndCall(TRpcSession& session);
    /// Ends the session `id` if it exists.
    void Remove(const std::string& id);
    /// Ends every session opened with the token of this hash; returns how many.
    std::size_t RemoveByToken(const std::string& tokenHash);

    std::size_t Count() const;

private:
    // Counts `session` against the limits; false with the refusal when it is over one.
    bool Admit(const TRpcSession& session, std::string& refusal);
    // Takes `it` out of the expiry queue with one more call in progress; false (and erases it)
    // when it is due.
    bool StartCall(std::unordered_map<std::string, std::shared_ptr<TRpcSession>>::iterator it,
                   std::shared_ptr<TRpcSession>& expired);
    void Erase(std::unordered_map<std::string, std::shared_ptr<TRpcSession>>::iterator it);
    void Enqueue(TRpcSession& session);
    std::string NewId();
    void ReapLoop();

    std::chrono::milliseconds idleTimeout_ = std::chrono::hours(1);
    std::size_t maxTotal_ = 10000;
    std::size_t maxPerAddress_ = 1000;
    std::size_t maxPerOperator_ = 64;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool closed_ = false;                                                // guarded by mutex_
    std::unordered_map<std::string, std::shared_ptr<TRpcSession>> byId_; // guarded by mutex_
    std::unordered_map<std::string, std::size_t> perAddress_;            // guarded by mutex_
    std::unordered_map<std::string, std::size_t> perOperator_;           // guarded by mutex_
    std::multimap<Clock::time_point, std::string> expiries_;             // guarded by mutex_
    Clock::time_point reaperWakes_ = Clock::time_point::max();           // guarded by mutex_
    std::thread reaper_;
};

} // namespace platform
