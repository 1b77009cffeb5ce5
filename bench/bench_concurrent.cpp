// Many clients of one pag-server on SQLite at once: N clients loading the 10,000-row date range
// together (aggregate rows per second, N = 1 the baseline), and C clients each running its own
// 8 marked write-offs of a 1,000-row list, overlapping, each reloading its list first (runs per
// second; C = 1 the baseline).
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/serverkit.h"
#include "platform/dataset.h"
#include "platform/serverreply.h"

using namespace platform;

namespace {

// The clients of one server, logged in on sessions of their own.
struct TClients {
    TClients(const std::string& databaseUrl, int count) : fixture(databaseUrl, 8) {
        for (int i = 0; i < count; ++i) clients.push_back(fixture.NewClient());
    }
    // Runs `work(client index)` on every client at once, one thread each; the first failure
    // text, empty when every client succeeded.
    std::string Together(const std::function<std::string(int)>& work) {
        std::vector<std::string> failures(clients.size());
        std::vector<std::jthread> threads;
        for (int i = 0; i < static_cast<int>(clients.size()); ++i)
            threads.emplace_back([&, i] {
                try {
                    failures[i] = work(i);
                } catch (const std::exception& e) { failures[i] = e.what(); }
            });
        threads.clear(); // joins
        for (const std::string& failure : failures)
            if (!failure.empty()) return failure;
        return {};
    }

    bench::TServerFixture fixture;
    std::vector<std::unique_ptr<TNetConnection>> clients;
};

void BM_ConcurrentLoad(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    TClients clients(bench::BulkDatabase("list", 100000), count);
    const std::vector<TRpcArg> criteria = bench::Criteria(bench::Today() - 99, bench::Today());
    std::vector<TClientDataSet> lists(static_cast<std::size_t>(count));
    double rows = 0;
    for (auto _ : state) {
        const std::string failure = clients.Together([&](int i) -> std::string {
            TServerReply reply =
                UnpackServerReply(clients.clients[i]->Call("GetBaixaPag_Filtro", criteria));
            if (!reply.Ok()) return reply.message;
            lists[i].SetData(reply.payload);
            return {};
        });
        if (!failure.empty()) {
            state.SkipWithError(failure.c_str());
            return;
        }
        for (const TClientDataSet& list : lists) rows += list.RecordCount();
    }
    state.counters["rows_per_second"] = benchmark::Counter(rows, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConcurrentLoad)->Arg(1)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ConcurrentRuns(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    constexpr int kMarked = 8;
    TClients clients(bench::BulkDatabase("runs", 1000), count);
    const std::vector<TRpcArg> criteria = bench::Criteria(0, 0);
    double runs = 0;
    for (auto _ : state) {
        const std::string failure = clients.Together([&](int i) -> std::string {
            int marked = 0;
            const Variant list =
                bench::MarkedList(*clients.clients[i], criteria, i * kMarked, kMarked, marked);
            if (marked != kMarked) return "poucas baixas reais na lista";
            return bench::ConfirmMarked(*clients.clients[i], list);
        });
        if (!failure.empty()) {
            state.SkipWithError(failure.c_str());
            return;
        }
        runs += count;
    }
    state.counters["runs_per_second"] = benchmark::Counter(runs, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConcurrentRuns)->Arg(1)->Arg(8)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
