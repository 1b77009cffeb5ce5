// Benchmarks of the application server end to end on SQLite, with SQLite stepping the list's
// SELECT as baseline (the same on PostgreSQL: bench_server_pg.cpp; many clients at once:
// bench_concurrent.cpp; what they share: serverkit.h).
//
// BM_SqliteStepAll, BM_LoadAll and BM_LoadDateRange share one database file of N bulk
// write-offs; BM_Confirm has a database of its own. Every server benchmark starts its own server
// on a loopback port and calls it through the client connection. Compare the "real_time" of
// the JSON output: the client mostly waits, so its CPU time says little.
//
// BM_LoadAll also reports memory (Linux): server_peak_bytes is the growth of this process's
// peak resident set while the remote object's GetBaixaPag_Filtro runs on its own (no client,
// no transport; its connection opened and warmed by an earlier call), next to the packet's
// size; rpc_body_peak_bytes adds the RPC layer's encoding of the reply body to that call (the
// pieces the server writes, the packet shared rather than copied).
//
// BM_SmallCall is one GetPrxLista round trip on a kept-alive loopback connection, logged in as
// the demo operator (its token on every call); BM_SmallCallAnonymous the same on a transport
// without login, the figure BM_SmallCall is held to within 10% of; BM_TcpEcho
// moves the same numbers of request and reply bytes over a plain loopback socket pair with a
// thread echoing, the floor that the transport's overhead is read against.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

#include "bench/serverkit.h"
#include "platform/dataset.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "platform/rpcreply.h"
#include "platform/rpcserver.h"
#include "platform/serverreply.h"
#include "platform/wire.h"
#include "protocol/filtroargs.h"
#include "server/connectionpool.h"
#include "server/pagserver.h"
#include "server/passwords.h"
#include "server/rdmreccontbaixapag.h"
#include "server/schema.h"
#include "server/seed.h"
#include "server/writeofflist.h"

using namespace platform;

namespace {

using bench::BulkDatabase;
using bench::Criteria;
using bench::PeakResidentGrowth;
using bench::Today;
using bench::TServerFixture;

// The SQLite file behind a BulkDatabase URL.
std::string FileOf(const std::string& url) {
    return url.substr(std::string_view("sqlite:").size());
}

// SQLite alone: prepare the list's SELECT for all rows, step it and read every column.
void BM_SqliteStepAll(benchmark::State& state) {
    const std::string path = FileOf(BulkDatabase("list", static_cast<int>(state.range(0))));
    server::TWriteOffCriteria criteria;
    criteria.company = "01";
    const server::TSqlStatement statement = server::BuildWriteOffQuery(TSqlKind::SQLite, criteria);
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::size_t rows = 0;
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, statement.text.c_str(), -1, &stmt, nullptr);
        for (int i = 0; i < statement.params.Count(); ++i) {
            const int index =
                sqlite3_bind_parameter_index(stmt, (":" + statement.params.Name(i)).c_str());
            const std::string value = statement.params.Value(i).AsString();
            sqlite3_bind_text(stmt, index, value.c_str(), -1, SQLITE_TRANSIENT);
        }
        rows = 0;
        std::size_t bytes = 0;
        const int columns = sqlite3_column_count(stmt);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            ++rows;
            for (int c = 0; c < columns; ++c) {
                if (sqlite3_column_type(stmt, c) == SQLITE_FLOAT) {
                    benchmark::DoNotOptimize(sqlite3_column_double(stmt, c));
                } else {
                    benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
                    bytes += static_cast<std::size_t>(sqlite3_column_bytes(stmt, c));
                }
            }
        }
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_SqliteStepAll)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The remote object alone over the bulk database of the benchmark's size, with the arguments
// of the whole list of company 01.
struct TListObject {
    explicit TListObject(const benchmark::State& state)
        : pool(BulkDatabase("list", static_cast<int>(state.range(0)))) {
        for (const TRpcArg& arg : Criteria(0, 0)) args.push_back(arg.Value());
    }
    server::TConnectionPool pool;
    server::TServerContext context{pool, {}};
    server::TRdmRecContBaixaPag object{
        context, TSessionIdentity{server::kDemoOperator, "127.0.0.1", "medida"}};
    std::vector<Variant> args;
};

void BM_LoadAll(benchmark::State& state) {
    bench::LoadLoop(state, BulkDatabase("list", static_cast<int>(state.range(0))), 0, 0);
    TListObject list(state);
    auto& object = list.object;
    const std::vector<Variant>& args = list.args;
    auto call = [&] {
        std::vector<Variant> copy = args;
        return object.Invoke("GetBaixaPag_Filtro", copy);
    };
    call(); // opens and warms the pooled connection
    Variant reply;
    const std::size_t methodPeak = PeakResidentGrowth([&] { reply = call(); });
    const std::size_t packetBytes = UnpackServerReply(reply).payload.AsBytes().size();
    reply = Variant();
    const std::size_t bodyPeak = PeakResidentGrowth([&] {
        Variant result = call();
        benchmark::DoNotOptimize(EncodeOkReplyParts(result, {}).size());
    });
    state.counters["packet_bytes"] = static_cast<double>(packetBytes);
    state.counters["server_peak_bytes"] = static_cast<double>(methodPeak);
    state.counters["rpc_body_peak_bytes"] = static_cast<double>(bodyPeak);
}
BENCHMARK(BM_LoadAll)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The server's own handling of the load, without client or transport: the remote object's
// GetBaixaPag_Filtro on a pooled connection, its reply built.
void BM_ListMethod(benchmark::State& state) {
    TListObject list(state);
    auto& object = list.object;
    const std::vector<Variant>& args = list.args;
    for (auto _ : state) {
        std::vector<Variant> copy = args;
        Variant reply = object.Invoke("GetBaixaPag_Filtro", copy);
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(BM_ListMethod)->Arg(100000)->Unit(benchmark::kMillisecond);

// Bulk write-offs are paid evenly over 1000 days: 100 days are a tenth of them.
void BM_LoadDateRange(benchmark::State& state) {
    bench::LoadLoop(state, BulkDatabase("list", static_cast<int>(state.range(0))), Today() - 99,
                    Today());
}
BENCHMARK(BM_LoadDateRange)->Arg(100000)->Unit(benchmark::kMillisecond);

// SetConfirmar of N marked real write-offs, committed. The list is read afresh (untimed) before
// each run, as a client does, since every run changes the write-offs' entry numbers.
void BM_Confirm(benchmark::State& state) {
    const int marked = static_cast<int>(state.range(0));
    bench::ConfirmLoop(state, BulkDatabase("confirm", marked + marked / 8 + 100), marked);
}
BENCHMARK(BM_Confirm)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// GetSimulacao of the same N marked write-offs, held to 1.2 times BM_Confirm/N. A simulation
// changes nothing, so one list serves every iteration.
void BM_Simulate(benchmark::State& state) {
    const int marked = static_cast<int>(state.range(0));
    TServerFixture fixture(BulkDatabase("simulate", marked + marked / 8 + 100));
    const Variant catalogue = bench::RunCatalogue();
    int count = 0;
    const Variant packet = bench::MarkedList(fixture.net, Criteria(0, 0), 0, marked, count);
    for (auto _ : state) {
        TServerReply reply = UnpackServerReply(fixture.net.Call(
            "GetSimulacao", {TRpcArg(packet), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                             TRpcArg("Pagto"), TRpcArg(catalogue)}));
        const std::string failure = bench::RunFailure(reply);
        if (count != marked || !failure.empty()) {
            state.SkipWithError(("a simulação não foi concluída: " + failure).c_str());
            return;
        }
    }
}
BENCHMARK(BM_Simulate)->Arg(10000)->Unit(benchmark::kMillisecond);

// One GetPrxLista round trip through the client connection, kept alive.
void BM_SmallCall(benchmark::State& state) {
    TServerFixture fixture(BulkDatabase("small", 100));
    fixture.net.Call("GetPrxLista"); // connects
    for (auto _ : state) benchmark::DoNotOptimize(fixture.net.Call("GetPrxLista"));
}
BENCHMARK(BM_SmallCall)->UseRealTime()->Unit(benchmark::kMicrosecond);

// BM_SmallCall's call on the same remote object over a transport without an authenticator:
// what the login's checks (the token's hash, the session's owner, the cached verification)
// add to a small call is the difference.
void BM_SmallCallAnonymous(benchmark::State& state) {
    server::TConnectionPool pool(BulkDatabase("small", 100), 4);
    server::TServerContext context{pool, {}};
    TRpcServer rpc;
    rpc.RegisterObject(server::TRdmRecContBaixaPag::kName, [&](const TSessionIdentity& who) {
        return std::make_unique<server::TRdmRecContBaixaPag>(context, who);
    });
    rpc.SetThreadCount(4);
    TNetConnection net;
    net.SetServerName(server::TRdmRecContBaixaPag::kName);
    net.SetPort(rpc.Listen());
    net.Call("GetPrxLista"); // connects
    for (auto _ : state) benchmark::DoNotOptimize(net.Call("GetPrxLista"));
}
BENCHMARK(BM_SmallCallAnonymous)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Sends and reads exactly `bytes.size()` bytes; false when the peer is gone.
bool SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}
bool ReadExactly(int fd, std::string& buffer, std::size_t bytes) {
    buffer.resize(bytes);
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = recv(fd, buffer.data() + done, bytes - done, 0);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// One request over a new loopback connection; the whole reply as read up to the close.
std::string RawExchange(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        !SendAll(fd, request))
        throw std::runtime_error("servidor de aplicação inacessível");
    std::string reply;
    char chunk[4096];
    for (ssize_t n; (n = recv(fd, chunk, sizeof chunk, 0)) > 0;)
        reply.append(chunk, static_cast<std::size_t>(n));
    close(fd);
    return reply;
}

// A request with the headers the client sends.
std::string RawRequest(int port, const std::string& method, const std::string& session,
                       const std::string& body) {
    std::string request = "POST /" + std::string(server::TRdmRecContBaixaPag::kName) + "/" +
                          method + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\nAccept: */*\r\nConnection: close\r\n";
    if (!session.empty()) request += std::string(kSessionHeader) + ": " + session + "\r\n";
    return request +
           "User-Agent: cpp-httplib/0.11\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: application/x-msgpack\r\n\r\n" + body;
}

// The bytes of one GetPrxLista exchange on the wire, read raw once on a session of its own.
std::pair<std::size_t, std::size_t> SmallCallBytes() {
    TServerFixture fixture(BulkDatabase("small", 100));
    const int port = fixture.server->Port();
    const std::string connected = RawExchange(port, RawRequest(port, "__connect", "", ""));
    const std::string session =
        DecodeReply(connected.substr(connected.find("\r\n\r\n") + 4)).result.AsString();
    const std::string request = RawRequest(port, "GetPrxLista", session, EncodeRequest({}));
    return {request.size(), RawExchange(port, request).size()};
}

// The same byte counts as BM_SmallCall over a plain loopback socket pair, a thread echoing.
void BM_TcpEcho(benchmark::State& state) {
    static const std::pair<std::size_t, std::size_t> sizes = SmallCallBytes();
    const auto [requestBytes, replyBytes] = sizes;
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::thread echo([listener, requestBytes = requestBytes, replyBytes = replyBytes] {
        const int fd = accept(listener, nullptr, nullptr);
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const std::string reply(replyBytes, 'r');
        std::string buffer;
        while (ReadExactly(fd, buffer, requestBytes) && SendAll(fd, reply)) {}
        close(fd);
    });
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const std::string request(requestBytes, 'q');
    std::string buffer;
    for (auto _ : state) {
        if (!SendAll(fd, request) || !ReadExactly(fd, buffer, replyBytes)) {
            state.SkipWithError("eco interrompido");
            break;
        }
    }
    close(fd);
    echo.join();
    close(listener);
    state.counters["request_bytes"] = static_cast<double>(requestBytes);
    state.counters["reply_bytes"] = static_cast<double>(replyBytes);
}
BENCHMARK(BM_TcpEcho)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace
