// TDateEditPlus: date mask, validity check, day values and the colour of a valid date.
#include "host/dateeditplus.h"

#include <cmath>
#include <optional>

#include "host/consiste.h"
#include "platform/datetime.h"
#include "platform/formats.h"

namespace host {

namespace {

// The day of a text, or nullopt when it is not a valid date.
std::optional<platform::TDateTime> ParseDay(const std::string& text) {
    try {
        return std::floor(platform::StrToDate(platform::Trim(text)));
    } catch (const platform::EConvertError&) { return std::nullopt; }
}

} // namespace

TDateEditPlus::TDateEditPlus(platform::TComponent* owner) : platform::TMaskEdit(owner) {
    SetEditMask("!99/99/9999;1; ");
    UpdateColor();
}

bool TDateEditPlus::HasValidDate() const {
    std::string text = Text();
    return !Consiste::EmptyString(text) && ParseDay(text).has_value();
}

void TDateEditPlus::CheckValidDate() const {
    std::string text = Text();
    if (Consiste::EmptyString(text)) return;
    if (!ParseDay(text)) throw platform::EConvertError("'" + text + "' não é uma data válida.");
}

platform::TDateTime TDateEditPlus::GetDate() const {
    std::string text = Text();
    if (Consiste::EmptyString(text)) return 0;
    std::optional<platform::TDateTime> day = ParseDay(text);
    if (!day) throw platform::EConvertError("'" + text + "' não é uma data válida.");
    return *day;
}

void TDateEditPlus::SetDate(platform::TDateTime date) {
    if (date <= 0) {
        SetText("");
        return;
    }
    SetText(platform::DateToStr(std::floor(date)));
}

std::string TDateEditPlus::DayName() const {
    if (!HasValidDate()) return {};
    return weekDays_[static_cast<std::size_t>(platform::DayOfWeek(GetDate()) - 1)];
}

void TDateEditPlus::SetValidColor(platform::TColor color) {
    validColor_ = color;
    UpdateColor();
}

void TDateEditPlus::UpdateColor() {
    platform::TFont font = Font();
    font.Color = HasValidDate() ? validColor_ : platform::clWindowText;
    if (!(font == Font())) SetFont(font);
}

void TDateEditPlus::Change() {
    UpdateColor();
    platform::TMaskEdit::Change();
}

} // namespace host
