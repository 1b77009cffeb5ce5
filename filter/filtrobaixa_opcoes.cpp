// TfrmFiltroBaixa's saved options: the seven working lists and the accounting choice.
#include <array>
#include <climits>

#include "filter/cli_pag00901.h"
#include "filter/filtrobaixa.h"
#include "host/consiste.h"
#include "host/liststring.h"

namespace filter {

using platform::TObject;

namespace {

// The saved names in the order they are written and read, with the list each one keeps.
struct TOpcaoLista {
    const char* name;
    std::string* list;
};

std::array<TOpcaoLista, 7> OpcoesLista() {
    return {{{"stListForn", &stListForn},
             {"stListaFOrig", &stListaFOrig},
             {"stListFiliLanc", &stListFiliLanc},
             {"stListFPag", &stListFPag},
             {"stListCCorr", &stListCCorr},
             {"stListaTpConta", &stListaTpConta},
             {"stListOpera", &stListOpera}}};
}

constexpr const char* kNrCtbl = "nrCtbl";

} // namespace

void TfrmFiltroBaixa::btfSaveOpcClick(TObject* sender) {
    host::TOptionValues& values = OptionValues();
    for (const TOpcaoLista& opcao : OpcoesLista())
        values.SetValue(opcao.name, *opcao.list); // empty: removed
    values.SetValue(kNrCtbl, platform::IntToStr(rdgCtbl->ItemIndex()));
    host::TfrmFiltroPadrao::btfSaveOpcClick(sender);
}

void TfrmFiltroBaixa::btfLoadOpcClick(TObject* sender) {
    host::TfrmFiltroPadrao::btfLoadOpcClick(sender);
    const host::TOptionValues& values = OptionValues();

    // Every saved list is checked before any is used, so a damaged file changes nothing.
    const std::array<TOpcaoLista, 7> opcoes = OpcoesLista();
    std::array<std::string, 7> salvas;
    for (std::size_t i = 0; i < opcoes.size(); ++i) {
        salvas[i] = values.Value(opcoes[i].name);
        if (salvas[i].empty()) continue;
        try {
            host::DecodeCodeList(salvas[i]);
        } catch (const platform::EConvertError& e) {
            throw platform::EConvertError(
                std::string("As opções salvas estão danificadas: \"") + opcoes[i].name +
                "\" não é uma lista de códigos válida (" + e.Message() + ").");
        }
    }

    // Each group is put on the button its saved list calls for (its click handler runs first,
    // as a person's click would), then takes the saved list: a restriction is never hidden
    // behind an all-button, and the search button follows the list-button.
    const std::array<std::pair<platform::TRadioButton*, platform::TRadioButton*>, 7> grupos = {{
        {rbtTodosForn, rbtListForn},
        {rbtTodosFiliOrig, rbtListaFiliOr},
        {rbtTodosFiliLanc, rbtListFilial},
        {rbtTodosFormPag, rbtFPag},
        {rbtTodosContCorr, rbtListCCorr},
        {rbtTodosTpConta, rbtListaTpConta},
        {rbtTodosOperador, rbtListaOperador},
    }};
    for (std::size_t i = 0; i < opcoes.size(); ++i) {
        auto [todos, lista] = grupos[i];
        if (salvas[i].empty())
            todos->SetChecked(true);
        else
            lista->SetChecked(true);
        *opcoes[i].list = salvas[i];
    }

    const std::string nrCtbl = values.Value(kNrCtbl);
    if (host::Consiste::EmptyString(nrCtbl)) {
        rdgCtbl->SetItemIndex(2); // "Ambos"
        return;
    }
    std::int64_t index = 0;
    try {
        index = platform::StrToInt(nrCtbl);
    } catch (const platform::EConvertError& e) {
        throw platform::EConvertError(
            "A opção salva \"nrCtbl\" (Contabilização) não é um número: " + e.Message() + ".");
    }
    // Beyond the last item the last is chosen, below 0 none (the radio group clamps).
    if (index > INT_MAX) index = INT_MAX;
    if (index < -1) index = -1;
    rdgCtbl->SetItemIndex(static_cast<int>(index));
}

} // namespace filter
