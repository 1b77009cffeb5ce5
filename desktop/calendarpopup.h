// The calendar that drops down from a date edit, headed by the edit's weekday names.
#pragma once

#include <QDate>
#include <QFrame>

#include <array>
#include <functional>
#include <string>

class QCalendarWidget;

namespace desktop {

/// A popup month calendar starting on Sunday. Its column heads are the names given (Sunday
/// first), not the locale's; `picked` runs with the date a person clicks or confirms with Enter.
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
