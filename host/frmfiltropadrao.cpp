// TfrmFiltroPadrao: builds the base filter dialog and persists its options.
#include "host/frmfiltropadrao.h"

#include "host/consiste.h"
#include "host/morvane.h"
#include "host/optionstore.h"
#include "platform/application.h"

namespace host {

using platform::TAlign;

TfrmFiltroPadrao::TfrmFiltroPadrao(platform::TComponent* owner) : platform::TForm(owner) {
    SetBorderStyle(platform::TBorderStyle::bsDialog);
    SetPosition(platform::TPosition::poScreenCenter);
    SetBounds(0, 0, 500, 260);

    panLateral = platform::CreateChild<platform::TPanel>(*this, this, "panLateral");
    panLateral->SetWidth(40);
    panLateral->SetAlign(TAlign::alRight);
    auto button = [this](const char* name, const char* hint, int top) {
        auto* b = platform::CreateChild<platform::TSpeedButton>(*this, panLateral, name);
        b->SetBounds(7, top, 25, 25);
        b->SetHint(hint);
        b->SetShowHint(true);
        return b;
    };
    sbtConfirma = button("sbtConfirma", "Confirmar", 8);
    btfSaveOpc = button("btfSaveOpc", "Salvar opções", 40);
    btfLoadOpc = button("btfLoadOpc", "Carregar opções", 68);
    sbtHelp = button("sbtHelp", "Ajuda", 128);
    lblCodTela = platform::CreateChild<platform::TLabel>(*this, panLateral, "lblCodTela");
    lblCodTela->SetHeight(14);
    lblCodTela->SetAlign(TAlign::alBottom);

    grbPadrao = platform::CreateChild<platform::TGroupBox>(*this, this, "grbPadrao");
    grbPadrao->SetAlign(TAlign::alClient);

    msgPadrao = Create<TMessages>();
    msgPadrao->SetName("msgPadrao");

    OnCreate = [this](platform::TObject* s) { FormCreate(s); };
    OnClose = [this](platform::TObject* s, platform::TCloseAction& a) { FormClose(s, a); };
    sbtConfirma->OnClick = [this](platform::TObject* s) { sbtConfirmaClick(s); };
    sbtHelp->OnClick = [this](platform::TObject* s) { sbtHelpClick(s); };
    btfSaveOpc->OnClick = [this](platform::TObject* s) { btfSaveOpcClick(s); };
    btfLoadOpc->OnClick = [this](platform::TObject* s) { btfLoadOpcClick(s); };
}

std::string TfrmFiltroPadrao::ScreenCode() const {
    std::string code = platform::Trim(lblCodTela->Caption());
    return code.empty() ? Name() : code;
}

std::string TfrmFiltroPadrao::OptionsFile() const {
    return OptionsFilePath(Morvane::Operador(), ScreenCode());
}

void TfrmFiltroPadrao::FormCreate(platform::TObject* /*sender*/) {}

void TfrmFiltroPadrao::FormClose(platform::TObject* /*sender*/, platform::TCloseAction& action) {
    action = platform::TCloseAction::caHide;
}

void TfrmFiltroPadrao::sbtConfirmaClick(platform::TObject* /*sender*/) {
    SetModalResult(platform::mrOk);
}

void TfrmFiltroPadrao::sbtHelpClick(platform::TObject* /*sender*/) {
    if (platform::Application().Services().ShowHelp(*this)) return;
    std::string topic = HelpFile().empty()
                            ? std::string("sem arquivo de ajuda")
                            : HelpFile() + ", tópico " + std::to_string(HelpContext());
    platform::Application().Services().MessageDlg(
        "A ajuda desta tela (" + topic + ") não está instalada nesta estação.",
        platform::TMsgDlgType::mtInformation, platform::mbOK, HelpContext());
}

void TfrmFiltroPadrao::btfSaveOpcClick(platform::TObject* /*sender*/) {
    SaveOptionLines(OptionsFile(), optionValues_.Lines());
    platform::Application().Services().StatusNote("Opções salvas.");
}

void TfrmFiltroPadrao::btfLoadOpcClick(platform::TObject* /*sender*/) {
    std::optional<std::vector<std::string>> lines = LoadOptionLines(OptionsFile());
    if (!lines) Consiste::MensErro("Não há opções salvas para esta tela.");
    optionValues_.SetLines(*lines);
    platform::Application().Services().StatusNote("Opções carregadas.");
}

} // namespace host
