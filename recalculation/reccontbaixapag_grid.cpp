// The recalculation screen's grid: marking write-offs one by one or all at once, the set of
// marked write-offs with the confirm command that follows it, and the mark column's pictures.
#include "recalculation/cli_pag00900.h"

#include "host/busyguard.h"
#include "host/consiste.h"
#include "platform/application.h"

namespace recalculation {

using host::Consiste::MensErro;
using platform::TDataSetState;

namespace {
const std::string kMarcada = "S";
const std::string kDesmarcada = "N";
const std::string kReal = "E";
} // namespace

std::string TfrmRecContBaixaPag::ChaveBaixa() const {
    return cdsBaixaPagCDFILIAL->AsString() + cdsBaixaPagNRBAIXAPAG->AsString();
}

void TfrmRecContBaixaPag::dbgPadraoDblClick(platform::TObject* /*sender*/) {
    if (!cdsBaixaPag->Active() || cdsBaixaPag->IsEmpty()) return;
    if (cdsBaixaPagIDSTATUSBPAG->AsString() != kReal) MensErro(msgPadrao->Msg("STATUS_INV"), true);
    TrocaMarca(cdsBaixaPagIDMARCADO->AsString() == kMarcada ? kDesmarcada : kMarcada);
}

void TfrmRecContBaixaPag::TrocaMarca(const std::string& mark) {
    cdsBaixaPag->Edit();
    try {
        cdsBaixaPagIDMARCADO->SetAsString(mark);
        cdsBaixaPag->Post(); // the after-post rule keeps the marked set in step
    } catch (...) {
        // A refused post leaves the row as it was, not half edited: the marked set then still
        // matches every stored mark.
        if (cdsBaixaPag->State() == TDataSetState::dsEdit) cdsBaixaPag->Cancel();
        throw;
    }
}

void TfrmRecContBaixaPag::dbgPadraoKeyDown(platform::TObject* sender, platform::Word& key,
                                           platform::TShiftState shift) {
    host::TfrmPadraoGrid::dbgPadraoKeyDown(sender, key, shift);
    if (key == platform::VK_SPACE) dbgPadraoDblClick(dbgPadrao);
}

void TfrmRecContBaixaPag::dbgPadraoTitleClick(platform::TColumn* column) {
    // Only the current row's status is tested, whichever title was clicked.
    if (cdsBaixaPagIDSTATUSBPAG->AsString() != kReal) {
        if (cdsBaixaPag->Active() && !cdsBaixaPag->IsEmpty())
            MensErro(msgPadrao->Msg("STATUS_INV"), true);
        return;
    }
    if (column == nullptr || !platform::SameText(column->FieldName(), "IDMARCADO")) return;

    // The grid is told of the whole change once, when its updates resume.
    cdsBaixaPag->DisableControls();
    try {
        const bool desmarca = baixasMarcadas_ && baixasMarcadas_->Count() > 0;
        platform::TModalResult answer = msgPadrao->ShowMsg(
            desmarca ? "DESMARCA_BAIXA" : "MARCA_BAIXA", platform::TMsgDlgType::mtConfirmation,
            platform::mbYes | platform::mbNo, 0);
        if (answer == platform::mrYes) {
            // Hidden when the loop ends, also when a post fails, before the updates resume.
            host::TBusyGuard animacao(host::TBusyKind::Processing);
            Repaint();
            // Every row whose mark is the opposite one changes, whatever its own status;
            // rows with any other mark are left alone.
            const std::string& from = desmarca ? kMarcada : kDesmarcada;
            const std::string& to = desmarca ? kDesmarcada : kMarcada;
            if (!desmarca && baixasMarcadas_)
                baixasMarcadas_->Reserve(static_cast<std::size_t>(cdsBaixaPag->RecordCount()));
            cdsBaixaPag->First();
            while (!cdsBaixaPag->Eof()) {
                if (cdsBaixaPagIDMARCADO->AsString() == from) TrocaMarca(to);
                cdsBaixaPag->Next();
            }
        }
    } catch (...) {
        cdsBaixaPag->EnableControls();
        dtsPadraoStateChange(dtsPadrao);
        throw;
    }
    cdsBaixaPag->EnableControls();
    dtsPadraoStateChange(dtsPadrao);
}

void TfrmRecContBaixaPag::dbgPadraoDrawColumnCell(platform::TObject* /*sender*/,
                                                  const platform::TRect& rect, int /*dataCol*/,
                                                  platform::TColumn* column,
                                                  platform::TGridDrawState /*state*/) {
    if (cdsBaixaPag->State() != TDataSetState::dsBrowse || cdsBaixaPag->IsEmpty()) return;
    if (column == nullptr || !platform::SameText(column->FieldName(), "IDMARCADO")) return;
    // Drawn over the cell's text ("S" or "N"), with the pictures' olive background left out.
    const platform::TImage* picture =
        cdsBaixaPagIDMARCADO->AsString() == kMarcada ? imgCheck : imgUncheck;
    host::Consiste::InsereImagem(dbgPadrao, rect, picture->Picture(), kCorFundoCheck);
}

void TfrmRecContBaixaPag::cdsBaixaPagAfterOpen(platform::TDataSet* /*dataSet*/) {
    if (baixasMarcadas_) baixasMarcadas_->Clear();
    Bot_Confirma();
}

void TfrmRecContBaixaPag::cdsBaixaPagAfterClose(platform::TDataSet* /*dataSet*/) {
    if (baixasMarcadas_) baixasMarcadas_->Clear();
    Bot_Confirma();
}

void TfrmRecContBaixaPag::cdsBaixaPagAfterPost(platform::TDataSet* /*dataSet*/) {
    // With the list closed or empty there is no row, and no key.
    std::string key = ChaveBaixa();
    if (key.empty() || !baixasMarcadas_) return;
    if (cdsBaixaPagIDMARCADO->AsString() == kMarcada)
        baixasMarcadas_->Add(key, 0);
    else
        baixasMarcadas_->Remove(key);
    Bot_Confirma();
}

void TfrmRecContBaixaPag::Bot_Confirma() {
    mnuConfirmar->SetEnabled(baixasMarcadas_ && baixasMarcadas_->Count() > 0);
    sbtConfirmar->SetEnabled(mnuConfirmar->Enabled());
    mnuSimular->SetEnabled(mnuConfirmar->Enabled());
    sbtSimular->SetEnabled(mnuConfirmar->Enabled());
}

} // namespace recalculation
