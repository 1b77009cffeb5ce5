// Benchmark of the desktop on a real display (run it under xvfb-run): from the click that opens
// PAG00900 to the painted grid holding 100,000 (and 1,000,000) write-offs loaded from pag-server,
// and the scrolling of the 100,000-row grid from top to bottom. Figures are wall-clock times per
// iteration.
//
//   xvfb-run -a build/bench/pag_bench_desktop
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "desktop/gridview.h"
#include "desktop/mainwindow.h"
#include "desktop/modulehost.h"
#include "desktop/renderer.h"
#include "desktop/views.h"
#include "host/login.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/dataset.h"
#include "platform/dbctrls.h"
#include "platform/replywait.h"
#include "platform/sql.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

/// pag-server over a SQLite file holding the demo data and `rows` more write-offs of company
/// "01", all paid today, so that the screen's first load brings every one of them.
class TBulkServer {
public:
    explicit TBulkServer(int rows) : rows_(rows) {}
    bool Start() {
        database_ = QStringLiteral("sqlite:") + folder_.path() + QStringLiteral("/bulk.db");
        QProcess seed;
        seed.start(QStringLiteral(PAG_SERVER_PATH),
                   {QStringLiteral("--db"), database_, QStringLiteral("--seed"),
                    QStringLiteral("bulk:%1").arg(rows_), QStringLiteral("--seed-only")});
        if (!seed.waitForFinished(600000) || seed.exitCode() != 0) {
            std::fprintf(stderr, "seeding failed: %s\n", seed.readAllStandardError().constData());
            return false;
        }
        // The bulk rows are spread over many days: move them to the day the demo calls today.
        auto db = TSqlConnection::Open(database_.toStdString());
        db->Execute(
            "UPDATE BAIXAPAG SET DTBAIXAPAG = (SELECT DTBAIXAPAG FROM BAIXAPAG WHERE CDEMPRESA = "
            "'01' "
            "AND CDFILIAL = '0001' AND NRBAIXAPAG = '0000000001') WHERE NRBAIXAPAG LIKE 'B%'");
        db.reset();

        process_.setReadChannel(QProcess::StandardError);
        process_.start(QStringLiteral(PAG_SERVER_PATH),
                       {QStringLiteral("--db"), database_, QStringLiteral("--listen"),
                        QStringLiteral("127.0.0.1:0")});
        QRegularExpression listening(QStringLiteral(" em 127\\.0\\.0\\.1:(\\d+) "));
        QString log;
        for (int waited = 0;
             waited < 30000 && port_ == 0 && process_.state() != QProcess::NotRunning;
             waited += 100) {
            process_.waitForReadyRead(100);
            log += QString::fromUtf8(process_.readAllStandardError());
            QRegularExpressionMatch match = listening.match(log);
            if (match.hasMatch()) port_ = match.captured(1).toInt();
        }
        return port_ != 0;
    }
    ~TBulkServer() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
    }
    int Rows() const { return rows_; }
    int Port() const { return port_; }
    std::string Database() const { return database_.toStdString(); }

private:
    int rows_;
    QTemporaryDir folder_;
    QProcess process_;
    QString database_;
    int port_ = 0;
};

/// The desktop with the module loaded, as pag-desktop runs it.
struct TDesktop {
    TDesktop() {
        mainForm = CreateForm<TForm>(&Application());
        mainForm->SetName("frmPrincipal");
        mainForm->SetFormStyle(TFormStyle::fsMDIForm);
        Application().SetMainForm(mainForm);
        window = std::make_unique<desktop::TMainWindow>(nullptr);
        module = std::make_unique<desktop::TModuleHost>(PAG_MODULE_PATH);
        module->Initialize();
        window->SetOpenScreen([this] { module->IniProc(); });
        mainForm->Show();
        window->resize(1100, 800);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            std::fprintf(stderr, "the main window was not shown\n");
    }
    ~TDesktop() {
        module->Shutdown();
        window.reset();
        module.reset();
        Application().SetMainForm(nullptr);
    }
    TForm* mainForm = nullptr;
    std::unique_ptr<desktop::TMainWindow> window;
    std::unique_ptr<desktop::TModuleHost> module;
};

/// The bulk servers of the run by row count, owned by main() so that they stop before the
/// application object goes.
std::map<int, std::unique_ptr<TBulkServer>>* bulkServers = nullptr;

/// The bulk server of `rows` write-offs, started on first use and kept for the run; nullptr when
/// it could not be started.
TBulkServer* BulkServer(int rows) {
    std::unique_ptr<TBulkServer>& server = (*bulkServers)[rows];
    if (!server) {
        server = std::make_unique<TBulkServer>(rows);
        if (!server->Start())
            std::fprintf(stderr, "pag-server could not be started with %d bulk rows\n", rows);
    }
    return server->Port() != 0 ? server.get() : nullptr;
}

/// Points the session at the bulk server of `rows` write-offs; false, the benchmark's error
/// set, when there is none.
bool UseBulkServer(benchmark::State& state, int rows) {
    TBulkServer* server = BulkServer(rows);
    if (!server) {
        state.SkipWithError("pag-server could not be started with the bulk data");
        return false;
    }
    host::Session().serverHost = "127.0.0.1";
    host::Session().serverPort = server->Port();
    host::Session().databaseUrl = server->Database();
    // The server asks for a login: the demo operator's, with PAG_PASSWORD when it is set.
    const char* password = std::getenv("PAG_PASSWORD");
    try {
        host::LogIn("OPERADOR", password ? password : "demo");
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return false;
    }
    return true;
}

/// Opens the screen, leaves the company panel (the list loads) and paints the grid. Returns the
/// grid view, or nullptr (with the benchmark's error set) when something did not happen.
desktop::TGridView* OpenAndLoad(TDesktop& app, benchmark::State& state, TDataSet*& list, int rows) {
    app.window->OpenScreenAction().trigger();
    TForm* screen = Application().FindForm("frmRecContBaixaPag");
    if (!screen) {
        state.SkipWithError("the screen did not open");
        return nullptr;
    }
    auto* grid = dynamic_cast<TDBGrid*>(screen->FindComponent("dbgPadrao"));
    auto* view =
        dynamic_cast<desktop::TGridControlView*>(app.window->Renderer().ViewOf(grid))->GridView();
    list = grid->DataSet();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(10, 10)); // leaves the panel
    view->viewport()->repaint();
    QApplication::processEvents();
    if (!list->Active() || list->RecordCount() < rows) {
        state.SkipWithError("the list did not load the bulk rows");
        return nullptr;
    }
    return view;
}

void CloseScreen() {
    if (TForm* screen = Application().FindForm("frmRecContBaixaPag"))
        Application().Run([screen] { screen->Close(); });
    QApplication::processEvents();
}

// The click that opens the screen to the painted grid holding state.range(0) bulk write-offs.
// state.range(1) 0: the calls wait on the user-interface thread, nothing painted meanwhile (the
// baseline of the busy animation's cost); 1: as the desktop runs, painting while it waits.
void OpenScreenAndLoadToPaintedGrid(benchmark::State& state) {
    const int bulkRows = static_cast<int>(state.range(0));
    if (!UseBulkServer(state, bulkRows)) return;
    TDesktop app;
    const bool painting = state.range(1) != 0;
    platform::TReplyWaiter desktopWaiter;
    if (!painting) desktopWaiter = platform::SetReplyWaiter({});
    int rows = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        TDataSet* list = nullptr;
        desktop::TGridView* view = OpenAndLoad(app, state, list, bulkRows);
        auto end = Clock::now();
        if (!view) break;
        rows = list->RecordCount();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        CloseScreen();
    }
    state.counters["rows"] = rows;
    if (!painting) platform::SetReplyWaiter(std::move(desktopWaiter));
}
void BM_OpenScreenAndLoad100kToPaintedGrid(benchmark::State& state) {
    OpenScreenAndLoadToPaintedGrid(state);
}
BENCHMARK(BM_OpenScreenAndLoad100kToPaintedGrid)
    ->ArgNames({"rows", "painting_while_waiting"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_OpenScreenAndLoad1MToPaintedGrid(benchmark::State& state) {
    OpenScreenAndLoadToPaintedGrid(state);
}
BENCHMARK(BM_OpenScreenAndLoad1MToPaintedGrid)
    ->ArgNames({"rows", "painting_while_waiting"})
    ->Args({1000000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_ScrollLoadedGridTopToBottom(benchmark::State& state) {
    constexpr int kRows = 100000;
    if (!UseBulkServer(state, kRows)) return;
    TDesktop app;
    TDataSet* list = nullptr;
    desktop::TGridView* view = OpenAndLoad(app, state, list, kRows);
    if (!view) return;
    QScrollBar* bar = view->verticalScrollBar();
    for (auto _ : state) {
        auto start = Clock::now();
        // Forty page-sized jumps from the top to the bottom, each one painted.
        for (int step = 0; step <= 40; ++step) {
            bar->setValue(bar->maximum() * step / 40);
            view->viewport()->repaint();
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["allocated_MB"] = static_cast<double>(list->AllocatedBytes()) / (1 << 20);
    CloseScreen();
}
BENCHMARK(BM_ScrollLoadedGridTopToBottom)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    benchmark::Initialize(&argc, argv);
    std::map<int, std::unique_ptr<TBulkServer>> servers;
    bulkServers = &servers;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bulkServers = nullptr;
    return 0;
}
