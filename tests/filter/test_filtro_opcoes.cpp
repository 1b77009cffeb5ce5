// The filter dialog's saved options: the seven lists and the accounting choice, saved and loaded,
// and saved files that hold odd or damaged values.
#include <gmock/gmock.h>

#include <fstream>

#include "filtertestkit.h"
#include "host/optionstore.h"

using namespace filtertest;
using filter::TfrmFiltroBaixa;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class FiltroOpcoes : public TFilterTest {
protected:
    /// Writes a saved options file with these lines, then loads it through the dialog.
    void Carrega(TfrmFiltroBaixa& d, const std::vector<std::string>& lines) {
        host::SaveOptionLines(d.OptionsFile(), lines);
        Clica(d.btfLoadOpc);
    }
};

TEST_F(FiltroOpcoes, SavedListsAndAccountingChoiceComeBackOnLoadWithTheirGroups) {
    services_.QueuePick({"000003"});
    services_.QueuePick({"0002"});
    std::vector<std::string> saved;
    Abre([&](TfrmFiltroBaixa& d) {
        for (auto* c : std::initializer_list<platform::TControl*>{d.rbtListForn, d.btnListForn,
                                                                  d.rbtListaFiliOr, d.btnFiliOr})
            Clica(c);
        d.rdgCtbl->ClickItem(1);
        Clica(d.btfSaveOpc);
        saved = d.OptionValues().Lines();
        Clica(d.sbtLimpa);
        Clica(d.btfLoadOpc);
        EXPECT_EQ(filter::stListForn + filter::stListaFOrig + filter::stListFPag, "'000003''0002'");
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), 1);
        // Each group follows its list: a loaded restriction is never hidden behind "Todos".
        EXPECT_TRUE(d.rbtListForn->Checked() && d.btnListForn->Enabled() &&
                    d.rbtListaFiliOr->Checked());
        EXPECT_TRUE(d.rbtTodosFormPag->Checked() && !d.btnPesqFPag->Enabled());
        Clica(d.sbtConfirma);
    });
    // Groups on their all-button store nothing: an empty value removes the name.
    EXPECT_THAT(saved, ElementsAre("stListForn='000003'", "stListaFOrig='0002'", "nrCtbl=1"));
    EXPECT_THAT(Erros(), IsEmpty());
    const std::vector<std::string> a = Textos(UltimaConsulta());
    EXPECT_EQ(a[1] + a[4] + a[22], "'000003''0002'N");
}

struct TNrCtbl {
    const char* nome;
    const char* linha;
    int itemIndex;
    const char* code;
};
void PrintTo(const TNrCtbl& v, std::ostream* os) {
    *os << v.nome;
}

class FiltroNrCtbl : public FiltroOpcoes, public ::testing::WithParamInterface<TNrCtbl> {};

TEST_P(FiltroNrCtbl, TheSavedAccountingChoiceSelectsItsItem) {
    const TNrCtbl& p = GetParam();
    Abre([&](TfrmFiltroBaixa& d) {
        d.rdgCtbl->SetItemIndex(0);
        Carrega(d, {p.linha});
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), p.itemIndex);
        Clica(d.sbtConfirma);
    });
    EXPECT_THAT(Erros(), IsEmpty());
    EXPECT_EQ(Textos(UltimaConsulta())[22], p.code);
}

INSTANTIATE_TEST_SUITE_P(Valores, FiltroNrCtbl,
                         ::testing::Values(TNrCtbl{"Um", "nrCtbl=1", 1, "N"},
                                           TNrCtbl{"Sete", "nrCtbl=7", 2, "T"},
                                           TNrCtbl{"MenosUm", "nrCtbl=-1", -1, "T"},
                                           TNrCtbl{"Ausente", "stListOpera='JOAO'", 2, "T"},
                                           TNrCtbl{"EmBranco", "nrCtbl= ", 2, "T"},
                                           TNrCtbl{"Enorme", "nrCtbl=99999999999", 2, "T"}),
                         [](const ::testing::TestParamInfo<TNrCtbl>& p) { return p.param.nome; });

TEST_F(FiltroOpcoes, ASavedChoiceThatIsNotANumberIsReportedAfterTheListsAreLoaded) {
    Abre([&](TfrmFiltroBaixa& d) {
        d.rdgCtbl->SetItemIndex(0);
        Carrega(d, {"stListForn='000001'", "stListCCorr='002'", "nrCtbl=abc"});
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), 0);
        EXPECT_EQ(filter::stListForn + filter::stListCCorr, "'000001''002'");
    });
    ASSERT_EQ(Erros().size(), 1u);
    EXPECT_THAT(Erros()[0], HasSubstr("\"nrCtbl\" (Contabilização) não é um número: 'abc'"));
}

TEST_F(FiltroOpcoes, ADamagedListOrFileChangesNothing) {
    Abre([&](TfrmFiltroBaixa& d) {
        filter::stListForn = "'000001'";
        d.rdgCtbl->SetItemIndex(0);
        Carrega(d, {"stListForn='000002'", "stListFPag='01", "nrCtbl=1"});
        std::ofstream(d.OptionsFile()) << "isto não é um arquivo de opções\n";
        Clica(d.btfLoadOpc);
        EXPECT_EQ(filter::stListForn + filter::stListFPag, "'000001'");
        EXPECT_EQ(d.rdgCtbl->ItemIndex(), 0);
        EXPECT_TRUE(d.rbtTodosForn->Checked());
    });
    ASSERT_EQ(Erros().size(), 2u);
    EXPECT_THAT(Erros()[0], HasSubstr("\"stListFPag\" não é uma lista de códigos válida"));
}

} // namespace
