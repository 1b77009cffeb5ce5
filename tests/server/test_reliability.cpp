// Reliability of the server: concurrent runs over the same write-offs, a server killed in the
// middle of a run or stopped by SIGTERM, two servers behind HAProxy, and hostile requests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <barrier>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <httplib.h>
#include <iostream>
#include <mutex>
#include <set>
#include <thread>

#include "backendtest.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "platform/serverreply.h"
#include "platform/wire.h"
#include "server/entrybuilder.h"
#include "server/pagserver.h"
#include "server/passwords.h"
#include "server/schema.h"
#include "server/seed.h"
#include "servertestkit.h"
#include "testdatabase.h"
#include "tests/support/freeport.h"
#include "tests/support/haproxy.h"

using namespace servertest;
using namespace std::chrono_literals;
using platform::TRpcArg;
using platform::Variant;
using ::testing::HasSubstr;

namespace {

const char* const kObject = server::TRdmRecContBaixaPag::kName;

std::unique_ptr<platform::TNetConnection> Connect(int port) {
    return Connection(kObject, port);
}

// The client's side of one run: list loaded, marks set, SetConfirmar called.
struct TClientRun {
    platform::TServerReply reply;
    std::string firstKey;
    bool posted = false;
};

Variant LoadList(platform::TNetConnection& net, platform::TDateTime today) {
    std::vector<TRpcArg> args;
    for (const Variant& v : DefaultCriteria("01", today)) args.emplace_back(v);
    platform::TServerReply list = platform::UnpackServerReply(net.Call("GetBaixaPag_Filtro", args));
    if (!list.Ok()) throw platform::Exception(list.message);
    return list.payload;
}

TClientRun Confirm(platform::TNetConnection& net, const Variant& marked) {
    std::string number = net.Call("GetPrxLista").AsString();
    TClientRun run;
    run.reply = platform::UnpackServerReply(net.Call(
        "SetConfirmar", {TRpcArg(marked), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                         TRpcArg::Ref(number), TRpcArg("Pagto"), TRpcArg(CataloguePacket())}));
    if (run.reply.Ok()) {
        TRunReply datasets = OpenRunPayload(run.reply.payload);
        run.firstKey = datasets.FirstKey();
        run.posted = run.firstKey.empty() && datasets.errors->IsEmpty();
    }
    return run;
}

Variant MarkNumbers(const Variant& list, const std::set<std::string>& numbers) {
    return MarkRows(list, [&](const std::string& branch, const std::string& number) {
        return branch == "0001" && numbers.count(number) > 0;
    });
}

// Demo write-offs of branch 0001 paid today that a run can post (real, not held, with accounts
// and boletos in order).
std::vector<std::string> PostableDemoWriteOffs() {
    const std::set<int> special = {2, 3, 10, 11, 12, 13};
    std::vector<std::string> numbers;
    for (int i = 1; i <= 30; ++i) {
        if (special.count(i) || (i - 1) % 8 == 5 || (i - 1) % 8 == 6) continue;
        numbers.push_back(server::ZeroPadded(i, 10));
    }
    return numbers;
}

// Entries posted consistently: each write-off's entries are one set under its current number,
// and no entry belongs to no write-off.
void ExpectOneSetOfEntriesPerWriteOff(platform::TSqlConnection& db) {
    EXPECT_EQ(db.SelectValue("SELECT COUNT(*) FROM (SELECT CDLANCCTBCOME FROM LANCCTB GROUP BY"
                             " CDLANCCTBCOME HAVING COUNT(DISTINCT NRLANCCTB) > 1) X")
                  .AsInteger(),
              0);
    EXPECT_EQ(db.SelectValue("SELECT COUNT(*) FROM LANCCTB L WHERE NOT EXISTS (SELECT 1 FROM"
                             " BAIXAPAG B WHERE B.NRLCTBBPAG = L.NRLANCCTB"
                             " AND B.CDFILIAL || B.NRBAIXAPAG = L.CDLANCCTBCOME)")
                  .AsInteger(),
              0);
    EXPECT_EQ(db.SelectValue("SELECT COUNT(*) FROM BAIXAPAG B WHERE B.IDCTBLBXPAG = 'S' AND NOT"
                             " EXISTS (SELECT 1 FROM LANCCTB L WHERE L.NRLANCCTB = B.NRLCTBBPAG)")
                  .AsInteger(),
              0);
}

class ReliabilityTest : public TBackendTest {};

TEST_P(ReliabilityTest, OfTwoOverlappingRunsExactlyOnePostsAndTheOtherGetsAltBloq) {
    server::TServerOptions options;
    options.databaseUrl = database_->Url();
    options.port = 0;
    options.threads = 4;
    server::TPagServer pagServer(options);
    const int port = pagServer.Start();
    auto netA = Connect(port);
    auto netB = Connect(port);
    const std::vector<std::string> pool = PostableDemoWriteOffs();
    ASSERT_GE(pool.size(), 12u);

    for (int round = 0; round < 50; ++round) {
        // Overlapping sets that move through the pool from round to round.
        std::set<std::string> setA, setB;
        for (int k = 0; k < 6; ++k) {
            setA.insert(pool[(static_cast<std::size_t>(round) + k) % pool.size()]);
            setB.insert(pool[(static_cast<std::size_t>(round) + 3 + k) % pool.size()]);
        }
        const Variant listA = MarkNumbers(LoadList(*netA, today_), setA);
        const Variant listB = MarkNumbers(LoadList(*netB, today_), setB);
        TClientRun runA, runB;
        std::barrier start(2);
        std::thread a([&] {
            start.arrive_and_wait();
            runA = Confirm(*netA, listA);
        });
        std::thread b([&] {
            start.arrive_and_wait();
            runB = Confirm(*netB, listB);
        });
        a.join();
        b.join();
        ASSERT_TRUE(runA.reply.Ok()) << runA.reply.message;
        ASSERT_TRUE(runB.reply.Ok()) << runB.reply.message;
        ASSERT_NE(runA.posted, runB.posted)
            << "rodada " << round << ": " << runA.firstKey << "/" << runB.firstKey;
        EXPECT_EQ(runA.posted ? runB.firstKey : runA.firstKey, "ALT_BLOQ") << "rodada " << round;
        // The winner's write-offs carry the entries just returned to it.
        const TClientRun& winner = runA.posted ? runA : runB;
        TRunReply reply = OpenRunPayload(winner.reply.payload);
        std::set<std::string> numbers;
        for (reply.entries->First(); !reply.entries->Eof(); reply.entries->Next())
            numbers.insert(reply.entries->FieldByName("NRLANCCTBTEMP")->AsString());
        for (const std::string& writeOff : runA.posted ? setA : setB) {
            const std::string now = platform::VarToStr(db_->SelectValue(
                "SELECT NRLCTBBPAG FROM BAIXAPAG WHERE CDFILIAL = '0001' AND NRBAIXAPAG = :N",
                {{"N", writeOff}}));
            EXPECT_EQ(numbers.count(now), 1u) << writeOff;
        }
        ExpectOneSetOfEntriesPerWriteOff(*db_);
        if (HasFailure()) break;
    }
}

// A pag-server process of its own on a free loopback port.
class TServerProcess {
public:
    TServerProcess(const std::string& databaseUrl, std::vector<std::string> extra = {}) {
        port_ = testsupport::UnusedLoopbackPort();
        std::vector<std::string> args = {
            PAG_SERVER_EXE, "--db", databaseUrl, "--listen", "127.0.0.1:" + std::to_string(port_),
            "--threads",    "4"};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = fork();
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        // Ready once it accepts connections.
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (Accepts()) return;
            std::this_thread::sleep_for(50ms);
        }
        throw platform::Exception("pag-server não começou a atender");
    }
    ~TServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    int Port() const { return port_; }
    /// Sends a signal and waits for the process; returns its wait status.
    int Signal(int signal) {
        kill(pid_, signal);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    bool Accepts() const {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }
    pid_t pid_ = -1;
    int port_ = 0;
};

TEST_P(ReliabilityTest, AServerKilledInTheMiddleOfARunPostsNothingOfIt) {
    const std::set<std::string> marked = {"0000000005", "0000000008", "0000000009", "0000000001"};
    const std::string oldEntry = platform::VarToStr(
        db_->SelectValue("SELECT NRLCTBBPAG FROM BAIXAPAG WHERE NRBAIXAPAG = '0000000001'"));
    const std::int64_t entries = db_->SelectValue("SELECT COUNT(*) FROM LANCCTB").AsInteger();
    {
        TServerProcess process(database_->Url(), {"--pause-before-commit-ms", "5000"});
        auto net = Connect(process.Port());
        const Variant list = MarkNumbers(LoadList(*net, today_), marked);
        std::atomic<bool> failed{false};
        std::thread client([&] {
            try {
                Confirm(*net, list);
            } catch (const platform::ERpcError&) {
                failed = true; // the server died under the call
            }
        });
        std::this_thread::sleep_for(1500ms); // the run has written everything and waits to commit
        const int status = process.Signal(SIGKILL);
        client.join();
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_TRUE(failed);
    }
    for (const std::string& number : marked) {
        if (number == "0000000001") continue; // accounted before the run
        EXPECT_EQ(platform::VarToStr(db_->SelectValue(
                      "SELECT IDCTBLBXPAG FROM BAIXAPAG WHERE NRBAIXAPAG = :N", {{"N", number}})),
                  "N");
    }
    EXPECT_EQ(platform::VarToStr(db_->SelectValue(
                  "SELECT NRLCTBBPAG FROM BAIXAPAG WHERE NRBAIXAPAG = '0000000001'")),
              oldEntry);
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM LANCCTB").AsInteger(), entries);
    ExpectOneSetOfEntriesPerWriteOff(*db_);

    // Restarted, the server runs the same recalculation to the end.
    TServerProcess restarted(database_->Url());
    auto net = Connect(restarted.Port());
    TClientRun run = Confirm(*net, MarkNumbers(LoadList(*net, today_), marked));
    ASSERT_TRUE(run.reply.Ok()) << run.reply.message;
    EXPECT_TRUE(run.posted) << run.firstKey;
    ExpectOneSetOfEntriesPerWriteOff(*db_);
}

// Waits (at most 20 s) until the server on `port` has answered `lists` GetPrxLista calls and is
// serving a call: the SetConfirmar that follows the last of them. False when it does not come.
bool RunInFlight(int port, int lists) {
    const std::string answered =
        "rdmRecContBaixaPag.GetPrxLista\",outcome=\"ok\"} " + std::to_string(lists) + "\n";
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < until) {
        httplib::Client http("127.0.0.1", port);
        if (auto metrics = http.Get("/metrics");
            metrics && metrics->body.find(answered) != std::string::npos &&
            metrics->body.find("pag_rpc_calls_in_flight 1\n") != std::string::npos)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST_P(ReliabilityTest, SigtermLetsTheRunInFlightFinishAndStopsCleanly) {
    TServerProcess process(database_->Url(), {"--pause-before-commit-ms", "1500"});
    auto net = Connect(process.Port());
    const Variant list = MarkNumbers(LoadList(*net, today_), {"0000000005"});
    TClientRun run;
    std::thread client([&] { run = Confirm(*net, list); });
    EXPECT_TRUE(RunInFlight(process.Port(), 1));
    const int status = process.Signal(SIGTERM);
    client.join();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(run.reply.Ok()) << run.reply.message;
    EXPECT_TRUE(run.posted);
    EXPECT_EQ(platform::VarToStr(db_->SelectValue(
                  "SELECT IDCTBLBXPAG FROM BAIXAPAG WHERE NRBAIXAPAG = '0000000005'")),
              "S");
}

TEST_P(ReliabilityTest, SigtermWithIdleKeptAliveClientsStopsAsSoonAsTheCallInFlightEnds) {
    TServerProcess process(database_->Url(),
                           {"--pause-before-commit-ms", "1500", "--keep-alive", "60"});
    // Idle clients with their connections kept alive for a minute must not hold the stop up.
    std::vector<std::unique_ptr<platform::TNetConnection>> idle;
    for (int i = 0; i < 4; ++i) {
        idle.push_back(Connect(process.Port()));
        EXPECT_EQ(idle.back()->Call("GetPrxLista").AsString().size(), 10u);
    }
    auto net = Connect(process.Port());
    const Variant list = MarkNumbers(LoadList(*net, today_), {"0000000005"});
    TClientRun run;
    std::thread client([&] { run = Confirm(*net, list); });
    EXPECT_TRUE(RunInFlight(process.Port(), 5)); // after the idle clients' four
    const auto signalled = std::chrono::steady_clock::now();
    const int status = process.Signal(SIGTERM);
    const auto took = std::chrono::steady_clock::now() - signalled;
    client.join();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_LT(took, 5s);
    ASSERT_TRUE(run.reply.Ok()) << run.reply.message;
    EXPECT_TRUE(run.posted);
}

INSTANTIATE_TEST_SUITE_P(Backends, ReliabilityTest,
                         ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         TBackendParamName());

using testsupport::HaproxyInstalled;
using testsupport::THaproxyProcess;

// One client's rounds: the day's list loaded, an overlapping set marked, the run confirmed and,
// when it posted, the session's last list read back. A failed call ends the round.
struct TClientRounds {
    int rounds = 0, posted = 0, failures = 0;
    int listsLost = 0; // posted runs whose list the session could not read back
    std::string firstFailure;
};

void RunRounds(platform::TNetConnection& net, int client, int rounds,
               const std::vector<std::string>& postable, platform::TDateTime today,
               TClientRounds& tally, const std::function<void()>& afterRound = {}) {
    for (int round = 0; round < rounds; ++round) {
        const std::size_t at = static_cast<std::size_t>(client + tally.rounds);
        const std::set<std::string> marked = {postable[at % postable.size()],
                                              postable[(at + 1) % postable.size()],
                                              postable[(at + 3) % postable.size()]};
        try {
            const TClientRun run = Confirm(net, MarkNumbers(LoadList(net, today), marked));
            if (!run.reply.Ok()) throw platform::Exception(run.reply.message);
            if (run.posted) {
                ++tally.posted;
                const auto saida = platform::UnpackServerReply(net.Call("GetBaixaPag_Saida"));
                if (!saida.Ok() || Numbers(saida.payload).empty()) ++tally.listsLost;
            }
        } catch (const std::exception& e) {
            if (tally.failures++ == 0) tally.firstFailure = e.what();
        }
        ++tally.rounds;
        if (afterRound) afterRound();
    }
}

class ManyServersTest : public TBackendTest {};

// Two servers behind HAProxy: every call of a session lands on either, and when one dies its
// sessions go on on the other. The runs per second through the proxy and of one server reached
// directly are reported (a figure to read; the bar is held by pag_bench_manyservers).
TEST_P(ManyServersTest, SessionsMoveBetweenServersBehindTheProxyAndSurviveOneServerKilled) {
    if (!HaproxyInstalled()) GTEST_SKIP() << "haproxy não instalado";
    constexpr int kClients = 8, kDirectRounds = 6, kRoundsBeforeKill = 6, kRoundsAfterKill = 2;
    const std::vector<std::string> postable = PostableDemoWriteOffs();
    const std::string folder =
        std::filesystem::temp_directory_path() / ("pag-haproxy-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    struct TRemove {
        std::string path;
        ~TRemove() { std::filesystem::remove_all(path); }
    } remove{folder};

    auto a = std::make_unique<TServerProcess>(database_->Url());
    TServerProcess b(database_->Url());
    THaproxyProcess proxy(folder, {a->Port(), b.Port()});

    // Every client runs `rounds` rounds on `port`; returns the runs per second.
    using Clock = std::chrono::steady_clock;
    Clock::time_point started;
    const auto runAll = [&](int port, int rounds, std::vector<TClientRounds>& tallies,
                            const std::function<void()>& afterRound) {
        std::vector<std::unique_ptr<platform::TNetConnection>> nets;
        for (int c = 0; c < kClients; ++c) nets.push_back(Connect(port));
        started = Clock::now();
        std::vector<std::thread> threads;
        for (int c = 0; c < kClients; ++c)
            threads.emplace_back([&, c] {
                RunRounds(*nets[c], c, rounds, postable, today_, tallies[c], afterRound);
            });
        for (std::thread& t : threads) t.join();
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        return kClients * rounds / seconds;
    };

    std::vector<TClientRounds> direct(kClients);
    const double directRate = runAll(a->Port(), kDirectRounds, direct, {});
    for (const TClientRounds& tally : direct) EXPECT_EQ(tally.failures, 0) << tally.firstFailure;

    // Through the proxy: once every client has done its rounds before the kill, server A dies
    // while the others' calls are in flight; the clients go on for their remaining rounds.
    std::vector<TClientRounds> proxied(kClients);
    std::atomic<int> roundsDone{0};
    std::atomic<bool> killed{false};
    std::mutex killing;
    double proxiedRate = 0; // with both servers, until the kill
    std::string metricsA, metricsB;
    const auto afterRound = [&] {
        if (++roundsDone < kClients * kRoundsBeforeKill) return;
        std::lock_guard lock(killing);
        if (killed) return;
        // The rate with both servers: the rounds done until now.
        proxiedRate = roundsDone / std::chrono::duration<double>(Clock::now() - started).count();
        const auto get = [](int port) {
            httplib::Client http("127.0.0.1", port);
            auto reply = http.Get("/metrics");
            return reply ? reply->body : std::string();
        };
        metricsA = get(a->Port());
        metricsB = get(b.Port());
        a->Signal(SIGKILL);
        killed = true;
    };
    runAll(proxy.Port(), kRoundsBeforeKill + kRoundsAfterKill, proxied, afterRound);
    ASSERT_TRUE(killed);

    // Both servers ran runs and read lists back before the kill.
    for (const std::string* metrics : {&metricsA, &metricsB}) {
        EXPECT_THAT(*metrics, HasSubstr("rdmRecContBaixaPag.SetConfirmar\",outcome=\"ok\""));
        EXPECT_THAT(*metrics, HasSubstr("rdmRecContBaixaPag.GetBaixaPag_Saida\",outcome=\"ok\""));
    }
    int posted = 0, failed = 0;
    for (const TClientRounds& tally : proxied) {
        // At most the call in flight at the kill failed; every other call succeeded, on either
        // server, including the read-back of the session's last list.
        EXPECT_LE(tally.failures, 1) << tally.firstFailure;
        EXPECT_EQ(tally.listsLost, 0);
        if (tally.failures > 0) std::cout << "[ failure  ] " << tally.firstFailure << std::endl;
        posted += tally.posted;
        failed += tally.failures;
    }
    EXPECT_GT(posted, 0);

    ExpectOneSetOfEntriesPerWriteOff(*db_);
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM (SELECT NRLANCCTB FROM LANCCTB GROUP BY"
                               " NRLANCCTB HAVING COUNT(DISTINCT CDLANCCTBCOME) > 1) X")
                  .AsInteger(),
              0);
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM (SELECT NRLCTBBPAG FROM BAIXAPAG WHERE"
                               " NRLCTBBPAG IS NOT NULL GROUP BY NRLCTBBPAG HAVING COUNT(*) > 1) X")
                  .AsInteger(),
              0);
    EXPECT_EQ(db_->SelectValue("SELECT COUNT(*) FROM (SELECT NRLANCCTB FROM LANCCTB GROUP BY"
                               " NRLANCCTB HAVING ABS(SUM(VRLANCCTB)) > 0.005) X")
                  .AsInteger(),
              0);

    std::cout << "[ figures  ] runs per second: one server directly " << directRate
              << ", two servers through haproxy " << proxiedRate << " (ratio "
              << proxiedRate / directRate << "); " << posted << " runs posted through it, "
              << failed << " calls failed at the kill" << std::endl;
    RecordProperty("direct_runs_per_second", std::to_string(directRate));
    RecordProperty("proxied_runs_per_second", std::to_string(proxiedRate));
}

INSTANTIATE_TEST_SUITE_P(Backends, ManyServersTest, ::testing::Values(TBackend::PostgreSQL),
                         TBackendParamName());

// Requests no client of ours would send, over raw HTTP.
class HostileRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        database_ = std::make_unique<TTestDatabase>(TBackend::SQLite);
        server::TServerOptions options;
        options.databaseUrl = database_->Url();
        options.port = 0;
        server_ = std::make_unique<server::TPagServer>(options);
        auto lease = server_->Pool().Acquire();
        server::SeedDemo(*lease, std::floor(platform::Date()));
        port_ = server_->Start();
        http_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
        http_->set_read_timeout(60, 0);
        http_->set_write_timeout(60, 0);
        // Logged in as the demo operator: the hostile requests come from a session's owner.
        platform::TNetConnection login;
        login.SetServerName(kObject);
        login.SetPort(port_);
        token_ = login.Login(server::kDemoOperator, server::kDemoPassword);
        httplib::Result connected = Post("/" + std::string(kObject) + "/__connect", "");
        ASSERT_TRUE(connected);
        session_ = platform::DecodeReply(connected->body).result.AsString();
    }

    httplib::Result Post(const std::string& path, const std::string& body) {
        httplib::Headers headers = {{platform::kSessionHeader, session_},
                                    {"Authorization", "Bearer " + token_}};
        return http_->Post(path, headers, body, platform::kWireContentType);
    }
    platform::TWireReply Call(const std::string& method, const std::string& body) {
        httplib::Result result = Post("/" + std::string(kObject) + "/" + method, body);
        if (!result) throw platform::Exception("sem resposta");
        return platform::DecodeReply(result->body);
    }
    // The server still serves an ordinary client.
    void ExpectStillServing() {
        auto net = Connect(port_);
        EXPECT_EQ(net->Call("GetPrxLista").AsString().size(), 10u);
    }

    std::unique_ptr<TTestDatabase> database_;
    std::unique_ptr<server::TPagServer> server_;
    int port_ = 0;
    std::unique_ptr<httplib::Client> http_;
    std::string token_;
    std::string session_;
};

TEST_F(HostileRequestTest, MalformedAndTruncatedBodiesGetAFailure) {
    platform::TWireReply reply = Call("GetPrxLista", "not msgpack at all");
    EXPECT_EQ(reply.status, platform::TReplyStatus::Error);
    EXPECT_THAT(reply.message, HasSubstr("Requisição inválida"));

    std::vector<platform::TWireArg> args;
    for (const Variant& v : DefaultCriteria("01", std::floor(platform::Date())))
        args.push_back({v, false});
    const std::string request = platform::EncodeRequest(args);
    reply = Call("GetBaixaPag_Filtro", request.substr(0, request.size() - 3));
    EXPECT_EQ(reply.status, platform::TReplyStatus::Error);
    ExpectStillServing();
}

TEST_F(HostileRequestTest, ATruncatedPacketOrWrongKindsGetAFailureReplyNamingTheArgument) {
    auto net = Connect(port_);
    std::vector<TRpcArg> criteria;
    for (const Variant& v : DefaultCriteria("01", std::floor(platform::Date())))
        criteria.emplace_back(v);
    const Variant list =
        platform::UnpackServerReply(net->Call("GetBaixaPag_Filtro", criteria)).payload;
    const std::string& bytes = list.AsBytes();
    std::vector<platform::TWireArg> args = {
        {Variant::FromBytes(bytes.substr(0, bytes.size() - 10)), false},
        {Variant("01"), false},
        {Variant("0001"), false},
        {Variant("OPERADOR"), false},
        {Variant("1"), true},
        {Variant("Pagto"), false},
        {CataloguePacket(), false}};
    platform::TWireReply reply = Call("SetConfirmar", platform::EncodeRequest(args));
    ASSERT_EQ(reply.status, platform::TReplyStatus::Ok) << reply.message;
    platform::TServerReply unpacked = platform::UnpackServerReply(reply.result);
    EXPECT_FALSE(unpacked.Ok());
    EXPECT_THAT(unpacked.message, HasSubstr("SetConfirmar: o argumento 1"));

    args[0] = {Variant(3.5), false};
    unpacked =
        platform::UnpackServerReply(Call("SetConfirmar", platform::EncodeRequest(args)).result);
    EXPECT_FALSE(unpacked.Ok());
    EXPECT_THAT(unpacked.message, HasSubstr("argumento 1"));
    ExpectStillServing();
}

TEST_F(HostileRequestTest, AHundredMegabyteBodyIsRefused) {
    const std::string huge(100u << 20, '\x90');
    httplib::Result result = Post("/" + std::string(kObject) + "/GetPrxLista", huge);
    if (result) { // the server may also close the connection before reading it all
        EXPECT_EQ(result->status, 413);
        EXPECT_THAT(platform::DecodeReply(result->body).message, HasSubstr("tamanho máximo"));
    }
    ExpectStillServing();
}

TEST_F(HostileRequestTest, UnknownObjectsMethodsAndSessionsAreNamedInTheFailure) {
    httplib::Result connect = Post("/PAG00900.rdmNenhum/__connect", "");
    ASSERT_TRUE(connect);
    platform::TWireReply reply = platform::DecodeReply(connect->body);
    EXPECT_EQ(reply.status, platform::TReplyStatus::Error);
    EXPECT_THAT(reply.message, HasSubstr("PAG00900.rdmNenhum"));

    reply = Call("ApagaTudo", platform::EncodeRequest({}));
    EXPECT_EQ(reply.status, platform::TReplyStatus::Error);
    EXPECT_THAT(reply.message, HasSubstr("ApagaTudo"));

    session_ = "sessao-inventada";
    reply = Call("GetPrxLista", platform::EncodeRequest({}));
    EXPECT_EQ(reply.status, platform::TReplyStatus::NoSession);
    ExpectStillServing();
}

} // namespace

namespace {

// Starts pag-server with `args`, standard error into a pipe; the pid and the pipe's read end.
std::pair<pid_t, int> SpawnCapturingStderr(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) throw platform::Exception("pipe");
    args.insert(args.begin(), PAG_SERVER_EXE);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    return {pid, fds[0]};
}

// Reads `fd` until `until` appears in the text, the pipe closes or 20 s pass.
std::string ReadUntil(int fd, const std::string& until) {
    std::string text;
    char chunk[512];
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (text.find(until) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        timeval tv{1, 0};
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        if (select(fd + 1, &set, nullptr, nullptr, &tv) <= 0) continue;
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

} // namespace

TEST(PlainHttpTest, ANonLoopbackAddressWithoutTlsIsRefusedUnlessAllowed) {
    TTestDatabase database(TBackend::SQLite);
    auto [pid, out] = SpawnCapturingStderr({"--db", database.Url(), "--listen", "0.0.0.0:0"});
    const std::string refusal = ReadUntil(out, "\n");
    close(out);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_THAT(refusal, HasSubstr("Recusado atender em 0.0.0.0 sem TLS"));
    EXPECT_THAT(refusal, HasSubstr("--allow-plain-http"));

    {
        // Operators to log in with, for the call below.
        auto db = database.Connect();
        server::EnsureSchema(*db);
        server::SeedDemo(*db, std::floor(platform::Date()));
    }
    const int port = testsupport::UnusedLoopbackPort();
    auto [allowed, log] =
        SpawnCapturingStderr({"--db", database.Url(), "--listen", "0.0.0.0:" + std::to_string(port),
                              "--allow-plain-http"});
    // Whatever fails below, the server does not outlive the test.
    struct TStopper {
        pid_t pid;
        int signal = SIGKILL;
        int status = 0;
        void Stop() {
            if (pid <= 0) return;
            kill(pid, signal);
            waitpid(pid, &status, 0);
            pid = -1;
        }
        ~TStopper() { Stop(); }
    } stopper{allowed};
    const std::string started = ReadUntil(log, "(banco ");
    close(log);
    EXPECT_THAT(started, HasSubstr("AVISO: atendendo em 0.0.0.0 sem TLS"));
    auto net = Connect(port); // reached through the loopback interface
    EXPECT_EQ(net->Call("GetPrxLista").AsString().size(), 10u);
    stopper.signal = SIGTERM;
    stopper.Stop();
    EXPECT_TRUE(WIFEXITED(stopper.status) && WEXITSTATUS(stopper.status) == 0);
}

TEST_F(HostileRequestTest, HealthAnswersWhileTheDatabaseDoes) {
    httplib::Result health = http_->Get("/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 200);
    EXPECT_EQ(health->body, "ok\n");
    // The remote object's own methods are counted under their names, whatever the case sent.
    ASSERT_TRUE(Post("/" + std::string(kObject) + "/getprxlista", platform::EncodeRequest({})));
    httplib::Result metrics = http_->Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_THAT(metrics->body,
                HasSubstr("pag_rpc_calls_total{method=\"PAG00900.rdmRecContBaixaPag.__connect\","
                          "outcome=\"ok\"} 1\n"));
    EXPECT_THAT(metrics->body,
                HasSubstr("pag_rpc_calls_total{method=\"PAG00900.rdmRecContBaixaPag.GetPrxLista\","
                          "outcome=\"ok\"} 1\n"));
    EXPECT_THAT(metrics->body, HasSubstr("pag_rpc_call_duration_seconds_bucket{le=\"0.005\"}"));
    EXPECT_THAT(metrics->body, ::testing::Not(HasSubstr(session_)));
}
