// Benchmarks of the application server end to end, with SQLite stepping the list's SELECT as
// baseline.
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

TDateTime Today() {
    return std::floor(Date());
}

// The folder of this run's databases, removed when the program ends.
const std::filesystem::path& BenchFolder() {
    struct TFolder {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("pag-bench-server-" + std::to_string(getpid()));
        TFolder() { std::filesystem::create_directories(path); }
        ~TFolder() {
            std::error_code ignored; // nothing to do about a folder that cannot be removed
            std::filesystem::remove_all(path, ignored);
        }
    };
    static TFolder folder;
    return folder.path;
}

// A database file with the demo data and `count` bulk write-offs, built once per name and size.
const std::string& BulkDatabase(const std::string& name, int count) {
    static std::map<std::string, std::string> built;
    const std::string key = name + "/" + std::to_string(count);
    auto it = built.find(key);
    if (it != built.end()) return it->second;
    const std::filesystem::path& dir = BenchFolder();
    const std::string path = (dir / (name + "-" + std::to_string(count) + ".db")).string();
    std::filesystem::remove(path);
    auto db = TSqlConnection::Open("sqlite:" + path);
    server::EnsureSchema(*db);
    server::SeedBulk(*db, count, Today());
    // The bulk write-offs go back 1000 days: none of them may fall in a closed period.
    db->Execute("DELETE FROM FECHACTB");
    db->ExecuteScript("ANALYZE");
    return built.emplace(key, path).first->second;
}

struct TServerFixture {
    std::unique_ptr<server::TPagServer> server;
    TNetConnection net;

    explicit TServerFixture(const std::string& path) {
        server::TServerOptions options;
        options.databaseUrl = "sqlite:" + path;
        options.port = 0;
        options.threads = 4;
        server = std::make_unique<server::TPagServer>(options);
        net.SetServerName(server::TRdmRecContBaixaPag::kName);
        net.SetPort(server->Start());
        net.Login(server::kDemoOperator, server::kDemoPassword);
    }
};

std::vector<TRpcArg> Criteria(TDateTime paidFrom, TDateTime paidTo) {
    return protocol::FiltroArgs({.company = std::string("01"),
                                 .paidFrom = Variant::FromDate(paidFrom),
                                 .paidTo = Variant::FromDate(paidTo)});
}

// SQLite alone: prepare the list's SELECT for all rows, step it and read every column.
void BM_SqliteStepAll(benchmark::State& state) {
    const std::string& path = BulkDatabase("list", static_cast<int>(state.range(0)));
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
BENCHMARK(BM_SqliteStepAll)->Arg(100000)->Unit(benchmark::kMillisecond);

// The client's load: GetBaixaPag_Filtro through the connection, the reply checked and made the
// whole content of an open client dataset.
void LoadInto(benchmark::State& state, TDateTime paidFrom, TDateTime paidTo) {
    const std::string& path = BulkDatabase("list", static_cast<int>(state.range(0)));
    TServerFixture fixture(path);
    const std::vector<TRpcArg> args = Criteria(paidFrom, paidTo);
    TClientDataSet cds;
    for (auto _ : state) {
        TServerReply reply = UnpackServerReply(fixture.net.Call("GetBaixaPag_Filtro", args));
        if (!reply.Ok()) {
            state.SkipWithError(reply.message.c_str());
            return;
        }
        cds.SetData(reply.payload);
    }
    state.counters["rows"] = cds.RecordCount();
}

// A "VmRSS:"-style line of /proc/self/status, in bytes.
std::size_t StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(key)) return std::stoull(line.substr(key.size())) * 1024;
    throw std::runtime_error("/proc/self/status sem " + key);
}

// How far the process's peak resident set rises above its resident set while `work` runs:
// freed heap is handed back first, then the kernel's high-water mark is reset to the current
// resident set and read afterwards.
std::size_t PeakResidentGrowth(const std::function<void()>& work) {
    malloc_trim(0);
    {
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5";
    }
    const std::size_t before = StatusBytes("VmRSS:");
    work();
    return StatusBytes("VmHWM:") - before;
}

// The remote object alone over the bulk database of the benchmark's size, with the arguments
// of the whole list of company 01.
struct TListObject {
    explicit TListObject(const benchmark::State& state)
        : pool("sqlite:" + BulkDatabase("list", static_cast<int>(state.range(0)))) {
        for (const TRpcArg& arg : Criteria(0, 0)) args.push_back(arg.Value());
    }
    server::TConnectionPool pool;
    server::TServerContext context{pool, {}};
    server::TRdmRecContBaixaPag object{
        context, TSessionIdentity{server::kDemoOperator, "127.0.0.1", "medida"}};
    std::vector<Variant> args;
};

void BM_LoadAll(benchmark::State& state) {
    LoadInto(state, 0, 0);
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
BENCHMARK(BM_LoadAll)->Arg(100000)->Unit(benchmark::kMillisecond);

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
    LoadInto(state, Today() - 99, Today());
}
BENCHMARK(BM_LoadDateRange)->Arg(100000)->Unit(benchmark::kMillisecond);

// The catalogue packet the screen sends with a run.
Variant RunCatalogue() {
    TClientDataSet msg;
    msg.FieldDefs().Add("CDMESSAGE", TFieldType::ftString, 50);
    msg.FieldDefs().Add("DSMESSAGE", TFieldType::ftString, 200);
    msg.CreateDataSet();
    msg.Append();
    msg.FieldByName("CDMESSAGE")->SetAsString("Hist_Conta");
    msg.FieldByName("DSMESSAGE")->SetAsString("Cheque: [#CHQ]");
    msg.Post();
    return msg.Data();
}

// The whole list, read from the server, with its first `marked` real bulk write-offs marked;
// `count` says how many were.
Variant MarkedList(TNetConnection& net, int marked, int& count) {
    TClientDataSet list;
    list.SetData(UnpackServerReply(net.Call("GetBaixaPag_Filtro", Criteria(0, 0))).payload);
    count = 0;
    for (list.First(); !list.Eof(); list.Next()) {
        const bool mark = count < marked &&
                          list.FieldByName("NRBAIXAPAG")->AsString().starts_with("B") &&
                          list.FieldByName("IDSTATUSBPAG")->AsString() == "E";
        if (mark) ++count;
        list.Edit();
        list.FieldByName("IDMARCADO")->SetAsString(mark ? "S" : "N");
        list.Post();
    }
    return list.Data();
}

// Whether a run's reply is a clean one: no failure, no result key, no accounting error.
bool CleanRun(const TServerReply& reply) {
    if (!reply.Ok()) return false;
    TClientDataSet result, errors;
    result.SetData(reply.payload[0]);
    errors.SetData(reply.payload[3]);
    return result.IsEmpty() && errors.IsEmpty();
}

// SetConfirmar of N marked real write-offs, committed. The list is read afresh (untimed) before
// each run, as a client does, since every run changes the write-offs' entry numbers.
void BM_Confirm(benchmark::State& state) {
    const int marked = static_cast<int>(state.range(0));
    const std::string& path = BulkDatabase("confirm", marked + marked / 8 + 100);
    TServerFixture fixture(path);
    const Variant catalogue = RunCatalogue();
    for (auto _ : state) {
        state.PauseTiming();
        int count = 0;
        const Variant packet = MarkedList(fixture.net, marked, count);
        state.ResumeTiming();
        std::string number = fixture.net.Call("GetPrxLista").AsString();
        TServerReply reply = UnpackServerReply(fixture.net.Call(
            "SetConfirmar", {TRpcArg(packet), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                             TRpcArg::Ref(number), TRpcArg("Pagto"), TRpcArg(catalogue)}));
        state.PauseTiming();
        if (count != marked || !CleanRun(reply)) {
            state.SkipWithError(("o recálculo não foi contabilizado: " + reply.message).c_str());
            state.ResumeTiming();
            return;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Confirm)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// GetSimulacao of the same N marked write-offs, held to 1.2 times BM_Confirm/N. A simulation
// changes nothing, so one list serves every iteration.
void BM_Simulate(benchmark::State& state) {
    const int marked = static_cast<int>(state.range(0));
    const std::string& path = BulkDatabase("simulate", marked + marked / 8 + 100);
    TServerFixture fixture(path);
    const Variant catalogue = RunCatalogue();
    int count = 0;
    const Variant packet = MarkedList(fixture.net, marked, count);
    for (auto _ : state) {
        TServerReply reply = UnpackServerReply(fixture.net.Call(
            "GetSimulacao", {TRpcArg(packet), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                             TRpcArg("Pagto"), TRpcArg(catalogue)}));
        if (count != marked || !CleanRun(reply)) {
            state.SkipWithError(("a simulação não foi concluída: " + reply.message).c_str());
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
    const std::string& path = BulkDatabase("small", 100);
    server::TConnectionPool pool("sqlite:" + path, 4);
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
