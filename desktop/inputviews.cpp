// Views of input controls: edits (masked, number and date edits), push buttons, check boxes
// and radio buttons.
#include <QAction>
#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "desktop/calendarpopup.h"
#include "desktop/qtconvert.h"
#include "desktop/renderer.h"
#include "desktop/views.h"
#include "host/dateeditplus.h"
#include "host/numberedit.h"
#include "platform/datetime.h"
#include "platform/stdctrls.h"

namespace desktop {

namespace {

/// A line edit that leaves all editing to the platform: no context menu of its own, no drops.
class TPlatformLineEdit : public QLineEdit {
public:
    explicit TPlatformLineEdit(QWidget* parent) : QLineEdit(parent) {
        setContextMenuPolicy(Qt::NoContextMenu);
        setAcceptDrops(false);
        setDragEnabled(false);
        setFocusPolicy(Qt::ClickFocus);
    }
};

QIcon CalendarIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(64, 64, 64));
    painter.setBrush(Qt::white);
    painter.drawRect(1, 2, 13, 12);
    painter.fillRect(2, 3, 12, 3, QColor(0, 0, 128));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            painter.fillRect(3 + column * 3, 7 + row * 2, 2, 1, QColor(64, 64, 64));
    return QIcon(pixmap);
}

} // namespace

// ---- Edits ----

QWidget* TEditView::CreateWidget(QWidget* host) {
    edit_ = new TPlatformLineEdit(host);
    if (dynamic_cast<host::TNumberEdit*>(&Control()))
        edit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(edit_, &QLineEdit::cursorPositionChanged, &context_, [this](int, int) {
        if (syncing_ > 0) return;
        auto& edit = static_cast<platform::TCustomEdit&>(Control());
        int start = edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
        int length = edit_->hasSelectedText() ? static_cast<int>(edit_->selectedText().size()) : 0;
        ++syncing_;
        Run([&edit, start, length] {
            edit.SetSelStart(start);
            if (length > 0) edit.SetSelLength(length);
        });
        --syncing_;
    });
    QObject::connect(edit_, &QLineEdit::selectionChanged, &context_, [this] {
        if (syncing_ > 0 || !edit_->hasSelectedText()) return;
        auto& edit = static_cast<platform::TCustomEdit&>(Control());
        int start = edit_->selectionStart();
        int length = static_cast<int>(edit_->selectedText().size());
        ++syncing_;
        Run([&edit, start, length] {
            edit.SetSelStart(start);
            edit.SetSelLength(length);
        });
        --syncing_;
    });
    // Editing belongs to the platform: anything Qt edited on its own is put back.
    QObject::connect(edit_, &QLineEdit::textEdited, &context_, [this](const QString&) {
        ++syncing_;
        SyncText();
        --syncing_;
    });
    return edit_;
}

void TEditView::SyncAll() {
    TControlView::SyncAll();
    SyncReadOnly();
}

void TEditView::Changed(platform::TChange change) {
    if (!Widget()) return;
    ++syncing_;
    if (change == platform::TChange::Selection) SyncSelection();
    if (change == platform::TChange::ReadOnly) SyncReadOnly();
    --syncing_;
    TControlView::Changed(change);
}

void TEditView::SyncText() {
    auto& edit = static_cast<platform::TCustomEdit&>(Control());
    auto* masked = dynamic_cast<platform::TMaskEdit*>(&edit);
    QString shown = ToQString(masked ? masked->EditText() : edit.Text());
    if (edit_->text() != shown) edit_->setText(shown);
    SyncSelection();
}

void TEditView::SyncSelection() {
    auto& edit = static_cast<platform::TCustomEdit&>(Control());
    if (edit.SelLength() > 0)
        edit_->setSelection(edit.SelStart(), edit.SelLength());
    else
        edit_->setCursorPosition(edit.SelStart());
}

void TEditView::SyncReadOnly() {
    edit_->setReadOnly(static_cast<platform::TCustomEdit&>(Control()).ReadOnly());
}

void TEditView::SyncColor() {
    QColor color = ToQColor(Control().Color());
    if (!color.isValid()) return;
    QPalette palette = edit_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, color);
    edit_->setPalette(palette);
}

void TEditView::SyncFont() {
    TControlView::SyncFont();
    SyncColor();
}

// ---- Date edits ----

QWidget* TDateEditView::CreateWidget(QWidget* host) {
    QWidget* widget = TEditView::CreateWidget(host);
    QAction* drop = edit_->addAction(CalendarIcon(), QLineEdit::TrailingPosition);
    drop->setToolTip(QStringLiteral("Calendário"));
    QObject::connect(drop, &QAction::triggered, &context_, [this] { OpenCalendar(); });
    return widget;
}

void TDateEditView::OpenCalendar() {
    auto& edit = static_cast<host::TDateEditPlus&>(Control());
    if (!edit.EnabledWithParents() || edit.ReadOnly()) return;
    // The calendar belongs to the edit: the focus moves there first, with its events.
    if (!edit.Focused()) {
        TRenderer::Run([&edit] { edit.SetFocus(); });
        if (!edit.Focused()) return;
    }
    QDate shown = QDate::currentDate();
    if (edit.HasValidDate()) {
        int year = 0, month = 0, day = 0;
        platform::DecodeDate(edit.GetDate(), year, month, day);
        shown = QDate(year, month, day);
    }
    auto* popup = new TCalendarPopup(edit.WeekDays(), shown, [this](QDate date) {
        if (!Attached()) return;
        auto& target = static_cast<host::TDateEditPlus&>(Control());
        TRenderer::Run([&target, date] {
            target.SetDate(platform::EncodeDate(date.year(), date.month(), date.day()));
            target.SetModified(true);
        });
    });
    popup->PopupUnder(*edit_);
}

void TDateEditView::SyncText() {
    TEditView::SyncText();
    SyncHint();
}

void TDateEditView::SyncHint() {
    auto& edit = static_cast<host::TDateEditPlus&>(Control());
    std::string tip = edit.Hint().empty() ? edit.DayName() : edit.Hint();
    edit_->setToolTip(ToQString(tip));
}

// ---- Buttons ----

QWidget* TButtonView::CreateWidget(QWidget* host) {
    platform::TControl& control = Control();
    if (dynamic_cast<platform::TCheckBox*>(&control)) {
        button_ = new QCheckBox(host);
    } else if (dynamic_cast<platform::TRadioButton*>(&control)) {
        auto* radio = new QRadioButton(host);
        radio->setAutoExclusive(false); // the platform unchecks the siblings
        button_ = radio;
    } else {
        auto* push = new QPushButton(host);
        push->setAutoDefault(false);
        button_ = push;
    }
    button_->setFocusPolicy(Qt::ClickFocus);
    QObject::connect(button_, &QAbstractButton::clicked, &context_, [this] {
        if (syncing_ > 0) return;
        platform::TControl& target = Control();
        // The press already moved the focus here; when a handler kept it elsewhere, no click.
        auto* win = dynamic_cast<platform::TWinControl*>(&target);
        if (win && !win->Focused()) {
            SyncChecked();
            return;
        }
        Run([&target] { target.UserClick(); });
        if (Attached()) SyncChecked();
    });
    return button_;
}

void TButtonView::SyncAll() {
    TControlView::SyncAll();
    SyncChecked();
}

void TButtonView::Changed(platform::TChange change) {
    if (!Widget()) return;
    if (change == platform::TChange::Checked) {
        ++syncing_;
        SyncChecked();
        --syncing_;
    }
    TControlView::Changed(change);
}

void TButtonView::SyncText() {
    button_->setText(ToQString(Control().Caption()));
}

void TButtonView::SyncChecked() {
    if (auto* check = dynamic_cast<platform::TCheckBox*>(&Control())) {
        button_->setCheckable(true);
        button_->setChecked(check->Checked());
    } else if (auto* radio = dynamic_cast<platform::TRadioButton*>(&Control())) {
        button_->setCheckable(true);
        button_->setChecked(radio->Checked());
    }
}

} // namespace desktop
