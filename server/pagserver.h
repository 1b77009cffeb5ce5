// The application server assembled: database, schema, connection pool and the RPC listener
// serving "PAG00900.rdmRecContBaixaPag". Used by the executable, the tests and the benchmarks.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/rpcserver.h"
#include "server/connectionpool.h"
#include "server/rdmreccontbaixapag.h"

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
    TRunOptions run;
};

/// The default database file: $XDG_DATA_HOME/pag00900/pag00900.db, else
/// ~/.local/share/pag00900/pag00900.db.
std::string DefaultDatabasePath();

/// Splits "HOST:PORT"; EConvertError when it is not that.
void ParseListenAddress(const std::string& text, std::string& host, int& port);

/// Invariant: the schema exists in the database from construction on.
class TPagServer {
public:
    /// Opens the database and creates the schema when it lacks one.
    explicit TPagServer(TServerOptions options);
    ~TPagServer();

    /// Starts serving; returns the bound port.
    int Start();
    /// Stops accepting calls, lets those in flight finish and ends every session.
    void Stop();
    int Port() const { return port_; }
    TConnectionPool& Pool() { return pool_; }
    const TServerOptions& Options() const { return options_; }

private:
    TServerOptions options_;
    TConnectionPool pool_;
    TServerContext context_;
    platform::TRpcServer rpc_;
    int port_ = 0;
};

} // namespace server
