// Benchmarks of the recalculation screen, headless: mark-all over 100,000 write-offs through the
// mark column's title beside the plain loop that only flips marks and keeps a set of keys, and
// the rebuild of the catalogue copy at each activation.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/plain_mark_loop.h"
#include "bench/writeoff_rows.h"
#include "host/dbgeral.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/datapacket.h"
#include "platform/recordingservices.h"
#include "platform/sql.h"
#include "recalculation/cli_pag00900.h"

using namespace platform;

namespace {

// The screen as the host creates it, over a host database holding company "01" for the
// operator, with no application server to reach.
class ScreenHarness {
public:
    ScreenHarness() {
        Application().SetServices(&services);
        host::Session().serverPort = 1; // nothing listens there: the connect fails quietly
        auto db = TSqlConnection::Open("sqlite::memory:");
        db->ExecuteScript("CREATE TABLE EMPRESA (CDEMPRESA VARCHAR(2), NMEMPRESA VARCHAR(40), "
                          "CDCENTCUST VARCHAR(4));"
                          "CREATE TABLE OPEREMPR (CDOPERADOR VARCHAR(12), CDEMPRESA VARCHAR(2));"
                          "INSERT INTO EMPRESA VALUES ('01', 'Comercial Boa Vista Ltda', '0101');"
                          "INSERT INTO OPEREMPR VALUES ('OPERADOR', '01')");
        host::Dbgeral::SetConnection(std::move(db));
        host::Session().operatorCode = "OPERADOR";
        host::Session().company = "01";
        screen = CreateForm<recalculation::TfrmRecContBaixaPag>(&Application());
    }
    ~ScreenHarness() {
        Application().DestroyForms();
        Application().SetServices(nullptr);
        host::Dbgeral::ClearConnection();
        host::ResetSession();
    }

    TRecordingServices services;
    recalculation::TfrmRecContBaixaPag* screen = nullptr;
};

// Title click on the mark column, answered Yes: every row marked, then every row unmarked in the
// next iteration, through the screen's handlers (after-post rule, marked set, confirm command).
void BM_MarkAllScreen(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    ScreenHarness harness;
    recalculation::TfrmRecContBaixaPag& screen = *harness.screen;
    {
        TClientDataSet source;
        bench::AddWriteOffFields(source);
        source.CreateDataSet();
        bench::FillWriteOffs(source, rows);
        screen.cdsBaixaPag->SetData(Variant::FromBytes(EncodePacket(source)));
    }
    TDataSet& list = *screen.cdsBaixaPag;
    // The title click asks for a real write-off as the current row.
    int realRow = 0;
    for (list.First(); !list.Eof() && realRow == 0; list.Next())
        if (screen.cdsBaixaPagIDSTATUSBPAG->AsString() == "E") realRow = list.RecNo();
    if (realRow == 0) {
        state.SkipWithError("no real write-off");
        return;
    }
    TColumn* markColumn = screen.dbgPadrao->ColumnByFieldName("IDMARCADO");
    bool marking = true;
    for (auto _ : state) {
        state.PauseTiming();
        list.SetRecNo(realRow);
        harness.services.ClearEvents();
        harness.services.QueueAnswer(mrYes);
        const int refreshes = screen.dbgPadrao->RefreshCount();
        state.ResumeTiming();

        screen.dbgPadrao->TitleClick(markColumn);

        state.PauseTiming();
        const int expected = marking ? rows : 0;
        if (screen.BaixasMarcadas()->Count() != expected)
            state.SkipWithError("marked set out of step");
        if (screen.dbgPadrao->RefreshCount() - refreshes != 1)
            state.SkipWithError("the grid was told more than once");
        static_cast<TClientDataSet&>(list).MergeChangeLog();
        marking = !marking;
        state.ResumeTiming();
    }
}

void BM_RebuildMsg(benchmark::State& state) {
    ScreenHarness harness;
    for (auto _ : state) {
        harness.screen->Carrega_Msg();
        benchmark::DoNotOptimize(harness.screen->cdsMsg->RecordCount());
    }
    if (harness.screen->cdsMsg->RecordCount() != 30)
        state.SkipWithError("catalogue copy incomplete");
}

} // namespace

using bench::BM_PlainMarkLoop;
BENCHMARK(BM_PlainMarkLoop)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkAllScreen)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildMsg)->Unit(benchmark::kMicrosecond);
