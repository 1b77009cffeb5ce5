// Cli_pag00900: the unit of the recalculation screen PAG00900 — the screen class with its
// connection to the application server, the unit's module-level state and its creation routine.
#pragma once

#include <string>

#include "host/frmpadraogrid.h"
#include "platform/netconnection.h"

namespace recalculation {

/// The module that carries this unit; its satellite texts apply to the screen.
inline constexpr const char* kPackageName = "PKG_PAG00900";

/// The recalculation screen "Recálculo da Contabilização da Baixa (Pagamento)", an MDI child
/// of the host's main window. It owns its connection netRecContBaixaPag to the remote object
/// "PAG00900.rdmRecContBaixaPag", whose host and port are read from the host's session at every
/// connect. It frees itself when closed. Invariant: while the screen exists, it is the one
/// frmRecContBaixaPag points at (see CriaRecContBaixaPag).
class TfrmRecContBaixaPag : public host::TfrmPadraoGrid {
public:
    explicit TfrmRecContBaixaPag(platform::TComponent* owner);
    /// Clears frmRecContBaixaPag and boStCriado when they refer to this screen, so nothing
    /// is left pointing at a freed screen whichever way it was freed.
    ~TfrmRecContBaixaPag() override;

    platform::TNetConnection* netRecContBaixaPag = nullptr;

    /// Creation: the base screen's creation, then the connection to the application server.
    void FormCreate(platform::TObject* sender) override;
    /// Closing: the base screen's closing (the screen is freed), boStCriado := false, and the
    /// connection is closed.
    void FormClose(platform::TObject* sender, platform::TCloseAction& action) override;
    /// Before each connection attempt: port and host from the host's session, read anew.
    void netRecContBaixaPagBeforeConnect(platform::TObject* sender);
};

// Exported by the module under these names (C linkage, found by hosts with dlsym).
extern "C" {
/// The recalculation screen; nullptr while there is none.
extern TfrmRecContBaixaPag* frmRecContBaixaPag;
/// True from the creation of the screen until it closes (or is freed).
extern bool boStCriado;
}

/// The text the recalculation run keeps between calls; released at the unit's shut-down.
extern std::string stNrLista;

/// Opens the recalculation screen: the hourglass cursor while it works; creates the screen
/// (owned by the application) unless it exists; restores it to its normal size and shows it in
/// front; the default cursor again. A failure while creating leaves boStCriado false, puts the
/// cursor back and reaches the caller.
void CriaRecContBaixaPag();

/// The unit's start-up work (boStCriado := false) and shut-down work (releases stNrLista), run
/// by the module's unit list.
void UnitStartup();
void UnitShutdown();

} // namespace recalculation
