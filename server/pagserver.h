// The application server assembled: database, schema, connection pool and the RPC listener
// serving "PAG00900.rdmRecContBaixaPag". Used by the executable, the tests and the benchmarks.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/rpcserver.h"
#include "server/connectionpool.h"
#include "server/login.h"
#include "server/rdmreccontbaixapag.h"
#include "server/tokens.h"

namespace server {

/// Address both the server and the hosts use unless told otherwise.
inline constexpr const char* kDefaultHost = "127.0.0.1";
inline constexpr int kDefaultPort = 8211;

struct TServerOptions {
    std::string databaseUrl;
    std::string host = kDefaultHost;
    int port = kDefaultPort; // 0: any free port
    int threads = 8;
    std::size_t maxRequestBytes = std::size_t{64} << 20;
    std::chrono::milliseconds sessionIdleTimeout{std::chrono::hours(1)};
    // Transport deadlines and limits (see platform::TRpcServer's setters).
    std::chrono::milliseconds headerTimeout{std::chrono::seconds(10)};
    std::chrono::milliseconds keepAliveTimeout{std::chrono::seconds(2)};
    std::size_t minBodyRate = 16 * 1024; // bytes per second
    std::chrono::milliseconds bodyGrace{std::chrono::seconds(5)};
    int listenBacklog = 512;
    std::size_t maxConnections = 1000;
    std::size_t maxConnectionsPerAddress = 128;
    std::size_t maxSessions = 10000;
    std::size_t maxSessionsPerAddress = 1000;
    std::chrono::milliseconds callTimeout{std::chrono::seconds(120)};
    std::chrono::milliseconds stopGrace{std::chrono::seconds(25)};
    // HTTPS when both are given. Without them only a loopback address is served, unless
    // allowPlainHttp says otherwise.
    std::string tlsCert;
    std::string tlsKey;
    bool allowPlainHttp = false;
    TRunOptions run;
    // Logging in: token lifetimes, the holding back of failed logins, sessions per operator,
    // and how long a token's verification is trusted before the database is asked again.
    TTokenOptions tokens;
    TLoginOptions login;
    std::size_t maxSessionsPerOperator = 64;
    std::chrono::milliseconds tokenCacheTime{std::chrono::seconds(5)};
};

/// The default database file: $XDG_DATA_HOME/pag00900/pag00900.db, else
/// ~/.local/share/pag00900/pag00900.db.
std::string DefaultDatabasePath();

/// Splits "HOST:PORT"; EConvertError when it is not that.
void ParseListenAddress(const std::string& text, std::string& host, int& port);

/// Invariant: the schema exists in the database from construction on. Every session belongs to
/// an operator who logged in (TLoginService) and presents its token on every call (TTokenStore).
/// Sessions and what they remember are kept in the database (TDatabaseSessionStore,
/// sessionlists.h): every server on the same database serves every session.
class TPagServer {
public:
    /// Opens the database and creates the schema when it lacks one.
    explicit TPagServer(TServerOptions options);
    ~TPagServer();

    /// Starts serving; returns the bound port. Raises when the address is not a loopback one,
    /// TLS is not configured and plain HTTP was not allowed.
    int Start();
    /// Stops accepting calls, lets those in flight finish and ends every session.
    void Stop();
    int Port() const { return port_; }
    std::size_t SessionCount() const { return rpc_.SessionCount(); }
    TConnectionPool& Pool() { return pool_; }
    const TServerOptions& Options() const { return options_; }

private:
    TServerOptions options_;
    TConnectionPool pool_;
    TServerContext context_;
    TTokenStore tokens_;
    std::unique_ptr<TLoginService> login_;
    platform::TRpcServer rpc_;
    int port_ = 0;
};

} // namespace server
