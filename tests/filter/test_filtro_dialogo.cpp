// The filter dialog's life: first opening, confirm and its query, closing without confirming,
// server failures, the lists the server hands back, and the recalculation screen's use of it.
#include <gmock/gmock.h>

#include <algorithm>

#include "filtertestkit.h"
#include "host/consiste.h"
#include "host/showavi.h"
#include "platform/application.h"
#include "platform/serverreply.h"

using namespace filtertest;
using filter::TfrmFiltroBaixa;
using platform::Variant;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class FiltroDialogo : public TFilterTest {};

TEST_F(FiltroDialogo, FirstOpeningShowsTodaysPaymentsAndNoOtherCriterion) {
    Abre([&](TfrmFiltroBaixa& d) {
        EXPECT_TRUE(d.IsModal());
        EXPECT_EQ(d.pgcPadrao->ActivePage(), d.tshDadosBaixa);
        EXPECT_THAT(Datas(d), ElementsAre("14/06/2024", "14/06/2024", "", "", "", ""));
        for (const TGrupo& g : Grupos()) {
            EXPECT_TRUE((d.*g.todos)->Checked() && !(d.*g.lista)->Checked()) << g.nome;
            EXPECT_FALSE((d.*g.botao)->Enabled()) << g.nome;
        }
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), 2);
        EXPECT_EQ(d.medDocIni->Text() + d.medDocFin->Text(), "");
        for (host::TNumberEdit* edit : Valores(d)) EXPECT_EQ(edit->Text(), "0,00") << edit->Name();
    });
    EXPECT_TRUE(filter::boFiltro);
    EXPECT_EQ(Dialogo().Owner(), &platform::Application());
    EXPECT_EQ(Dialogo().Filtro, filter::FiltroInicial(Hoje()));
}

TEST_F(FiltroDialogo, TheDialogIsCreatedOnceAndEveryClosingHidesItAndDisconnectsTheScreen) {
    Abre([&](TfrmFiltroBaixa&) { EXPECT_TRUE(Tela().netRecContBaixaPag->Connected()); });
    TfrmFiltroBaixa* first = filter::frmFiltroBaixa;
    EXPECT_FALSE(first->Visible());
    EXPECT_FALSE(Tela().netRecContBaixaPag->Connected());
    Abre([&](TfrmFiltroBaixa& d) {
        EXPECT_EQ(&d, first);
        Clica(d.sbtConfirma);
    });
    EXPECT_FALSE(first->Visible());
    EXPECT_FALSE(Tela().netRecContBaixaPag->Connected());
    EXPECT_EQ(std::count_if(
                  platform::Application().Forms().begin(), platform::Application().Forms().end(),
                  [](platform::TForm* f) { return dynamic_cast<TfrmFiltroBaixa*>(f) != nullptr; }),
              1);
}

class FiltroContabilizacao : public TFilterTest,
                             public ::testing::WithParamInterface<std::pair<int, const char*>> {};

TEST_P(FiltroContabilizacao, ConfirmSendsTheCodeOfTheAccountingChoiceAndCloses) {
    const int item = GetParam().first;
    const char* const code = GetParam().second;
    Abre([&](TfrmFiltroBaixa& d) {
        d.rdgCtbl->SetItemIndex(item);
        Clica(d.sbtConfirma);
        EXPECT_EQ(d.ModalResult(), platform::mrOk);
    });
    EXPECT_EQ(UltimaConsulta()[22].AsString(), code);
    EXPECT_EQ(Dialogo().Filtro.nrCtbl, item);
    EXPECT_THAT(Erros(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Itens, FiltroContabilizacao,
                         ::testing::Values(std::make_pair(0, "C"), std::make_pair(1, "N"),
                                           std::make_pair(2, "T"), std::make_pair(-1, "T")));

TEST_F(FiltroDialogo, TheQueryCarriesEveryCriterionInItsPlaceAndTheRecordKeepsThem) {
    services_.QueuePick({"000001", "000002"});
    services_.QueuePick({"0002"});
    services_.QueuePick({"01"});
    Abre([&](TfrmFiltroBaixa& d) {
        d.dedDtIni->SetText("01/06/2024");
        d.dedDtIniVen->SetText("01/05/2024");
        d.dedDtFinVen->SetText("31/07/2024");
        d.dedDtInicLanc->SetText("02/06/2024");
        d.dedDtFinLanc->SetText("13/06/2024");
        int n = 0;
        for (const char* text : {"10,50", "1.000,00", "1", "2", "3", "4"})
            Valores(d)[n++]->SetText(text);
        d.medDocIni->SetText("1");
        d.medDocFin->SetText("0000999");
        for (auto [lista, botao] :
             {std::pair{d.rbtListForn, d.btnListForn}, std::pair{d.rbtListaFiliOr, d.btnFiliOr},
              std::pair{d.rbtFPag, d.btnPesqFPag}}) {
            Clica(lista);
            Clica(botao);
        }
        Clica(d.sbtConfirma);
    });
    ASSERT_THAT(Erros(), IsEmpty());
    EXPECT_THAT(Textos(UltimaConsulta()), ElementsAreArray({"01",
                                                            "'000001','000002'",
                                                            "0000001",
                                                            "0000999",
                                                            "'0002'",
                                                            "",
                                                            "D 01/06/2024",
                                                            "D 14/06/2024",
                                                            "'01'",
                                                            "",
                                                            "F 10.5",
                                                            "F 1000",
                                                            "D 01/05/2024",
                                                            "D 31/07/2024",
                                                            "",
                                                            "F 1",
                                                            "F 2",
                                                            "F 3",
                                                            "F 4",
                                                            "",
                                                            "D 02/06/2024",
                                                            "D 13/06/2024",
                                                            "T"}));
    const filter::TFiltro& f = Dialogo().Filtro;
    EXPECT_EQ(f.dtPagaIni, Hoje() - 13);
    EXPECT_EQ(f.stListForn, "'000001','000002'");
    EXPECT_FALSE(f.boTodosForn || f.boTodosFiliOrig || f.boTodosFPag);
    EXPECT_TRUE(f.boTodosFiliLanc && f.boTodosCCorr && f.boTodosOpera && f.boTodosTpConta);
    EXPECT_EQ(f.stNumeDocuIni, "0000001");
    EXPECT_DOUBLE_EQ(f.vrBaixaFin, 1000.0);
    EXPECT_DOUBLE_EQ(f.vrLiquFin, 4.0);
    EXPECT_TRUE(Tela().cdsBaixaPag->Active());
}

TEST_F(FiltroDialogo, ClosingWithoutConfirmingBringsTheConfirmedCriteriaBackAtTheNextOpening) {
    Abre([&](TfrmFiltroBaixa& d) {
        d.nedVrLiqFin->SetText("500,00");
        d.medDocIni->SetText("0000010");
        d.rdgCtbl->SetItemIndex(1);
        Clica(d.sbtConfirma);
    });
    const filter::TFiltro confirmed = Dialogo().Filtro;
    Abre([&](TfrmFiltroBaixa& d) {
        d.dedDtIniVen->SetText("01/01/2024");
        d.nedVrLiqFin->SetText("7,00");
        d.medDocIni->SetText("0000077");
        d.rdgCtbl->SetItemIndex(0);
        Clica(d.rbtListaOperador);
    });
    EXPECT_EQ(Dialogo().Filtro, confirmed);
    Abre([&](TfrmFiltroBaixa& d) {
        EXPECT_THAT(Datas(d), ElementsAre("14/06/2024", "14/06/2024", "", "", "", ""));
        EXPECT_EQ(d.nedVrLiqFin->Text(), "500,00");
        EXPECT_EQ(d.medDocIni->Text() + d.medDocFin->Text(), "00000100000010");
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), 1);
        EXPECT_TRUE(d.rbtTodosOperador->Checked());
        EXPECT_FALSE(d.btnOperador->Enabled());
    });
}

TEST_F(FiltroDialogo,
       ASupplierListConfirmedOnListaComesBackEmptyWhileBranchesOfOriginComeBackWhole) {
    services_.QueuePick({"000003"});
    services_.QueuePick({"0001", "0002"});
    Abre([&](TfrmFiltroBaixa& d) {
        for (auto* c : std::initializer_list<platform::TControl*>{
                 d.rbtListForn, d.btnListForn, d.rbtListaFiliOr, d.btnFiliOr, d.sbtConfirma})
            Clica(c);
    });
    Abre([&](TfrmFiltroBaixa& d) {
        Clica(d.rbtTodosForn);
        Clica(d.rbtTodosFiliOrig);
    });
    Abre([&](TfrmFiltroBaixa& d) {
        EXPECT_TRUE(d.rbtListForn->Checked() && d.btnListForn->Enabled());
        EXPECT_EQ(filter::stListForn, "");
        EXPECT_TRUE(d.rbtListaFiliOr->Checked() && d.btnFiliOr->Enabled());
        EXPECT_EQ(filter::stListaFOrig, "'0001','0002'");
    });
}

TEST_F(FiltroDialogo, AFailedCheckLeavesRecordAndListAsTheyWereAndThePageIsNotReset) {
    const int rows = Tela().cdsBaixaPag->RecordCount();
    Abre([&](TfrmFiltroBaixa& d) {
        d.dedDtIniVen->SetText("01/06/2024"); // due dates without an end
        d.nedVrLiqFin->SetText("30,00");
        Clica(d.sbtConfirma);
        EXPECT_TRUE(d.Visible() && d.ModalResult() == platform::mrNone);
    });
    EXPECT_THAT(Erros(), ElementsAre("Data de vencimento final deve ser informada."));
    EXPECT_EQ(Dialogo().Filtro, filter::FiltroInicial(Hoje()));
    EXPECT_EQ(Consultas(), 0u);
    EXPECT_EQ(Tela().cdsBaixaPag->RecordCount(), rows);
    Abre([&](TfrmFiltroBaixa& d) {
        EXPECT_EQ(d.nedVrLiqFin->Text(), "0,00");
        EXPECT_EQ(d.pgcPadrao->ActivePage(), d.tshContPagar);
    });
}

class FiltroFalhaServidor : public TFilterTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FiltroFalhaServidor, AServerFailureIsShownOnceAndKeepsTheDialogOpenWithTheRecordUpdated) {
    const bool replyFailure = GetParam();
    const int rows = Tela().cdsBaixaPag->RecordCount();
    Log().intercept = [replyFailure](std::vector<Variant>&) -> std::optional<Variant> {
        if (replyFailure) return platform::ServerReplyFailure("Banco de dados indisponível.");
        throw platform::Exception("Banco de dados indisponível.");
    };
    Abre([&](TfrmFiltroBaixa& d) {
        d.nedVrLiqFin->SetText("9,00");
        Clica(d.sbtConfirma);
        EXPECT_TRUE(d.Visible() && d.ModalResult() == platform::mrNone);
    });
    ASSERT_EQ(Erros().size(), 1u);
    EXPECT_THAT(Erros()[0], HasSubstr("Banco de dados indisponível."));
    EXPECT_DOUBLE_EQ(Dialogo().Filtro.vrBaixaFin, 9.0);
    EXPECT_EQ(Tela().cdsBaixaPag->RecordCount(), rows);
    EXPECT_EQ(host::Showavi::ActiveCount(), 0);
    EXPECT_FALSE(services_.Busy());
}

INSTANTIATE_TEST_SUITE_P(RespostaOuExcecao, FiltroFalhaServidor, ::testing::Bool());

TEST_F(FiltroDialogo, WorkingListsKeepWhatTheServerLeavesInThemWhileTheRecordKeepsWhatWasSent) {
    Log().intercept = [](std::vector<Variant>& args) -> std::optional<Variant> {
        args[1] = Variant("'000004'");
        args[19] = Variant("'JOAO'");
        args[22] = Variant("X"); // the accounting status coming back is dropped
        return std::nullopt;
    };
    services_.QueuePick({"000001"});
    Abre([&](TfrmFiltroBaixa& d) {
        Clica(d.rbtListForn);
        Clica(d.btnListForn);
        Clica(d.sbtConfirma);
    });
    EXPECT_EQ(filter::stListForn + filter::stListOpera, "'000004''JOAO'");
    EXPECT_EQ(Dialogo().Filtro.stListForn + Dialogo().Filtro.stListOpera, "'000001'");
    Log().intercept = nullptr;
    Foca(Tela().medCdEmpresa);
    SaiDoPainel(); // the screen's next reload sends them on
    EXPECT_THAT(Textos(UltimaConsulta()),
                ::testing::AllOf(::testing::Contains("'000004'"), ::testing::Contains("'JOAO'")));
}

TEST_F(FiltroDialogo, FocusComingBackFromAPickListOrAMessageDoesNotReloadTheControls) {
    services_.QueuePick({"000005"});
    Abre([&](TfrmFiltroBaixa& d) {
        d.dedDtIni->SetText("03/06/2024");
        Clica(d.rbtListForn);
        Clica(d.btnListForn);
        d.dedDtFin->SetText("");
        Clica(d.sbtConfirma); // a message box
        d.OnActivate(&d);     // the dialog active again, as a desktop reports it
        EXPECT_EQ(d.dedDtIni->Text(), "03/06/2024");
        EXPECT_EQ(filter::stListForn, "'000005'");
    });
    EXPECT_THAT(Erros(), ElementsAre("Data de pagamento final deve ser informada."));
}

TEST_F(FiltroDialogo, LeavingTheCompanyPanelReloadsWithTheControlsAsTheyStandAndBothStatuses) {
    Abre([&](TfrmFiltroBaixa& d) {
        d.rdgCtbl->SetItemIndex(0);
        Clica(d.sbtConfirma);
    });
    Abre([&](TfrmFiltroBaixa& d) { d.nedVrLiqFin->SetText("123,45"); }); // not confirmed
    Foca(Tela().medCdEmpresa);
    SaiDoPainel();
    const std::vector<std::string> a = Textos(UltimaConsulta());
    EXPECT_EQ(a[11], "F 123.45");
    EXPECT_EQ(a[22], "T");
    EXPECT_TRUE(Tela().cdsBaixaPag->Active());
}

TEST_F(FiltroDialogo,
       TheScreensReloadOnTheHiddenDialogSendsTheConfirmedCriteriaAndReportsAFailedCheck) {
    Abre([&](TfrmFiltroBaixa& d) {
        d.rdgCtbl->SetItemIndex(1);
        d.dedDtIni->SetText("01/06/2024");
        Clica(d.sbtConfirma);
    });
    Abre([&](TfrmFiltroBaixa& d) { d.rdgCtbl->SetItemIndex(0); });
    TfrmFiltroBaixa& d = Dialogo();
    auto reload = [&] {
        return Acao([&] {
            d.FormActivate(&d);
            d.sbtConfirmaClick(&d);
        });
    };
    Tela().netRecContBaixaPag->SetConnected(true);
    ASSERT_TRUE(reload());
    const std::vector<std::string> a = Textos(UltimaConsulta());
    EXPECT_EQ(a[6] + a[22], "D 01/06/2024N");
    EXPECT_FALSE(d.Visible() || Tela().netRecContBaixaPag->Connected());

    d.Filtro.dtPagaFin = Hoje() - 20; // a record that no longer passes
    const std::size_t queries = Consultas();
    EXPECT_FALSE(reload());
    EXPECT_THAT(
        Erros(),
        ElementsAre(
            "Data de pagamento inicial deve ser menor ou igual a data de pagamento final."));
    EXPECT_EQ(Consultas(), queries);
    EXPECT_EQ(d.ActiveControl(), d.dedDtIni); // remembered for when it is shown
}

TEST_F(FiltroDialogo, QueryingWithoutTheScreenIsRefusedWithAClearMessage) {
    Abre();
    Acao([] { recalculation::frmRecContBaixaPag->Close(); });
    platform::Application().ProcessMessages();
    services_.ClearEvents();
    EXPECT_FALSE(Acao([] { filter::frmFiltroBaixa->Visualiza_Baixa("T"); }));
    ASSERT_EQ(Erros().size(), 1u);
    EXPECT_THAT(Erros()[0], HasSubstr("não está aberta"));
}

} // namespace
