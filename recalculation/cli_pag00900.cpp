// Cli_pag00900: the recalculation screen's class skeleton, connection, unit state and creation routine.
#include "recalculation/cli_pag00900.h"

#include "host/morvane.h"
#include "module/libmodules.h"
#include "platform/application.h"

namespace recalculation {

extern "C" {
TfrmRecContBaixaPag* frmRecContBaixaPag = nullptr;
bool boStCriado = false;
}

std::string stNrLista;

TfrmRecContBaixaPag::TfrmRecContBaixaPag(platform::TComponent* owner) : host::TfrmPadraoGrid(owner) {
    SetName("frmRecContBaixaPag");
    SetCaption("Recálculo da Contabilização da Baixa (Pagamento)");
    SetBounds(284, 188, 567, 393);
    SetHelpFile("paghelp.hlp");
    SetHelpContext(11900900);
    lblCodTela->SetCaption("PAG00900");

    netRecContBaixaPag = Create<platform::TNetConnection>();
    netRecContBaixaPag->SetName("netRecContBaixaPag");
    netRecContBaixaPag->SetServerName("PAG00900.rdmRecContBaixaPag");
    netRecContBaixaPag->SetThrowException(false);
    netRecContBaixaPag->BeforeConnect = [this](platform::TObject* s) { netRecContBaixaPagBeforeConnect(s); };
}

TfrmRecContBaixaPag::~TfrmRecContBaixaPag() {
    if (frmRecContBaixaPag == this) {
        frmRecContBaixaPag = nullptr;
        boStCriado = false;
    }
}

void TfrmRecContBaixaPag::FormCreate(platform::TObject* sender) {
    host::TfrmPadraoGrid::FormCreate(sender);
    netRecContBaixaPag->SetConnected(true);  // host and port are set on connecting
}

void TfrmRecContBaixaPag::FormClose(platform::TObject* sender, platform::TCloseAction& action) {
    host::TfrmPadraoGrid::FormClose(sender, action);
    boStCriado = false;
    netRecContBaixaPag->SetConnected(false);
}

void TfrmRecContBaixaPag::netRecContBaixaPagBeforeConnect(platform::TObject* /*sender*/) {
    netRecContBaixaPag->SetPort(host::Morvane::WebPort());
    netRecContBaixaPag->SetHost(host::Morvane::WebURL());
}

void CriaRecContBaixaPag() {
    platform::TApplication& application = platform::Application();
    application.SetCursor(platform::crHourGlass);
    try {
        if (!boStCriado) {
            module::CreateModuleForm(&application, kPackageName, frmRecContBaixaPag);
            boStCriado = true;
        }
        frmRecContBaixaPag->SetWindowState(platform::TWindowState::wsNormal);
        frmRecContBaixaPag->Show();
    } catch (...) {
        application.SetCursor(platform::crDefault);
        throw;
    }
    application.SetCursor(platform::crDefault);
}

void UnitStartup() { boStCriado = false; }

void UnitShutdown() {
    stNrLista.clear();
    stNrLista.shrink_to_fit();
}

} // namespace recalculation
