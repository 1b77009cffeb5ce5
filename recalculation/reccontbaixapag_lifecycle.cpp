// The recalculation screen's creation, activation and closing, and the catalogue copy in cdsMsg
// that every run sends to the server.
#include "recalculation/cli_pag00900.h"

#include "host/busyguard.h"
#include "host/morvane.h"
#include "platform/application.h"
#include "platform/sysutils.h"

namespace recalculation {

void TfrmRecContBaixaPag::FormCreate(platform::TObject* sender) {
    host::TfrmPadraoGrid::FormCreate(sender);
    {
        host::TBusyGuard animacao(host::TBusyKind::Opening);
        baixasMarcadas_ = std::make_unique<host::TKeyList>();
        netRecContBaixaPag->SetConnected(true); // host and port are set on connecting
        if (!cdsMsg->Active()) cdsMsg->CreateDataSet();
    }

    // The host's current company, as it comes: a rejected one stays in the edit, reported, and
    // the screen opens all the same.
    medCdEmpresa->SetText(host::Morvane::EmprProc());
    ConfereEmpresa(medCdEmpresa->Text());
}

void TfrmRecContBaixaPag::FormActivate(platform::TObject* /*sender*/) {
    Repaint();
    // Only the first activation happens before boStCriado is set: later ones leave the focus
    // where the user left it.
    if (!boStCriado) medCdEmpresa->SetFocus();
    Carrega_Msg();
}

void TfrmRecContBaixaPag::FormClose(platform::TObject* sender, platform::TCloseAction& action) {
    host::TfrmPadraoGrid::FormClose(sender, action);
    baixasMarcadas_.reset();
    boStCriado = false;
    netRecContBaixaPag->SetConnected(false);
}

void TfrmRecContBaixaPag::Carrega_Msg() {
    if (!cdsMsg->Active()) cdsMsg->CreateDataSet();
    cdsMsg->EmptyDataSet();
    platform::TField* code = cdsMsg->FieldByName("CDMESSAGE");
    platform::TField* text = cdsMsg->FieldByName("DSMESSAGE");
    for (const std::string& line : msgPadrao->Lines()) {
        std::size_t bar = line.find('|');
        cdsMsg->Append();
        code->SetAsString(std::string_view(line).substr(0, bar));
        text->SetAsString(bar == std::string::npos
                              ? std::string()
                              : platform::Utf8Copy(std::string_view(line).substr(bar + 1), 0, 200));
        cdsMsg->Post();
    }
}

} // namespace recalculation
