// The recalculation screen's display texts: status from the catalogue, agency and account through
// the bank's pictures, and the write-off summary under the grid.
#include "recalculation/cli_pag00900.h"

#include "host/consiste.h"
#include "platform/datetime.h"
#include "platform/editmask.h"
#include "platform/formats.h"

namespace recalculation {

namespace {

// A code laid into the row's picture; the stored code holds only the significant characters
// and unfilled positions show as blanks. A null code shows nothing.
std::string ThroughPicture(const platform::TField& code, const platform::TField& picture) {
    if (code.IsNull()) return std::string();
    return platform::FormatMaskText(picture.AsString() + ";0; ", code.AsString());
}

} // namespace

void TfrmRecContBaixaPag::cdsBaixaPagIDSTATUSBPAGGetText(platform::TField* sender,
                                                         std::string& text, bool /*displayText*/) {
    // "P", "C" and "E" are catalogue keys themselves.
    text = msgPadrao->Msg(sender->AsString());
}

void TfrmRecContBaixaPag::cdsBaixaPagCDAGENCIAGetText(platform::TField* sender, std::string& text,
                                                      bool /*displayText*/) {
    text = ThroughPicture(*sender, *cdsBaixaPagCDPICTAGEN);
}

void TfrmRecContBaixaPag::cdsBaixaPagCDCONTCORRGetText(platform::TField* sender, std::string& text,
                                                       bool /*displayText*/) {
    text = ThroughPicture(*sender, *cdsBaixaPagCDPICTCONT);
}

void TfrmRecContBaixaPag::cdsBaixaPagNRMOVBANCGetText(platform::TField* /*sender*/,
                                                      std::string& text, bool /*displayText*/) {
    // The bank-movement number itself is never shown: its text is the write-off's summary.
    if (host::Consiste::EmptyString(cdsBaixaPagNMTPBAIXAPAG->AsString())) {
        text.clear();
        return;
    }
    const std::string date = cdsBaixaPagDTBAIXAPAG->IsNull()
                                 ? std::string()
                                 : platform::DateToStr(cdsBaixaPagDTBAIXAPAG->AsDateTime());
    const std::string amount =
        cdsBaixaPagVRBAIXAPAG->IsNull()
            ? std::string()
            : platform::FormatFloat("#,##0.00", cdsBaixaPagVRBAIXAPAG->AsFloat());
    text = date + " - " + cdsBaixaPagNMTPBAIXAPAG->AsString() + " - " +
           cdsBaixaPagDSCONTCORR->AsString() + " - " + amount;
}

} // namespace recalculation
