// TfrmPadraoGrid: the host's base grid screen, an MDI child with toolbar, maintenance menu and
// grid.
#pragma once

#include "host/messages.h"
#include "platform/datasource.h"
#include "platform/dbctrls.h"
#include "platform/forms.h"
#include "platform/menus.h"
#include "platform/stdctrls.h"

namespace host {

/// Layout, top to bottom:
///   panMenu (toolbar, top): sbtIncluir, sbtAlterar, sbtExcluir, sbtVerificar, sbtCancelar,
///       sbtConfirmar, sbtImprimir, sbtSair; lblCodTela (screen code) at its right end.
///   dbgPadrao (grid, client area) showing dtsPadrao.
///   panNavegador (bottom): the browse control dbnPadrao (a panel of four buttons: first,
///       prior, next, last row of dtsPadrao) and the text dbtNome (bound to dtsPadrao; the
///       screen chooses its field).
/// Main menu mnuPrincipal with mnuManutencao: mnuIncluir, mnuAlterar, mnuExcluir, -,
/// mnuVerificar, mnuCancelar, mnuConfirmar, -, mnuListagem, mnuConfigImpressora.
///
/// Each toolbar button goes with a menu item (sbtIncluir/mnuIncluir, sbtAlterar/mnuAlterar,
/// sbtExcluir/mnuExcluir, sbtVerificar/mnuVerificar, sbtCancelar/mnuCancelar,
/// sbtConfirmar/mnuConfirmar, sbtImprimir/mnuListagem); both run the same handler. The row
/// command is mnuAlterar with sbtAlterar; the browse control is dbnPadrao.
///
/// Handlers are virtual: a derived screen that replaces one calls the base's first where it
/// wants the base behaviour. Derived screens create their own components in their constructor,
/// after the base's.
class TfrmPadraoGrid : public platform::TForm {
public:
    explicit TfrmPadraoGrid(platform::TComponent* owner);

    // Menu.
    platform::TMainMenu* mnuPrincipal = nullptr;
    platform::TMenuItem* mnuManutencao = nullptr;
    platform::TMenuItem* mnuIncluir = nullptr;
    platform::TMenuItem* mnuAlterar = nullptr;
    platform::TMenuItem* mnuExcluir = nullptr;
    platform::TMenuItem* mnuSeparador1 = nullptr;
    platform::TMenuItem* mnuVerificar = nullptr;
    platform::TMenuItem* mnuCancelar = nullptr;
    platform::TMenuItem* mnuConfirmar = nullptr;
    platform::TMenuItem* mnuSeparador2 = nullptr;
    platform::TMenuItem* mnuListagem = nullptr;
    platform::TMenuItem* mnuConfigImpressora = nullptr;

    // Toolbar.
    platform::TPanel* panMenu = nullptr;
    platform::TSpeedButton* sbtIncluir = nullptr;
    platform::TSpeedButton* sbtAlterar = nullptr;
    platform::TSpeedButton* sbtExcluir = nullptr;
    platform::TSpeedButton* sbtVerificar = nullptr;
    platform::TSpeedButton* sbtCancelar = nullptr;
    platform::TSpeedButton* sbtConfirmar = nullptr;
    platform::TSpeedButton* sbtImprimir = nullptr;
    platform::TSpeedButton* sbtSair = nullptr;
    platform::TLabel* lblCodTela = nullptr;

    // Rows.
    platform::TDataSource* dtsPadrao = nullptr;
    platform::TDBGrid* dbgPadrao = nullptr;
    platform::TPanel* panNavegador = nullptr;
    platform::TPanel* dbnPadrao = nullptr;
    platform::TSpeedButton* sbtPrimeiro = nullptr;
    platform::TSpeedButton* sbtAnterior = nullptr;
    platform::TSpeedButton* sbtProximo = nullptr;
    platform::TSpeedButton* sbtUltimo = nullptr;
    platform::TDBText* dbtNome = nullptr;

    TMessages* msgPadrao = nullptr;

    /// Creation (OnCreate): every toolbar button takes its menu item's enabled state.
    virtual void FormCreate(platform::TObject* sender);
    /// Closing (OnClose): the screen is freed (caFree), not hidden.
    virtual void FormClose(platform::TObject* sender, platform::TCloseAction& action);
    /// Keys in the grid: Enter runs the row command, Insert the include command, Ctrl+Delete
    /// the delete command, each only when its menu item is enabled (the key is then consumed).
    virtual void dbgPadraoKeyDown(platform::TObject* sender, platform::Word& key,
                                  platform::TShiftState shift);
    /// Confirm: posts a row being edited in dtsPadrao's dataset.
    virtual void sbtConfirmarClick(platform::TObject* sender);
    /// Cancel: drops the edits of a row being edited.
    virtual void sbtCancelarClick(platform::TObject* sender);
    /// Verify: brings the dataset back to browse state (posting a changed row) before the
    /// derived screen re-reads it.
    virtual void sbtVerificarClick(platform::TObject* sender);
    /// Row command: puts the focus on the grid, at the current row.
    virtual void sbtAlterarClick(platform::TObject* sender);
    /// State rule: the row command is enabled when dtsPadrao's dataset is in browse state and
    /// has rows; the browse control when it is in browse state; buttons follow their items.
    virtual void dtsPadraoStateChange(platform::TObject* sender);

    /// Gives each toolbar button its menu item's enabled state.
    void SyncToolButtons();

private:
    platform::TSpeedButton* ToolButton(const char* name, const char* hint, int index);
    platform::TMenuItem* MenuItem(const char* name, const char* caption);
    platform::TSpeedButton* NavButton(const char* name, const char* hint, int index);
};

} // namespace host
