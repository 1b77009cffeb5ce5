// The client connection to an application server: late-bound calls of a remote object's
// methods by name, with by-reference arguments, over HTTP/1.1 or HTTPS (see
// platform/rpcserver.h).
#pragma once

#include <chrono>
#include <concepts>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/classes.h"
#include "platform/sysutils.h"
#include "platform/variant.h"

namespace platform {

struct TWireReply;

/// The application server could not be reached, did not answer in time, refused the request or
/// answered something that is not a reply. The message names the server's host and port.
class ERpcError : public Exception {
    using Exception::Exception;
};

/// The server refused the request for want of a valid login (its reply status NotAuthenticated:
/// no token, an unknown, expired or revoked one, or not the token the session was opened with),
/// and OnAuthenticate gave no new token or the new one was refused too. Nothing ran on the
/// server; the message is the server's own.
class ENotAuthenticated : public ERpcError {
    using ERpcError::ERpcError;
};

/// The server ran the call and reported a failure; the message is the server's own.
class EServerError : public Exception {
    using Exception::Exception;
};

/// One argument of a late-bound call: a value, or a reference to a caller's variable that
/// receives the value the server leaves in the argument. A variable passed by value is copied:
/// only Ref makes a by-reference argument.
class TRpcArg {
public:
    // NOLINTBEGIN(bugprone-forwarding-reference-overload)
    template <class T>
    requires std::constructible_from<Variant, T&&> &&
        (!std::same_as<std::remove_cvref_t<T>, TRpcArg>) // copies and moves: the class's own
        TRpcArg(T&& value)
        : value_(std::forward<T>(value)) {}
    // NOLINTEND(bugprone-forwarding-reference-overload)

    static TRpcArg Ref(Variant& target);
    /// A text by reference; the server must leave a string (or Null, read as "") in it.
    static TRpcArg Ref(std::string& target);

    bool ByRef() const { return variantTarget_ != nullptr || stringTarget_ != nullptr; }
    const Variant& Value() const { return value_; }

private:
    friend class TNetConnection;
    TRpcArg() = default;
    Variant value_;
    Variant* variantTarget_ = nullptr;
    std::string* stringTarget_ = nullptr;
};

/// A connection to one remote object of an application server. Each connection has its own
/// session on the server, opened by connecting and ended by disconnecting. Not thread-safe:
/// one connection is used from one thread.
class TNetConnection : public TComponent {
public:
    explicit TNetConnection(TComponent* owner = nullptr);
    ~TNetConnection() override; // disconnects

    /// Name of the remote object, e.g. "PAG00900.rdmRecContBaixaPag".
    const std::string& ServerName() const { return serverName_; }
    void SetServerName(std::string name) { serverName_ = std::move(name); }
    const std::string& Host() const { return host_; }
    void SetHost(std::string host) { host_ = std::move(host); }
    int Port() const { return port_; }
    void SetPort(int port) { port_ = port; }

    /// False (the default): plain HTTP. True: HTTPS, TLS 1.2 at least, with the server's
    /// certificate verified against CaFile and the host name; a server that cannot be verified
    /// is refused with ERpcError. Read at connect, like Host and Port.
    bool UseTls() const { return useTls_; }
    void SetUseTls(bool value) { useTls_ = value; }
    /// PEM file of the authorities that may sign the server's certificate; empty (the default):
    /// the system's trust store. Only read when UseTls.
    const std::string& CaFile() const { return caFile_; }
    void SetCaFile(std::string path) { caFile_ = std::move(path); }

    /// True (the default): a failed connect raises ERpcError. False: it leaves the connection
    /// disconnected without raising; the next call tries again and raises if that fails too.
    bool ThrowException() const { return throwException_; }
    void SetThrowException(bool value) { throwException_ = value; }

    bool Connected() const { return connected_; }
    /// Connecting runs BeforeConnect, then opens a session with Host and Port as they are then.
    /// Disconnecting ends the session; a server that no longer answers is not an error then.
    void SetConnected(bool value);

    // Time-outs: connecting (default 5 s); each wait for the socket while sending a request
    // or reading a reply (default 120 s each).
    void SetConnectTimeout(std::chrono::milliseconds timeout) { connectTimeout_ = timeout; }
    void SetReadTimeout(std::chrono::milliseconds timeout) { readTimeout_ = timeout; }
    void SetWriteTimeout(std::chrono::milliseconds timeout) { writeTimeout_ = timeout; }
    /// Largest reply accepted (default 1 GB); a larger one fails the call.
    void SetMaxReplyBytes(std::size_t bytes) { maxReplyBytes_ = bytes; }

    /// The bearer token presented on __connect, on every call and on __disconnect (header
    /// "Authorization: Bearer <token>"); empty: none. Changing it while connected ends the
    /// session first (a session belongs to the token it was opened with).
    const std::string& Token() const { return token_; }
    void SetToken(std::string token);

    /// Logs in on the server and object as set (Host, Port, UseTls, CaFile, after BeforeConnect)
    /// with __login, stores the token (as SetToken) and returns it. A refusal (wrong operator
    /// or password, too many attempts) raises EServerError with the server's text; a transport
    /// failure ERpcError. The password is sent once and kept nowhere.
    std::string Login(const std::string& operatorCode, const std::string& password);
    /// Revokes the token on the server with __logout (which ends its sessions there) and clears
    /// it; the connection is left disconnected. Without a token only disconnects.
    void Logout();

    /// Called when the server answers a connect or a call with NotAuthenticated (the token has
    /// expired or was revoked): returns a new token (e.g. after asking for the password again
    /// and calling Login), or "" to give up. A non-empty result is stored and the request sent
    /// once more (nothing ran on the server); "" or a second refusal raises ENotAuthenticated.
    std::function<std::string()> OnAuthenticate;

    /// Calls `method` of the remote object with `args`, connecting first when disconnected, and
    /// returns its result; by-reference arguments receive the values the server returns (all of
    /// them, or none when the call fails). A failure reported by the server raises
    /// EServerError; anything else ERpcError. A session that the server no longer knows (idle
    /// time-out, server restarted) is reopened once, transparently: nothing ran on it.
    Variant Call(const std::string& method, const std::vector<TRpcArg>& args = {});

    /// Runs before every connect with the connection as sender; may set Host, Port, UseTls and
    /// CaFile.
    TNotifyEvent BeforeConnect;
    /// Runs at the start of every Call with the method and the argument values.
    std::function<void(const std::string& method, const std::vector<Variant>& args)> OnCall;

private:
    struct Impl;
    // Opens a session; a NotAuthenticated answer is retried with a new token from
    // OnAuthenticate when mayReauthenticate, else raises ENotAuthenticated.
    void Connect(bool mayReauthenticate = true);
    // A request outside any session (__login, __logout) on a client made for it alone; the
    // session, if any, is ended first.
    TWireReply SessionlessCall(const std::string& method, std::string body, bool presentToken);
    // Runs BeforeConnect and creates the HTTP client for Host and Port as they are then.
    void MakeClient();
    void DropSession();
    // Asks OnAuthenticate for a new token; true when it gave one (stored, session dropped).
    bool Reauthenticate();

    std::string serverName_;
    std::string host_ = "127.0.0.1";
    int port_ = 0;
    bool useTls_ = false;
    std::string caFile_;
    bool throwException_ = true;
    std::string token_;
    bool connected_ = false;
    std::chrono::milliseconds connectTimeout_{5000};
    std::chrono::milliseconds readTimeout_{120000};
    std::chrono::milliseconds writeTimeout_{120000};
    std::size_t maxReplyBytes_ = std::size_t{1} << 30;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
