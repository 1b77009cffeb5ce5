// The calendar that drops down from a date edit: its month bar, then the edit's weekday names
// shortened.
#pragma once

#include <QDate>
#include <QFrame>

#include <array>
#include <functional>
#include <string>

class QCalendarWidget;

namespace desktop {

/// The head of a calendar column: the first three letters of a weekday name ("Dom", "Seg").
QString ShortDayName(const std::string& name);

/// A popup month calendar starting on Sunday, its month bar on top. Its column heads are the
/// names given (Sunday first) shortened, not the locale's; `picked` runs with the date a person
/// clicks or confirms with Enter.
class TCalendarPopup : public QFrame {
    Q_OBJECT
public:
    TCalendarPopup(const std::array<std::string, 7>& weekDays, QDate shown,
                   std::function<void(QDate)> picked, QWidget* parent = nullptr);

    QCalendarWidget& Calendar() const { return *calendar_; }
    /// Shows the popup under `anchor` (its bottom-left corner).
    void PopupUnder(QWidget& anchor);

private:
    QCalendarWidget* calendar_;
    std::function<void(QDate)> picked_;
};

} // namespace desktop
