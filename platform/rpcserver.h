// The server side of remote calls: remote objects registered by name, one instance per client
// session, served over HTTP/1.1 with MessagePack bodies.
//
// Protocol (the client side is TNetConnection):
//   POST /<Object>/__connect      creates a session with a new instance of <Object>; the reply's
//                                 result is the session id
//   POST /<Object>/<Method>       header X-Pag-Session: <id>; body = request (platform/wire.h);
//                                 runs the method on the session's instance
//   POST /<Object>/__disconnect   header X-Pag-Session: <id>; ends the session
// Every answer is a reply body. A call that names no live session gets the NoSession status,
// so the client knows that nothing ran and may open a new session.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
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
};

/// Creates the instance of a remote object for a new session.
using TRemoteObjectFactory = std::function<std::unique_ptr<TRemoteObject>()>;

/// A remote object whose methods are registered by name with the kinds of their arguments,
/// which are checked before the method runs.
class TDispatchObject : public TRemoteObject {
public:
    using TMethod = std::function<Variant(std::vector<Variant>& args)>;

    Variant Invoke(const std::string& method, std::vector<Variant>& args) override;

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

    /// Worker threads (default 16); each open client connection holds one while it is kept
    /// alive, so this bounds the clients served at the same moment.
    void SetThreadCount(int count);
    /// Largest request body accepted (default 64 MB); a larger one gets a failure reply (413).
    void SetMaxRequestBytes(std::size_t bytes);
    /// Sessions without a call for this long are ended (default 1 hour).
    void SetSessionIdleTimeout(std::chrono::milliseconds timeout);
    /// How long an idle client connection is kept open (default 2 s). TNetConnection opens a
    /// new connection after 1 s idle, so keep this above that.
    void SetKeepAliveTimeout(std::chrono::seconds timeout);

    /// Binds to host:port (port 0: any free port) and serves in background threads.
    /// Returns the bound port; raises Exception when the address cannot be bound.
    int Listen(const std::string& host = "127.0.0.1", int port = 0);
    /// Stops accepting, lets the calls in flight finish, then ends every session. Idempotent.
    /// Idle kept-alive connections may delay it by up to the keep-alive time. Not for use
    /// inside a signal handler: call it from a thread that waits for the signal (sigwait).
    void Stop();

    bool Running() const;
    int Port() const;
    std::size_t SessionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// Header that carries the session id of a call.
inline constexpr const char* kSessionHeader = "X-Pag-Session";

} // namespace platform
