// The calendar that drops down from a date edit: its month bar, then the edit's weekday names
// shortened.
#include "desktop/calendarpopup.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/qtconvert.h"

namespace desktop {

QString ShortDayName(const std::string& name) {
    return ToQString(name).left(3);
}

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
    calendar_->setNavigationBarVisible(false);
    if (shown.isValid()) calendar_->setSelectedDate(shown);

    // The month bar on top: previous month, the month shown, next month.
    auto* bar = new QWidget(this);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    auto* prior = new QToolButton(bar);
    prior->setArrowType(Qt::LeftArrow);
    prior->setToolTip(QStringLiteral("Mês anterior"));
    auto* next = new QToolButton(bar);
    next->setArrowType(Qt::RightArrow);
    next->setToolTip(QStringLiteral("Próximo mês"));
    auto* month = new QLabel(bar);
    month->setAlignment(Qt::AlignCenter);
    QFont monthFont = month->font();
    monthFont.setBold(true);
    month->setFont(monthFont);
    barLayout->addWidget(prior);
    barLayout->addWidget(month, 1);
    barLayout->addWidget(next);
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    auto showMonth = [this, month, brazil] {
        const QDate first(calendar_->yearShown(), calendar_->monthShown(), 1);
        QString text = brazil.toString(first, QStringLiteral("MMMM 'de' yyyy"));
        if (!text.isEmpty()) text[0] = text[0].toUpper();
        month->setText(text);
    };
    connect(prior, &QToolButton::clicked, calendar_, &QCalendarWidget::showPreviousMonth);
    connect(next, &QToolButton::clicked, calendar_, &QCalendarWidget::showNextMonth);
    connect(calendar_, &QCalendarWidget::currentPageChanged, this, showMonth);
    showMonth();
    layout->addWidget(bar);

    // The weekday heads, as wide as the calendar's columns.
    auto* heads = new QWidget(this);
    auto* headLayout = new QGridLayout(heads);
    headLayout->setContentsMargins(0, 2, 0, 2);
    headLayout->setHorizontalSpacing(0);
    for (int day = 0; day < 7; ++day) {
        auto* head = new QLabel(ShortDayName(weekDays[static_cast<std::size_t>(day)]), heads);
        head->setAlignment(Qt::AlignCenter);
        QFont font = head->font();
        font.setBold(true);
        font.setPixelSize(10);
        head->setFont(font);
        head->setMinimumWidth(28);
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
