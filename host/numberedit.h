// TNumberEdit: an edit for an amount with a fixed number of decimals and thousands separators.
#pragma once

#include <string>

#include "platform/stdctrls.h"

namespace host {

/// An amount edit. Its text is shown as DisplayFormat gives it (by default "#,##0.00": thousands
/// separators, Decimals decimals, no currency sign) after SetNumber and when the focus leaves
/// it. Typing accepts digits, the workstation's decimal and thousands separators, the minus
/// sign and editing keys; other characters are dropped. An empty (or blank) text reads as 0.
class TNumberEdit : public platform::TEdit {
public:
    explicit TNumberEdit(platform::TComponent* owner);

    /// The amount shown: thousands separators are ignored; an empty text gives 0; a text that
    /// is not a number raises platform::EConvertError.
    double GetNumber() const;
    /// Shows `value` in the display format.
    void SetNumber(double value);

    int Decimals() const { return decimals_; }
    void SetDecimals(int decimals);
    /// A FormatFloat pattern; empty means "#,##0." followed by Decimals zeros.
    const std::string& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(std::string format) { displayFormat_ = std::move(format); }
    /// The pattern actually used.
    std::string EffectiveFormat() const;

protected:
    void HandleKeyPress(platform::TKeyChar key) override;
    /// Leaving the edit shows a non-empty text in the display format; a text that is not a
    /// number raises (the focus stays).
    void DoExit() override;

private:
    int decimals_ = 2;
    std::string displayFormat_;
};

} // namespace host
