// The result row's write-off and boleto values on the screen, and the simulation command.
#include <gtest/gtest.h>

#include "platform/serverreply.h"
#include "runkit.h"

namespace runtest {
namespace {

using platform::TServiceEvent;
using platform::Variant;
using Strings = std::vector<std::string>;

constexpr const char* kBoletoExcluido =
    "O boleto (%s - %s - %s) foi excluído ou associado a outro boleto por outro usuário.";

server::TRunResult Result(const char* key, const char* number, const char* boleto = "",
                          const char* document = "", const char* supplier = "") {
    return {"BOL", key, "02", "0001", number, boleto, document, supplier};
}

// A reply whose result packet has only the three fields an older server sends.
Variant OlderServerReply(const char* key) {
    platform::TClientDataSet result;
    for (const platform::TFieldDef& f : server::ResultFields())
        if (result.FieldDefs().Count() < 3) result.FieldDefs().Add(f.Name, f.DataType, f.Size);
    result.CreateDataSet();
    result.Append();
    result.FieldByName("CDRESULT")->SetAsString("BOL");
    result.FieldByName("DSRESULT")->SetAsString(key);
    result.FieldByName("IDTPRESULT")->SetAsString("02");
    result.Post();
    Variant payload = server::RunPayload({});
    payload[0] = result.Data();
    return platform::ServerReplyOk(payload);
}

class OutcomesTest : public RunTest {
protected:
    bool Simulate() {
        return Act([this] { screen->sbtSimularClick(screen->sbtSimular); });
    }
    std::string Current() { return screen->cdsBaixaPagNRBAIXAPAG->AsString(); }
};

TEST_F(OutcomesTest, ABoletoTextIsFilledAndTheCursorGoesToTheNamedWriteOff) {
    Mark(1);
    Mark(4);
    ASSERT_TRUE(Act([this] { screen->cdsBaixaPag->SetRecNo(2); }));
    script.confirmReply = ConfirmReply(
        Results({Result("BOL_ALT", "0000000004", "0000000077", "0000100", "Fornecedor Um Ltda")}));
    EXPECT_FALSE(Confirm());
    EXPECT_EQ(Errors(), Strings{"O boleto (0000000077 - 0000100 - Fornecedor Um Ltda) foi "
                                "excluído ou associado a outro boleto por outro usuário."});
    EXPECT_EQ(Current(), "0000000004");
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 2);
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 5);
    EXPECT_EQ(Calls(), (Strings{"GetPrxLista", "SetConfirmar"}));
}

TEST_F(OutcomesTest, WithoutTheValuesTheTextStandsAndAnUnknownWriteOffLeavesTheCursor) {
    Mark(3);
    script.confirmReply = OlderServerReply("BOL_ALT");
    EXPECT_FALSE(Confirm());
    EXPECT_EQ(Errors(), Strings{kBoletoExcluido});
    EXPECT_EQ(Current(), "0000000003");
    // Fields present but empty, and a write-off that is not in the list.
    script.confirmReply = ConfirmReply(Results({Result("BOL_ALT", "0000000099")}));
    EXPECT_FALSE(Confirm());
    EXPECT_EQ(Errors().back(), kBoletoExcluido);
    EXPECT_EQ(Current(), "0000000003");
    // Only the boleto conflicts are filled: ALT_BLOQ's text has no "%s" to fill anyway, and
    // Hist_Nc keeps its tab.
    script.confirmReply = ConfirmReply(Results({{"HST", "Hist_Nc", "06", "", "", "x", "y", "z"}}));
    EXPECT_FALSE(Confirm());
    EXPECT_EQ(Errors().back().back(), '\t');
}

TEST_F(OutcomesTest, TheSimulationIsEnabledWithTheConfirmCommand) {
    EXPECT_FALSE(screen->sbtSimular->Enabled());
    EXPECT_FALSE(screen->mnuSimular->Enabled());
    Mark(2);
    EXPECT_TRUE(screen->sbtSimular->Enabled());
    EXPECT_TRUE(screen->mnuSimular->Enabled());
    Mark(2); // unmarked again
    EXPECT_FALSE(screen->sbtSimular->Enabled());
    EXPECT_EQ(screen->mnuSimular->Enabled(), screen->mnuConfirmar->Enabled());
    const auto& items = screen->mnuManutencao;
    EXPECT_EQ(items->IndexOf(screen->mnuSimular), items->IndexOf(screen->mnuConfirmar) + 1);
    EXPECT_EQ(screen->sbtSimular->Hint(), "Simular contabilização");
}

TEST_F(OutcomesTest, TheSimulationSendsTheRunsArgumentsAndOpensCtb10200AsASimulation) {
    Mark(2);
    ASSERT_TRUE(Act([this] { screen->cdsBaixaPag->SetRecNo(4); }));
    script.simulateReply = ConfirmReply(WithErrors());
    EXPECT_TRUE(Simulate());
    EXPECT_EQ(Calls(), Strings{"GetSimulacao"});
    ASSERT_EQ(script.simulateArgs.size(), 6u);
    EXPECT_EQ(script.simulateArgs[1].AsString(), "01");
    EXPECT_EQ(script.simulateArgs[4].AsString(), "Pagto");
    ASSERT_EQ(openedCtb.size(), 1u);
    EXPECT_EQ(openedCtb[0].HighBound(), 5);
    EXPECT_EQ(openedCtb[0][1].AsString(), "");
    EXPECT_TRUE(openedCtb[0][5].AsBoolean());
    EXPECT_TRUE(Errors().empty());
    // The list, its marks, the marked set and the cursor are as they were.
    EXPECT_EQ(Current(), "0000000004");
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 1);
    EXPECT_TRUE(screen->mnuConfirmar->Enabled());
    bool busy = false;
    for (const TServiceEvent& e : services.Events()) busy = busy || e.kind == TServiceEvent::BusyOn;
    EXPECT_TRUE(busy);

    // A result key shows its text as a run's does, and CTB10200 stays closed.
    script.simulateReply = ConfirmReply(Results({Result("ALT_BLOQ", "0000000002")}));
    EXPECT_FALSE(Simulate());
    EXPECT_EQ(Errors(), Strings{"Operação bloqueada. Documento em alteração por outro usuário."});
    EXPECT_EQ(openedCtb.size(), 1u);
    EXPECT_EQ(Current(), "0000000002");
    // A failure reply is reported by the reply check; nothing opens.
    script.simulateReply = platform::ServerReplyFailure("Período contábil fechado até 01/01/2026.");
    EXPECT_FALSE(Simulate());
    EXPECT_EQ(openedCtb.size(), 1u);
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 1);
}

} // namespace
} // namespace runtest
