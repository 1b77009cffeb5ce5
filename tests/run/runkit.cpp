// The recalculation run's tests: the scripted server and the screen set up on it.
#include "runkit.h"

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "host/moduleregistry.h"
#include "host/session.h"
#include "platform/serverreply.h"

namespace runtest {

using platform::Variant;

Variant ConfirmReply(const server::TRunOutcome& outcome) {
    return platform::ServerReplyOk(server::RunPayload(outcome));
}

server::TRunOutcome Results(std::vector<server::TRunResult> results) {
    server::TRunOutcome outcome;
    outcome.results = std::move(results);
    return outcome;
}

server::TRunOutcome WithErrors() {
    server::TRunOutcome outcome;
    for (const char* seq : {"00001", "00002"}) {
        server::TEntryLine line;
        line.company = "01";
        line.entryNumber = "000000000031";
        line.sequence = seq;
        line.account = seq[4] == '1' ? "2.1.01" : "";
        line.amount = seq[4] == '1' ? 10.0 : -10.0;
        outcome.entries.push_back(line);
    }
    outcome.errors = {{"001", "00002"}};
    return outcome;
}

void RunTest::SetUp() {
    rectest::ScreenTest::SetUp();
    fake = std::make_unique<rectest::TFakeServer>(
        [this](const std::string& method, std::vector<Variant>& args) {
            std::lock_guard<std::mutex> lock(script.mutex);
            script.calls.push_back(method);
            if (method == "GetPrxLista") return Variant(script.listNumber);
            if (method == "SetConfirmar") {
                script.confirmArgs = args;
                args[4] = script.listNumberBack;
                return script.confirmReply;
            }
            if (method == "GetBaixaPag_Saida") return script.saidaReply;
            if (method == "GetSimulacao") {
                script.simulateArgs = args;
                return script.simulateReply;
            }
            if (method == "GetBaixaPag_Filtro") {
                script.filtroArgs = args;
                return script.filtroReply;
            }
            throw platform::Exception("método inesperado " + method);
        });
    host::Session().serverPort = fake->Port();
    host::ModuleRegistry().Register("CTB10200",
                                    [this](const Variant& params) { openedCtb.push_back(params); });
    ASSERT_NE(Open(), nullptr);
    ServeRows(FirstRows(), FirstRows());
    script.confirmReply = ConfirmReply({});
    ASSERT_TRUE(LeavePanel());
    ASSERT_EQ(screen->cdsBaixaPag->RecordCount(), static_cast<int>(FirstRows().size()));
    ForgetCalls();
    services.ClearEvents();
}

void RunTest::TearDown() {
    host::ModuleRegistry().Unregister("CTB10200");
    rectest::ScreenTest::TearDown();
    fake.reset();
}

void RunTest::ServeRows(const std::vector<rectest::TRow>& filtro,
                        const std::vector<rectest::TRow>& saida) {
    Variant filtroReply = platform::ServerReplyOk(rectest::WriteOffPacket(*screen, filtro));
    Variant saidaReply = platform::ServerReplyOk(rectest::WriteOffPacket(*screen, saida));
    std::lock_guard<std::mutex> lock(script.mutex);
    script.filtroReply = filtroReply;
    script.saidaReply = saidaReply;
}

void RunTest::Mark(int recNo) {
    ASSERT_TRUE(Act([this, recNo] {
        screen->cdsBaixaPag->SetRecNo(recNo);
        screen->dbgPadraoDblClick(screen->dbgPadrao);
    }));
}

bool RunTest::Confirm() {
    return Act([this] { screen->sbtConfirmarClick(screen->sbtConfirmar); });
}

std::vector<std::string> RunTest::Calls() {
    std::lock_guard<std::mutex> lock(script.mutex);
    return script.calls;
}

void RunTest::ForgetCalls() {
    std::lock_guard<std::mutex> lock(script.mutex);
    script.calls.clear();
}

bool RunTest::ConfirmFilterDialog(int contabilizacao) {
    services.OnShowModal = [contabilizacao](platform::TForm& form) {
        auto& dialog = static_cast<filter::TfrmFiltroBaixa&>(form);
        dialog.rdgCtbl->SetItemIndex(contabilizacao);
        dialog.sbtConfirmaClick(dialog.sbtConfirma);
        return platform::mrOk;
    };
    const bool opened = Act([] { filter::CriaFiltroBaixaPag(); });
    services.OnShowModal = nullptr;
    return opened;
}

} // namespace runtest
