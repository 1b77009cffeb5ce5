// The server benchmarks' shared databases, server fixture and marked-list run.
#include "bench/serverkit.h"

#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "platform/dataset.h"
#include "platform/serverreply.h"
#include "platform/sql.h"
#include "protocol/filtroargs.h"
#include "server/passwords.h"
#include "server/rdmreccontbaixapag.h"
#include "server/schema.h"
#include "server/seed.h"

namespace bench {

using namespace platform;

TDateTime Today() {
    return std::floor(Date());
}

namespace {

// The folder of this run's SQLite files, removed when the program ends.
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

// This run's schemas in the PostgreSQL test cluster, dropped when the program ends.
struct TPgSchemas {
    std::vector<std::string> names;
    ~TPgSchemas() {
        try {
            auto admin = TSqlConnection::Open(PgClusterUrl());
            for (const std::string& name : names)
                admin->ExecuteScript("DROP SCHEMA IF EXISTS " + name + " CASCADE");
        } catch (const std::exception&) {
            // A leftover schema of a throwaway cluster harms nothing: names carry the pid.
        }
    }
};

void Seed(const std::string& url, int count) {
    auto db = TSqlConnection::Open(url);
    server::EnsureSchema(*db);
    server::SeedBulk(*db, count, Today());
    // The bulk write-offs go back 1000 days: none of them may fall in a closed period.
    db->Execute("DELETE FROM FECHACTB");
    db->ExecuteScript("ANALYZE");
}

} // namespace

const std::string& BulkDatabase(const std::string& name, int count) {
    static std::map<std::string, std::string> built;
    const std::string key = name + "/" + std::to_string(count);
    if (auto it = built.find(key); it != built.end()) return it->second;
    const std::filesystem::path path = BenchFolder() / (name + "-" + std::to_string(count) + ".db");
    std::filesystem::remove(path);
    const std::string url = "sqlite:" + path.string();
    Seed(url, count);
    return built.emplace(key, url).first->second;
}

std::string PgClusterUrl() {
    const char* url = std::getenv("PAG_TEST_PG_URL");
    return url ? url : "";
}

const std::string& PgBulkDatabase(const std::string& name, int count) {
    static std::map<std::string, std::string> built;
    static TPgSchemas schemas;
    const std::string key = name + "/" + std::to_string(count);
    if (auto it = built.find(key); it != built.end()) return it->second;
    const std::string base = PgClusterUrl();
    if (base.empty()) throw std::runtime_error("PAG_TEST_PG_URL não definido");
    const std::string schema =
        "pagbench_" + std::to_string(getpid()) + "_" + name + "_" + std::to_string(count);
    TSqlConnection::Open(base)->ExecuteScript("DROP SCHEMA IF EXISTS " + schema +
                                              " CASCADE; CREATE SCHEMA " + schema);
    schemas.names.push_back(schema);
    const std::string url = base + (base.find('?') == std::string::npos ? "?" : "&") +
                            "options=-csearch_path%3D" + schema;
    Seed(url, count);
    return built.emplace(key, url).first->second;
}

TServerFixture::TServerFixture(const std::string& databaseUrl, int threads) {
    server::TServerOptions options;
    options.databaseUrl = databaseUrl;
    options.port = 0;
    options.threads = threads;
    server = std::make_unique<server::TPagServer>(options);
    net.SetServerName(server::TRdmRecContBaixaPag::kName);
    net.SetPort(server->Start());
    net.Login(server::kDemoOperator, server::kDemoPassword);
}

std::unique_ptr<TNetConnection> TServerFixture::NewClient() const {
    auto client = std::make_unique<TNetConnection>();
    client->SetServerName(server::TRdmRecContBaixaPag::kName);
    client->SetPort(server->Port());
    client->Login(server::kDemoOperator, server::kDemoPassword);
    return client;
}

std::vector<TRpcArg> Criteria(TDateTime paidFrom, TDateTime paidTo) {
    return protocol::FiltroArgs({.company = std::string("01"),
                                 .paidFrom = Variant::FromDate(paidFrom),
                                 .paidTo = Variant::FromDate(paidTo)});
}

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

Variant MarkedList(TNetConnection& net, const std::vector<TRpcArg>& criteria, int skip, int count,
                   int& marked) {
    TClientDataSet list;
    list.SetData(UnpackServerReply(net.Call("GetBaixaPag_Filtro", criteria)).payload);
    int real = 0;
    marked = 0;
    for (list.First(); !list.Eof(); list.Next()) {
        const bool eligible = list.FieldByName("NRBAIXAPAG")->AsString().starts_with("B") &&
                              list.FieldByName("IDSTATUSBPAG")->AsString() == "E";
        const bool mark = eligible && real >= skip && marked < count;
        if (eligible) ++real;
        if (mark) ++marked;
        list.Edit();
        list.FieldByName("IDMARCADO")->SetAsString(mark ? "S" : "N");
        list.Post();
    }
    return list.Data();
}

std::string RunFailure(const TServerReply& reply) {
    if (!reply.Ok()) return reply.message.empty() ? "falha sem mensagem" : reply.message;
    TClientDataSet result, errors;
    result.SetData(reply.payload[0]);
    errors.SetData(reply.payload[3]);
    if (!result.IsEmpty()) return "a execução parou num resultado";
    if (!errors.IsEmpty()) return "a contabilização deu erros";
    return {};
}

std::string ConfirmMarked(TNetConnection& net, const Variant& list) {
    static const Variant catalogue = RunCatalogue();
    std::string number = net.Call("GetPrxLista").AsString();
    return RunFailure(UnpackServerReply(net.Call(
        "SetConfirmar", {TRpcArg(list), TRpcArg("01"), TRpcArg("0001"), TRpcArg("OPERADOR"),
                         TRpcArg::Ref(number), TRpcArg("Pagto"), TRpcArg(catalogue)})));
}

void LoadLoop(benchmark::State& state, const std::string& databaseUrl, TDateTime paidFrom,
              TDateTime paidTo) {
    TServerFixture fixture(databaseUrl);
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

void ConfirmLoop(benchmark::State& state, const std::string& databaseUrl, int marked) {
    TServerFixture fixture(databaseUrl);
    const std::vector<TRpcArg> criteria = Criteria(0, 0);
    for (auto _ : state) {
        state.PauseTiming();
        int count = 0;
        const Variant list = MarkedList(fixture.net, criteria, 0, marked, count);
        state.ResumeTiming();
        const std::string failure = ConfirmMarked(fixture.net, list);
        if (count != marked || !failure.empty()) {
            state.SkipWithError(("o recálculo não foi contabilizado: " + failure).c_str());
            return;
        }
    }
}

namespace {

// A "VmRSS:"-style line of /proc/self/status, in bytes.
std::size_t StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(key)) return std::stoull(line.substr(key.size())) * 1024;
    throw std::runtime_error("/proc/self/status sem " + key);
}

} // namespace

// Freed heap is handed back first, then the kernel's high-water mark is reset to the current
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

} // namespace bench
