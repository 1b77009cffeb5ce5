// TNumberEdit: parsing, formatting and the key filter of amount edits.
#include "host/numberedit.h"

#include "host/consiste.h"
#include "platform/formats.h"

namespace host {

TNumberEdit::TNumberEdit(platform::TComponent* owner) : platform::TEdit(owner) {}

void TNumberEdit::SetDecimals(int decimals) {
    decimals_ = decimals < 0 ? 0 : decimals;
}

std::string TNumberEdit::EffectiveFormat() const {
    if (!displayFormat_.empty()) return displayFormat_;
    return decimals_ == 0 ? "#,##0"
                          : "#,##0." + std::string(static_cast<std::size_t>(decimals_), '0');
}

double TNumberEdit::GetNumber() const {
    std::string text = Text();
    if (Consiste::EmptyString(text)) return 0;
    const char thousands = platform::FormatSettings().ThousandSeparator;
    std::string plain;
    for (char c : text)
        if (c != thousands) plain += c;
    try {
        return platform::StrToFloat(plain);
    } catch (const platform::EConvertError&) {
        throw platform::EConvertError("'" + platform::Trim(text) +
                                      "' não é um valor numérico válido");
    }
}

void TNumberEdit::SetNumber(double value) {
    SetText(platform::FormatFloat(EffectiveFormat(), value));
}

void TNumberEdit::HandleKeyPress(platform::TKeyChar key) {
    const auto& fs = platform::FormatSettings();
    bool accepted = key < 32 || (key >= '0' && key <= '9') ||
                    key == static_cast<unsigned char>(fs.DecimalSeparator) ||
                    key == static_cast<unsigned char>(fs.ThousandSeparator) || key == '-';
    if (accepted) platform::TEdit::HandleKeyPress(key);
}

void TNumberEdit::DoExit() {
    if (!Consiste::EmptyString(Text())) SetNumber(GetNumber());
    platform::TEdit::DoExit();
}

} // namespace host
