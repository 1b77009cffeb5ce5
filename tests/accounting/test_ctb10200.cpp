// The accounting screen opened through LoadBPL: one read-only MDI child, filled, reused, closed.
#include <gtest/gtest.h>

#include "accounting/ctb10200.h"
#include "accounting/frmlanccontabil.h"
#include "accountingkit.h"
#include "host/dbgeral.h"
#include "host/moduleregistry.h"
#include "host/morvane.h"
#include "host/session.h"
#include "platform/application.h"
#include "platform/keys.h"
#include "platform/recordingservices.h"

namespace {

using accounting::FrmLancContabil;
using accounting::TfrmLancContabil;
using platform::Application;
using platform::Variant;

class Ctb10200 : public ::testing::Test {
protected:
    void SetUp() override {
        Application().SetServices(&services);
        mainForm = platform::CreateForm<platform::TForm>(&Application());
        mainForm->SetFormStyle(platform::TFormStyle::fsMDIForm);
        Application().SetMainForm(mainForm);
        mainForm->Show();
        host::ModuleRegistry().Register(accounting::kScreenCode, accounting::AbreLancContabil);
    }
    void TearDown() override {
        host::ModuleRegistry().Unregister(accounting::kScreenCode);
        Application().DestroyForms();
        Application().SetMainForm(nullptr);
        Application().SetServices(nullptr);
        host::Dbgeral::ClearConnection();
        host::ResetSession();
    }
    static void LoadBPL(const Variant& params) { host::Morvane::LoadBPL("CTB10200", params); }

    platform::TRecordingServices services;
    platform::TForm* mainForm = nullptr;
};

TEST_F(Ctb10200, ProvisionalEntriesOpenAsTheActiveMdiChildWithTheErrorsInFront) {
    LoadBPL(accountingtest::Params("01", "", accountingtest::OutcomeWithErrors()));
    TfrmLancContabil* form = FrmLancContabil();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->IsMDIChild());
    EXPECT_EQ(Application().ActiveMDIChild(), form);
    EXPECT_EQ(form->Caption(), "Lançamentos Contábeis");
    EXPECT_EQ(form->lblCodTela->Caption(), "CTB10200");
    EXPECT_EQ(form->edtCdEmpresa->Text(), "01");
    EXPECT_EQ(form->edtNmEmpresa->Text(), "Empresa Um");
    EXPECT_EQ(form->edtNrLanc->Text(), "Provisório");
    EXPECT_EQ(form->lblSituacao->Caption(),
              "Lançamentos provisórios. A contabilização não foi concluída: 3 erros.");
    EXPECT_EQ(form->pgcLancamentos->ActivePage(), form->tshErros);
    EXPECT_TRUE(form->tshErros->TabVisible());
    EXPECT_EQ(form->cdsLancamentos->RecordCount(), 3);
    EXPECT_EQ(form->cdsRateio->RecordCount(), 1);
    EXPECT_EQ(form->cdsErros->RecordCount(), 3);
    EXPECT_EQ(form->cdsErros->FieldByName("DSERRO")->AsString(), "Conta contábil não informada.");
    EXPECT_EQ(services.Lines().at(0).substr(0, 16), "loadbpl CTB10200") << services.Lines().at(0);
}

TEST_F(Ctb10200, ASecondOpeningReusesTheScreenAndRestoresIt) {
    LoadBPL(accountingtest::Params("01", "", accountingtest::OutcomeWithErrors()));
    TfrmLancContabil* first = FrmLancContabil();
    first->SetWindowState(platform::TWindowState::wsMaximized);
    server::TRunOutcome noErrors = accountingtest::OutcomeWithErrors();
    noErrors.errors.clear();
    LoadBPL(accountingtest::Params("01", "", noErrors));
    EXPECT_EQ(FrmLancContabil(), first);
    EXPECT_EQ(Application().MDIChildren().size(), 1u);
    EXPECT_EQ(first->WindowState(), platform::TWindowState::wsNormal);
    EXPECT_EQ(first->cdsErros->RecordCount(), 0);
    EXPECT_FALSE(first->tshErros->TabVisible());
    EXPECT_EQ(first->pgcLancamentos->ActivePage(), first->tshLancamentos);
}

TEST_F(Ctb10200, DataThatCannotBeReadOpensNoScreenAndLeavesAnOpenOneAsItWas) {
    Variant bad = accountingtest::Params("01", "", accountingtest::OutcomeWithErrors());
    bad[4] = Variant::FromBytes(std::string("lixo"));
    EXPECT_THROW(LoadBPL(bad), platform::Exception);
    EXPECT_EQ(FrmLancContabil(), nullptr);
    EXPECT_TRUE(Application().MDIChildren().empty());

    LoadBPL(accountingtest::Params("01", "", accountingtest::OutcomeWithErrors()));
    TfrmLancContabil* form = FrmLancContabil();
    EXPECT_THROW(LoadBPL(bad), platform::Exception);
    EXPECT_EQ(FrmLancContabil(), form);
    EXPECT_EQ(form->cdsErros->RecordCount(), 3);
}

TEST_F(Ctb10200, ClosingFreesTheScreenAndTheNextOpeningCreatesANewOne) {
    LoadBPL(accountingtest::Params("01", "", accountingtest::OutcomeWithErrors()));
    FrmLancContabil()->btnFechar->Click();
    Application().ProcessMessages();
    EXPECT_EQ(FrmLancContabil(), nullptr);
    LoadBPL(accountingtest::ParamsWithoutData("01", ""));
    ASSERT_NE(FrmLancContabil(), nullptr);
    EXPECT_EQ(FrmLancContabil()->lblSituacao->Caption(),
              "Não há lançamentos contábeis para mostrar.");
    EXPECT_EQ(FrmLancContabil()->edtNrLanc->Text(), "");
    Application().PressKey(platform::VK_ESCAPE, 0);
    Application().ProcessMessages();
    EXPECT_EQ(FrmLancContabil(), nullptr);
}

TEST_F(Ctb10200, AnUnreachableDatabaseIsReportedAndOpensNothing) {
    host::Session().databaseUrl = "sqlite:/nao/existe/pag.db";
    EXPECT_THROW(LoadBPL(accountingtest::ParamsWithoutData("01", "000000000012")),
                 platform::EDatabaseError);
    EXPECT_EQ(FrmLancContabil(), nullptr);
}

} // namespace
