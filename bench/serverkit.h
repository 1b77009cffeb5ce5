// What the server benchmarks share: bulk databases on SQLite or the PostgreSQL test cluster, a
// pag-server logged in as the demo operator, the list's criteria and the marked-list run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "platform/serverreply.h"
#include "platform/variant.h"
#include "server/pagserver.h"

namespace bench {

platform::TDateTime Today();

/// The URL of a SQLite file with the demo data and `count` bulk write-offs, built once per name
/// and size in a folder removed when the program ends.
const std::string& BulkDatabase(const std::string& name, int count);

/// The URL of the PostgreSQL test cluster (PAG_TEST_PG_URL); empty when it is not set.
std::string PgClusterUrl();

/// The same on the PostgreSQL test cluster: a schema of its own, dropped when the program ends.
/// Requires PgClusterUrl() to be set.
const std::string& PgBulkDatabase(const std::string& name, int count);

/// A pag-server on a free loopback port over `databaseUrl`, and a connection to it logged in as
/// the demo operator.
struct TServerFixture {
    explicit TServerFixture(const std::string& databaseUrl, int threads = 4);
    /// Another client of the same server, logged in on a session of its own.
    std::unique_ptr<platform::TNetConnection> NewClient() const;

    std::unique_ptr<server::TPagServer> server;
    platform::TNetConnection net;
};

/// GetBaixaPag_Filtro's arguments for company 01, paid between the two dates (0: no bound).
std::vector<platform::TRpcArg> Criteria(platform::TDateTime paidFrom, platform::TDateTime paidTo);

/// The catalogue a run sends: the one history text its entries use.
platform::Variant RunCatalogue();

/// Loads the list of `criteria`, marks `count` real write-offs from the `skip`-th on (bulk
/// ones, status "E") and returns the list's packet; `marked` gets how many were marked.
platform::Variant MarkedList(platform::TNetConnection& net,
                             const std::vector<platform::TRpcArg>& criteria, int skip, int count,
                             int& marked);

/// Why a run's (or a simulation's) reply is not a clean one: a failure, a result row or an
/// accounting error; empty when it is clean.
std::string RunFailure(const platform::TServerReply& reply);

/// SetConfirmar of a marked list under a fresh list number; the failure text, empty on a clean
/// run (committed, no result row, no accounting error).
std::string ConfirmMarked(platform::TNetConnection& net, const platform::Variant& list);

/// The client's load, timed: GetBaixaPag_Filtro of company 01 paid between the dates through the
/// connection, the reply checked and made the whole content of an open client dataset.
void LoadLoop(benchmark::State& state, const std::string& databaseUrl, platform::TDateTime paidFrom,
              platform::TDateTime paidTo);

/// SetConfirmar of `marked` real write-offs, committed, timed from the list number on. The list
/// is read afresh (untimed) before each run, as a client does, since every run changes the
/// write-offs' entry numbers.
void ConfirmLoop(benchmark::State& state, const std::string& databaseUrl, int marked);

/// How far the process's peak resident set rises above its resident set while `work` runs.
std::size_t PeakResidentGrowth(const std::function<void()>& work);

} // namespace bench
