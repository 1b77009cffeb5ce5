// The filter dialog's selection lists: radio buttons and their emptying rules, picking codes,
// empty reference tables, clear and Ctrl+D, and the formatted columns of the lists.
#include <gmock/gmock.h>

#include "filtertestkit.h"
#include "platform/keys.h"

using namespace filtertest;
using filter::TfrmFiltroBaixa;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FiltroListas : public TFilterTest {
protected:
    std::vector<std::string> Picks() const {
        std::vector<std::string> titles;
        for (const platform::TServiceEvent& e : services_.Events())
            if (e.kind == platform::TServiceEvent::PickList) titles.push_back(e.text);
        return titles;
    }
};

class FiltroGrupo : public FiltroListas, public ::testing::WithParamInterface<TGrupo> {};

TEST_P(FiltroGrupo, TheRadioButtonsDriveTheSearchButtonAndEmptyTheListAsTheGroupRules) {
    const TGrupo& g = GetParam();
    Abre([&](TfrmFiltroBaixa& d) {
        *g.working = "'X'";
        Clica(d.*g.lista);
        EXPECT_TRUE((d.*g.botao)->Enabled());
        EXPECT_EQ(*g.working, g.listaEsvazia ? "" : "'X'");
        *g.working = "'Y'";
        Clica(d.*g.lista); // already checked: nothing runs
        EXPECT_EQ(*g.working, "'Y'");
        Clica(d.*g.todos);
        EXPECT_FALSE((d.*g.botao)->Enabled());
        EXPECT_EQ(*g.working, "");
    });
}

INSTANTIATE_TEST_SUITE_P(Grupos, FiltroGrupo, ::testing::ValuesIn(Grupos()),
                         [](const ::testing::TestParamInfo<TGrupo>& p) { return p.param.nome; });

TEST_F(FiltroListas, EachGroupPicksFromItsTableUnderItsTitleAndACancelKeepsTheList) {
    services_.QueuePick({"000007", "000002"});
    for (int i = 0; i < 7; ++i) services_.QueuePick({}); // cancelled
    Abre([&](TfrmFiltroBaixa& d) {
        Clica(d.rbtListForn);
        Clica(d.btnListForn);
        for (const TGrupo& g : Grupos()) {
            Clica(d.*g.lista);
            Clica(d.*g.botao);
        }
    });
    EXPECT_EQ(filter::stListForn, "'000007','000002'"); // in the rows' order: by tax id
    EXPECT_THAT(Picks(), ElementsAre("Fornecedor", "Tipo de Baixa", "Conta Corrente", "Operador",
                                     "Fornecedor", "Filial", "Filial", "Tipo de Conta a Pagar"));
    EXPECT_THAT(Erros(), IsEmpty());
}

TEST_F(FiltroListas, BranchesOfOriginEmptiedByTodasStayEmptyWhenListaIsCheckedAgain) {
    services_.QueuePick({"0001", "0201"});
    Abre([&](TfrmFiltroBaixa& d) {
        Clica(d.rbtListaFiliOr);
        Clica(d.btnFiliOr);
        EXPECT_EQ(filter::stListaFOrig, "'0001','0201'");
        Clica(d.rbtTodosFiliOrig);
        Clica(d.rbtListaFiliOr);
        EXPECT_EQ(filter::stListaFOrig, "");
        EXPECT_TRUE(d.btnFiliOr->Enabled());
    });
}

TEST_F(FiltroListas, EverySupplierPickReadsTheTableAfresh) {
    services_.QueuePick({"000001"});
    services_.QueuePick({"000001", "999999"});
    Abre([&](TfrmFiltroBaixa& d) {
        Clica(d.rbtListForn);
        Clica(d.btnListForn);
        Executa("INSERT INTO FORNECEDOR (CDFORNECED, NMRAZSOCFORN, IDTPIJURFORN, NRINSJURFORN)"
                " VALUES ('999999', 'Fornecedor Novo Ltda', 'J', '00000000000000')");
        Clica(d.btnListForn);
    });
    EXPECT_EQ(filter::stListForn, "'999999','000001'");
}

struct TTabelaVazia {
    const char* nome;
    const char* tabela;
    int grupo; // index in Grupos()
    const char* mensagem;
};
void PrintTo(const TTabelaVazia& t, std::ostream* os) {
    *os << t.nome;
}

const TTabelaVazia kTabelasVazias[] = {
    {"ContaCorrente", "CONTCORR (CDREDUCONT, CDBANCO, CDAGENCIA, CDCONTCORR, DSCONTCORR)", 1,
     "Não há conta corrente cadastrada."},
    {"Operador", "OPERADOR (CDOPERADOR, NMOPERADOR)", 2, "Não há operador cadastrado."},
    {"Fornecedor", "FORNECEDOR (CDFORNECED, NMFANTFORN, NMRAZSOCFORN, IDTPIJURFORN, NRINSJURFORN)",
     3, "Não há fornecedor cadastrado."},
    {"FilialDeLancamento", "FILIAL (CDFILIAL, NMFILIAL)", 4, "Não há filial cadastrada."},
    {"FilialDeOrigem", "FILIAL (CDFILIAL, NMFILIAL)", 5, "Não há filial cadastrada."},
    {"TipoDeConta", "TIPOCTPAGAR (CDTPCTPAGAR, DSTPCTPAGAR)", 6,
     "Não há tipo de conta a pagar cadastrado."},
};

class FiltroTabelaVazia : public FiltroListas,
                          public ::testing::WithParamInterface<TTabelaVazia> {};

TEST_P(FiltroTabelaVazia, AnEmptyTableIsReportedAndTheListStaysAsItWas) {
    const TTabelaVazia& t = GetParam();
    const TGrupo& g = Grupos()[static_cast<std::size_t>(t.grupo)];
    Abre([&](TfrmFiltroBaixa& d) {
        Clica(d.*g.lista);
        *g.working = "'antes'";
        Executa(std::string("CREATE TEMP TABLE ") + t.tabela); // shadows the real table
        EXPECT_FALSE(Clica(d.*g.botao));
    });
    EXPECT_THAT(Erros(), ElementsAre(t.mensagem));
    EXPECT_THAT(Picks(), IsEmpty());
    EXPECT_EQ(*g.working, "'antes'");
}

INSTANTIATE_TEST_SUITE_P(Tabelas, FiltroTabelaVazia, ::testing::ValuesIn(kTabelasVazias),
                         [](const ::testing::TestParamInfo<TTabelaVazia>& p) {
                             return p.param.nome;
                         });

class FiltroLimpa : public FiltroListas, public ::testing::WithParamInterface<bool> {};

TEST_P(FiltroLimpa, ClearPutsEveryCriterionBackToNoneAndReopeningBringsTheConfirmedOnesBack) {
    services_.QueuePick({"01"});
    Abre([&](TfrmFiltroBaixa& d) {
        Clica(d.rbtFPag);
        Clica(d.btnPesqFPag);
        d.nedVrLiqFin->SetText("10,00");
        d.medDocIni->SetText("0000001");
        d.rdgCtbl->SetItemIndex(0);
        Clica(d.sbtConfirma);
    });
    const filter::TFiltro confirmed = Dialogo().Filtro;
    Abre([&](TfrmFiltroBaixa& d) {
        d.dedDtIniVen->SetText("01/06/2024");
        Clica(d.rbtListaFiliOr);
        filter::stListaFOrig = "'0001'";
        Foca(d.medDocFin); // on the page "Documento"
        if (GetParam())
            Acao([&] { d.PressKey('D', platform::ssCtrl); });
        else
            Clica(d.sbtLimpa);
        EXPECT_EQ(d.pgcPadrao->ActivePage(), d.tshDocumento);
        EXPECT_EQ(d.FocusedControl(), d.medDocFin);
        for (const TGrupo& g : Grupos()) {
            EXPECT_TRUE((d.*g.todos)->Checked() && !(d.*g.botao)->Enabled()) << g.nome;
            EXPECT_EQ(*g.working, "") << g.nome;
        }
        EXPECT_THAT(Datas(d), ElementsAre("", "", "", "", "", ""));
        EXPECT_EQ(d.medDocIni->Text() + d.medDocFin->Text(), "");
        for (host::TNumberEdit* edit : Valores(d)) EXPECT_EQ(edit->Text(), "0,00") << edit->Name();
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), 2);
        EXPECT_EQ(d.Filtro, confirmed);
    });
    Abre([&](TfrmFiltroBaixa& d) {
        EXPECT_THAT(Datas(d), ElementsAre("14/06/2024", "14/06/2024", "", "", "", ""));
        EXPECT_EQ(d.nedVrLiqFin->Text() + d.medDocIni->Text(), "10,000000001");
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), 0);
        // A group whose "Lista" empties the list comes back on "Lista", empty.
        EXPECT_TRUE(d.rbtFPag->Checked() && d.btnPesqFPag->Enabled());
        EXPECT_EQ(filter::stListFPag, "");
    });
}

INSTANTIATE_TEST_SUITE_P(BotaoOuCtrlD, FiltroLimpa, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) {
                             return p.param ? std::string("CtrlD") : std::string("BotaoDesfazer");
                         });

// ---- Formatted columns ----

TEST_F(FiltroListas, SupplierTaxIdsShowUnderTheirPersonKindsMask) {
    Executa("CREATE TEMP TABLE FORNECEDOR (CDFORNECED, NMFANTFORN, NMRAZSOCFORN, IDTPIJURFORN, "
            "NRINSJURFORN);"
            "INSERT INTO FORNECEDOR VALUES ('1', 'Pessoa', 'Pessoa Física', 'F', '12345678901');"
            "INSERT INTO FORNECEDOR VALUES ('2', 'Empresa', 'Empresa Ltda', 'J', '12345678000199');"
            "INSERT INTO FORNECEDOR VALUES ('3', 'Sem', 'Sem Inscrição', 'F', NULL);");
    std::vector<std::string> shown;
    Abre([&](TfrmFiltroBaixa& d) {
        d.qryFornecedor->Open();
        for (d.qryFornecedor->First(); !d.qryFornecedor->Eof(); d.qryFornecedor->Next()) {
            shown.push_back(d.qryFornecedor->FieldByName("NRINSJURFORN")->DisplayText());
            EXPECT_EQ(d.qryFornecedor->FieldByName("NRINSJURFORN")->Text(), shown.back());
        }
    });
    EXPECT_THAT(shown,
                ElementsAre("", "12.345.678/0001-99", "123.456.789-01")); // ordered by tax id
}

TEST_F(FiltroListas, AgencyAndAccountShowThroughTheirBanksPictures) {
    Executa("CREATE TEMP TABLE BANCO (CDBANCO, CDPICTAGEN, CDPICTCONT);"
            "INSERT INTO BANCO VALUES ('001', '9999-9', '99999999-9');"
            "INSERT INTO BANCO VALUES ('341', '9999', '999.99-9');"
            "CREATE TEMP TABLE CONTCORR (CDREDUCONT, CDBANCO, CDAGENCIA, CDCONTCORR, DSCONTCORR);"
            "INSERT INTO CONTCORR VALUES ('001', '001', '12345', '123456789', 'Movimento');"
            "INSERT INTO CONTCORR VALUES ('002', '341', '0912', '456789', 'Pagamentos');"
            "INSERT INTO CONTCORR VALUES ('003', '341', NULL, NULL, 'Sem conta');");
    std::vector<std::string> agencies, accounts;
    Abre([&](TfrmFiltroBaixa& d) {
        d.qryContCorr->Open();
        for (d.qryContCorr->First(); !d.qryContCorr->Eof(); d.qryContCorr->Next()) {
            agencies.push_back(d.qryContCorr->FieldByName("CDAGENCIA")->DisplayText());
            accounts.push_back(d.qryContCorr->FieldByName("CDCONTCORR")->Text());
        }
    });
    EXPECT_THAT(agencies, ElementsAre("1234-5", "0912", ""));
    // A null account number has no null test: the picture's literals among blanks.
    EXPECT_THAT(accounts, ElementsAre("12345678-9", "456.78-9", "   .  - "));
}

} // namespace
