// CTB10200: opens the one accounting screen, reusing it while it is open.
#include "accounting/ctb10200.h"

#include <memory>

#include "accounting/frmlanccontabil.h"
#include "accounting/lancparams.h"
#include "accounting/lancview.h"
#include "platform/application.h"

namespace accounting {

namespace {

// The open screen. A screen clears it when it is freed (see TfrmUnica).
TfrmLancContabil* frmLancContabil = nullptr;

// The screen class as this unit creates it: it forgets itself when freed, however that happens.
class TfrmUnica : public TfrmLancContabil {
public:
    using TfrmLancContabil::TfrmLancContabil;
    ~TfrmUnica() override {
        if (frmLancContabil == this) frmLancContabil = nullptr;
    }
};

} // namespace

TfrmLancContabil* FrmLancContabil() {
    return frmLancContabil;
}

void AbreLancContabil(const platform::Variant& params) {
    const TLancParams lancParams = LeLancParams(params);
    platform::TApplication& application = platform::Application();
    if (frmLancContabil != nullptr && frmLancContabil->Released()) frmLancContabil = nullptr;
    if (frmLancContabil == nullptr) {
        // Built hidden first, so that a content that cannot be read leaves no screen behind.
        std::unique_ptr<TfrmUnica> form(new TfrmUnica(&application));
        const TLancView view = MontaLancView(lancParams, *form->qryLancCtb, *form->qryRateioCtb);
        form->Mostra(view);
        frmLancContabil = form.get();
        try {
            form->AfterConstruction(); // an MDI child is shown and activated here
        } catch (...) {
            frmLancContabil = nullptr;
            throw; // `form` frees the screen that could not be shown
        }
        static_cast<void>(form.release()); // from here on the application frees it
    } else {
        const TLancView view =
            MontaLancView(lancParams, *frmLancContabil->qryLancCtb, *frmLancContabil->qryRateioCtb);
        frmLancContabil->Mostra(view);
    }
    frmLancContabil->SetWindowState(platform::TWindowState::wsNormal);
    frmLancContabil->Show();
}

} // namespace accounting
