// The company panel against the demo server and database: the host's company at creation, typed
// and picked companies, and the checks that keep the list closed until a company is accepted.
#include <gtest/gtest.h>

#include "host/session.h"
#include "screen_fixture.h"

using rectest::ScreenTest;

namespace {

class CompanyAtCreation : public ScreenTest {};
class CompanyTyped : public ScreenTest {};

} // namespace

TEST_F(CompanyAtCreation, TheHostsCompanyIsShownWithItsNameAndTheListStaysClosed) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(screen->medCdEmpresa->Text(), "01");
    EXPECT_EQ(screen->edtNmEmpresa->Text(), "Comercial Boa Vista Ltda");
    EXPECT_FALSE(screen->cdsBaixaPag->Active());
    EXPECT_TRUE(screen->medCdEmpresa->Focused());
    EXPECT_FALSE(screen->sbtFiltro->Enabled());
    EXPECT_FALSE(screen->mnuFiltro->Enabled());
    EXPECT_FALSE(screen->sbtContab->Enabled());
    EXPECT_FALSE(screen->mnuConfirmar->Enabled());
    EXPECT_TRUE(screen->netRecContBaixaPag->Connected());
    EXPECT_EQ(screen->cdsMsg->RecordCount(), 30);
    ASSERT_NE(screen->BaixasMarcadas(), nullptr);
    EXPECT_EQ(screen->BaixasMarcadas()->Count(), 0);
}

TEST_F(CompanyAtCreation, AnUnknownCompanyIsReportedAndTheScreenOpensAllTheSame) {
    host::Session().company = "99";
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Empresa não cadastrada."});
    EXPECT_EQ(screen->medCdEmpresa->Text(), "99");
    EXPECT_EQ(screen->edtNmEmpresa->Text(), "");
    EXPECT_TRUE(screen->medCdEmpresa->Focused());
    EXPECT_FALSE(screen->cdsBaixaPag->Active());
    // Usable once a valid company is entered.
    TypeCompany("02");
    ASSERT_TRUE(LeavePanel());
    EXPECT_EQ(screen->edtNmEmpresa->Text(), "Metalúrgica Santa Rita S.A.");
    EXPECT_TRUE(screen->cdsBaixaPag->Active());
}

TEST_F(CompanyAtCreation, ACompanyTheOperatorMayNotUseIsReported) {
    host::Session().company = "03";
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Errors(), std::vector<std::string>{"Empresa não relacionada ao operador logado."});
    EXPECT_EQ(screen->edtNmEmpresa->Text(), "");
    EXPECT_TRUE(screen->medCdEmpresa->Focused());
    EXPECT_FALSE(LeavePanel());
    EXPECT_FALSE(screen->cdsBaixaPag->Active());
}

TEST_F(CompanyTyped, OneDigitBecomesTwoAndLeavingShowsTheNameAndLoadsTheList) {
    ASSERT_NE(Open(), nullptr);
    TypeCompany("1");
    EXPECT_EQ(screen->edtNmEmpresa->Text(), ""); // the keystroke took the name away
    ASSERT_TRUE(LeavePanel());
    EXPECT_EQ(screen->medCdEmpresa->Text(), "01");
    EXPECT_EQ(screen->edtNmEmpresa->Text(), "Comercial Boa Vista Ltda");
    EXPECT_TRUE(screen->dbgPadrao->Focused());
    EXPECT_EQ(screen->cdsBaixaPag->RecordCount(), 40);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(CompanyTyped, UnknownOrForbiddenCompaniesKeepTheFocusAndTheListClosed) {
    ASSERT_NE(Open(), nullptr);
    for (auto [code, message] : {std::pair{"99", "Empresa não cadastrada."},
                                 std::pair{"3", "Empresa não relacionada ao operador logado."}}) {
        SCOPED_TRACE(code);
        services.ClearEvents();
        TypeCompany(code);
        EXPECT_FALSE(LeavePanel());
        // Reported once, by the edit's own check; the panel's check never runs.
        EXPECT_EQ(Errors(), std::vector<std::string>{message});
        EXPECT_TRUE(screen->medCdEmpresa->Focused());
        EXPECT_FALSE(screen->cdsBaixaPag->Active());
        EXPECT_FALSE(screen->sbtFiltro->Enabled());
        EXPECT_FALSE(screen->sbtContab->Enabled());
    }
    EXPECT_EQ(screen->medCdEmpresa->Text(), "03");
}

TEST_F(CompanyTyped, AnEmptyCompanyPassesTheEditButNotThePanel) {
    ASSERT_NE(Open(), nullptr);
    TypeCompany("");
    EXPECT_EQ(screen->medCdEmpresa->Text(), "");
    EXPECT_FALSE(LeavePanel());
    EXPECT_EQ(Errors(), std::vector<std::string>{"Empresa deve ser informada."});
    EXPECT_TRUE(screen->medCdEmpresa->Focused());
    EXPECT_FALSE(screen->cdsBaixaPag->Active());
    EXPECT_FALSE(screen->sbtFiltro->Enabled());
}

TEST_F(CompanyTyped, CodesWithBlanksOrLettersAreCheckedNotTrusted) {
    ASSERT_NE(Open(), nullptr);
    // Letters cannot be typed into the two digit positions.
    TypeCompany("A");
    EXPECT_EQ(screen->medCdEmpresa->Text(), "");
    // A code put there by the program is checked as it stands.
    ASSERT_TRUE(Act([this] { screen->medCdEmpresa->SetText("X1"); }));
    EXPECT_FALSE(LeavePanel());
    EXPECT_EQ(Errors(), std::vector<std::string>{"Empresa não cadastrada."});
    EXPECT_FALSE(screen->cdsBaixaPag->Active());
    // A blank before the digit is no part of the code.
    services.ClearEvents();
    ASSERT_TRUE(Act([this] { screen->medCdEmpresa->SetEditText(" 2"); }));
    EXPECT_TRUE(LeavePanel());
    EXPECT_EQ(screen->medCdEmpresa->Text(), "02");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(CompanyTyped, ThePickedCompanyFillsCodeAndNameAndIsLoadedOnLeaving) {
    ASSERT_NE(Open(), nullptr);
    services.QueuePick({"02"});
    ASSERT_TRUE(Act([this] { screen->btpEmpresa->UserClick(); }));
    EXPECT_EQ(screen->medCdEmpresa->Text(), "02");
    EXPECT_EQ(screen->edtNmEmpresa->Text(), "Metalúrgica Santa Rita S.A.");
    EXPECT_TRUE(screen->medCdEmpresa->Focused());
    bool listed = false;
    for (const platform::TServiceEvent& e : services.Events())
        if (e.kind == platform::TServiceEvent::PickRow) listed = e.text == "Empresa";
    EXPECT_TRUE(listed);
    // Every company was offered, by code.
    EXPECT_EQ(screen->qryEmpresa->RecordCount(), 3);
    ASSERT_TRUE(LeavePanel());
    EXPECT_TRUE(screen->cdsBaixaPag->Active());
    screen->cdsBaixaPag->First();
    EXPECT_EQ(screen->cdsBaixaPagCDEMPRESA->AsString(), "02");
}
