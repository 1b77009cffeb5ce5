// Many servers on one PostgreSQL database: 8 clients, each running its own 8 marked write-offs,
// the runs overlapping in time, against one pag-server reached directly, and the same through
// HAProxy round-robin in front of two servers on the same schema (runs per second; the direct
// figure is the baseline). The repetitions of the two are interleaved at random so that a
// machine's load drifting during the run weighs on both alike.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/serverkit.h"
#include "server/pagserver.h"
#include "server/passwords.h"
#include "server/rdmreccontbaixapag.h"
#include "server/seed.h"
#include "tests/support/haproxy.h"

using namespace platform;

namespace {

constexpr int kClients = 8;
constexpr int kMarked = 8;          // write-offs of its own each client marks in a run
constexpr int kRoundsPerPhase = 12; // runs of each client in one timed phase

std::unique_ptr<TNetConnection> LoggedIn(int port) {
    auto client = std::make_unique<TNetConnection>();
    client->SetServerName(server::TRdmRecContBaixaPag::kName);
    client->SetPort(port);
    client->Login(server::kDemoOperator, server::kDemoPassword);
    return client;
}

// Two servers on one schema, HAProxy in front of them, and the clients of each way in: the
// direct ones on the first server, the proxied ones on the proxy. Built once, on first use.
struct TManyServers {
    explicit TManyServers(const std::string& databaseUrl)
        : folder(std::filesystem::temp_directory_path() /
                 ("pag-bench-haproxy-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(folder);
        server::TServerOptions options;
        options.databaseUrl = databaseUrl;
        options.port = 0;
        options.tokens.maxPerOperator = 2 * kClients; // every client logs in as the demo operator
        first = std::make_unique<server::TPagServer>(options);
        second = std::make_unique<server::TPagServer>(options);
        const int firstPort = first->Start();
        const int secondPort = second->Start();
        proxy = std::make_unique<testsupport::THaproxyProcess>(folder.string(),
                                                               std::vector{firstPort, secondPort});
        for (int i = 0; i < kClients; ++i) {
            direct.push_back(LoggedIn(firstPort));
            proxied.push_back(LoggedIn(proxy->Port()));
        }
    }
    ~TManyServers() {
        proxied.clear();
        direct.clear();
        proxy.reset();
        std::error_code ignored; // a leftover configuration file in /tmp harms nothing
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    std::unique_ptr<server::TPagServer> first, second;
    std::unique_ptr<testsupport::THaproxyProcess> proxy;
    std::vector<std::unique_ptr<TNetConnection>> direct, proxied;
};

// The shared set-up, or null with `why` set when it cannot be had on this machine.
TManyServers* Servers(std::string& why) {
    static std::string missing;
    static std::unique_ptr<TManyServers> servers = [&]() -> std::unique_ptr<TManyServers> {
        if (bench::PgClusterUrl().empty()) {
            missing = "PAG_TEST_PG_URL não definido: sem PostgreSQL não há vários servidores";
            return nullptr;
        }
        if (!testsupport::HaproxyInstalled()) {
            missing = "haproxy não instalado";
            return nullptr;
        }
        return std::make_unique<TManyServers>(bench::PgBulkDatabase("manyservers", 1000));
    }();
    why = missing;
    return servers.get();
}

// Every client does its rounds at once, each on its own thread and at its own pace: the list
// reloaded, its own write-offs marked, the run confirmed. The first failure, empty when none.
std::string Phase(std::vector<std::unique_ptr<TNetConnection>>& clients) {
    static const std::vector<TRpcArg> criteria = bench::Criteria(0, 0);
    std::vector<std::string> failures(clients.size());
    {
        std::vector<std::jthread> threads;
        for (std::size_t i = 0; i < clients.size(); ++i)
            threads.emplace_back([&, i] {
                try {
                    for (int round = 0; round < kRoundsPerPhase && failures[i].empty(); ++round) {
                        int marked = 0;
                        const Variant list = bench::MarkedList(
                            *clients[i], criteria, static_cast<int>(i) * kMarked, kMarked, marked);
                        failures[i] = marked == kMarked ? bench::ConfirmMarked(*clients[i], list)
                                                        : "poucas baixas reais na lista";
                    }
                } catch (const std::exception& e) { failures[i] = e.what(); }
            });
    } // joins
    for (const std::string& failure : failures)
        if (!failure.empty()) return failure;
    return {};
}

void RunsLoop(benchmark::State& state, bool throughProxy) {
    std::string why;
    TManyServers* servers = Servers(why);
    if (servers == nullptr) {
        state.SkipWithError(why.c_str());
        return;
    }
    auto& clients = throughProxy ? servers->proxied : servers->direct;
    double runs = 0;
    for (auto _ : state) {
        if (const std::string failure = Phase(clients); !failure.empty()) {
            state.SkipWithError(failure.c_str());
            return;
        }
        runs += kClients * kRoundsPerPhase;
    }
    state.counters["runs_per_second"] = benchmark::Counter(runs, benchmark::Counter::kIsRate);
}

void BM_RunsDirect(benchmark::State& state) {
    RunsLoop(state, false);
}

void BM_RunsThroughProxy(benchmark::State& state) {
    RunsLoop(state, true);
}

// One phase per repetition (about 100 runs), many repetitions: the medians are compared.
BENCHMARK(BM_RunsDirect)
    ->Iterations(1)
    ->Repetitions(12)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunsThroughProxy)
    ->Iterations(1)
    ->Repetitions(12)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

// Random interleaving is on unless the command line says otherwise (flags given later win).
int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
