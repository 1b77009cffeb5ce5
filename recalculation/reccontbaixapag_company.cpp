// The recalculation screen's company panel: the company code, its check against the database and
// the operator's rights, and the company search list.
#include "recalculation/cli_pag00900.h"

#include "host/consiste.h"
#include "host/dbgeral.h"
#include "host/morvane.h"

namespace recalculation {

using host::Consiste::MensErro;

void TfrmRecContBaixaPag::ConfereEmpresa(const std::string& company) {
    qryEmpresa->Close();
    qryEmpresa->ParamByName("P_CDEMPRESA").SetAsString(company);
    qryEmpresa->Open();
    if (qryEmpresa->IsEmpty()) {
        medCdEmpresa->SetFocus();
        MensErro(msgPadrao->Msg("Emp_Nc"), true);
    }
    if (!host::Dbgeral::AcessoOperEmpresa(host::Morvane::Operador(), company)) {
        medCdEmpresa->SetFocus();
        MensErro(msgPadrao->Msg("Emp_Nr"), true);
    }
    edtNmEmpresa->SetText(qryEmpresa->FieldByName("NMEMPRESA")->AsString());
}

void TfrmRecContBaixaPag::Vd_Empresa(bool required) {
    try {
        if (host::Consiste::EmptyString(medCdEmpresa->Text())) {
            if (required) MensErro(msgPadrao->Msg("Emp_Deve"), true);
            return;
        }
        // A one-digit code is brought to two digits ("1" is company "01").
        medCdEmpresa->SetText(host::Consiste::Ajusta(medCdEmpresa->Text(), 2));
        ConfereEmpresa(medCdEmpresa->Text());
    } catch (...) {
        // The focus change or the action that asked for the check must not complete.
        if (medCdEmpresa->EnabledWithParents() && medCdEmpresa->Showing()) medCdEmpresa->SetFocus();
        throw;
    }
}

void TfrmRecContBaixaPag::medCdEmpresaChange(platform::TObject* /*sender*/) {
    // The name belongs to the code that was checked; any change of the code takes it away.
    edtNmEmpresa->SetText("");
}

void TfrmRecContBaixaPag::medCdEmpresaExit(platform::TObject* /*sender*/) {
    // An empty code passes here; leaving the panel requires it.
    Vd_Empresa(false);
}

void TfrmRecContBaixaPag::btpEmpresaBeforePesq(platform::TObject* /*sender*/) {
    // Every company, by code.
    qryEmpresa->Close();
    qryEmpresa->ParamByName("P_CDEMPRESA").Clear();
    qryEmpresa->Open();
}

void TfrmRecContBaixaPag::btpEmpresaAfterPesq(platform::TObject* /*sender*/) {
    // The code first: changing it clears the name.
    medCdEmpresa->SetText(qryEmpresa->FieldByName("CDEMPRESA")->Text());
    edtNmEmpresa->SetText(qryEmpresa->FieldByName("NMEMPRESA")->AsString());
}

} // namespace recalculation
