// Views of containers: plain windows, panels, group boxes, radio groups, page controls, tab sheets.
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionFocusRect>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

#include "desktop/qtconvert.h"
#include "desktop/renderer.h"
#include "desktop/views.h"
#include "platform/comctrls.h"
#include "platform/stdctrls.h"

namespace desktop {

namespace {

/// A panel's frame, painting its caption as the platform aligns it.
class TPanelWidget : public QFrame {
public:
    using QFrame::QFrame;
    QString caption;
    Qt::Alignment alignment = Qt::AlignCenter;

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        if (caption.isEmpty()) return;
        QPainter painter(this);
        painter.drawText(contentsRect().adjusted(2, 0, -2, 0),
                         static_cast<int>(alignment | Qt::AlignVCenter), caption);
    }
};

/// A tab sheet's page: tells its view when Qt gives it a size or shows it.
class TSheetPage : public QWidget {
public:
    TSheetPage(TTabSheetView& view, QWidget* parent) : QWidget(parent), view_(view) {
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        view_.FitLater();
    }
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        view_.FitLater();
    }

private:
    TTabSheetView& view_;
};

/// A radio group's box: while it has the focus, a focus rectangle marks its checked item (the
/// first item when none is checked), as the items themselves never take the focus.
class TRadioGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override {
        QGroupBox::paintEvent(event);
        if (!hasFocus()) return;
        const QList<QRadioButton*> items = findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
        if (items.isEmpty()) return;
        QRadioButton* marked = items.front();
        for (QRadioButton* item : items)
            if (item->isChecked()) marked = item;
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = marked->geometry().adjusted(-1, -1, 1, 1);
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    void focusInEvent(QFocusEvent* event) override {
        QGroupBox::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QGroupBox::focusOutEvent(event);
        update();
    }
};

/// Turns presses on tab heads into the platform's page selection (the platform decides).
class TTabBarFilter : public QObject {
public:
    TTabBarFilter(QTabBar& bar, TPageControlView& view) : QObject(&bar), bar_(bar), view_(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) return true;
        if (event->type() != QEvent::MouseButtonPress) return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return true;
        int index = bar_.tabAt(mouse->position().toPoint());
        auto* pages = dynamic_cast<platform::TPageControl*>(&view_.Control());
        QWidget* page = view_.Tabs()->widget(index);
        TControlView* sheetView = page ? view_.Renderer().ViewAt(page) : nullptr;
        if (pages && sheetView) {
            auto* sheet = dynamic_cast<platform::TTabSheet*>(&sheetView->Control());
            if (sheet) TRenderer::Run([sheet] { sheet->UserClick(); });
        }
        view_.RefreshTabs();
        return true;
    }

private:
    QTabBar& bar_;
    TPageControlView& view_;
};

Qt::Alignment ToQtAlignment(platform::TAlignment alignment) {
    switch (alignment) {
    case platform::TAlignment::taRightJustify: return Qt::AlignRight;
    case platform::TAlignment::taCenter: return Qt::AlignHCenter;
    case platform::TAlignment::taLeftJustify: break;
    }
    return Qt::AlignLeft;
}

} // namespace

// ---- Plain containers ----

QWidget* TContainerView::CreateWidget(QWidget* host) {
    auto* widget = new QWidget(host);
    widget->setFocusPolicy(Qt::NoFocus);
    return widget;
}

QWidget* TBlankView::CreateWidget(QWidget* host) {
    auto* widget = new QWidget(host);
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    return widget;
}

// ---- Panels ----

QWidget* TPanelView::CreateWidget(QWidget* host) {
    auto* frame = new TPanelWidget(host);
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

void TPanelView::SyncAll() {
    auto& panel = static_cast<platform::TPanel&>(Control());
    auto* frame = static_cast<TPanelWidget*>(Widget());
    switch (panel.BevelOuter()) {
    case platform::TBevelCut::bvRaised: frame->setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    case platform::TBevelCut::bvLowered:
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    case platform::TBevelCut::bvNone: frame->setFrameStyle(QFrame::NoFrame); break;
    }
    frame->setLineWidth(1);
    frame->alignment = ToQtAlignment(panel.Alignment());
    TControlView::SyncAll();
}

void TPanelView::SyncText() {
    auto* frame = static_cast<TPanelWidget*>(Widget());
    frame->caption = DisplayText(Control().Caption(), Control().Font());
    frame->update();
}

// ---- Group boxes ----

QWidget* TGroupBoxView::CreateWidget(QWidget* host) {
    auto* box = new QGroupBox(host);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

void TGroupBoxView::SyncText() {
    static_cast<QGroupBox*>(Widget())->setTitle(ToQString(Control().Caption()));
}

// ---- Radio groups ----

QWidget* TRadioGroupView::CreateWidget(QWidget* host) {
    box_ = new TRadioGroupBox(host);
    box_->setFocusPolicy(Qt::ClickFocus);
    return box_;
}

void TRadioGroupView::SyncAll() {
    TControlView::SyncAll();
    BuildItems();
}

void TRadioGroupView::SyncText() {
    box_->setTitle(ToQString(Control().Caption()));
}

void TRadioGroupView::SyncBounds() {
    TControlView::SyncBounds();
    PlaceItems();
}

void TRadioGroupView::Changed(platform::TChange change) {
    if (!Widget()) return;
    ++syncing_;
    if (change == platform::TChange::Items) BuildItems();
    if (change == platform::TChange::ItemIndex) SyncChecks();
    --syncing_;
    TControlView::Changed(change);
}

QRadioButton* TRadioGroupView::ItemButton(int index) const {
    if (index < 0 || index >= static_cast<int>(buttons_.size())) return nullptr;
    return buttons_[static_cast<std::size_t>(index)];
}

void TRadioGroupView::BuildItems() {
    for (QRadioButton* button : buttons_) delete button;
    buttons_.clear();
    auto& group = static_cast<platform::TRadioGroup&>(Control());
    for (std::size_t i = 0; i < group.Items().size(); ++i) {
        auto* button = new QRadioButton(ToQString(group.Items()[i]), box_);
        button->setAutoExclusive(false);
        button->setFocusPolicy(Qt::NoFocus);
        int index = static_cast<int>(i);
        QObject::connect(button, &QAbstractButton::clicked, &context_, [this, &group, index] {
            Run([&group, index] { group.ClickItem(index); });
            if (!Attached()) return;
            ++syncing_;
            SyncChecks();
            --syncing_;
        });
        button->show();
        buttons_.push_back(button);
    }
    PlaceItems();
    SyncChecks();
}

void TRadioGroupView::PlaceItems() {
    if (buttons_.empty()) return;
    auto& group = static_cast<platform::TRadioGroup&>(Control());
    const int columns = std::max(1, group.Columns());
    const int count = static_cast<int>(buttons_.size());
    const int rows = (count + columns - 1) / columns;
    const int top = 16;
    const int width = std::max(1, (box_->width() - 16) / columns);
    const int rowHeight = std::max(1, (box_->height() - top - 4) / rows);
    for (int i = 0; i < count; ++i) {
        int column = i / rows;
        int row = i % rows;
        buttons_[static_cast<std::size_t>(i)]->setGeometry(
            8 + column * width, top + row * rowHeight, width, std::min(rowHeight, 20));
    }
}

void TRadioGroupView::SyncChecks() {
    auto& group = static_cast<platform::TRadioGroup&>(Control());
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setChecked(static_cast<int>(i) == group.ItemIndex());
    box_->update(); // the focus rectangle follows the checked item
}

// ---- Page controls and tab sheets ----

QWidget* TPageControlView::CreateWidget(QWidget* host) {
    tabs_ = new QTabWidget(host);
    tabs_->setFocusPolicy(Qt::ClickFocus);
    tabs_->tabBar()->setFocusPolicy(Qt::NoFocus);
    tabFilter_ = new TTabBarFilter(*tabs_->tabBar(), *this);
    tabs_->tabBar()->installEventFilter(tabFilter_);
    return tabs_;
}

TPageControlView::~TPageControlView() {
    delete tabFilter_.data();
}

void TPageControlView::SyncAll() {
    TControlView::SyncAll();
}

void TPageControlView::Changed(platform::TChange change) {
    if (change == platform::TChange::ActivePage) RefreshTabs();
    TControlView::Changed(change);
}

void TPageControlView::AdoptChild(TControlView&) {
    RefreshTabs();
}

void TPageControlView::ReleaseChild(TControlView& child) {
    int index = tabs_->indexOf(child.Widget());
    if (index >= 0) tabs_->removeTab(index);
}

void TPageControlView::RefreshTabs() {
    if (!tabs_) return;
    ++syncing_;
    auto& pages = static_cast<platform::TPageControl&>(Control());
    QWidget* active = nullptr;
    int position = 0;
    for (platform::TTabSheet* sheet : pages.Pages()) {
        QWidget* page = Renderer().WidgetOf(sheet);
        if (!page) continue;
        int at = tabs_->indexOf(page);
        QString caption = ToQString(sheet->Caption());
        if (at < 0) {
            tabs_->insertTab(position, page, caption);
        } else {
            if (at != position) {
                tabs_->removeTab(at);
                tabs_->insertTab(position, page, caption);
            }
            tabs_->setTabText(position, caption);
        }
        tabs_->setTabVisible(position, sheet->TabVisible());
        if (sheet == pages.ActivePage()) active = page;
        ++position;
    }
    if (active) tabs_->setCurrentWidget(active);
    --syncing_;
}

QWidget* TTabSheetView::CreateWidget(QWidget* host) {
    return new TSheetPage(*this, host);
}

void TTabSheetView::FitLater() {
    if (fitPending_) return;
    fitPending_ = true;
    // Later: Qt's resize may come from inside the platform's own layout pass.
    QTimer::singleShot(0, &context_, [this] {
        fitPending_ = false;
        if (!Attached() || !widget_ || !widget_->isVisible()) return;
        platform::TControl* sheet = &Control();
        const QSize page = widget_->size();
        if (page.width() == sheet->Width() && page.height() == sheet->Height()) return;
        Run([sheet, page] {
            sheet->SetBounds(sheet->Left(), sheet->Top(), page.width(), page.height());
        });
    });
}

void TTabSheetView::Changed(platform::TChange change) {
    TControlView::Changed(change);
    if (change == platform::TChange::Bounds) FitLater();
    if (change == platform::TChange::Caption || change == platform::TChange::Visible)
        if (auto* pages = dynamic_cast<TPageControlView*>(ParentView())) pages->RefreshTabs();
}

} // namespace desktop
