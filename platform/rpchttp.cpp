// The RPC server's HTTP/1.1 transport on Boost.Beast: accepting under the connection limits,
// reading each request under its deadlines, handing it on and writing the reply.
#include "platform/rpchttp.h"

#include <sys/socket.h>

#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <cerrno>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include "platform/calllog.h"
#include "platform/rpcmetrics.h"
#include "platform/rpcserver.h"
#include "platform/sysutils.h"
#include "platform/wire.h"

namespace platform {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

THttpReply THttpReply::Of(int status, std::string contentType, std::string body) {
    THttpReply reply;
    reply.status = status;
    reply.contentType = std::move(contentType);
    reply.parts.push_back(std::make_shared<const std::string>(std::move(body)));
    return reply;
}

namespace {

// A Beast body made of shared pieces, written as one buffer each (no copy into one string).
struct TPartsBody {
    using value_type = std::vector<std::shared_ptr<const std::string>>;

    static std::uint64_t size(const value_type& parts) {
        std::uint64_t total = 0;
        for (const auto& part : parts) total += part->size();
        return total;
    }

    class writer {
    public:
        using const_buffers_type = asio::const_buffer;
        template <bool isRequest, class Fields>
        writer(const http::header<isRequest, Fields>&, const value_type& parts) : parts_(parts) {}
        void init(beast::error_code& ec) { ec = {}; }
        boost::optional<std::pair<const_buffers_type, bool>> get(beast::error_code& ec) {
            ec = {};
            while (next_ < parts_.size() && parts_[next_]->empty()) ++next_;
            if (next_ == parts_.size()) return boost::none;
            const std::string& part = *parts_[next_++];
            return std::make_pair(asio::const_buffer(part.data(), part.size()),
                                  next_ < parts_.size());
        }

    private:
        const value_type& parts_;
        std::size_t next_ = 0;
    };
};

// What Stop needs of a connection, whatever its stream.
class TConnectionBase : public std::enable_shared_from_this<TConnectionBase> {
public:
    virtual ~TConnectionBase() = default;
    virtual void Start() = 0;
    /// Runs on the connection's strand: closes it unless a request is with the handler or its
    /// reply is being written.
    virtual void OnStop() = 0;
    virtual asio::any_io_executor Executor() = 0;
};

std::string RefusalText(int status, const std::string& verb, const std::string& path,
                        std::size_t maxBody) {
    const std::string request = SanitizedText(verb, 10) + " " + SanitizedText(path, 120);
    switch (status) {
    case 413:
        return "A requisição excede o tamanho máximo de " + std::to_string(maxBody) +
               " bytes aceito pelo servidor de aplicação.";
    case 431:
        return "O cabeçalho da requisição excede o tamanho aceito pelo servidor de aplicação.";
    default:
        return "O servidor de aplicação recusou a requisição \"" + request + "\" (HTTP " +
               std::to_string(status) + ").";
    }
}

} // namespace

struct THttpServer::Impl {
    THttpSettings settings;
    THttpHandler handler;
    TRpcMetrics& metrics;

    std::unique_ptr<asio::io_context> io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
    std::optional<tcp::acceptor> acceptor;
    std::optional<asio::steady_timer> acceptRetry;
    std::vector<std::thread> threads;
    std::atomic<bool> stopping{false};
    std::atomic<int> inFlight{0}; // connections whose request is with the handler or being answered

    mutable std::mutex mutex;
    std::unordered_map<TConnectionBase*, std::weak_ptr<TConnectionBase>> live; // guarded by mutex
    std::unordered_map<std::string, std::size_t> perAddress;                   // guarded by mutex
    std::size_t counted = 0;                                                   // guarded by mutex

    Impl(THttpSettings s, THttpHandler h, TRpcMetrics& m)
        : settings(std::move(s)), handler(std::move(h)), metrics(m) {}

    void Accept();
    void OnAccept(tcp::socket socket);
    void Register(const std::shared_ptr<TConnectionBase>& connection) {
        std::lock_guard lock(mutex);
        live.emplace(connection.get(), connection);
    }
    void Unregister(TConnectionBase* connection, const std::string& address, bool wasCounted) {
        std::lock_guard lock(mutex);
        live.erase(connection);
        if (!wasCounted) return;
        --counted;
        auto it = perAddress.find(address);
        if (it != perAddress.end() && --it->second == 0) perAddress.erase(it);
    }
    // The log line and the count of a request refused at the HTTP level.
    void LogRefusal(const std::string& client, const std::string& session, const std::string& path,
                    int status) {
        TCallRecord record;
        record.client = client;
        record.session = session.substr(0, 8);
        record.method = SanitizedText(path, 120);
        record.outcome = "http-" + std::to_string(status);
        LogCall(record, Clock::duration::zero());
        metrics.CountCall("other", record.outcome, Clock::duration::zero());
    }
};

namespace {

// One client connection over `Stream` (a TCP stream or a TLS stream over one). Every member
// runs on the connection's strand.
template <class Stream> class TConnection : public TConnectionBase {
public:
    static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

    template <class... StreamArgs>
    TConnection(THttpServer::Impl& server, std::string address, std::string client,
                std::string refusal, StreamArgs&&... streamArgs)
        : server_(server), stream_(std::forward<StreamArgs>(streamArgs)...),
          address_(std::move(address)), client_(std::move(client)), refusal_(std::move(refusal)) {}

    ~TConnection() override { server_.Unregister(this, address_, refusal_.empty()); }

    void Start() override {
        server_.Register(shared_from_this());
        auto self = Self();
        asio::dispatch(stream_.get_executor(), [self] {
            if constexpr (kTls) {
                self->Lowest().expires_after(self->server_.settings.headerTimeout);
                self->stream_.async_handshake(asio::ssl::stream_base::server,
                                              [self](beast::error_code ec) {
                                                  if (ec) return self->Close();
                                                  self->Begin();
                                              });
            } else {
                self->Begin();
            }
        });
    }

    void OnStop() override {
        if (state_ == State::Idle || state_ == State::Reading) Close();
    }

    asio::any_io_executor Executor() override { return stream_.get_executor(); }

private:
    enum class State { Idle, Reading, Busy, Writing, Closed };

    std::shared_ptr<TConnection> Self() {
        return std::static_pointer_cast<TConnection>(shared_from_this());
    }
    beast::tcp_stream& Lowest() { return beast::get_lowest_layer(stream_); }

    void Begin() {
        if (!refusal_.empty()) {
            // Over a connection limit: the refusal goes out at once, the request is not read.
            server_.LogRefusal(client_, "", "", 503);
            WriteRefusal(THttpReply::Of(503, kWireContentType, EncodeErrorReply(refusal_)));
            return;
        }
        WaitRequest();
    }

    // Idle until the next request's first bytes arrive (the keep-alive time-out applies).
    void WaitRequest() {
        if (server_.stopping) return Close();
        state_ = State::Idle;
        if (buffer_.size() > 0) return ReadHeader();
        Lowest().expires_after(first_ ? server_.settings.headerTimeout
                                      : server_.settings.keepAliveTimeout);
        first_ = false;
        auto self = Self();
        stream_.async_read_some(buffer_.prepare(4096), [self](beast::error_code ec, std::size_t n) {
            if (ec) return self->Close();
            self->buffer_.commit(n);
            self->ReadHeader();
        });
    }

    void ReadHeader() {
        state_ = State::Reading;
        parser_.emplace();
        parser_->header_limit(16 * 1024);
        parser_->body_limit(server_.settings.maxBodyBytes);
        Lowest().expires_after(server_.settings.headerTimeout);
        auto self = Self();
        http::async_read_header(stream_, buffer_, *parser_,
                                [self](beast::error_code ec, std::size_t) { self->OnHeader(ec); });
    }

    void OnHeader(beast::error_code ec) {
        if (ec) return OnReadError(ec);
        if (const auto length = parser_->content_length();
            length && *length > server_.settings.maxBodyBytes)
            return Refuse(413);
        bodyStart_ = Clock::now();
        bodyBytes_ = 0;
        ReadBody();
    }

    // The body at the minimum rate: after the grace, the deadline moves on with every byte.
    void ReadBody() {
        if (parser_->is_done()) return Dispatch();
        const auto& s = server_.settings;
        const auto allowed =
            s.bodyGrace +
            std::chrono::milliseconds(bodyBytes_ * 1000 / std::max<std::size_t>(1, s.bodyMinRate));
        Lowest().expires_at(bodyStart_ + allowed);
        auto self = Self();
        http::async_read_some(stream_, buffer_, *parser_,
                              [self](beast::error_code ec, std::size_t n) {
                                  if (ec) return self->OnReadError(ec);
                                  self->bodyBytes_ += n;
                                  self->ReadBody();
                              });
    }

    void OnReadError(beast::error_code ec) {
        if (ec == http::error::body_limit) return Refuse(413);
        if (ec == http::error::header_limit) return Refuse(431);
        if (ec == beast::error::timeout) {
            // A header or body that did not arrive in time: closed without a reply.
            server_.LogRefusal(client_, Header(kSessionHeader), Path(), 408);
            return Close();
        }
        if (ec.category() == beast::error_code(http::error::bad_target).category() &&
            ec != http::error::end_of_stream && ec != http::error::partial_message)
            return Refuse(400);
        Close(); // the peer went away
    }

    std::string Header(const char* name) const {
        if (!parser_) return {};
        return std::string(parser_->get()[name]);
    }
    std::string Verb() const {
        return parser_ ? std::string(parser_->get().method_string()) : std::string();
    }
    std::string Path() const {
        if (!parser_) return {};
        const std::string_view target = parser_->get().target();
        return std::string(target.substr(0, target.find('?')));
    }

    void Refuse(int status) {
        const std::string path = Path();
        server_.LogRefusal(client_, Header(kSessionHeader), path, status);
        WriteRefusal(THttpReply::Of(
            status, kWireContentType,
            EncodeErrorReply(RefusalText(status, Verb(), path, server_.settings.maxBodyBytes))));
    }

    void Dispatch() {
        state_ = State::Busy;
        Lowest().expires_never();
        auto& req = parser_->get();
        THttpRequest request;
        request.verb = std::string(req.method_string());
        request.path = Path();
        request.session = std::string(req[kSessionHeader]);
        if (const auto authorization = req[http::field::authorization];
            authorization.size() > 7 && beast::iequals(authorization.substr(0, 7), "Bearer "))
            request.bearer = std::string(authorization.substr(7));
        request.client = client_;
        request.address = address_;
        request.body = std::move(req.body());
        keepAlive_ = req.keep_alive();
        http11_ = req.version() == 11;
        parser_.reset();
        ++server_.inFlight;
        auto self = Self();
        server_.handler(std::move(request), [self](THttpReply reply) {
            if constexpr (!kTls) {
                if (self->SendDirect(reply)) return;
            }
            asio::post(self->stream_.get_executor(), [self, reply = std::move(reply)]() mutable {
                self->Write(std::move(reply));
            });
        });
    }

    // Runs on the worker that made a small reply for a plain connection: the reply goes out from
    // here, sparing the round trip through an I/O thread, and the connection goes on on its
    // strand. Safe because nothing touches the socket while a request is with the handler (no
    // operation is pending on it and Stop leaves a busy connection alone until the workers end).
    bool SendDirect(const THttpReply& reply) {
        std::size_t bytes = 0;
        for (const auto& part : reply.parts) bytes += part->size();
        if (bytes > 16 * 1024 || !http11_) return false;
        const bool keepAlive = keepAlive_ && !server_.stopping;
        std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                          std::string(http::obsolete_reason(
                              http::int_to_status(static_cast<unsigned>(reply.status)))) +
                          "\r\nContent-Type: " + reply.contentType +
                          "\r\nContent-Length: " + std::to_string(bytes) + "\r\n" +
                          (keepAlive ? "" : "Connection: close\r\n") + "\r\n";
        for (const auto& part : reply.parts) out += *part;
        const ssize_t sent = ::send(Lowest().socket().native_handle(), out.data(), out.size(),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        const bool failed = sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
        if (sent > 0) out.erase(0, static_cast<std::size_t>(sent));
        auto self = Self();
        asio::post(stream_.get_executor(),
                   [self, rest = std::move(out), keepAlive, failed]() mutable {
                       self->AfterDirect(std::move(rest), keepAlive, failed);
                   });
        return true;
    }

    // The rest of a reply sent by SendDirect, if any, then the next request.
    void AfterDirect(std::string rest, bool keepAlive, bool failed) {
        if (state_ == State::Closed || failed) {
            --server_.inFlight;
            return Close();
        }
        if (rest.empty()) {
            --server_.inFlight;
            if (!keepAlive) return Close();
            return WaitRequest();
        }
        state_ = State::Writing;
        rest_ = std::move(rest);
        Lowest().expires_after(std::chrono::seconds(30));
        auto self = Self();
        asio::async_write(Lowest(), asio::buffer(rest_),
                          [self, keepAlive](beast::error_code ec, std::size_t) {
                              --self->server_.inFlight;
                              self->rest_.clear();
                              if (ec || !keepAlive) return self->Close();
                              self->WaitRequest();
                          });
    }

    void Prepare(THttpReply reply, bool keepAlive) {
        response_ = {};
        response_.version(11);
        response_.result(static_cast<unsigned>(reply.status));
        response_.set(http::field::content_type, reply.contentType);
        response_.body() = std::move(reply.parts);
        response_.keep_alive(keepAlive);
        response_.prepare_payload();
        // Time for the reply at 16 KB/s, and half a minute more.
        const auto bytes = TPartsBody::size(response_.body());
        Lowest().expires_after(std::chrono::seconds(30) +
                               std::chrono::milliseconds(bytes * 1000 / (16 * 1024)));
    }

    void Write(THttpReply reply) {
        if (state_ == State::Closed) {
            --server_.inFlight;
            return;
        }
        state_ = State::Writing;
        const bool keepAlive = keepAlive_ && !server_.stopping;
        Prepare(std::move(reply), keepAlive);
        auto self = Self();
        http::async_write(stream_, response_, [self, keepAlive](beast::error_code ec, std::size_t) {
            --self->server_.inFlight;
            self->response_.body().clear();
            if (ec || !keepAlive) return self->Close();
            self->WaitRequest();
        });
    }

    // A refusal: the reply, then the connection's sending side shut and whatever the peer still
    // sends read and dropped for a moment, so that the peer reads the reply before the close.
    void WriteRefusal(THttpReply reply) {
        state_ = State::Writing;
        parser_.reset();
        Prepare(std::move(reply), false);
        auto self = Self();
        http::async_write(stream_, response_, [self](beast::error_code ec, std::size_t) {
            if (ec) return self->Close();
            beast::error_code ignored; // a peer already gone needs no shutdown
            self->Lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
            self->state_ = State::Reading;
            self->Lowest().expires_after(std::chrono::seconds(5));
            self->Drain();
        });
    }

    void Drain() {
        auto self = Self();
        Lowest().async_read_some(asio::buffer(drain_), [self](beast::error_code ec, std::size_t) {
            if (ec) return self->Close();
            self->Drain();
        });
    }

    void Close() {
        if (state_ == State::Closed) return;
        state_ = State::Closed;
        beast::error_code ignored; // closing a socket that failed already
        Lowest().socket().shutdown(tcp::socket::shutdown_both, ignored);
        Lowest().close();
    }

    THttpServer::Impl& server_;
    Stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<TPartsBody> response_;
    std::array<char, 16 * 1024> drain_;
    std::string address_;
    std::string client_;
    std::string refusal_; // non-empty: over a limit, refused at once
    State state_ = State::Idle;
    bool first_ = true;
    bool keepAlive_ = false;
    bool http11_ = false;
    std::string rest_; // the part of a directly sent reply left for the I/O thread
    Clock::time_point bodyStart_;
    std::size_t bodyBytes_ = 0;
};

} // namespace

void THttpServer::Impl::Accept() {
    acceptor->async_accept(asio::make_strand(*io),
                           [this](beast::error_code ec, tcp::socket socket) {
                               if (ec == asio::error::operation_aborted || !acceptor->is_open())
                                   return;
                               if (ec) {
                                   // Out of descriptors or similar: try again shortly instead of
                                   // spinning.
                                   acceptRetry->expires_after(std::chrono::milliseconds(50));
                                   acceptRetry->async_wait([this](beast::error_code waited) {
                                       if (!waited && acceptor->is_open()) Accept();
                                   });
                                   return;
                               }
                               OnAccept(std::move(socket));
                               Accept();
                           });
}

void THttpServer::Impl::OnAccept(tcp::socket socket) {
    beast::error_code ec;
    const tcp::endpoint peer = socket.remote_endpoint(ec);
    if (ec) return; // gone already
    socket.set_option(tcp::no_delay(true), ec);
    const std::string address = peer.address().to_string();
    const std::string client = address + ":" + std::to_string(peer.port());
    std::string refusal;
    {
        std::lock_guard lock(mutex);
        std::size_t& fromAddress = perAddress[address];
        if (counted >= settings.maxConnections)
            refusal = "O servidor de aplicação atingiu o limite de conexões; tente novamente em "
                      "instantes.";
        else if (fromAddress >= settings.maxConnectionsPerAddress)
            refusal = "Há conexões demais a partir deste endereço no servidor de aplicação; "
                      "tente novamente em instantes.";
        if (refusal.empty()) {
            ++counted;
            ++fromAddress;
        } else if (fromAddress == 0) {
            perAddress.erase(address);
        }
    }
    std::shared_ptr<TConnectionBase> connection;
    if (settings.tls)
        connection = std::make_shared<TConnection<beast::ssl_stream<beast::tcp_stream>>>(
            *this, address, client, refusal, std::move(socket), *settings.tls);
    else
        connection = std::make_shared<TConnection<beast::tcp_stream>>(*this, address, client,
                                                                      refusal, std::move(socket));
    connection->Start();
}

THttpServer::THttpServer(THttpSettings settings, THttpHandler handler, TRpcMetrics& metrics)
    : impl_(std::make_unique<Impl>(std::move(settings), std::move(handler), metrics)) {}

THttpServer::~THttpServer() {
    Shutdown(std::chrono::milliseconds(0));
}

int THttpServer::Listen(const std::string& host, int port) {
    Impl& s = *impl_;
    s.io = std::make_unique<asio::io_context>(std::max(1, s.settings.ioThreads));
    const std::string where = host + ":" + std::to_string(port);
    beast::error_code ec;
    tcp::resolver resolver(*s.io);
    const auto endpoints = resolver.resolve(host.empty() ? std::string("0.0.0.0") : host,
                                            std::to_string(port), tcp::resolver::passive, ec);
    if (ec || endpoints.empty())
        throw Exception("Não foi possível escutar em " + where + " (endereço desconhecido).");
    const tcp::endpoint endpoint = endpoints.begin()->endpoint();
    s.acceptor.emplace(asio::make_strand(*s.io));
    s.acceptor->open(endpoint.protocol(), ec);
    if (!ec) s.acceptor->set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) s.acceptor->bind(endpoint, ec);
    if (!ec) s.acceptor->listen(std::max(128, s.settings.backlog), ec);
    if (ec) {
        s.acceptor.reset();
        throw Exception("Não foi possível escutar em " + where + ".");
    }
    const int bound = s.acceptor->local_endpoint().port();
    s.acceptRetry.emplace(s.acceptor->get_executor());
    s.work.emplace(s.io->get_executor());
    s.Accept();
    for (int i = 0; i < std::max(1, s.settings.ioThreads); ++i)
        s.threads.emplace_back([io = s.io.get()] { io->run(); });
    return bound;
}

void THttpServer::StopAccepting() {
    Impl& s = *impl_;
    if (!s.io || s.stopping.exchange(true)) return;
    asio::post(s.acceptor->get_executor(), [&s] {
        beast::error_code ignored; // closing is all that is wanted
        s.acceptor->close(ignored);
        s.acceptRetry->cancel();
    });
    std::vector<std::shared_ptr<TConnectionBase>> connections;
    {
        std::lock_guard lock(s.mutex);
        for (auto& [raw, weak] : s.live)
            if (auto connection = weak.lock()) connections.push_back(std::move(connection));
    }
    for (auto& connection : connections)
        asio::post(connection->Executor(), [connection] { connection->OnStop(); });
}

void THttpServer::Shutdown(std::chrono::milliseconds writeGrace) {
    Impl& s = *impl_;
    if (!s.io) return;
    StopAccepting();
    const auto until = Clock::now() + writeGrace;
    while (s.inFlight > 0 && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    s.work.reset();
    s.io->stop();
    for (std::thread& thread : s.threads) thread.join();
    s.threads.clear();
    s.acceptRetry.reset();
    s.acceptor.reset();
    s.io.reset(); // destroys the connections still held by pending handlers
}

std::size_t THttpServer::ConnectionCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->counted;
}

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost") return true;
    beast::error_code ec;
    const asio::ip::address address = asio::ip::make_address(host, ec);
    if (ec) return false;
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).is_loopback();
    return address.is_loopback();
}

} // namespace platform
