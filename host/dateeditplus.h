// TDateEditPlus: a masked edit for a date without time of day.
#pragma once

#include <array>
#include <string>

#include "platform/graphics.h"
#include "platform/stdctrls.h"
#include "platform/variant.h"

namespace host {

/// A date edit with the mask "!99/99/9999;1; " (the workstation's date separator): the text
/// of an empty edit is "  /  /    ", which Consiste::EmptyString counts as empty.
/// Dates are whole days: a time of day given to SetDate is dropped. While the text holds a
/// valid date the font takes ValidColor (blue by default); otherwise the normal text colour.
/// Leaving the edit checks nothing by itself (screens call CheckValidDate in their handlers).
class TDateEditPlus : public platform::TMaskEdit {
public:
    explicit TDateEditPlus(platform::TComponent* owner);

    /// Raises platform::EConvertError "'TEXT' não é uma data válida." when the text is neither
    /// empty nor a valid date; an empty edit passes.
    void CheckValidDate() const;
    /// The date shown; 0 for an empty edit. An invalid text raises as CheckValidDate.
    platform::TDateTime GetDate() const;
    /// Shows the date (its day only); 0 (or less) empties the edit.
    void SetDate(platform::TDateTime date);
    /// True when the text is a valid date.
    bool HasValidDate() const;

    /// Names of the weekdays, Sunday first, used by DayName.
    const std::array<std::string, 7>& WeekDays() const { return weekDays_; }
    void SetWeekDays(const std::array<std::string, 7>& names) { weekDays_ = names; }
    /// The weekday name of the date shown; empty when there is no valid date.
    std::string DayName() const;

    platform::TColor ValidColor() const { return validColor_; }
    void SetValidColor(platform::TColor color);

protected:
    void Change() override;

private:
    void UpdateColor();
    std::array<std::string, 7> weekDays_{"Domingo", "Segunda", "Terça", "Quarta",
                                         "Quinta",  "Sexta",   "Sábado"};
    platform::TColor validColor_ = platform::clBlue;
};

} // namespace host
