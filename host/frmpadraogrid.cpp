// TfrmPadraoGrid: builds the base grid screen and implements its standard handlers.
#include "host/frmpadraogrid.h"

#include "platform/dataset.h"

namespace host {

using platform::TAlign;
using platform::TDataSetState;

namespace {

constexpr int kButtonSize = 25;

// A speed button of the base screen at the given bounds, its hint shown.
platform::TSpeedButton* HintedButton(platform::TComponent& owner, platform::TWinControl* parent,
                                     const char* name, const char* hint, int left, int top,
                                     int width, int height) {
    auto* button = platform::CreateChild<platform::TSpeedButton>(owner, parent, name);
    button->SetBounds(left, top, width, height);
    button->SetHint(hint);
    button->SetShowHint(true);
    return button;
}

} // namespace

platform::TMenuItem* TfrmPadraoGrid::MenuItem(const char* name, const char* caption) {
    auto* item = Create<platform::TMenuItem>();
    item->SetName(name);
    item->SetCaption(caption);
    mnuManutencao->Add(item);
    return item;
}

platform::TSpeedButton* TfrmPadraoGrid::ToolButton(const char* name, const char* hint, int index) {
    auto* button = HintedButton(*this, panMenu, name, hint, 4 + index * kButtonSize, 2, kButtonSize,
                                kButtonSize);
    button->SetFlat(true);
    return button;
}

platform::TSpeedButton* TfrmPadraoGrid::NavButton(const char* name, const char* hint, int index) {
    return HintedButton(*this, dbnPadrao, name, hint, index * 24, 0, 24, 22);
}

TfrmPadraoGrid::TfrmPadraoGrid(platform::TComponent* owner) : platform::TForm(owner) {
    SetFormStyle(platform::TFormStyle::fsMDIChild);
    SetBounds(0, 0, 567, 393);

    mnuPrincipal = Create<platform::TMainMenu>();
    mnuPrincipal->SetName("mnuPrincipal");
    SetMenu(mnuPrincipal);
    mnuManutencao = Create<platform::TMenuItem>();
    mnuManutencao->SetName("mnuManutencao");
    mnuManutencao->SetCaption("&Manutenção");
    mnuPrincipal->Items()->Add(mnuManutencao);
    mnuIncluir = MenuItem("mnuIncluir", "&Incluir");
    mnuAlterar = MenuItem("mnuAlterar", "&Alterar");
    mnuExcluir = MenuItem("mnuExcluir", "&Excluir");
    mnuSeparador1 = MenuItem("mnuSeparador1", "-");
    mnuVerificar = MenuItem("mnuVerificar", "&Verificar");
    mnuCancelar = MenuItem("mnuCancelar", "&Cancelar");
    mnuConfirmar = MenuItem("mnuConfirmar", "C&onfirmar");
    mnuSeparador2 = MenuItem("mnuSeparador2", "-");
    mnuListagem = MenuItem("mnuListagem", "&Listagem");
    mnuConfigImpressora = MenuItem("mnuConfigImpressora", "Configurar I&mpressora");

    panMenu = platform::CreateChild<platform::TPanel>(*this, this, "panMenu");
    panMenu->SetHeight(kButtonSize + 4);
    panMenu->SetAlign(TAlign::alTop);
    sbtIncluir = ToolButton("sbtIncluir", "Incluir", 0);
    sbtAlterar = ToolButton("sbtAlterar", "Alterar", 1);
    sbtExcluir = ToolButton("sbtExcluir", "Excluir", 2);
    sbtVerificar = ToolButton("sbtVerificar", "Verificar", 3);
    sbtCancelar = ToolButton("sbtCancelar", "Cancelar", 4);
    sbtConfirmar = ToolButton("sbtConfirmar", "Confirmar", 5);
    sbtImprimir = ToolButton("sbtImprimir", "Imprimir", 6);
    sbtSair = ToolButton("sbtSair", "Sair", 7);
    lblCodTela = platform::CreateChild<platform::TLabel>(*this, panMenu, "lblCodTela");
    lblCodTela->SetAlignment(platform::TAlignment::taRightJustify);
    lblCodTela->SetWidth(70);
    lblCodTela->SetAlign(TAlign::alRight);

    dtsPadrao = Create<platform::TDataSource>();
    dtsPadrao->SetName("dtsPadrao");

    panNavegador = platform::CreateChild<platform::TPanel>(*this, this, "panNavegador");
    panNavegador->SetHeight(26);
    panNavegador->SetAlign(TAlign::alBottom);
    dbnPadrao = platform::CreateChild<platform::TPanel>(*this, panNavegador, "dbnPadrao");
    dbnPadrao->SetBevelOuter(platform::TBevelCut::bvNone);
    dbnPadrao->SetWidth(4 * 24);
    dbnPadrao->SetAlign(TAlign::alLeft);
    sbtPrimeiro = NavButton("sbtPrimeiro", "Primeiro", 0);
    sbtAnterior = NavButton("sbtAnterior", "Anterior", 1);
    sbtProximo = NavButton("sbtProximo", "Próximo", 2);
    sbtUltimo = NavButton("sbtUltimo", "Último", 3);
    dbtNome = platform::CreateChild<platform::TDBText>(*this, panNavegador, "dbtNome");
    dbtNome->SetAlign(TAlign::alClient);
    dbtNome->SetDataSource(dtsPadrao);

    dbgPadrao = platform::CreateChild<platform::TDBGrid>(*this, this, "dbgPadrao");
    dbgPadrao->SetTabStop(true);
    dbgPadrao->SetAlign(TAlign::alClient);
    dbgPadrao->SetDataSource(dtsPadrao);
    dbgPadrao->SetOptions({platform::dgTitles, platform::dgIndicator, platform::dgColumnResize,
                           platform::dgColLines, platform::dgRowLines, platform::dgTabs,
                           platform::dgRowSelect, platform::dgAlwaysShowSelection});

    msgPadrao = Create<TMessages>();
    msgPadrao->SetName("msgPadrao");

    // Events go through the virtual handlers, so derived screens replace them by overriding.
    OnCreate = [this](platform::TObject* s) { FormCreate(s); };
    OnClose = [this](platform::TObject* s, platform::TCloseAction& a) { FormClose(s, a); };
    dbgPadrao->OnKeyDown = [this](platform::TObject* s, platform::Word& k,
                                  platform::TShiftState sh) { dbgPadraoKeyDown(s, k, sh); };
    dtsPadrao->OnStateChange = [this](platform::TObject* s) { dtsPadraoStateChange(s); };
    sbtConfirmar->OnClick = [this](platform::TObject* s) { sbtConfirmarClick(s); };
    mnuConfirmar->OnClick = [this](platform::TObject*) { sbtConfirmarClick(sbtConfirmar); };
    sbtCancelar->OnClick = [this](platform::TObject* s) { sbtCancelarClick(s); };
    mnuCancelar->OnClick = [this](platform::TObject*) { sbtCancelarClick(sbtCancelar); };
    sbtVerificar->OnClick = [this](platform::TObject* s) { sbtVerificarClick(s); };
    mnuVerificar->OnClick = [this](platform::TObject*) { sbtVerificarClick(sbtVerificar); };
    sbtAlterar->OnClick = [this](platform::TObject* s) { sbtAlterarClick(s); };
    mnuAlterar->OnClick = [this](platform::TObject*) { sbtAlterarClick(sbtAlterar); };
    // Include, delete and print have no standard action: a screen that offers them sets the
    // button's OnClick, which the menu item runs too.
    mnuIncluir->OnClick = [this](platform::TObject*) { sbtIncluir->Click(); };
    mnuExcluir->OnClick = [this](platform::TObject*) { sbtExcluir->Click(); };
    mnuListagem->OnClick = [this](platform::TObject*) { sbtImprimir->Click(); };
    sbtSair->OnClick = [this](platform::TObject*) { Close(); };

    auto move = [this](void (platform::TDataSet::*step)()) {
        if (platform::TDataSet* data = dtsPadrao->DataSet(); data && data->Active())
            (data->*step)();
    };
    sbtPrimeiro->OnClick = [move](platform::TObject*) { move(&platform::TDataSet::First); };
    sbtAnterior->OnClick = [move](platform::TObject*) { move(&platform::TDataSet::Prior); };
    sbtProximo->OnClick = [move](platform::TObject*) { move(&platform::TDataSet::Next); };
    sbtUltimo->OnClick = [move](platform::TObject*) { move(&platform::TDataSet::Last); };
    dbnPadrao->SetEnabled(false); // until dtsPadrao shows rows in browse state
}

void TfrmPadraoGrid::SyncToolButtons() {
    sbtIncluir->SetEnabled(mnuIncluir->Enabled());
    sbtAlterar->SetEnabled(mnuAlterar->Enabled());
    sbtExcluir->SetEnabled(mnuExcluir->Enabled());
    sbtVerificar->SetEnabled(mnuVerificar->Enabled());
    sbtCancelar->SetEnabled(mnuCancelar->Enabled());
    sbtConfirmar->SetEnabled(mnuConfirmar->Enabled());
    sbtImprimir->SetEnabled(mnuListagem->Enabled());
}

void TfrmPadraoGrid::FormCreate(platform::TObject* /*sender*/) {
    SyncToolButtons();
}

void TfrmPadraoGrid::FormClose(platform::TObject* /*sender*/, platform::TCloseAction& action) {
    action = platform::TCloseAction::caFree;
}

void TfrmPadraoGrid::dbgPadraoKeyDown(platform::TObject* /*sender*/, platform::Word& key,
                                      platform::TShiftState shift) {
    platform::TMenuItem* command = nullptr;
    if (key == platform::VK_RETURN && shift == 0)
        command = mnuAlterar;
    else if (key == platform::VK_INSERT && shift == 0)
        command = mnuIncluir;
    else if (key == platform::VK_DELETE && shift == platform::ssCtrl)
        command = mnuExcluir;
    if (command && command->Enabled()) {
        key = 0;
        command->Click();
    }
}

void TfrmPadraoGrid::sbtConfirmarClick(platform::TObject* /*sender*/) {
    platform::TDataSet* data = dtsPadrao->DataSet();
    if (data &&
        (data->State() == TDataSetState::dsEdit || data->State() == TDataSetState::dsInsert))
        data->Post();
}

void TfrmPadraoGrid::sbtCancelarClick(platform::TObject* /*sender*/) {
    platform::TDataSet* data = dtsPadrao->DataSet();
    if (data &&
        (data->State() == TDataSetState::dsEdit || data->State() == TDataSetState::dsInsert))
        data->Cancel();
}

void TfrmPadraoGrid::sbtVerificarClick(platform::TObject* /*sender*/) {
    platform::TDataSet* data = dtsPadrao->DataSet();
    if (data && data->Active()) data->CheckBrowseMode();
}

void TfrmPadraoGrid::sbtAlterarClick(platform::TObject* /*sender*/) {
    if (dbgPadrao->CanFocus()) dbgPadrao->SetFocus();
}

void TfrmPadraoGrid::dtsPadraoStateChange(platform::TObject* /*sender*/) {
    platform::TDataSet* data = dtsPadrao->DataSet();
    bool browse = data && data->State() == TDataSetState::dsBrowse;
    mnuAlterar->SetEnabled(browse && !data->IsEmpty());
    sbtAlterar->SetEnabled(mnuAlterar->Enabled());
    dbnPadrao->SetEnabled(browse);
}

} // namespace host
