// TfrmLancContabil: the accounting screen CTB10200, which shows accounting entries read-only.
#pragma once

#include "accounting/lancview.h"
#include "host/adoibquery.h"
#include "platform/comctrls.h"
#include "platform/datasource.h"
#include "platform/dbctrls.h"
#include "platform/forms.h"
#include "platform/stdctrls.h"

namespace accounting {

/// "Lançamentos Contábeis", an MDI child of the host's main window. Layout, top to bottom:
///   panCabecalho: company code and name, entry number, the screen code "CTB10200";
///   lblSituacao: what is shown (provisional entries with their errors, or a posted entry);
///   pgcLancamentos with the pages tshLancamentos, tshRateio and tshErros, each a read-only
///     grid (dbgLancamentos, dbgRateio, dbgErros) over cdsLancamentos, cdsRateio, cdsErros;
///   panRodape: the debit and credit totals (lblTotais) and btnFechar.
/// The errors page is shown only when there are errors, and is then the page in front.
/// Nothing on the screen edits data. Closing frees it (Esc closes too).
class TfrmLancContabil : public platform::TForm {
public:
    explicit TfrmLancContabil(platform::TComponent* owner);

    platform::TPanel* panCabecalho = nullptr;
    platform::TLabel* lblEmpresa = nullptr;
    platform::TEdit* edtCdEmpresa = nullptr;
    platform::TEdit* edtNmEmpresa = nullptr;
    platform::TLabel* lblLancamento = nullptr;
    platform::TEdit* edtNrLanc = nullptr;
    platform::TLabel* lblCodTela = nullptr;
    platform::TLabel* lblSituacao = nullptr;
    platform::TPageControl* pgcLancamentos = nullptr;
    platform::TTabSheet* tshLancamentos = nullptr;
    platform::TTabSheet* tshRateio = nullptr;
    platform::TTabSheet* tshErros = nullptr;
    platform::TDBGrid* dbgLancamentos = nullptr;
    platform::TDBGrid* dbgRateio = nullptr;
    platform::TDBGrid* dbgErros = nullptr;
    platform::TPanel* panRodape = nullptr;
    platform::TLabel* lblTotais = nullptr;
    platform::TButton* btnFechar = nullptr;

    platform::TClientDataSet* cdsLancamentos = nullptr;
    platform::TClientDataSet* cdsRateio = nullptr;
    platform::TClientDataSet* cdsErros = nullptr;
    platform::TDataSource* dtsLancamentos = nullptr;
    platform::TDataSource* dtsRateio = nullptr;
    platform::TDataSource* dtsErros = nullptr;
    /// The posted entry and its apportionment, on the host's shared database connection.
    host::TADOIBQuery* qryLancCtb = nullptr;
    host::TADOIBQuery* qryRateioCtb = nullptr;

    /// Shows a content built by MontaLancView: replaces the three datasets (first row
    /// current), the header, the situation line and the totals, and brings the right page
    /// to the front.
    void Mostra(const TLancView& view);

    void FormClose(platform::TObject* sender, platform::TCloseAction& action);
    void FormKeyDown(platform::TObject* sender, platform::Word& key, platform::TShiftState shift);
    void btnFecharClick(platform::TObject* sender);

private:
    platform::TDBGrid* Grade(platform::TTabSheet* page, const char* name,
                             platform::TDataSource* source);
    platform::TEdit* Campo(const char* name, int left, int width);
};

} // namespace accounting
