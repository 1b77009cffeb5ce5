// The server benchmarks on PostgreSQL, when PAG_TEST_PG_URL names the test cluster (each is
// skipped with a message otherwise): libpq stepping the list's SELECT, the floor; the client's
// load of the whole list and of a tenth of it; a run of 10,000 marked write-offs.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/serverkit.h"
#include "platform/sql.h"
#include "platform/sql_backends.h"
#include "server/writeofflist.h"

using namespace platform;

namespace {

// The bulk database of the benchmark's size, or empty with the benchmark skipped.
std::string PgDatabase(benchmark::State& state, const std::string& name, int count) {
    if (bench::PgClusterUrl().empty()) {
        state.SkipWithError("sem PostgreSQL: defina PAG_TEST_PG_URL (scripts/pg-test-cluster.sh)");
        return {};
    }
    return bench::PgBulkDatabase(name, count);
}

// libpq alone: the list's SELECT for all rows of company 01 sent with its values bound, its
// rows stepped one at a time (single-row mode, as the server's cursors read) and every value
// read.
void BM_PgStepAll(benchmark::State& state) {
    const std::string url = PgDatabase(state, "list", static_cast<int>(state.range(0)));
    if (url.empty()) return;
    server::TWriteOffCriteria criteria;
    criteria.company = "01";
    const server::TSqlStatement statement =
        server::BuildWriteOffQuery(TSqlKind::PostgreSQL, criteria);
    const sqlimpl::TNumberedSql numbered = sqlimpl::NumberParams(statement.text);
    std::vector<std::string> texts;
    for (const std::string& name : numbered.names)
        texts.push_back(statement.params.Find(name)->AsString());
    std::vector<const char*> values;
    for (const std::string& text : texts) values.push_back(text.c_str());

    // libpq reads the URL itself, the options parameter that picks the schema included.
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(url.c_str()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK) {
        state.SkipWithError(PQerrorMessage(conn.get()));
        return;
    }
    std::size_t rows = 0;
    for (auto _ : state) {
        PQsendQueryParams(conn.get(), numbered.text.c_str(), static_cast<int>(values.size()),
                          nullptr, values.data(), nullptr, nullptr, 0);
        PQsetSingleRowMode(conn.get());
        rows = 0;
        std::size_t bytes = 0;
        while (PGresult* result = PQgetResult(conn.get())) {
            if (PQresultStatus(result) == PGRES_SINGLE_TUPLE) {
                ++rows;
                const int columns = PQnfields(result);
                for (int c = 0; c < columns; ++c) {
                    benchmark::DoNotOptimize(PQgetvalue(result, 0, c));
                    bytes += static_cast<std::size_t>(PQgetlength(result, 0, c));
                }
            }
            PQclear(result);
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_PgStepAll)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadAllPg(benchmark::State& state) {
    const std::string url = PgDatabase(state, "list", static_cast<int>(state.range(0)));
    if (!url.empty()) bench::LoadLoop(state, url, 0, 0);
}
BENCHMARK(BM_LoadAllPg)->Arg(100000)->Unit(benchmark::kMillisecond);

// Bulk write-offs are paid evenly over 1000 days: 100 days are a tenth of them.
void BM_LoadDateRangePg(benchmark::State& state) {
    const std::string url = PgDatabase(state, "list", static_cast<int>(state.range(0)));
    if (!url.empty()) bench::LoadLoop(state, url, bench::Today() - 99, bench::Today());
}
BENCHMARK(BM_LoadDateRangePg)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ConfirmPg(benchmark::State& state) {
    const int marked = static_cast<int>(state.range(0));
    const std::string url = PgDatabase(state, "confirm", marked + marked / 8 + 100);
    if (!url.empty()) bench::ConfirmLoop(state, url, marked);
}
BENCHMARK(BM_ConfirmPg)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
