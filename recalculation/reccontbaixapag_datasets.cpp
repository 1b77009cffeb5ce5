// The recalculation screen's datasets: the write-off list with its 29 persistent fields, and the
// client datasets of the recalculation run.
#include <initializer_list>
#include <utility>

#include "recalculation/cli_pag00900.h"

namespace recalculation {

namespace {

platform::TClientDataSet* NewDataSet(platform::TComponent* owner, const char* name) {
    auto* dataSet = owner->Create<platform::TClientDataSet>();
    dataSet->SetName(name);
    return dataSet;
}

// A client dataset of text fields only: (name, size) in field order.
platform::TClientDataSet* NewDataSet(platform::TComponent* owner, const char* name,
                                     std::initializer_list<std::pair<const char*, int>> texts) {
    platform::TClientDataSet* dataSet = NewDataSet(owner, name);
    for (const auto& [field, size] : texts) dataSet->AddStringField(field, size);
    return dataSet;
}

// A persistent field with its label and visibility; an empty label leaves the field name.
template <class F> F* Shown(F* field, const char* label, bool visible) {
    if (*label) field->SetDisplayLabel(label);
    field->SetVisible(visible);
    return field;
}

} // namespace

void TfrmRecContBaixaPag::DesignList() {
    cdsBaixaPag = NewDataSet(this, "cdsBaixaPag");
    platform::TClientDataSet& d = *cdsBaixaPag;
    // The server's packet carries exactly these fields, by these names and types.
    cdsBaixaPagCDPICTAGEN = Shown(d.AddStringField("CDPICTAGEN", 10), "", false);
    cdsBaixaPagCDFILIAL = Shown(d.AddStringField("CDFILIAL", 4), "", false);
    cdsBaixaPagNRBAIXAPAG = Shown(d.AddStringField("NRBAIXAPAG", 10), "", false);
    cdsBaixaPagCDEMPRESA = Shown(d.AddStringField("CDEMPRESA", 2), "", false);
    cdsBaixaPagNRMOVBANC = Shown(d.AddStringField("NRMOVBANC", 10), "", false);
    cdsBaixaPagCDREDUCONT = Shown(d.AddStringField("CDREDUCONT", 3), "", false);
    cdsBaixaPagCDCONTCTBL = Shown(d.AddStringField("CDCONTCTBL", 20), "", false);
    cdsBaixaPagNRCHEQUE = Shown(d.AddStringField("NRCHEQUE", 6), "Cheque", false);
    cdsBaixaPagDTBAIXAPAG = Shown(d.AddDateTimeField("DTBAIXAPAG"), "Pagamento", true);
    cdsBaixaPagVRBAIXAPAG = Shown(d.AddFloatField("VRBAIXAPAG"), "Valor", true);
    cdsBaixaPagVRBAIXAPAG->SetDisplayFormat("#,##0.00 ");
    cdsBaixaPagDSNOMCHEQUE = Shown(d.AddStringField("DSNOMCHEQUE", 40), "", false);
    cdsBaixaPagIDSTEMICHEQ = Shown(d.AddStringField("IDSTEMICHEQ", 1), "", false);
    cdsBaixaPagNRLCTBBPAG = Shown(d.AddStringField("NRLCTBBPAG", 12), "", false);
    cdsBaixaPagIDSTATUSBPAG = Shown(d.AddStringField("IDSTATUSBPAG", 1), "Status", false);
    cdsBaixaPagCDOPERADOR = Shown(d.AddStringField("CDOPERADOR", 12), "", false);
    cdsBaixaPagIDMARCADO = Shown(d.AddFixedCharField("IDMARCADO", 1), "", false);
    cdsBaixaPagCDBANCO = Shown(d.AddStringField("CDBANCO", 3), "Banco", true);
    cdsBaixaPagCDAGENCIA = Shown(d.AddStringField("CDAGENCIA", 5), "Agência", true);
    cdsBaixaPagCDCONTCORR = Shown(d.AddStringField("CDCONTCORR", 10), "Conta Corrente", true);
    cdsBaixaPagCDCONTCORR->SetEditMask("99999999999999999999;0; ");
    cdsBaixaPagDSCONTCORR = Shown(d.AddStringField("DSCONTCORR", 20), "", false);
    cdsBaixaPagCDPICTCONT = Shown(d.AddStringField("CDPICTCONT", 20), "", false);
    cdsBaixaPagDSBAIXAPAG = Shown(d.AddStringField("DSBAIXAPAG", 250), "", false);
    cdsBaixaPagCDTPBAIXAPAG = Shown(d.AddStringField("CDTPBAIXAPAG", 2), "", false);
    cdsBaixaPagIDBAIXAUTILP = Shown(d.AddStringField("IDBAIXAUTILP", 1), "", false);
    cdsBaixaPagNMTPBAIXAPAG = Shown(d.AddStringField("NMTPBAIXAPAG", 50), "Tipo de Baixa", true);
    cdsBaixaPagIDCTBLBXPAG = Shown(d.AddStringField("IDCTBLBXPAG", 1), "", false);
    cdsBaixaPagDTLANCBAIXAP = Shown(d.AddDateTimeField("DTLANCBAIXAP"), "", false);
    cdsBaixaPagNMOPERADOR = Shown(d.AddStringField("NMOPERADOR", 40), "", false);
    cdsBaixaPagIDPARTIDABOLPAG = Shown(d.AddStringField("IDPARTIDABOLPAG", 1), "", false);
}

void TfrmRecContBaixaPag::DesignRunDataSets() {
    cdsMsg = NewDataSet(this, "cdsMsg", {{"CDMESSAGE", 50}, {"DSMESSAGE", 200}});

    cdsResult =
        NewDataSet(this, "cdsResult", {{"CDRESULT", 3}, {"DSRESULT", 250}, {"IDTPRESULT", 2}});
    cdsResult->IndexDefs().Add("idxResultado", "IDTPRESULT");
    cdsResult->SetIndexName("idxResultado");

    cdsLancContTemp = NewDataSet(this, "cdsLancContTemp");
    platform::TClientDataSet& lanc = *cdsLancContTemp;
    Shown(lanc.AddStringField("CDEMPRESA", 2), "Empresa", true);
    Shown(lanc.AddStringField("CDCONTREDU", 20), "C. Reduzido", true);
    Shown(lanc.AddStringField("NMCONTCTBL", 40), "Nome", true);
    Shown(lanc.AddStringField("NRLANCCTBTEMP", 20), "", false);
    Shown(lanc.AddStringField("NRSEQCTBTEMP", 6), "", false);
    Shown(lanc.AddStringField("CDCONTCTBL", 20), "Conta Contábil", true);
    Shown(lanc.AddStringField("CDHISTPADR", 4), "Histórico", true);
    Shown(lanc.AddStringField("DSHISTCTB", 200), "Descrição do Histórico", true);
    Shown(lanc.AddDateTimeField("DTLANCCTBTEMP"), "Data", false);
    Shown(lanc.AddFloatField("VRLANCCTBTEMP"), "Valor", true);
    Shown(lanc.AddStringField("IDLANCCTBCOME", 1), "ID", false);
    Shown(lanc.AddStringField("CDLANCCTBCOME", 21), "C. Comercial", true);
    Shown(lanc.AddStringField("NMEMPRESA", 40), "Empresa", false);
    Shown(lanc.AddStringField("CDDOCUCONT", 40), "", false);

    cdsRateio = NewDataSet(this, "cdsRateio");
    platform::TClientDataSet& rateio = *cdsRateio;
    Shown(rateio.AddStringField("CDFILIAL", 4), "Filial", true);
    Shown(rateio.AddStringField("NMFILIAL", 30), "Nome da Filial", true);
    Shown(rateio.AddStringField("CDCENTCUST", 4), "C. Custo", true);
    Shown(rateio.AddStringField("NMCENTCUST", 40), "Nome do Centro de Custo", true);
    Shown(rateio.AddFloatField("VRLANCCUST"), "Valor", false);
    Shown(rateio.AddStringField("NRSEQCTBTEMP", 6), "", false);
    Shown(rateio.AddStringField("NRLANCCTBTEMP", 12), "", false);
    Shown(rateio.AddDateTimeField("DTCOMPCTBTEMP"), "Data", true);
    Shown(rateio.AddStringField("CDEMPRESA", 2), "", true);
    Shown(rateio.AddStringField("NRSEQRATTEMP", 5), "", false);

    cdsErrosTemp = NewDataSet(this, "cdsErrosTemp", {{"CDERROTEMP", 3}, {"NRSEQCTBTEMP", 5}});

    // The boleto lists travel with the run in the original server's layout (tables LISTA and
    // BOLETPAGAR of the DBMORVANE database); this screen never fills them.
    cdsListaBol = NewDataSet(this, "cdsListaBol", {{"NRLISTA", 10}, {"CDLISTA", 50}});

    cdsBoletoPag = NewDataSet(this, "cdsBoletoPag");
    cdsBoletoPag->AddStringField("CDFILIAL", 4);
    cdsBoletoPag->AddStringField("NRLANBOLPAG", 10);
    cdsBoletoPag->AddDateTimeField("DTVENBOLPAG");
    cdsBoletoPag->AddFloatField("VRBOLPAG");
    cdsBoletoPag->AddFloatField("VRFINALBPAG");
    cdsBoletoPag->AddStringField("NMRAZSOCFORN", 40);
    cdsBoletoPag->AddStringField("CHAVE", 14);
}

} // namespace recalculation
