// Benchmark of the recalculation run on the screen, end to end: from the confirm click to the
// reloaded list (GetPrxLista, SetConfirmar, GetBaixaPag_Saida, the reload), against a server on
// SQLite. Read beside pag_bench_server's BM_Confirm, which times the server's SetConfirmar of
// the same number of marked write-offs on a database of the same shape.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "host/dbgeral.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/datetime.h"
#include "platform/recordingservices.h"
#include "platform/serverreply.h"
#include "protocol/filtroargs.h"
#include "recalculation/cli_pag00900.h"
#include "server/pagserver.h"
#include "server/schema.h"
#include "server/seed.h"

using namespace platform;

namespace {

TDateTime Today() {
    return std::floor(Date());
}

// A database of the demo data and `count` bulk write-offs, in a folder removed at the end, and
// a server on it listening on a loopback port.
class TRunServer {
public:
    explicit TRunServer(int count) {
        folder_ =
            std::filesystem::temp_directory_path() / ("pag-bench-run-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        url_ = "sqlite:" + (folder_ / "run.db").string();
        {
            auto db = TSqlConnection::Open(url_);
            server::EnsureSchema(*db);
            server::SeedBulk(*db, count, Today());
            db->ExecuteScript("ANALYZE");
        }
        server::TServerOptions options;
        options.databaseUrl = url_;
        options.port = 0;
        options.threads = 4;
        server_ = std::make_unique<server::TPagServer>(options);
        port_ = server_->Start();
    }
    ~TRunServer() {
        server_->Stop();
        server_.reset();
        std::error_code ignored; // a leftover folder in the temporary directory does no harm
        std::filesystem::remove_all(folder_, ignored);
    }
    int Port() const { return port_; }
    const std::string& Url() const { return url_; }

private:
    std::filesystem::path folder_;
    std::string url_;
    std::unique_ptr<server::TPagServer> server_;
    int port_ = 0;
};

// Every write-off of company 01, whatever its date, as the list the user marks.
std::vector<TRpcArg> AllDates(const std::string& company) {
    return protocol::FiltroArgs({.company = company});
}

void BM_RunScreen(benchmark::State& state) {
    const int marked = static_cast<int>(state.range(0));
    TRunServer run(marked + marked / 8 + 100);

    TRecordingServices services;
    Application().SetServices(&services);
    host::Session().serverHost = "127.0.0.1";
    host::Session().serverPort = run.Port();
    host::Session().databaseUrl = run.Url();
    host::Session().operatorCode = server::kDemoOperator;
    host::Session().company = server::kDemoCompany;
    host::Session().branch = server::kDemoBranch;
    auto* screen = CreateForm<recalculation::TfrmRecContBaixaPag>(&Application());
    int calls = 0;
    screen->netRecContBaixaPag->OnCall = [&calls](const std::string&, const std::vector<Variant>&) {
        ++calls;
    };

    for (auto _ : state) {
        state.PauseTiming();
        screen->cdsBaixaPag->SetData(
            UnpackServerReply(screen->netRecContBaixaPag->Call("GetBaixaPag_Filtro",
                                                               AllDates(server::kDemoCompany)))
                .payload);
        TDataSet& list = *screen->cdsBaixaPag;
        int count = 0;
        for (list.First(); !list.Eof(); list.Next()) {
            if (count >= marked) break;
            if (!screen->cdsBaixaPagNRBAIXAPAG->AsString().starts_with("B") ||
                screen->cdsBaixaPagIDSTATUSBPAG->AsString() != "E")
                continue;
            list.Edit();
            screen->cdsBaixaPagIDMARCADO->SetAsString("S");
            list.Post(); // the after-post rule keeps the marked set
            ++count;
        }
        list.First();
        services.ClearEvents();
        calls = 0;
        if (count != marked || screen->BaixasMarcadas()->Count() != marked) {
            state.SkipWithError("não há baixas reais suficientes para marcar");
            break;
        }
        state.ResumeTiming();

        Application().Run([screen] { screen->sbtConfirmarClick(screen->sbtConfirmar); });

        state.PauseTiming();
        bool success = false;
        for (const TServiceEvent& e : services.Events()) {
            if (e.kind == TServiceEvent::Error)
                state.SkipWithError(("o recálculo falhou: " + e.text).c_str());
            if (e.kind == TServiceEvent::Message) success = true;
        }
        if (!success || calls != 4) {
            state.SkipWithError("o recálculo não terminou com sucesso em quatro chamadas");
            state.ResumeTiming();
            break;
        }
        state.counters["rows"] = static_cast<double>(screen->cdsBaixaPag->RecordCount());
        state.ResumeTiming();
    }
    Application().DestroyForms();
    Application().SetServices(nullptr);
    host::Dbgeral::ClearConnection();
    host::ResetSession();
}

} // namespace

// Named exactly as the server's benchmarks; read real_time from the JSON (the client mostly waits).
BENCHMARK(BM_RunScreen)->Arg(10000)->Unit(benchmark::kMillisecond);
