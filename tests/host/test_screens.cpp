// Base screens: the grid screen's standard handlers and state rule, the filter dialog's options.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fake_services.h"
#include "host/frmfiltropadrao.h"
#include "host/frmpadraogrid.h"
#include "host/optionstore.h"
#include "host/session.h"
#include "platform/dataset.h"

using host::TfrmFiltroPadrao;
using host::TfrmPadraoGrid;

namespace {

// A derived screen as the system's screens are written: handlers call the base first.
class TfrmTeste : public TfrmPadraoGrid {
public:
    explicit TfrmTeste(platform::TComponent* owner) : TfrmPadraoGrid(owner) {
        SetName("frmTeste");
        lblCodTela->SetCaption("TST00001");
        cdsLista = Create<platform::TClientDataSet>();
        cdsLista->AddStringField("CODIGO", 4);
        dtsPadrao->SetDataSet(cdsLista);
    }
    void FormCreate(platform::TObject* sender) override {
        TfrmPadraoGrid::FormCreate(sender);
        log.push_back("FormCreate");
    }
    void sbtConfirmarClick(platform::TObject* sender) override {
        TfrmPadraoGrid::sbtConfirmarClick(sender);
        log.push_back("confirmar");
    }
    platform::TClientDataSet* cdsLista = nullptr;
    std::vector<std::string> log;
};

class GridScreen : public ::testing::Test {
protected:
    void SetUp() override { form_ = platform::CreateForm<TfrmTeste>(&platform::Application()); }
    void TearDown() override { platform::Application().DestroyForms(); }
    void Fill(int rows) {
        form_->cdsLista->CreateDataSet();
        for (int i = 1; i <= rows; ++i) {
            form_->cdsLista->Append();
            form_->cdsLista->FieldByName("CODIGO")->SetAsInteger(i);
            form_->cdsLista->Post();
        }
    }
    hosttest::FakeServices services_;
    TfrmTeste* form_ = nullptr;
};

} // namespace

TEST_F(GridScreen, IsAnMdiChildWithTheInheritedComponentsAndDerivedCreationRunsAfterTheBase) {
    EXPECT_TRUE(form_->IsMDIChild());
    EXPECT_EQ(form_->log, std::vector<std::string>{"FormCreate"});
    for (const char* name :
         {"panMenu",       "lblCodTela",   "dbgPadrao",   "dtsPadrao",           "msgPadrao",
          "mnuManutencao", "mnuIncluir",   "mnuAlterar",  "mnuExcluir",          "mnuVerificar",
          "mnuCancelar",   "mnuConfirmar", "mnuListagem", "mnuConfigImpressora", "sbtImprimir",
          "sbtConfirmar",  "sbtVerificar", "sbtCancelar", "sbtAlterar",          "dbnPadrao"})
        EXPECT_NE(form_->FindComponent(name), nullptr) << name;
    EXPECT_EQ(form_->dbgPadrao->DataSource(), form_->dtsPadrao);
    EXPECT_EQ(form_->mnuManutencao->IndexOf(form_->mnuConfirmar) >= 0, true);
}

TEST_F(GridScreen, RowCommandAndBrowseControlFollowTheListState) {
    EXPECT_FALSE(form_->dbnPadrao->Enabled());
    form_->cdsLista->CreateDataSet(); // open but empty
    EXPECT_TRUE(form_->dbnPadrao->Enabled());
    EXPECT_FALSE(form_->mnuAlterar->Enabled());
    form_->cdsLista->Close();
    Fill(3);
    EXPECT_TRUE(form_->mnuAlterar->Enabled());
    EXPECT_TRUE(form_->sbtAlterar->Enabled());
    form_->cdsLista->Edit();
    EXPECT_FALSE(form_->mnuAlterar->Enabled());
    EXPECT_FALSE(form_->dbnPadrao->Enabled());
    form_->cdsLista->Post();
    EXPECT_TRUE(form_->dbnPadrao->Enabled());
    form_->cdsLista->Close();
    EXPECT_FALSE(form_->mnuAlterar->Enabled());
    EXPECT_FALSE(form_->sbtAlterar->Enabled());
}

TEST_F(GridScreen, ConfirmPostsThroughTheDerivedHandlerFromButtonAndMenu) {
    Fill(2);
    form_->cdsLista->Edit();
    form_->cdsLista->FieldByName("CODIGO")->SetAsString("9");
    form_->mnuConfirmar->Click();
    EXPECT_EQ(form_->cdsLista->State(), platform::TDataSetState::dsBrowse);
    EXPECT_EQ(form_->cdsLista->FieldByName("CODIGO")->AsString(), "9");
    form_->sbtConfirmar->Click();
    EXPECT_EQ(form_->log, (std::vector<std::string>{"FormCreate", "confirmar", "confirmar"}));

    form_->cdsLista->Edit();
    form_->cdsLista->FieldByName("CODIGO")->SetAsString("7");
    form_->sbtCancelar->Click();
    EXPECT_EQ(form_->cdsLista->FieldByName("CODIGO")->AsString(), "9");
}

TEST_F(GridScreen, NavigatorMovesTheRowAndEnterInTheGridRunsTheRowCommand) {
    Fill(3);
    form_->sbtUltimo->Click();
    EXPECT_EQ(form_->cdsLista->RecNo(), 3);
    form_->sbtAnterior->Click();
    EXPECT_EQ(form_->cdsLista->RecNo(), 2);
    form_->sbtPrimeiro->Click();
    EXPECT_EQ(form_->cdsLista->RecNo(), 1);

    int rowCommands = 0;
    form_->mnuAlterar->OnClick = [&](platform::TObject*) { ++rowCommands; };
    platform::Word key = platform::VK_RETURN;
    form_->dbgPadraoKeyDown(form_->dbgPadrao, key, 0);
    EXPECT_EQ(rowCommands, 1);
    EXPECT_EQ(key, 0);
    key = platform::VK_SPACE; // other keys are left to the derived screen
    form_->dbgPadraoKeyDown(form_->dbgPadrao, key, 0);
    EXPECT_EQ(key, platform::VK_SPACE);
    form_->mnuAlterar->SetEnabled(false);
    key = platform::VK_RETURN;
    form_->dbgPadraoKeyDown(form_->dbgPadrao, key, 0);
    EXPECT_EQ(rowCommands, 1);
}

TEST_F(GridScreen, ClosingFreesTheScreen) {
    platform::TCloseAction action = platform::TCloseAction::caHide;
    form_->FormClose(form_, action);
    EXPECT_EQ(action, platform::TCloseAction::caFree);
    form_->Close();
    platform::Application().ProcessMessages();
    EXPECT_EQ(platform::Application().FindForm("frmTeste"), nullptr);
}

namespace {

class TfrmFiltroTeste : public TfrmFiltroPadrao {
public:
    explicit TfrmFiltroTeste(platform::TComponent* owner) : TfrmFiltroPadrao(owner) {
        SetName("frmFiltroTeste");
        lblCodTela->SetCaption("TST00002");
    }
};

class FilterOptions : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("pag_filter_" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        savedConfig_ = saved ? saved : "";
        hadConfig_ = saved != nullptr;
        ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        host::ResetSession();
        dlg_ = platform::CreateForm<TfrmFiltroTeste>(&platform::Application());
    }
    void TearDown() override {
        platform::Application().DestroyForms();
        if (hadConfig_)
            ::setenv("XDG_CONFIG_HOME", savedConfig_.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(folder_);
        host::ResetSession();
    }
    hosttest::FakeServices services_;
    TfrmFiltroTeste* dlg_ = nullptr;
    std::filesystem::path folder_;
    std::string savedConfig_;
    bool hadConfig_ = false;
};

} // namespace

TEST_F(FilterOptions, SaveThenLoadRestoresTheValuesPerOperatorAndScreen) {
    EXPECT_EQ(dlg_->OptionsFile(), (folder_ / "pag00900" / "OPERADOR_TST00002.opc").string());
    dlg_->OptionValues().SetValue("stListForn", "'000001','000002'");
    dlg_->OptionValues().SetValue("nrCtbl", "1");
    dlg_->btfSaveOpc->Click();

    dlg_->OptionValues().Clear();
    dlg_->OptionValues().SetValue("outro", "x");
    dlg_->btfLoadOpc->Click();
    EXPECT_EQ(dlg_->OptionValues().Lines(),
              (std::vector<std::string>{"stListForn='000001','000002'", "nrCtbl=1"}));
    EXPECT_EQ(dlg_->OptionValues().Value("stListOpera"), "");

    // Another operator has options of its own.
    host::Session().operatorCode = "MARIA";
    EXPECT_THROW(dlg_->btfLoadOpc->Click(), platform::EAbort);
    EXPECT_EQ(services_.log,
              std::vector<std::string>{"error Não há opções salvas para esta tela."});
    EXPECT_EQ(dlg_->OptionValues().Value("nrCtbl"), "1"); // left as it was
}

TEST_F(FilterOptions, ADamagedFileIsReportedAndNothingIsApplied) {
    dlg_->OptionValues().SetValue("nrCtbl", "2");
    std::filesystem::create_directories(folder_ / "pag00900");
    std::ofstream(dlg_->OptionsFile()) << "pag00900-opcoes 1\nstListForn='01'\nlinha sem igual\n";
    try {
        dlg_->btfLoadOpc->Click();
        ADD_FAILURE() << "a damaged file was loaded";
    } catch (const platform::Exception& e) {
        EXPECT_NE(e.Message().find("danificado (linha 3)"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(dlg_->OptionValues().Lines(), std::vector<std::string>{"nrCtbl=2"});
}

TEST_F(FilterOptions, DialogHidesOnCloseAndConfirmEndsTheModalWithOk) {
    platform::TCloseAction action = platform::TCloseAction::caFree;
    dlg_->FormClose(dlg_, action);
    EXPECT_EQ(action, platform::TCloseAction::caHide);
    dlg_->sbtConfirma->Click();
    EXPECT_EQ(dlg_->ModalResult(), platform::mrOk);
}
