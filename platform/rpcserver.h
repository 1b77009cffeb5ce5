// The server side of remote calls: remote objects registered by name, one instance per client
// session, served over HTTP/1.1 with MessagePack bodies.
//
// Protocol (the client side is TNetConnection):
//   POST /<Object>/__connect      creates a session with a new instance of <Object>; the reply's
//                                 result is the session id
//   POST /<Object>/<Method>       header X-Pag-Session: <id>; body = request (platform/wire.h);
//                                 runs the method on the session's instance
//   POST /<Object>/__disconnect   header X-Pag-Session: <id>; ends the session
//   POST /<Object>/__login        body = request of two texts (operator, password); the reply's
//                                 result is a bearer token (only with an authenticator)
//   POST /<Object>/__logout       revokes the bearer token and ends its sessions
// With an authenticator set, __connect, every call and __disconnect carry the header
// "Authorization: Bearer <token>": a session belongs to the operator of the token it was opened
// with, and only that token (compared by hash) may use it while it is live; anything else gets
// the NotAuthenticated status and nothing runs.
//   GET  /health                  200 when the health check answers true, 503 otherwise
//   GET  /metrics                 the server's metrics in the Prometheus text format
// Every answer to a POST is a reply body. A call that names no live session gets the NoSession
// status, so the client knows that nothing ran and may open a new session. With a session store
// set, any server on the same store serves any session (see SetSessionStore).
//
// The transport (platform/rpchttp.h) reads requests on a few I/O threads under deadlines and
// limits; the calls run on a bounded pool of workers (platform/rpcworkers.h), each under a
// TCallDeadline (platform/calldeadline.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/variant.h"

namespace platform {

/// A remote object. One instance serves one client session; calls on one session never run at
/// the same time, calls on different sessions may.
class TRemoteObject {
public:
    virtual ~TRemoteObject() = default;
    /// Runs `method` with `args`. The values that the by-reference arguments hold afterwards go
    /// back to the caller. An unknown method or unsuitable arguments raise; any exception's
    /// message reaches the caller as a failure reply.
    virtual Variant Invoke(const std::string& method, std::vector<Variant>& args) = 0;
    /// The registered spelling of `method`, or "" when the object has no such method; it
    /// names the method in the server's metrics (unknown ones are counted together).
    virtual std::string RegisteredName(const std::string& method) const;
};

/// Creates the instance of a remote object for a new session.
using TRemoteObjectFactory = std::function<std::unique_ptr<TRemoteObject>()>;

/// Who a session is for: the operator its token vouches for (empty when the server has no
/// authenticator), the client address that opened it (no port) and its id.
struct TSessionIdentity {
    std::string operatorCode;
    std::string clientAddress;
    std::string sessionId;
};

/// Creates the instance of a remote object for a new session, knowing whose it is.
using TIdentityObjectFactory =
    std::function<std::unique_ptr<TRemoteObject>(const TSessionIdentity& identity)>;

/// Checks logins and tokens for the server. Called on worker threads, from several at once:
/// implementations are thread-safe.
class TAuthenticator {
public:
    virtual ~TAuthenticator() = default;
    /// A new bearer token for the operator; a refusal raises Exception with the text for the
    /// user (wrong operator or password, held back).
    virtual std::string Login(const std::string& operatorCode, const std::string& password,
                              const std::string& clientAddress) = 0;
    /// The operator of a live token; nullopt for an unknown, expired or revoked one.
    virtual std::optional<std::string> Verify(const std::string& token) = 0;
    /// Revokes the token (nothing when it is not live).
    virtual void Logout(const std::string& token) = 0;
};

/// A session as a store shared by several servers keeps it: enough for any of them to serve it.
struct TStoredSession {
    std::string id;
    std::string objectName;
    std::string operatorCode; // its owner, vouched for by its token
    std::string tokenHash;    // SHA-256 (hex) of the token it was opened with
    std::string address;      // the client address that opened it
};

/// Keeps sessions beyond one server's memory, so that every server on the same store serves
/// every session: the server keeps its own table of the sessions it serves and asks the store
/// for one it does not know. The store ends sessions idle for longer than its own idle time.
/// Called on worker threads, from several at once: implementations are thread-safe; their
/// failures raise.
class TSessionStore {
public:
    virtual ~TSessionStore() = default;
    /// Records a new session.
    virtual void Create(const TStoredSession& session) = 0;
    /// The live session `id` (its idle time restarted), nullopt when it is not live.
    virtual std::optional<TStoredSession> Find(const std::string& id) = 0;
    /// Restarts the idle time of the session `id`; false when it is not live.
    virtual bool Touch(const std::string& id) = 0;
    /// Ends the session `id` (nothing when it is not live).
    virtual void End(const std::string& id) = 0;
    /// Ends every session opened with the token of this hash.
    virtual void EndByToken(const std::string& tokenHash) = 0;
};

/// A remote object whose methods are registered by name with the kinds of their arguments,
/// which are checked before the method runs.
class TDispatchObject : public TRemoteObject {
public:
    using TMethod = std::function<Variant(std::vector<Variant>& args)>;

    Variant Invoke(const std::string& method, std::vector<Variant>& args) override;
    std::string RegisteredName(const std::string& method) const override;

protected:
    explicit TDispatchObject(std::string objectName) : objectName_(std::move(objectName)) {}

    /// Registers `method`. `kinds` has one letter per argument: S string, D date (a date, or an
    /// integer or double day count), F double (or integer), I integer, V any variant.
    void Method(std::string name, std::string kinds, TMethod method);

private:
    struct Entry {
        std::string name;
        std::string kinds;
        TMethod method;
    };
    std::string objectName_;
    std::vector<Entry> methods_;
};

/// Raises when `args` do not match `kinds` (see TDispatchObject::Method); the message names the
/// method and the argument.
void CheckArgKinds(std::string_view method, std::string_view kinds,
                   const std::vector<Variant>& args);

/// Serves registered remote objects. Configure and register before Listen.
/// Invariant: a session exists from its __connect until its __disconnect, its idle time-out
/// or Stop; a session in the middle of a call never expires.
class TRpcServer {
public:
    TRpcServer();
    ~TRpcServer(); // Stop()
    TRpcServer(const TRpcServer&) = delete;
    TRpcServer& operator=(const TRpcServer&) = delete;

    void RegisterObject(const std::string& name, TRemoteObjectFactory factory);
    void RegisterObject(const std::string& name, TIdentityObjectFactory factory);

    /// Requires a login of every session (see the protocol above). Without one (the default)
    /// sessions are anonymous and __login is refused. Set before Listen.
    void SetAuthenticator(std::shared_ptr<TAuthenticator> authenticator);
    /// How long a successful Verify of a token is trusted without asking again (default 5 s):
    /// a token revoked elsewhere (another server, a new password) still works this long here.
    /// Logout through this server takes effect at once.
    void SetTokenCacheTime(std::chrono::milliseconds time);
    /// Open sessions of one operator (default 64); a __connect over it gets a failure reply.
    void SetSessionsPerOperator(std::size_t count);
    /// Keeps the sessions in `store` too (only with an authenticator): a call naming a session
    /// this server does not know is served when the store knows it, with a new instance of its
    /// object. A session this server knows is checked with the store again by its first call
    /// 10 s (or a quarter of the idle time-out, when shorter) after the last check, so one
    /// ended through another server ends here within that time. Set before Listen.
    void SetSessionStore(std::shared_ptr<TSessionStore> store);

    /// Worker threads that run the calls (default 8). Calls of one session never run at the
    /// same time; an idle kept-alive connection holds no worker.
    void SetThreadCount(int count);
    /// Threads that do the network I/O (default 2).
    void SetIoThreadCount(int count);
    /// Largest request body accepted (default 64 MB); a larger one gets a failure reply (413).
    void SetMaxRequestBytes(std::size_t bytes);
    /// Sessions without a call for this long are ended (default 1 hour).
    void SetSessionIdleTimeout(std::chrono::milliseconds timeout);
    /// How long an idle client connection is kept open (default 2 s). TNetConnection opens a
    /// new connection after 1 s idle, so keep this above that.
    void SetKeepAliveTimeout(std::chrono::milliseconds timeout);
    /// Time for a request's whole header from its first byte (default 10 s).
    void SetHeaderTimeout(std::chrono::milliseconds timeout);
    /// Slowest body accepted: `bytesPerSecond` (default 16 KB/s) after `grace` (default 5 s).
    void SetMinBodyRate(std::size_t bytesPerSecond, std::chrono::milliseconds grace);
    /// Pending connections the system queues before they are accepted (default 512, at least 128).
    void SetListenBacklog(int backlog);
    /// Open connections in total (default 1000) and from one client address (default 128);
    /// one over gets a 503 with a failure reply and is closed.
    void SetConnectionLimits(std::size_t total, std::size_t perAddress);
    /// Open sessions in total (default 10000) and opened from one client address (default
    /// 1000); a __connect over them gets a failure reply.
    void SetSessionLimits(std::size_t total, std::size_t perAddress);
    /// Deadline of each call (default 120 s): past it, the call's next CheckCallDeadline raises
    /// ECallCancelled and the client gets a failure reply.
    void SetCallTimeout(std::chrono::milliseconds timeout);
    /// How long Stop lets the calls in flight finish before cancelling them (default 25 s).
    void SetStopGrace(std::chrono::milliseconds grace);
    /// Serves HTTPS with this PEM certificate chain and private key (TLS 1.2 and 1.3 only).
    /// Raises Exception naming the file that could not be read or used.
    void SetTls(const std::string& certFile, const std::string& keyFile);
    bool TlsEnabled() const;
    /// What GET /health asks, on a worker thread (default: always healthy). A check that
    /// raises counts as unhealthy.
    void SetHealthCheck(std::function<bool()> check);

    /// Binds to host:port (port 0: any free port) and serves in background threads.
    /// Returns the bound port; raises Exception when the address cannot be bound.
    int Listen(const std::string& host = "127.0.0.1", int port = 0);
    /// Stops accepting at once and closes idle connections, lets the calls in flight finish for
    /// the stop grace, then cancels their deadlines and waits for them, closes every connection
    /// and ends every session. Idempotent. Not for use inside a signal handler: call it from a
    /// thread that waits for the signal (sigwait).
    void Stop();

    bool Running() const;
    int Port() const;
    std::size_t SessionCount() const;
    /// Client connections open and counted against the limits (0 when not listening).
    std::size_t ConnectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// Header that carries the session id of a call.
inline constexpr const char* kSessionHeader = "X-Pag-Session";

} // namespace platform
