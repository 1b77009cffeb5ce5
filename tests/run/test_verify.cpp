// Verification (the list read again) and the accounting view (CTB10200 for the current write-off).
#include <gtest/gtest.h>

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "platform/serverreply.h"
#include "runkit.h"

namespace runtest {
namespace {

using platform::Variant;
using Strings = std::vector<std::string>;

class VerifyTest : public RunTest {
protected:
    bool Verify() {
        return Act([this] { screen->sbtVerificarClick(screen->sbtVerificar); });
    }
    std::vector<Variant> FiltroArgs() {
        std::lock_guard<std::mutex> lock(script.mutex);
        return script.filtroArgs;
    }
};

TEST_F(VerifyTest, WithoutTheDialogReadsTodaysWriteOffsAndDropsTheMarks) {
    Mark(2);
    ASSERT_TRUE(Act([this] { screen->cdsBaixaPag->SetRecNo(4); }));
    ServeRows(rectest::RealRows(7), {});
    EXPECT_TRUE(Verify());
    EXPECT_EQ(Calls(), Strings{"GetBaixaPag_Filtro"});
    std::vector<Variant> args = FiltroArgs();
    ASSERT_EQ(args.size(), 23u);
    EXPECT_EQ(args[6].AsDate(), rectest::Today());
    EXPECT_EQ(args[22].AsString(), "T");
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 7);
    EXPECT_EQ(screen->cdsBaixaPag->RecNo(), 1);
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 0);
    EXPECT_EQ(services.Lines(), (Strings{"busy on 1", "busy off"}));
}

TEST_F(VerifyTest, WithTheDialogUsesItsCriteriaButBothAccountingStates) {
    ASSERT_TRUE(ConfirmFilterDialog(0)); // "Contabilizadas"
    EXPECT_EQ(FiltroArgs().at(22).AsString(), "C");
    ForgetCalls();
    EXPECT_TRUE(Verify());
    EXPECT_EQ(Calls(), Strings{"GetBaixaPag_Filtro"});
    EXPECT_EQ(FiltroArgs().at(22).AsString(), "T");
}

TEST_F(VerifyTest, AFailureTheServerReportedIsShownOnlyOnceAndKeepsTheList) {
    script.filtroReply = platform::ServerReplyFailure("Empresa bloqueada para consulta.");
    EXPECT_TRUE(Verify());
    EXPECT_EQ(Errors(), Strings{"Empresa bloqueada para consulta."});
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 5);
    EXPECT_FALSE(services.Busy());
}

TEST_F(VerifyTest, AnUnreachableServerIsShownOnceWithItsOwnText) {
    fake.reset();
    EXPECT_TRUE(Verify());
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_NE(Errors()[0].find("127.0.0.1"), std::string::npos) << Errors()[0];
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 5);
    EXPECT_FALSE(services.Busy());
}

TEST_F(VerifyTest, TheAccountingViewBeforeAnyRunHandsOverDatasetsNeverOpened) {
    ASSERT_TRUE(Act([this] {
        screen->cdsBaixaPag->Edit();
        screen->cdsBaixaPagNRLCTBBPAG->SetAsString("000000000012");
        screen->cdsBaixaPag->Post();
    }));
    EXPECT_TRUE(Act([this] { screen->sbtContabClick(screen->sbtContab); }));
    ASSERT_EQ(openedCtb.size(), 1u);
    const Variant& params = openedCtb[0];
    EXPECT_EQ(params[0].AsString(), "01");
    EXPECT_EQ(params[1].AsString(), "000000000012");
    for (int i = 2; i <= 4; ++i) EXPECT_TRUE(params[i].IsNull() || params[i].IsEmpty()) << i;
    EXPECT_FALSE(screen->cdsLancContTemp->Active());
}

TEST_F(VerifyTest, TheAccountingViewAfterARunEmptiesTheOpenDatasets) {
    Mark(1);
    script.confirmReply = ConfirmReply(WithErrors());
    Confirm();
    openedCtb.clear();
    EXPECT_TRUE(Act([this] { screen->sbtContabClick(screen->sbtContab); }));
    ASSERT_EQ(openedCtb.size(), 1u);
    for (int i = 2; i <= 4; ++i) {
        platform::TClientDataSet data;
        data.SetData(openedCtb[0][i]);
        EXPECT_TRUE(data.IsEmpty()) << i;
    }
    EXPECT_EQ(openedCtb[0][1].AsString(), ""); // the write-off has no entry number
    EXPECT_TRUE(screen->cdsLancContTemp->Active());
    EXPECT_TRUE(screen->cdsErrosTemp->IsEmpty());
}

TEST_F(VerifyTest, TheAccountingViewOfAnEmptyListStillOpensCtb10200) {
    ServeRows({}, {});
    ASSERT_TRUE(Verify());
    EXPECT_TRUE(Act([this] { screen->sbtContabClick(screen->sbtContab); }));
    ASSERT_EQ(openedCtb.size(), 1u);
    EXPECT_EQ(openedCtb[0][1].AsString(), "");
}

} // namespace
} // namespace runtest
