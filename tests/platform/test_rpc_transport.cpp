// Tests of the RPC server's transport under load and abuse: slow and idle clients, deadlines,
// limits, TLS, /health and /metrics, and the reply written in pieces. Loopback only.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include <httplib.h>

#include "platform/calldeadline.h"
#include "platform/calllog.h"
#include "platform/netconnection.h"
#include "platform/rpcreply.h"
#include "platform/rpcserver.h"
#include "platform/wire.h"

using namespace platform;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

using Clock = std::chrono::steady_clock;

class TTransportObject : public TDispatchObject {
public:
    TTransportObject() : TDispatchObject("Test.rdmTransporte") {
        Method("Echo", "V", [](std::vector<Variant>& a) { return a[0]; });
        Method("Counter", "", [this](std::vector<Variant>&) { return Variant(++counter_); });
        Method("Sleep", "I", [](std::vector<Variant>& a) {
            std::this_thread::sleep_for(std::chrono::milliseconds(a[0].AsInteger()));
            return Variant("acordei");
        });
        // Works until the deadline stops it, or gives up after the milliseconds given.
        Method("Spin", "I", [](std::vector<Variant>& a) {
            const auto until = Clock::now() + std::chrono::milliseconds(a[0].AsInteger());
            while (Clock::now() < until) {
                CheckCallDeadline();
                std::this_thread::sleep_for(1ms);
            }
            return Variant("sem prazo");
        });
    }

private:
    int counter_ = 0;
};

// The log lines of the server under test, kept instead of written to standard error.
class TLogCapture {
public:
    TLogCapture() {
        SetLogSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~TLogCapture() { SetLogSink(nullptr); }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A raw TCP connection to the server from `source` (a loopback address).
int ConnectFrom(const char* source, int port, bool blocking = true) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source, &local.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        close(fd);
        return -1;
    }
    if (!blocking) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int rc = connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote);
    if (rc != 0 && !(errno == EINPROGRESS && !blocking)) {
        close(fd);
        return -1;
    }
    return fd;
}

void SetReceiveTimeout(int fd, std::chrono::milliseconds timeout) {
    timeval tv{};
    tv.tv_sec = timeout.count() / 1000;
    tv.tv_usec = (timeout.count() % 1000) * 1000;
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

// Reads until the peer closes (or 5 s pass); returns everything read.
std::string ReadToClose(int fd) {
    SetReceiveTimeout(fd, 5000ms);
    std::string all;
    char chunk[4096];
    for (;;) {
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        all.append(chunk, static_cast<std::size_t>(n));
    }
    return all;
}

struct TRawReply {
    int status = 0;
    std::string body;
};

// One request with "Connection: close" from `source`; the reply as read up to the close.
TRawReply RawPost(const char* source, int port, const std::string& path,
                  const std::string& session = "", const std::string& body = "") {
    const int fd = ConnectFrom(source, port);
    if (fd < 0) return {};
    std::string request = "POST " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n";
    if (!session.empty()) request += std::string(kSessionHeader) + ": " + session + "\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    const std::string answer = ReadToClose(fd);
    close(fd);
    TRawReply reply;
    if (answer.size() > 12) reply.status = std::atoi(answer.substr(9, 3).c_str());
    const std::size_t end = answer.find("\r\n\r\n");
    if (end != std::string::npos) reply.body = answer.substr(end + 4);
    return reply;
}

std::string MessageOf(const std::string& body) {
    const TWireReply reply = DecodeReply(body);
    return reply.status == TReplyStatus::Ok ? "ok: " + VarToStr(reply.result) : reply.message;
}

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_.RegisterObject("Test.rdmTransporte",
                               [] { return std::make_unique<TTransportObject>(); });
    }
    void Start() { port_ = server_.Listen(); }

    std::unique_ptr<TNetConnection> Client() {
        auto net = std::make_unique<TNetConnection>();
        net->SetServerName("Test.rdmTransporte");
        net->SetHost("127.0.0.1");
        net->SetPort(port_);
        return net;
    }

    httplib::Result Get(const std::string& path) {
        httplib::Client http("127.0.0.1", port_);
        return http.Get(path.c_str());
    }

    TLogCapture log_;
    TRpcServer server_;
    int port_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Slow and idle clients

TEST_F(TransportTest, SlowlorisFromOneAddressDoesNotStarveANormalClient) {
    server_.SetConnectionLimits(1000, 50);
    Start();
    // 200 connections from 127.0.0.2 trickle header bytes for 20 s; closed ones are reopened.
    std::atomic<bool> done{false};
    std::atomic<int> opened{0};
    std::thread attacker([&] {
        std::vector<int> fds(200, -1);
        const std::string header = "POST /Test.rdmTransporte/Echo HTTP/1.1\r\nHost: x\r\nX-Pad: ";
        std::vector<std::size_t> sent(fds.size(), 0);
        while (!done) {
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i] < 0) {
                    fds[i] = ConnectFrom("127.0.0.2", port_, false);
                    sent[i] = 0;
                    if (fds[i] >= 0) ++opened;
                    continue;
                }
                char sink[512];
                const ssize_t got = recv(fds[i], sink, sizeof sink, MSG_DONTWAIT);
                const char byte = sent[i] < header.size() ? header[sent[i]] : 'a';
                const bool closed =
                    got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
                if (!closed && send(fds[i], &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1) ++sent[i];
                if (closed || (got < 0 && errno == EPIPE)) {
                    close(fds[i]);
                    fds[i] = -1;
                }
            }
            std::this_thread::sleep_for(200ms);
        }
        for (int fd : fds)
            if (fd >= 0) close(fd);
    });
    auto net = Client();
    net->SetReadTimeout(2000ms);
    int attempts = 0;
    int served = 0;
    std::vector<double> millis;
    const auto until = Clock::now() + 20s;
    while (Clock::now() < until) {
        ++attempts;
        const auto started = Clock::now();
        try {
            if (net->Call("Echo", {Variant(attempts)}).AsInteger() == attempts) ++served;
        } catch (const ERpcError&) {}
        millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
        std::this_thread::sleep_for(20ms);
    }
    done = true;
    attacker.join();
    std::sort(millis.begin(), millis.end());
    const double p99 = millis[millis.size() * 99 / 100];
    const double servedShare = 100.0 * served / attempts;
    std::printf("slowloris: %d calls, %.1f%% served, p99 %.2f ms, %d attacker connections\n",
                attempts, servedShare, p99, opened.load());
    EXPECT_GE(servedShare, 95.0);
    EXPECT_LT(p99, 100.0);
    EXPECT_GT(opened.load(), 200); // the header deadline and the limit made it reconnect
}

TEST_F(TransportTest, IdleKeptAliveClientsHoldNoWorker) {
    server_.SetThreadCount(2);
    server_.SetKeepAliveTimeout(10s);
    Start();
    std::vector<std::unique_ptr<TNetConnection>> idle;
    for (int i = 0; i < 32; ++i) {
        idle.push_back(Client());
        ASSERT_EQ(idle.back()->Call("Counter").AsInteger(), 1);
    }
    auto another = Client();
    const auto started = Clock::now();
    EXPECT_EQ(another->Call("Echo", {Variant("ainda atende")}).AsString(), "ainda atende");
    EXPECT_LT(Clock::now() - started, 1s);
    auto metrics = Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_THAT(metrics->body, HasSubstr("pag_rpc_open_sessions 33\n"));
    std::smatch open;
    ASSERT_TRUE(
        std::regex_search(metrics->body, open, std::regex("pag_rpc_open_connections ([0-9]+)\n")));
    EXPECT_GE(std::stoi(open[1]), 33);
}

TEST_F(TransportTest, HeaderAndBodyDeadlinesCloseTheConnection) {
    server_.SetHeaderTimeout(500ms);
    server_.SetMinBodyRate(10'000, 300ms);
    Start();
    // A header that never ends.
    int fd = ConnectFrom("127.0.0.1", port_);
    const std::string partial = "POST /Test.rdmTransporte/Echo HTTP/1.1\r\nHost: x\r\n";
    send(fd, partial.data(), partial.size(), MSG_NOSIGNAL);
    auto started = Clock::now();
    EXPECT_EQ(ReadToClose(fd), "");
    auto took = Clock::now() - started;
    close(fd);
    EXPECT_GE(took, 400ms);
    EXPECT_LT(took, 3s);
    // A body far below the minimum rate: 10 bytes every 100 ms of 100000 declared.
    fd = ConnectFrom("127.0.0.1", port_);
    const std::string header = "POST /Test.rdmTransporte/Echo HTTP/1.1\r\nHost: x\r\n"
                               "Content-Length: 100000\r\n\r\n";
    send(fd, header.data(), header.size(), MSG_NOSIGNAL);
    started = Clock::now();
    bool closed = false;
    while (!closed && Clock::now() - started < 5s) {
        closed = send(fd, "0123456789", 10, MSG_NOSIGNAL) != 10;
        char byte;
        closed = closed || recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
        std::this_thread::sleep_for(100ms);
    }
    close(fd);
    EXPECT_TRUE(closed);
    EXPECT_LT(Clock::now() - started, 3s);
    // Both are in the log.
    int timeouts = 0;
    for (const std::string& line : log_.Lines())
        if (line.find("outcome=http-408") != std::string::npos) ++timeouts;
    EXPECT_EQ(timeouts, 2);
    // The server still serves.
    EXPECT_EQ(Client()->Call("Echo", {Variant(5)}).AsInteger(), 5);
}

// ---------------------------------------------------------------------------------------------
// Limits

TEST_F(TransportTest, ConnectionAndSessionLimitsAnswerTheirRefusals) {
    server_.SetConnectionLimits(3, 2);
    server_.SetSessionLimits(3, 2);
    Start();
    // Connections: two held from 127.0.0.1, the third from there is refused, one from
    // 127.0.0.2 is served, then the total is reached.
    // Each step waits until the server has counted the connections held or closed.
    const auto connectionsOpen = [&](std::size_t count) {
        const auto until = Clock::now() + 10s;
        while (server_.ConnectionCount() != count && Clock::now() < until)
            std::this_thread::sleep_for(5ms);
        return server_.ConnectionCount();
    };
    const int a = ConnectFrom("127.0.0.1", port_);
    const int b = ConnectFrom("127.0.0.1", port_);
    ASSERT_EQ(connectionsOpen(2), 2u);
    TRawReply refused = RawPost("127.0.0.1", port_, "/Test.rdmTransporte/__connect");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(MessageOf(refused.body), "Há conexões demais a partir deste endereço no servidor de "
                                       "aplicação; tente novamente em instantes.");
    const int c = ConnectFrom("127.0.0.2", port_);
    ASSERT_EQ(connectionsOpen(3), 3u);
    refused = RawPost("127.0.0.3", port_, "/Test.rdmTransporte/__connect");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(
        MessageOf(refused.body),
        "O servidor de aplicação atingiu o limite de conexões; tente novamente em instantes.");
    close(a);
    close(b);
    close(c);
    ASSERT_EQ(connectionsOpen(0), 0u);

    // Sessions: two from 127.0.0.1, the third from there refused; one from 127.0.0.2, then the
    // total is reached for 127.0.0.3.
    std::vector<std::string> sessions;
    for (int i = 0; i < 2; ++i) {
        TRawReply ok = RawPost("127.0.0.1", port_, "/Test.rdmTransporte/__connect");
        ASSERT_EQ(DecodeReply(ok.body).status, TReplyStatus::Ok);
        sessions.push_back(DecodeReply(ok.body).result.AsString());
    }
    EXPECT_EQ(MessageOf(RawPost("127.0.0.1", port_, "/Test.rdmTransporte/__connect").body),
              "Há sessões demais abertas a partir deste endereço no servidor de aplicação; encerre "
              "alguma e tente novamente.");
    EXPECT_EQ(DecodeReply(RawPost("127.0.0.2", port_, "/Test.rdmTransporte/__connect").body).status,
              TReplyStatus::Ok);
    EXPECT_EQ(MessageOf(RawPost("127.0.0.3", port_, "/Test.rdmTransporte/__connect").body),
              "O servidor de aplicação atingiu o limite de sessões abertas; tente novamente mais "
              "tarde.");
    EXPECT_EQ(server_.SessionCount(), 3u);
    // Ending one makes room again.
    RawPost("127.0.0.1", port_, "/Test.rdmTransporte/__disconnect", sessions[0]);
    EXPECT_EQ(DecodeReply(RawPost("127.0.0.1", port_, "/Test.rdmTransporte/__connect").body).status,
              TReplyStatus::Ok);
    // Every refusal has its log line.
    int refusals = 0;
    for (const std::string& line : log_.Lines())
        if (line.find("outcome=http-503") != std::string::npos ||
            line.find("outcome=refused") != std::string::npos)
            ++refusals;
    EXPECT_EQ(refusals, 4);
}

// ---------------------------------------------------------------------------------------------
// Call deadlines and Stop

TEST_F(TransportTest, ACallPastItsDeadlineGetsAFailureReplyAndASessionInACallDoesNotExpire) {
    server_.SetCallTimeout(300ms);
    server_.SetSessionIdleTimeout(100ms);
    Start();
    auto net = Client();
    EXPECT_EQ(net->Call("Counter").AsInteger(), 1);
    const auto started = Clock::now();
    try {
        net->Call("Spin", {Variant(10'000)});
        FAIL() << "the call should be cut by its deadline";
    } catch (const EServerError& e) {
        EXPECT_THAT(e.Message(), HasSubstr("A chamada excedeu o tempo máximo"));
    }
    EXPECT_LT(Clock::now() - started, 2s);
    // The call lasted three idle time-outs; the session outlived it.
    EXPECT_EQ(net->Call("Counter").AsInteger(), 2);
    bool logged = false;
    for (const std::string& line : log_.Lines())
        logged = logged || (line.find("method=Test.rdmTransporte.Spin") != std::string::npos &&
                            line.find("outcome=deadline") != std::string::npos);
    EXPECT_TRUE(logged);
}

TEST_F(TransportTest, StopCancelsTheCallsThatOutlastTheGraceAndClosesIdleConnections) {
    server_.SetStopGrace(200ms);
    server_.SetKeepAliveTimeout(30s);
    Start();
    auto idle = Client();
    EXPECT_EQ(idle->Call("Counter").AsInteger(), 1); // its connection stays open, idle
    auto busy = Client();
    busy->SetConnected(true);
    auto call = std::async(std::launch::async, [&] {
        try {
            busy->Call("Spin", {Variant(20'000)});
        } catch (const EServerError& e) { return e.Message(); }
        return std::string("no failure");
    });
    std::this_thread::sleep_for(200ms);
    const auto started = Clock::now();
    server_.Stop();
    EXPECT_LT(Clock::now() - started, 2s);
    EXPECT_EQ(call.get(), "O servidor de aplicação está sendo encerrado: a chamada foi cancelada "
                          "e nada do que ela fazia foi gravado.");
    EXPECT_FALSE(server_.Running());
    EXPECT_EQ(server_.SessionCount(), 0u);
    bool logged = false;
    for (const std::string& line : log_.Lines())
        logged = logged || line.find("outcome=cancelled") != std::string::npos;
    EXPECT_TRUE(logged);
}

// ---------------------------------------------------------------------------------------------
// TLS

TEST_F(TransportTest, TlsRoundTripWithASelfSignedCertificate) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("pag-tls-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string cert = (dir / "cert.pem").string();
    const std::string key = (dir / "key.pem").string();
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
        "-subj /CN=localhost -keyout " +
        key + " -out " + cert + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    try {
        server_.SetTls((dir / "nada.pem").string(), key);
        FAIL() << "a missing certificate should raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Não foi possível ler o certificado TLS em \"" +
                                   (dir / "nada.pem").string() + "\".");
    }
    EXPECT_THROW(server_.SetTls(cert, cert), Exception); // a certificate is no key

    server_.SetTls(cert, key);
    Start();
    httplib::SSLClient https("127.0.0.1", port_);
    https.enable_server_certificate_verification(false);
    auto connect = https.Post("/Test.rdmTransporte/__connect", "", kWireContentType);
    ASSERT_TRUE(connect);
    const std::string session = DecodeReply(connect->body).result.AsString();
    EXPECT_EQ(session.size(), 32u);
    httplib::Headers headers{{kSessionHeader, session}};
    const std::string big(3 << 20, 'z'); // a reply in several pieces, over TLS
    auto echo = https.Post("/Test.rdmTransporte/Echo", headers,
                           EncodeRequest({{Variant::FromBytes(big), false}}), kWireContentType);
    ASSERT_TRUE(echo);
    EXPECT_EQ(DecodeReply(echo->body).result.AsBytes(), big);
    // Plain HTTP on the TLS port gets no reply.
    httplib::Client plain("127.0.0.1", port_);
    plain.set_read_timeout(2, 0);
    EXPECT_FALSE(plain.Post("/Test.rdmTransporte/__connect", "", kWireContentType));
    std::filesystem::remove_all(dir);
}

// ---------------------------------------------------------------------------------------------
// Health and metrics

TEST_F(TransportTest, HealthFollowsTheCheckAndMetricsCountTheCalls) {
    std::atomic<bool> healthy{true};
    std::atomic<bool> onWorker{false};
    const auto listenerThread = std::this_thread::get_id();
    server_.SetHealthCheck([&] {
        onWorker = std::this_thread::get_id() != listenerThread;
        return healthy.load();
    });
    Start();
    auto res = Get("/health");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_TRUE(onWorker);
    healthy = false;
    res = Get("/health");
    EXPECT_EQ(res->status, 503);
    EXPECT_FALSE(res->body.empty());
    auto other = Get("/nada");
    EXPECT_EQ(other->status, 404);
    EXPECT_EQ(DecodeReply(other->body).status, TReplyStatus::Error);

    auto net = Client();
    net->Call("echo", {Variant(1)}); // any spelling counts under the registered name
    net->Call("Echo", {Variant(2)});
    EXPECT_THROW(net->Call("Inexistente123"), EServerError);
    auto metrics = Get("/metrics");
    ASSERT_TRUE(metrics);
    const std::string& text = metrics->body;
    EXPECT_THAT(text, HasSubstr("pag_rpc_calls_total{method=\"Test.rdmTransporte.Echo\","
                                "outcome=\"ok\"} 2\n"));
    EXPECT_THAT(text, HasSubstr("pag_rpc_calls_total{method=\"other\",outcome=\"error\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("pag_rpc_calls_total{method=\"other\",outcome=\"http-404\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("pag_rpc_open_sessions 1\n"));
    EXPECT_THAT(text, HasSubstr("pag_rpc_calls_in_flight 0\n"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("Inexistente123")));
    // Every line is a comment or `name{labels} value` of the text exposition format, and the
    // histogram's count matches its +Inf bucket.
    const std::regex sample(R"re(([a-z_]+)(\{([a-z]+="[^"\\]*",?)+\})? ([0-9.e+-]+|\+Inf))re");
    std::istringstream lines(text);
    std::string line, inf, count;
    while (std::getline(lines, line)) {
        if (line.rfind("# HELP ", 0) == 0 || line.rfind("# TYPE ", 0) == 0) continue;
        EXPECT_TRUE(std::regex_match(line, sample)) << line;
        if (line.rfind("pag_rpc_call_duration_seconds_bucket{le=\"+Inf\"}", 0) == 0)
            inf = line.substr(line.rfind(' ') + 1);
        if (line.rfind("pag_rpc_call_duration_seconds_count ", 0) == 0)
            count = line.substr(line.rfind(' ') + 1);
    }
    EXPECT_FALSE(count.empty());
    EXPECT_EQ(inf, count);
}

// ---------------------------------------------------------------------------------------------
// The reply in pieces

TEST(ReplyParts, AreTheEnvelopeExactlyAndShareTheLargeByteStrings) {
    auto packet = std::make_shared<const std::string>(std::string(200'000, 'p'));
    Variant result = Variant::Array(0, 2);
    result[0] = Variant(0);
    result[1] = Variant("mensagem");
    Variant inner = Variant::Array(-1, 20); // 22 elements: a 16-bit array header
    inner[-1] = Variant::FromBytes(packet);
    inner[3] = Variant::FromBytes(std::string(65'535, 's')); // below the threshold: copied
    result[2] = inner;
    const std::vector<Variant> byRef = {Variant("ref"), Variant::FromBytes(packet)};
    const auto parts = EncodeOkReplyParts(result, byRef);
    std::string joined;
    int shared = 0;
    for (const auto& part : parts) {
        joined += *part;
        if (part.get() == packet.get()) ++shared;
    }
    EXPECT_EQ(joined, EncodeOkReply(result, byRef));
    EXPECT_EQ(shared, 2);
    // Without large byte strings it is one piece.
    EXPECT_EQ(EncodeOkReplyParts(Variant("x"), {}).size(), 1u);
}

} // namespace
