// Cli_pag00900: the recalculation screen's construction and teardown, connection, unit state and
// creation routine.
#include "recalculation/cli_pag00900.h"

#include "host/libmodules.h"
#include "host/login.h"
#include "host/morvane.h"
#include "platform/application.h"

namespace recalculation {

extern "C" {
TfrmRecContBaixaPag* frmRecContBaixaPag = nullptr;
bool boStCriado = false;
}

std::string stNrLista;

TfrmRecContBaixaPag::TfrmRecContBaixaPag(platform::TComponent* owner)
    : host::TfrmPadraoGrid(owner) {
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

    DesignCommands();
    DesignCompanyPanel();
    DesignList();
    DesignGrid();
    DesignRunDataSets();
    DesignCatalogue();
    WireEvents();
}

TfrmRecContBaixaPag::~TfrmRecContBaixaPag() {
    if (frmRecContBaixaPag == this) {
        frmRecContBaixaPag = nullptr;
        boStCriado = false;
    }
    // The components are freed after this body, when this screen's own part is gone: none of
    // its handlers may run then.
    dtsPadrao->OnStateChange = nullptr;
    dtsEmpresa->OnStateChange = nullptr;
    cdsBaixaPag->AfterOpen = nullptr;
    cdsBaixaPag->AfterClose = nullptr;
    cdsBaixaPag->AfterPost = nullptr;
    for (platform::TField* field : cdsBaixaPag->Fields()) field->OnGetText = nullptr;
    dbgPadrao->OnDrawColumnCell = nullptr;
    dbgPadrao->OnTitleClick = nullptr;
    dbgPadrao->OnDblClick = nullptr;
    dbgPadrao->OnKeyDown = nullptr;
    medCdEmpresa->OnChange = nullptr;
    medCdEmpresa->OnExit = nullptr;
    panFiltro->OnEnter = nullptr;
    panFiltro->OnExit = nullptr;
    netRecContBaixaPag->BeforeConnect = nullptr;
}

void TfrmRecContBaixaPag::netRecContBaixaPagBeforeConnect(platform::TObject* /*sender*/) {
    netRecContBaixaPag->SetPort(host::Morvane::WebPort());
    netRecContBaixaPag->SetHost(host::Morvane::WebURL());
    netRecContBaixaPag->SetUseTls(host::Morvane::WebTls());
    netRecContBaixaPag->SetCaFile(host::Morvane::WebCaFile());
    host::PresentLogin(*netRecContBaixaPag); // the logged-in operator's token
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

void UnitStartup() {
    boStCriado = false;
}

void UnitShutdown() {
    stNrLista.clear();
    stNrLista.shrink_to_fit();
}

} // namespace recalculation
