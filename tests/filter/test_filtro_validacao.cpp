// The filter dialog's checks: every rule's message, page and focus, their order, amounts and
// document numbers, the exit handlers and the key filter of the amount edits.
#include <gmock/gmock.h>

#include "filtertestkit.h"

using namespace filtertest;
using filter::TfrmFiltroBaixa;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class FiltroValidacao : public TFilterTest {
protected:
    /// Opens the dialog, runs `prepare`, confirms; returns whether the dialog stayed open.
    bool Confirma(const std::function<void(TfrmFiltroBaixa&)>& prepare) {
        bool open = false;
        Abre([&](TfrmFiltroBaixa& d) {
            prepare(d);
            Clica(d.sbtConfirma);
            open = d.Visible() && d.ModalResult() == platform::mrNone;
        });
        return open;
    }
};

// Sets the texts of named edits.
void Preenche(TfrmFiltroBaixa& d,
              std::initializer_list<std::pair<const char*, const char*>> texts) {
    for (auto [name, text] : texts)
        dynamic_cast<platform::TControl&>(*d.FindComponent(name)).SetText(text);
}

struct TRegra {
    const char* nome;
    std::vector<std::pair<const char*, const char*>> textos; // edits and their texts
    const char* lista;                                       // a list-button checked, or nullptr
    const char* mensagem;
    int pagina;
    const char* foco;
};
void PrintTo(const TRegra& regra, std::ostream* os) {
    *os << regra.nome;
}

// clang-format off
const TRegra kRegras[] = {
    {"PagamentoInicialVazio", {{"dedDtIni", ""}}, nullptr,
     "Data de pagamento inicial deve ser informada.", 0, "dedDtIni"},
    {"PagamentoInvertido", {{"dedDtFin", "13/06/2024"}}, nullptr,
     "Data de pagamento inicial deve ser menor ou igual a data de pagamento final.", 0, "dedDtIni"},
    {"PagamentoFinalVazio", {{"dedDtFin", ""}}, nullptr,
     "Data de pagamento final deve ser informada.", 0, "dedDtFin"},
    {"LancamentoInicialVazio", {{"dedDtFinLanc", "14/06/2024"}}, nullptr,
     "Data de lançamento inicial deve ser informada.", 0, "dedDtInicLanc"},
    {"LancamentoInvertido", {{"dedDtInicLanc", "14/06/2024"}, {"dedDtFinLanc", "13/06/2024"}}, nullptr,
     "Data de lançamento inicial deve ser menor ou igual a data de lançamento final.", 0, "dedDtInicLanc"},
    {"LancamentoFinalVazio", {{"dedDtInicLanc", "14/06/2024"}}, nullptr,
     "Data de lançamento final deve ser informada.", 0, "dedDtFinLanc"},
    {"TipoDeBaixa", {}, "rbtFPag", "Tipo de baixa deve ser informado.", 0, "rbtFPag"},
    {"ContaCorrente", {}, "rbtListCCorr", "Conta corrente deve ser informada.", 0, "rbtListCCorr"},
    {"ValorDaBaixa", {{"nedVrLiqIni", "100"}, {"nedVrLiqFin", ""}}, nullptr,
     "Valor da baixa inicial deve ser menor ou igual ao valor da baixa final.", 0, "nedVrLiqIni"},
    {"Operador", {}, "rbtListaOperador", "Operador deve ser informado.", 0, "rbtListaOperador"},
    {"VencimentoInicialVazio", {{"dedDtFinVen", "14/06/2024"}}, nullptr,
     "Data de vencimento inicial deve ser informada.", 1, "dedDtIniVen"},
    {"VencimentoInvertido", {{"dedDtIniVen", "14/06/2024"}, {"dedDtFinVen", "01/06/2024"}}, nullptr,
     "Data de vencimento inicial deve ser menor ou igual à data de vencimento final.", 1, "dedDtIniVen"},
    {"VencimentoFinalVazio", {{"dedDtIniVen", "14/06/2024"}}, nullptr,
     "Data de vencimento final deve ser informada.", 1, "dedDtFinVen"},
    {"TipoDeConta", {}, "rbtListaTpConta", "Tipo de conta deve ser informada.", 1, "rbtListaTpConta"},
    {"ValorOriginal", {{"nedVrInicOrig", "2,00"}, {"nedVrFinaOrig", "1,99"}}, nullptr,
     "Valor original inicial deve ser menor ou igual ao valor original final.", 1, "nedVrInicOrig"},
    {"ValorLiquido", {{"nedVrContIni", "0,01"}, {"nedVrContFin", ""}}, nullptr,
     "Valor líquido inicial deve ser menor ou igual ao valor líquido final.", 1, "nedVrContIni"},
    {"Fornecedor", {}, "rbtListForn", "Fornecedor deve ser informado.", 2, "rbtListForn"},
    {"NumeroInicialVazio", {{"medDocFin", "5"}}, nullptr,
     "Número inicial deve ser informado.", 2, "medDocIni"},
    {"NumeroInvertido", {{"medDocIni", "20"}, {"medDocFin", "3"}}, nullptr,
     "Número inicial deve ser menor ou igual ao número final.", 2, "medDocIni"},
    {"FilialDeOrigem", {}, "rbtListaFiliOr", "Filial de origem deve ser informada.", 2, "rbtListaFiliOr"},
    {"FilialDeLancamento", {}, "rbtListFilial", "Filial de lançamento deve ser informada.", 2, "rbtListFilial"},
};
// clang-format on

class FiltroRegra : public FiltroValidacao, public ::testing::WithParamInterface<TRegra> {};

TEST_P(FiltroRegra, AFailedRuleShowsItsMessageOnItsPageWithTheFocusOnItsControlAndSendsNothing) {
    const TRegra& r = GetParam();
    EXPECT_TRUE(Confirma([&](TfrmFiltroBaixa& d) {
        d.pgcPadrao->SetActivePageIndex(r.pagina == 2 ? 0
                                                      : 2); // the rule must bring its page forward
        for (auto [name, text] : r.textos) Preenche(d, {{name, text}});
        if (r.lista)
            dynamic_cast<platform::TRadioButton&>(*d.FindComponent(r.lista)).SetChecked(true);
    }));
    EXPECT_THAT(Erros(), ElementsAre(r.mensagem));
    EXPECT_EQ(Dialogo().pgcPadrao->ActivePageIndex(), r.pagina);
    ASSERT_NE(Dialogo().FocusedControl(), nullptr);
    EXPECT_EQ(Dialogo().FocusedControl()->Name(), r.foco);
    EXPECT_EQ(Consultas(), 0u);
    EXPECT_EQ(Dialogo().Filtro, filter::FiltroInicial(Hoje()));
}

INSTANTIATE_TEST_SUITE_P(Regras, FiltroRegra, ::testing::ValuesIn(kRegras),
                         [](const ::testing::TestParamInfo<TRegra>& p) { return p.param.nome; });

TEST_F(FiltroValidacao, OnlyTheFirstFailedRuleIsShown) {
    Confirma([](TfrmFiltroBaixa& d) {
        d.dedDtFin->SetText("01/06/2024");
        d.rbtListaOperador->SetChecked(true);
    });
    EXPECT_THAT(
        Erros(),
        ElementsAre(
            "Data de pagamento inicial deve ser menor ou igual a data de pagamento final."));
}

TEST_F(FiltroValidacao, EmptyEqualAndOpenCriteriaPass) {
    EXPECT_FALSE(Confirma([](TfrmFiltroBaixa& d) {
        Preenche(d, {{"dedDtIni", ""},
                     {"dedDtFin", ""},
                     {"dedDtInicLanc", "10/06/2024"},
                     {"dedDtFinLanc", "10/06/2024"},
                     {"nedVrLiqIni", ""},
                     {"nedVrLiqFin", " "},
                     {"nedVrInicOrig", "1.234,56"},
                     {"nedVrFinaOrig", "1234,56"},
                     {"medDocIni", "9"},
                     {"medDocFin", "10"}});
        d.rbtListForn->SetChecked(true);
        d.rbtTodosForn->SetChecked(true); // an empty list on the all-button passes
    }));
    EXPECT_THAT(Erros(), IsEmpty());
    EXPECT_EQ(Dialogo().nedVrLiqIni->Text() + Dialogo().nedVrLiqFin->Text(),
              "00"); // empty amounts became "0"
    const std::vector<std::string> a = Textos(UltimaConsulta());
    EXPECT_THAT(std::vector<std::string>(a.begin() + 2, a.begin() + 4),
                ElementsAre("0000009", "0000010"));
    EXPECT_THAT(std::vector<std::string>(a.begin() + 6, a.begin() + 8), ElementsAre("D 0", "D 0"));
    EXPECT_THAT(std::vector<std::string>(a.begin() + 10, a.begin() + 12),
                ElementsAre("F 0", "F 0"));
    EXPECT_THAT(std::vector<std::string>(a.begin() + 15, a.begin() + 17),
                ElementsAre("F 1234.56", "F 1234.56"));
    EXPECT_THAT(std::vector<std::string>(a.begin() + 20, a.begin() + 22),
                ElementsAre("D 10/06/2024", "D 10/06/2024"));
}

TEST_F(FiltroValidacao, AnInitialAmountWithAnEmptyEndFailsAndTheEndKeepsItsZero) {
    Confirma([](TfrmFiltroBaixa& d) {
        Preenche(d, {{"nedVrLiqIni", "100"}, {"nedVrLiqFin", ""}});
    });
    EXPECT_THAT(
        Erros(),
        ElementsAre("Valor da baixa inicial deve ser menor ou igual ao valor da baixa final."));
    EXPECT_EQ(Dialogo().nedVrLiqFin->Text(), "0");
}

TEST_F(FiltroValidacao, AnAmountThatIsNotANumberIsReportedOnItsPageAndChangesNothing) {
    EXPECT_TRUE(
        Confirma([](TfrmFiltroBaixa& d) { d.nedVrContFin->SetText("12x"); })); // pasted text
    EXPECT_THAT(Erros(), ElementsAre("'12x' não é um valor numérico válido"));
    EXPECT_EQ(Dialogo().pgcPadrao->ActivePage(), Dialogo().tshContPagar);
    EXPECT_EQ(Dialogo().Filtro, filter::FiltroInicial(Hoje()));
}

TEST_F(FiltroValidacao, DocumentNumbersArePaddedAndAloneMakeBothBounds) {
    Abre([&](TfrmFiltroBaixa& d) {
        Digita(d.medDocIni, "123");
        Foca(d.rdgCtbl);
        EXPECT_EQ(d.medDocIni->Text() + d.medDocFin->Text(), "00001230000123");
        Digita(d.medDocFin, "77");
        Foca(d.rdgCtbl);
        EXPECT_EQ(d.medDocFin->Text(), "0000077");
        Clica(d.sbtConfirma); // 123 to 77: refused, the padding stays
        d.medDocFin->SetText("");
        Clica(d.sbtConfirma);
    });
    EXPECT_THAT(Erros(), ElementsAre("Número inicial deve ser menor ou igual ao número final."));
    const std::vector<std::string> a = Textos(UltimaConsulta());
    EXPECT_EQ(a[2] + "-" + a[3], "0000123-0000123");
}

TEST_F(FiltroValidacao, DocumentNumbersAreTextOfAtMostSevenCharacters) {
    Abre([&](TfrmFiltroBaixa& d) {
        Digita(d.medDocIni, "A1-2345678");
        EXPECT_EQ(d.medDocIni->Text(), "A1-2345");
        d.medDocIni->SetText("B7");
        Clica(d.sbtConfirma);
    });
    EXPECT_THAT(Erros(), IsEmpty());
    EXPECT_EQ(Textos(UltimaConsulta())[2], "00000B7");
}

TEST_F(FiltroValidacao, LeavingADateEditChecksOnlyThatItHoldsADate) {
    Abre([&](TfrmFiltroBaixa& d) {
        d.dedDtIni->SetText("");
        Digita(d.dedDtIni, "31022024");
        Foca(d.dedDtFinLanc);
        EXPECT_EQ(d.FocusedControl(), d.dedDtIni);
        d.dedDtIni->SetText("14/06/2024");
        d.dedDtFin->SetText("");
        Digita(d.dedDtFin, "01012024"); // earlier than the initial date: nothing said yet
        Foca(d.dedDtIni);
        EXPECT_EQ(d.FocusedControl(), d.dedDtIni);
    });
    EXPECT_THAT(Erros(), ElementsAre("'31/02/2024' não é uma data válida."));
}

TEST_F(FiltroValidacao, AnInvalidDateEndsTheConfirmWithoutMovingPageOrFocus) {
    EXPECT_TRUE(Confirma([&](TfrmFiltroBaixa& d) {
        Foca(d.medDocIni);
        d.dedDtIniVen->SetText("99/99/2024");
    }));
    EXPECT_THAT(Erros(), ElementsAre("'99/99/2024' não é uma data válida."));
    EXPECT_EQ(Dialogo().FocusedControl(), Dialogo().medDocIni);
    EXPECT_EQ(Dialogo().Filtro, filter::FiltroInicial(Hoje()));
}

TEST_F(FiltroValidacao, AmountEditsDropTheMinusSignAndKeysBeyondTenDigitsOrTwoDecimals) {
    Abre([&](TfrmFiltroBaixa& d) {
        for (host::TNumberEdit* edit : Valores(d)) {
            Digita(edit, "-1-2");
            EXPECT_EQ(edit->Text(), "12") << edit->Name();
        }
        Digita(d.nedVrLiqFin, "12345678901");
        EXPECT_EQ(d.nedVrLiqFin->Text(), "1234567890");
        Digita(d.nedVrContIni, "7,125");
        EXPECT_EQ(d.nedVrContIni->Text(), "7,12");
    });
    EXPECT_THAT(Erros(), IsEmpty());
}

} // namespace
