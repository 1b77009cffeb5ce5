// The RPC server's HTTP/1.1 transport: an event loop on Boost.Beast over a few Asio threads
// that reads requests under deadlines and limits, hands complete ones to a handler, and writes
// the replies; plain TCP or TLS.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace boost::asio::ssl {
class context;
}

namespace platform {

class TRpcMetrics;

/// A complete request as the handler sees it.
struct THttpRequest {
    std::string verb;    // "GET", "POST", ...
    std::string path;    // the target without its query
    std::string session; // X-Pag-Session, empty when absent
    std::string bearer;  // the token of "Authorization: Bearer <token>", empty when absent
    std::string client;  // address:port of the peer
    std::string address; // the peer's address alone
    std::string body;
};

/// A reply. The body is a list of shared pieces written one after another, so that a large
/// payload goes out without being copied into one string.
struct THttpReply {
    int status = 200;
    std::string contentType;
    std::vector<std::shared_ptr<const std::string>> parts;
    static THttpReply Of(int status, std::string contentType, std::string body);
};

/// Hands the handler's reply back to the connection; may be called from any thread, once.
using THttpCompletion = std::function<void(THttpReply)>;
/// Called on an I/O thread with each complete request; it must not block there (it passes the
/// work on) and must call `done` exactly once.
using THttpHandler = std::function<void(THttpRequest, THttpCompletion done)>;

struct THttpSettings {
    int ioThreads = 2;
    int backlog = 512;
    std::chrono::milliseconds headerTimeout{10'000};   // the whole header, from its first byte
    std::chrono::milliseconds keepAliveTimeout{2'000}; // idle between requests
    std::size_t bodyMinRate = 16 * 1024;               // bytes per second, after the grace
    std::chrono::milliseconds bodyGrace{5'000};
    std::size_t maxBodyBytes = std::size_t{64} << 20;
    std::size_t maxConnections = 1000;
    std::size_t maxConnectionsPerAddress = 128;
    std::shared_ptr<boost::asio::ssl::context> tls; // null: plain HTTP
};

/// Invariant: every accepted connection is either within the limits (and counted) or gets a
/// 503 and is closed; at most one request per connection is with the handler at a time.
class THttpServer {
public:
    THttpServer(THttpSettings settings, THttpHandler handler, TRpcMetrics& metrics);
    ~THttpServer(); // Shutdown
    THttpServer(const THttpServer&) = delete;
    THttpServer& operator=(const THttpServer&) = delete;

    /// Binds host:port (0: any free port), starts the I/O threads; returns the bound port.
    /// Raises Exception when the address cannot be bound.
    int Listen(const std::string& host, int port);
    /// Stops accepting and closes the connections that wait for or are reading a request;
    /// the replies still to come are written and then close their connections.
    void StopAccepting();
    /// Waits up to `writeGrace` for the replies being written, then closes every connection
    /// and joins the I/O threads. Idempotent.
    void Shutdown(std::chrono::milliseconds writeGrace);

    std::size_t ConnectionCount() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

/// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const std::string& host);

/// A TLS 1.2/1.3 server context with the PEM certificate chain and private key of these files.
/// Raises Exception naming the file that could not be read or used.
std::shared_ptr<boost::asio::ssl::context> LoadTlsContext(const std::string& certFile,
                                                          const std::string& keyFile);

} // namespace platform
