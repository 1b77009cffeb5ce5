// Loading the write-off list when the company panel is left: the default criteria, the states of
// the commands, the failures of the load, the filter command, activation and closing.
#include <gtest/gtest.h>

#include "filter/cli_pag00901.h"
#include "host/session.h"
#include "host/showavi.h"
#include "platform/datetime.h"
#include "platform/serverreply.h"
#include "screen_fixture.h"
#include "tests/support/freeport.h"

using platform::Variant;
using platform::VarType;
using rectest::ScreenTest;

namespace {

class ListLoad : public ScreenTest {
protected:
    // Records each call the screen's connection makes.
    void HearCalls() {
        screen->netRecContBaixaPag->OnCall = [this](const std::string& method,
                                                    const std::vector<Variant>& args) {
            methods.push_back(method);
            lastArgs = args;
        };
    }
    std::vector<std::string> methods;
    std::vector<Variant> lastArgs;
};

class ListLoadFailure : public ListLoad {
protected:
    // The next call of the screen reaches `port`.
    void Redirect(int port) {
        host::Session().serverPort = port;
        screen->netRecContBaixaPag->SetConnected(false);
    }
    void ExpectLoadAbsorbed() {
        EXPECT_TRUE(screen->dbgPadrao->Focused()); // the focus change completed
        EXPECT_FALSE(screen->cdsBaixaPag->Active());
        EXPECT_TRUE(screen->sbtFiltro->Enabled());
        EXPECT_TRUE(screen->mnuFiltro->Enabled());
        EXPECT_FALSE(services.Busy());
        EXPECT_EQ(host::Showavi::ActiveCount(), 0);
    }
};

} // namespace

TEST_F(ListLoad, LeavingThePanelAsksForTheCompanysWriteOffsPaidToday) {
    ASSERT_NE(Open(), nullptr);
    HearCalls();
    ASSERT_TRUE(LeavePanel());
    ASSERT_EQ(methods, std::vector<std::string>{"GetBaixaPag_Filtro"});
    ASSERT_EQ(lastArgs.size(), 23u);
    EXPECT_EQ(lastArgs[0], Variant("01"));
    for (int n : {2, 3, 4, 5, 6, 9, 10, 15, 20})
        EXPECT_EQ(lastArgs[n - 1], Variant(std::string())) << n;
    for (int n : {7, 8}) {
        EXPECT_EQ(lastArgs[n - 1].Type(), VarType::Date) << n;
        EXPECT_EQ(lastArgs[n - 1].AsDate(), rectest::Today())
            << n; // the clock's day, without its time
    }
    for (int n : {11, 12, 13, 14, 16, 17, 18, 19, 21, 22}) {
        EXPECT_EQ(lastArgs[n - 1].Type(), VarType::Integer) << n;
        EXPECT_EQ(lastArgs[n - 1].AsInteger(), 0) << n;
    }
    EXPECT_EQ(lastArgs[22], Variant("T"));

    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 40);
    EXPECT_EQ(screen->cdsBaixaPag->State(), platform::TDataSetState::dsBrowse);
    EXPECT_TRUE(screen->sbtFiltro->Enabled());
    EXPECT_TRUE(screen->mnuFiltro->Enabled());
    EXPECT_TRUE(screen->sbtContab->Enabled());
    EXPECT_TRUE(screen->mnuVerificar->Enabled());
    EXPECT_TRUE(screen->mnuAlterar->Enabled());
    EXPECT_TRUE(screen->dbnPadrao->Enabled());
    EXPECT_FALSE(screen->mnuConfirmar->Enabled());
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 0);
    EXPECT_FALSE(services.Busy());
}

TEST_F(ListLoad, ADayWithoutWriteOffsGivesAnEmptyOpenList) {
    platform::SetClock([] { return rectest::Today() + 400; });
    ASSERT_NE(Open(), nullptr);
    ASSERT_TRUE(LeavePanel());
    EXPECT_TRUE(screen->cdsBaixaPag->Active());
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 0);
    EXPECT_FALSE(screen->mnuAlterar->Enabled());
    EXPECT_TRUE(screen->dbnPadrao->Enabled());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ListLoad, EnteringThePanelClosesTheListAndLeavingReloadsItWithNothingMarked) {
    ASSERT_NE(Open(), nullptr);
    ASSERT_TRUE(LeavePanel());
    ASSERT_TRUE(Act([this] { screen->dbgPadrao->UserDblClick(); })); // row 1 is real
    ASSERT_EQ(screen->BaixasMarcadas()->Count(), 1);
    ASSERT_TRUE(screen->mnuConfirmar->Enabled());

    ASSERT_TRUE(EnterPanel());
    EXPECT_FALSE(screen->cdsBaixaPag->Active());
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 0);
    EXPECT_FALSE(screen->mnuConfirmar->Enabled());
    EXPECT_FALSE(screen->sbtConfirmar->Enabled());
    EXPECT_FALSE(screen->mnuAlterar->Enabled());
    EXPECT_FALSE(screen->dbnPadrao->Enabled());
    EXPECT_FALSE(screen->sbtFiltro->Enabled());
    EXPECT_FALSE(screen->mnuFiltro->Enabled());
    EXPECT_FALSE(screen->sbtContab->Enabled());
    EXPECT_TRUE(screen->medCdEmpresa->Focused());

    ASSERT_TRUE(LeavePanel());
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 40);
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 0);
    EXPECT_FALSE(screen->mnuConfirmar->Enabled());
}

TEST_F(ListLoad, ALaterActivationKeepsTheFocusAndRebuildsTheCatalogueCopy) {
    ASSERT_NE(Open(), nullptr);
    ASSERT_TRUE(LeavePanel());
    ASSERT_TRUE(Act([this] { screen->cdsMsg->EmptyDataSet(); }));
    auto* other = platform::CreateForm<platform::TForm>(&platform::Application());
    other->SetFormStyle(platform::TFormStyle::fsMDIChild);
    ASSERT_TRUE(Act([other] { other->Show(); }));
    ASSERT_TRUE(Act([] { recalculation::CriaRecContBaixaPag(); }));
    EXPECT_TRUE(screen->Active());
    EXPECT_TRUE(screen->dbgPadrao->Focused());
    EXPECT_TRUE(screen->cdsBaixaPag->Active());
    EXPECT_EQ(screen->cdsMsg->RecordCount(), 30);
}

TEST_F(ListLoad, ClosingFreesTheScreenAndEndsItsSession) {
    ASSERT_NE(Open(), nullptr);
    ASSERT_TRUE(LeavePanel());
    ASSERT_TRUE(Act([this] { screen->Close(); }));
    EXPECT_FALSE(recalculation::boStCriado);
    EXPECT_EQ(recalculation::frmRecContBaixaPag, nullptr);
    ASSERT_NE(Open(), nullptr); // a fresh screen, list closed, company checked again
    EXPECT_FALSE(screen->cdsBaixaPag->Active());
    EXPECT_EQ(screen->edtNmEmpresa->Text(), "Comercial Boa Vista Ltda");
}

TEST_F(ListLoad, TheFilterCommandOpensTheFilterDialogWhoseCriteriaThenReloadTheList) {
    ASSERT_NE(Open(), nullptr);
    ASSERT_TRUE(LeavePanel());
    ASSERT_EQ(filter::frmFiltroBaixa, nullptr);
    services.ClearEvents();
    ASSERT_TRUE(Act([this] { screen->sbtFiltro->UserClick(); }));
    ASSERT_NE(filter::frmFiltroBaixa, nullptr);
    bool modal = false;
    for (const platform::TServiceEvent& e : services.Events())
        modal = modal || (e.kind == platform::TServiceEvent::Modal &&
                          e.text == "Filtro de Baixa (Pagamento)");
    EXPECT_TRUE(modal);

    // Ctrl+L runs the same command.
    services.ClearEvents();
    ASSERT_TRUE(Act([this] { screen->PressKey('L', platform::ssCtrl); }));
    int modals = 0;
    for (const platform::TServiceEvent& e : services.Events())
        modals += e.kind == platform::TServiceEvent::Modal;
    EXPECT_EQ(modals, 1);

    // From now on the panel reloads through the dialog, always with both accounting states.
    ASSERT_TRUE(EnterPanel());
    HearCalls();
    ASSERT_TRUE(LeavePanel());
    ASSERT_EQ(methods, std::vector<std::string>{"GetBaixaPag_Filtro"});
    ASSERT_EQ(lastArgs.size(), 23u);
    EXPECT_EQ(lastArgs[0], Variant("01"));
    EXPECT_EQ(lastArgs[22], Variant("T"));
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 40);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ListLoadFailure, AnUnreachableServerIsShownOnceAndTheFilterStaysAvailable) {
    ASSERT_NE(Open(), nullptr);
    Redirect(testsupport::UnusedLoopbackPort());
    ASSERT_TRUE(LeavePanel());
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_NE(Errors()[0].find("127.0.0.1"), std::string::npos) << Errors()[0];
    ExpectLoadAbsorbed();
    EXPECT_TRUE(screen->sbtContab->Enabled());
    // Entering and leaving again retries, now against a server that answers.
    Redirect(rectest::DemoServerPort());
    ASSERT_TRUE(EnterPanel());
    ASSERT_TRUE(LeavePanel());
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 40);
    EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(ListLoadFailure, AFailureTheServerReportsIsShownByTheReplyCheckAlone) {
    rectest::TFakeServer fake([](const std::string&, std::vector<Variant>&) {
        return platform::ServerReplyFailure("Banco de dados indisponível.");
    });
    ASSERT_NE(Open(), nullptr);
    Redirect(fake.Port());
    ASSERT_TRUE(LeavePanel());
    EXPECT_EQ(Errors(), std::vector<std::string>{"Banco de dados indisponível."});
    ExpectLoadAbsorbed();
}

TEST_F(ListLoadFailure, APacketThatCannotBeLoadedIsShownOnce) {
    // A list without the mark field, and bytes that are no packet at all.
    platform::TClientDataSet incomplete;
    incomplete.FieldDefs().Add("CDFILIAL", platform::TFieldType::ftString, 4);
    incomplete.FieldDefs().Add("NRBAIXAPAG", platform::TFieldType::ftString, 10);
    incomplete.CreateDataSet();
    incomplete.Append();
    incomplete.FieldByName("CDFILIAL")->SetAsString("0001");
    incomplete.Post();
    for (const Variant& payload : {incomplete.Data(), Variant::FromBytes("não é um pacote")}) {
        rectest::TFakeServer fake([payload](const std::string&, std::vector<Variant>&) {
            return platform::ServerReplyOk(payload);
        });
        services.ClearEvents();
        if (screen == nullptr) { ASSERT_NE(Open(), nullptr); }
        ASSERT_TRUE(EnterPanel());
        Redirect(fake.Port());
        ASSERT_TRUE(LeavePanel());
        ASSERT_EQ(Errors().size(), 1u);
        EXPECT_FALSE(Errors()[0].empty());
        ExpectLoadAbsorbed();
    }
}

TEST_F(ListLoadFailure, AServerThatDoesNotAnswerInTimeIsShownOnce) {
    rectest::TFakeServer slow(
        [](const std::string&, std::vector<Variant>&) {
            return platform::ServerReplyOk(Variant::Null());
        },
        std::chrono::milliseconds(1500));
    ASSERT_NE(Open(), nullptr);
    Redirect(slow.Port());
    screen->netRecContBaixaPag->SetReadTimeout(std::chrono::milliseconds(300));
    ASSERT_TRUE(LeavePanel());
    EXPECT_EQ(Errors().size(), 1u);
    ExpectLoadAbsorbed();
}
