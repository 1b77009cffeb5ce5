// The calendar that drops down from a date edit, headed by the edit's weekday names.
#include "desktop/calendarpopup.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "desktop/qtconvert.h"

namespace desktop {

TCalendarPopup::TCalendarPopup(const std::array<std::string, 7>& weekDays, QDate shown,
                               std::function<void(QDate)> picked, QWidget* parent)
    : QFrame(parent, Qt::Popup), picked_(std::move(picked)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);

    calendar_ = new QCalendarWidget(this);
    calendar_->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    calendar_->setFirstDayOfWeek(Qt::Sunday);
    calendar_->setGridVisible(true);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar_->setHorizontalHeaderFormat(QCalendarWidget::NoHorizontalHeader);
    if (shown.isValid()) calendar_->setSelectedDate(shown);

    // The weekday heads, as wide as the calendar's columns.
    auto* heads = new QWidget(this);
    auto* headLayout = new QGridLayout(heads);
    headLayout->setContentsMargins(0, 2, 0, 2);
    headLayout->setHorizontalSpacing(0);
    for (int day = 0; day < 7; ++day) {
        auto* head = new QLabel(ToQString(weekDays[static_cast<std::size_t>(day)]), heads);
        head->setAlignment(Qt::AlignCenter);
        QFont font = head->font();
        font.setBold(true);
        font.setPixelSize(10);
        head->setFont(font);
        head->setMinimumWidth(52);
        headLayout->addWidget(head, 0, day);
        headLayout->setColumnStretch(day, 1);
    }
    layout->addWidget(heads);
    layout->addWidget(calendar_);

    connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate date) {
        auto handler = picked_;
        close();
        if (handler) handler(date);
    });
    connect(calendar_, &QCalendarWidget::activated, this, [this](QDate date) {
        auto handler = picked_;
        close();
        if (handler) handler(date);
    });
}

void TCalendarPopup::PopupUnder(QWidget& anchor) {
    adjustSize();
    move(anchor.mapToGlobal(QPoint(0, anchor.height())));
    show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

} // namespace desktop
