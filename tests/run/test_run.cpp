// The recalculation run: what is sent, the result keys and accounting errors that stop it, the
// success path with its reload, and the screen released on every way out.
#include <gtest/gtest.h>

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "platform/datetime.h"
#include "platform/serverreply.h"
#include "runkit.h"

namespace runtest {
namespace {

using platform::Application;
using platform::TServiceEvent;
using platform::Variant;
using Strings = std::vector<std::string>;

std::unique_ptr<platform::TClientDataSet> Packet(const Variant& packet) {
    auto cds = std::make_unique<platform::TClientDataSet>();
    cds->SetData(packet);
    return cds;
}

TEST_F(RunTest, WithNothingMarkedTheServerIsNotCalled) {
    EXPECT_TRUE(Confirm());
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(RunTest, SendsEveryRowWithItsMarkAndTheSevenArguments) {
    Mark(2);
    Mark(4);
    ASSERT_TRUE(Confirm());
    std::vector<Variant> args;
    {
        std::lock_guard<std::mutex> lock(script.mutex);
        args = script.confirmArgs;
    }
    ASSERT_EQ(args.size(), 7u);
    auto list = Packet(args[0]);
    Strings marks;
    for (list->First(); !list->Eof(); list->Next())
        marks.push_back(list->FieldByName("IDMARCADO")->AsString());
    EXPECT_EQ(marks, (Strings{"N", "S", "N", "S", "N"}));
    EXPECT_EQ(args[1].AsString(), "01");
    EXPECT_EQ(args[2].AsString(), "0001");
    EXPECT_EQ(args[3].AsString(), "OPERADOR");
    EXPECT_EQ(args[4].AsString(), "0000000042"); // from GetPrxLista
    EXPECT_EQ(args[5].AsString(), "Pagto");
    auto catalogue = Packet(args[6]);
    EXPECT_EQ(catalogue->RecordCount(), 30);
    EXPECT_TRUE(catalogue->Locate("CDMESSAGE", Variant("Hist_Nc")));
    EXPECT_EQ(catalogue->FieldByName("DSMESSAGE")->AsString(),
              "Histórico padrão para integração contábil não cadastrado\t");
    EXPECT_EQ(recalculation::stNrLista, "0000000042-S"); // what the server left is kept
}

struct TStop {
    const char* code;
    const char* key;
    const char* text;
};

class RunStops : public RunTest, public ::testing::WithParamInterface<TStop> {};

TEST_P(RunStops, ResultKeyStopsTheRunWithItsTextAndReloadsNothing) {
    Mark(1);
    Mark(3);
    const int before = screen->BaixasMarcadas()->Count();
    script.confirmReply = ConfirmReply(Results({{GetParam().code, GetParam().key, "01"}}));
    EXPECT_FALSE(Confirm());
    EXPECT_EQ(Calls(), (Strings{"GetPrxLista", "SetConfirmar"}));
    EXPECT_EQ(Errors(), Strings{GetParam().text});
    EXPECT_TRUE(openedCtb.empty());
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 5);
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), before);
    EXPECT_TRUE(screen->mnuConfirmar->Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, RunStops,
    ::testing::Values(
        TStop{"MSG", "Hist_Conta", "Cheque: [#CHQ]"},
        TStop{"", "Hist_Nc", "Histórico padrão para integração contábil não cadastrado\t"},
        TStop{
            "X", "BOL_ALT",
            "O boleto (%s - %s - %s) foi excluído ou associado a outro boleto por outro usuário."},
        TStop{"", "VRBOL_DIF",
              "Valor da conta do boleto (%s - %s - %s) foi alterado por outro usuário."},
        TStop{"", "CNT_PROR", "A conta do boleto (%s - %s - %s) foi prorrogada por outro usuário."},
        TStop{"", "CNT_PREV",
              "Tipo do documento do boleto (%s - %s - %s) foi alterado por outro usuário. "
              "Conta de documento previsto não pode ser baixada."},
        TStop{"", "ALT_BLOQ", "Operação bloqueada. Documento em alteração por outro usuário."}));

TEST_F(RunTest, OnlyTheFirstResultRowInSortOrderCounts) {
    Mark(1);
    // Sent in another order: "01" sorts first and carries no listed key.
    script.confirmReply = ConfirmReply(Results({{"", "ALT_BLOQ", "02"}, {"", "BOLBAIXAD", "01"}}));
    EXPECT_TRUE(Confirm());
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Calls().size(), 4u);
}

TEST_F(RunTest, HistContaWithoutMsgAndUnlistedKeysAreIgnored) {
    for (const char* key : {"Hist_Conta", "hist_nc", "LANCCTB_INV"}) {
        Mark(1);
        script.confirmReply = ConfirmReply(Results({{"ERR", key, "01"}}));
        EXPECT_TRUE(Confirm()) << key;
        EXPECT_TRUE(Errors().empty()) << key;
    }
}

TEST_F(RunTest, AResultKeyWinsOverAccountingErrors) {
    Mark(1);
    server::TRunOutcome outcome = WithErrors();
    outcome.results = {{"", "CNT_PROR", "01"}};
    script.confirmReply = ConfirmReply(outcome);
    EXPECT_FALSE(Confirm());
    EXPECT_EQ(Errors(),
              Strings{"A conta do boleto (%s - %s - %s) foi prorrogada por outro usuário."});
    EXPECT_TRUE(openedCtb.empty());
}

TEST_F(RunTest, AccountingErrorsOpenCtb10200SilentlyWithTheProvisionalEntries) {
    Mark(2);
    script.confirmReply = ConfirmReply(WithErrors());
    EXPECT_FALSE(Confirm()); // ended by the silent abort
    ASSERT_EQ(openedCtb.size(), 1u);
    const Variant& params = openedCtb[0];
    EXPECT_EQ(params.LowBound(), 0);
    EXPECT_EQ(params.HighBound(), 4);
    EXPECT_EQ(params[0].AsString(), "01");
    EXPECT_EQ(params[1].Type(), platform::VarType::String);
    EXPECT_EQ(params[1].AsString(), "");
    EXPECT_EQ(Packet(params[2])->RecordCount(), 2);
    EXPECT_EQ(Packet(params[4])->FieldByName("CDERROTEMP")->AsString(), "001");
    EXPECT_TRUE(Errors().empty());
    for (const TServiceEvent& e : services.Events()) EXPECT_NE(e.kind, TServiceEvent::Message);
    EXPECT_EQ(Calls(), (Strings{"GetPrxLista", "SetConfirmar"}));
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 1);
    EXPECT_EQ(screen->cdsErrosTemp->RecordCount(), 1);
}

TEST_F(RunTest, SuccessShowsTheMessageOverTheOldListThenReloadsWithTheDefaults) {
    Mark(1);
    ServeRows(rectest::RealRows(3), rectest::RealRows(2));
    std::vector<std::string> callsAtMessage;
    int rowsAtMessage = 0;
    services.OnEvent = [&](const TServiceEvent& e) {
        if (e.kind != TServiceEvent::Message) return;
        callsAtMessage = Calls();
        rowsAtMessage = screen->cdsBaixaPag->RecordCount();
    };
    ASSERT_TRUE(Confirm());
    services.OnEvent = nullptr;
    EXPECT_EQ(callsAtMessage, (Strings{"GetPrxLista", "SetConfirmar"}));
    EXPECT_EQ(rowsAtMessage, 5);
    ASSERT_FALSE(services.Events().empty());
    bool shown = false;
    for (const TServiceEvent& e : services.Events())
        if (e.kind == TServiceEvent::Message) {
            shown = true;
            EXPECT_EQ(e.text, "O Recálculo da Contabilização da Baixa foi realizado com sucesso.");
            EXPECT_EQ(e.dlgType, platform::TMsgDlgType::mtInformation);
            EXPECT_EQ(e.buttons, platform::mbOK);
        }
    EXPECT_TRUE(shown);
    EXPECT_EQ(Calls(),
              (Strings{"GetPrxLista", "SetConfirmar", "GetBaixaPag_Saida", "GetBaixaPag_Filtro"}));
    std::vector<Variant> filtro;
    {
        std::lock_guard<std::mutex> lock(script.mutex);
        filtro = script.filtroArgs;
    }
    ASSERT_EQ(filtro.size(), 23u);
    EXPECT_EQ(filtro[6].AsDate(), rectest::Today());
    EXPECT_EQ(filtro[7].AsDate(), rectest::Today());
    EXPECT_EQ(filtro[22].AsString(), "T");
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(),
              3); // the reload replaced GetBaixaPag_Saida's list
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 0);
    EXPECT_FALSE(screen->mnuConfirmar->Enabled());
    EXPECT_FALSE(screen->sbtConfirmar->Enabled());
}

TEST_F(RunTest, TheCurrentWriteOffIsFoundAgainByBranchAndNumberIgnoringCase) {
    std::vector<rectest::TRow> before = rectest::RealRows(4);
    before[2].filial = "1a"; // a branch code shorter than four characters
    std::vector<rectest::TRow> after = rectest::RealRows(6);
    after[5].filial = "1A";
    after[5].numero = before[2].numero;
    ServeRows(before, before);
    ASSERT_TRUE(LeavePanel());
    ASSERT_TRUE(EnterPanel());
    ASSERT_TRUE(LeavePanel());
    ServeRows(after, after);
    Mark(3);
    ASSERT_TRUE(Confirm());
    EXPECT_EQ(screen->cdsBaixaPag->RecNo(), 6);
    EXPECT_EQ(screen->cdsBaixaPagCDFILIAL->AsString(), "1A");
}

TEST_F(RunTest, AWriteOffGoneFromTheReloadLeavesTheFirstRowCurrent) {
    Mark(5);
    ServeRows(rectest::RealRows(3), rectest::RealRows(3));
    ASSERT_TRUE(Confirm());
    EXPECT_EQ(screen->cdsBaixaPag->RecNo(), 1);
}

TEST_F(RunTest, WithTheFilterDialogTheReloadFollowsItsConfirmedCriteria) {
    ASSERT_TRUE(ConfirmFilterDialog(1)); // "Não contabilizadas"
    ASSERT_NE(filter::frmFiltroBaixa, nullptr);
    // Left unconfirmed: the reload restores the confirmed choice.
    filter::frmFiltroBaixa->rdgCtbl->SetItemIndex(0);
    ForgetCalls();
    Mark(1);
    ASSERT_TRUE(Confirm());
    EXPECT_EQ(Calls(),
              (Strings{"GetPrxLista", "SetConfirmar", "GetBaixaPag_Saida", "GetBaixaPag_Filtro"}));
    std::lock_guard<std::mutex> lock(script.mutex);
    ASSERT_EQ(script.filtroArgs.size(), 23u);
    EXPECT_EQ(script.filtroArgs[22].AsString(), "N");
    EXPECT_FALSE(screen->netRecContBaixaPag->Connected()); // the dialog's closing disconnects
}

TEST_F(RunTest, AReloadFailureComesAfterTheSuccessMessage) {
    Mark(1);
    script.saidaReply = platform::ServerReplyFailure("Lista da execução não encontrada.");
    EXPECT_FALSE(Confirm());
    Strings kinds;
    for (const TServiceEvent& e : services.Events())
        if (e.kind == TServiceEvent::Message || e.kind == TServiceEvent::Error)
            kinds.push_back(e.text);
    EXPECT_EQ(kinds, (Strings{"O Recálculo da Contabilização da Baixa foi realizado com sucesso.",
                              "Lista da execução não encontrada."}));
    EXPECT_FALSE(screen->cdsBaixaPag->ControlsDisabled());
    EXPECT_EQ(Application().LockedWindow(), 0u);
}

// The lock and the disabled controls hold from before the first call until just before the
// message, and are released whichever way the run ends.
class RunReleases : public RunTest, public ::testing::WithParamInterface<int> {};

TEST_P(RunReleases, TheWindowLockAndTheControlsAreAlwaysReleased) {
    Mark(1);
    switch (GetParam()) {
    case 0: break; // success
    case 1: script.confirmReply = ConfirmReply(Results({{"", "ALT_BLOQ", "01"}})); break;
    case 2: script.confirmReply = ConfirmReply(WithErrors()); break;
    case 3: script.confirmReply = platform::ServerReplyFailure("Falha no servidor."); break;
    case 4: fake.reset(); break; // unreachable
    }
    bool lockedWhileBusy = false, disabledWhileBusy = false, releasedAtMessage = false;
    services.OnEvent = [&](const TServiceEvent& e) {
        if (e.kind == TServiceEvent::BusyOn) {
            lockedWhileBusy = Application().LockedWindow() == screen->Handle();
            disabledWhileBusy = screen->cdsBaixaPag->ControlsDisabled();
        }
        if (e.kind == TServiceEvent::Message)
            releasedAtMessage =
                Application().LockedWindow() == 0 && !screen->cdsBaixaPag->ControlsDisabled();
    };
    Confirm();
    services.OnEvent = nullptr;
    if (GetParam() != 4) {
        EXPECT_TRUE(lockedWhileBusy);
        EXPECT_TRUE(disabledWhileBusy);
    }
    if (GetParam() == 0) { EXPECT_TRUE(releasedAtMessage); }
    EXPECT_EQ(Application().LockedWindow(), 0u);
    EXPECT_FALSE(screen->cdsBaixaPag->ControlsDisabled());
    EXPECT_FALSE(services.Busy());
    if (GetParam() == 4) {
        EXPECT_EQ(Errors().size(), 1u); // the connection's own report, once
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, RunReleases, ::testing::Range(0, 5));

TEST_F(RunTest, CancelDiscardsTheBoletosChangesEvenWhenNeverOpened) {
    EXPECT_TRUE(Act([this] { screen->sbtCancelarClick(screen->sbtCancelar); }));
    EXPECT_FALSE(screen->cdsBoletoPag->Active());
    EXPECT_TRUE(Calls().empty());
}

} // namespace
} // namespace runtest
