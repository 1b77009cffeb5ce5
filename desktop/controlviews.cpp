// The widgets that mirror platform controls: the common part of every view and the factory.
#include "desktop/controlviews.h"

#include <algorithm>

#include "desktop/qtconvert.h"
#include "desktop/renderer.h"
#include "desktop/views.h"
#include "host/dateeditplus.h"
#include "platform/comctrls.h"
#include "platform/dbctrls.h"
#include "platform/stdctrls.h"

namespace desktop {

TControlView::TControlView(TRenderer& renderer, platform::TControl& control)
    : renderer_(renderer), control_(&control) {}

TControlView::~TControlView() {
    Detach();
    children_.clear();
    if (widget_) {
        widget_->hide();
        widget_->deleteLater();
    }
}

void TControlView::Run(const std::function<void()>& action) const {
    TRenderer::Run(action);
}

void TControlView::Build(TControlView* parent, QWidget* host) {
    parent_ = parent;
    widget_ = CreateWidget(host);
    renderer_.Register(*this);
    observer_ = control_->AddObserver(
        [this](platform::TControl*, platform::TChange change) { Changed(change); });
    ++syncing_;
    SyncAll();
    --syncing_;
    SyncChildren();
}

void TControlView::Detach() {
    for (auto& child : children_) child->Detach();
    if (observer_ != 0) {
        control_->RemoveObserver(observer_);
        observer_ = 0;
    }
    renderer_.Unregister(*this);
}

void TControlView::SyncAll() {
    SyncBounds();
    SyncFont();
    SyncColor();
    SyncText();
    SyncHint();
    SyncEnabled();
    SyncVisible();
}

void TControlView::Changed(platform::TChange change) {
    if (!widget_) return;
    ++syncing_;
    switch (change) {
    case platform::TChange::Bounds: SyncBounds(); break;
    case platform::TChange::Visible: SyncVisible(); break;
    case platform::TChange::Enabled: SyncEnabled(); break;
    case platform::TChange::Caption: SyncText(); break;
    case platform::TChange::Color: SyncColor(); break;
    case platform::TChange::Font:
        SyncFont();
        SyncText();
        break;
    case platform::TChange::Hint: SyncHint(); break;
    case platform::TChange::Children:
        --syncing_;
        SyncChildren();
        return;
    case platform::TChange::Repaint: widget_->repaint(); break;
    default: break;
    }
    --syncing_;
}

void TControlView::SyncBounds() {
    widget_->setGeometry(control_->Left(), control_->Top(), control_->Width(), control_->Height());
}

void TControlView::SyncVisible() {
    widget_->setVisible(control_->Visible());
}

void TControlView::SyncEnabled() {
    widget_->setEnabled(control_->Enabled());
}

void TControlView::SyncColor() {
    QColor color = ToQColor(control_->Color());
    if (!color.isValid()) return;
    QPalette palette = widget_->palette();
    palette.setColor(QPalette::Window, color);
    widget_->setPalette(palette);
    // Only a colour of its own is painted: one like its parent's lets the parent's style show.
    widget_->setAutoFillBackground(!parent_ || parent_->Control().Color() != control_->Color());
}

void TControlView::SyncFont() {
    const platform::TFont& font = control_->Font();
    widget_->setFont(ToQFont(font));
    QColor color = ToQColor(font.Color);
    if (!color.isValid()) return;
    QPalette palette = widget_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, color);
        palette.setColor(group, QPalette::ButtonText, color);
        palette.setColor(group, QPalette::Text, color);
    }
    widget_->setPalette(palette);
}

void TControlView::SyncHint() {
    widget_->setToolTip(ToQString(control_->Hint()));
}

void TControlView::AdoptChild(TControlView&) {}

void TControlView::SyncChildren() {
    auto* win = dynamic_cast<platform::TWinControl*>(control_);
    std::vector<platform::TControl*> wanted;
    if (win && observer_ != 0) wanted = win->Controls();
    // Views of controls that left (or are going away) are dropped first.
    for (auto it = children_.begin(); it != children_.end();) {
        if (std::find(wanted.begin(), wanted.end(), &(*it)->Control()) == wanted.end()) {
            (*it)->Detach();
            ReleaseChild(**it);
            // Destroyed later: its own event handler may be what removed the control.
            renderer_.Bury(std::move(*it));
            it = children_.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<std::unique_ptr<TControlView>> ordered;
    for (platform::TControl* control : wanted) {
        auto found = std::find_if(children_.begin(), children_.end(), [control](const auto& view) {
            return &view->Control() == control;
        });
        if (found != children_.end()) {
            ordered.push_back(std::move(*found));
            children_.erase(found);
            continue;
        }
        std::unique_ptr<TControlView> view = CreateControlView(renderer_, *control);
        view->Build(this, ChildHost());
        AdoptChild(*view);
        ordered.push_back(std::move(view));
    }
    children_ = std::move(ordered);
}

std::unique_ptr<TControlView> CreateControlView(TRenderer& renderer, platform::TControl& control) {
    using namespace platform;
    if (dynamic_cast<TDBGrid*>(&control))
        return std::make_unique<TGridControlView>(renderer, control);
    if (dynamic_cast<host::TDateEditPlus*>(&control))
        return std::make_unique<TDateEditView>(renderer, control);
    if (dynamic_cast<TCustomEdit*>(&control)) return std::make_unique<TEditView>(renderer, control);
    if (dynamic_cast<TButtonControl*>(&control))
        return std::make_unique<TButtonView>(renderer, control);
    if (dynamic_cast<TRadioGroup*>(&control))
        return std::make_unique<TRadioGroupView>(renderer, control);
    if (dynamic_cast<TGroupBox*>(&control))
        return std::make_unique<TGroupBoxView>(renderer, control);
    if (dynamic_cast<TPanel*>(&control)) return std::make_unique<TPanelView>(renderer, control);
    if (dynamic_cast<TTabSheet*>(&control))
        return std::make_unique<TTabSheetView>(renderer, control);
    if (dynamic_cast<TPageControl*>(&control))
        return std::make_unique<TPageControlView>(renderer, control);
    if (dynamic_cast<TProgressBar*>(&control))
        return std::make_unique<TProgressView>(renderer, control);
    if (dynamic_cast<TSpeedButton*>(&control))
        return std::make_unique<TSpeedButtonView>(renderer, control);
    if (dynamic_cast<TImage*>(&control)) return std::make_unique<TImageView>(renderer, control);
    if (dynamic_cast<TDBText*>(&control)) return std::make_unique<TDBTextView>(renderer, control);
    if (dynamic_cast<TLabel*>(&control)) return std::make_unique<TLabelView>(renderer, control);
    if (dynamic_cast<TWinControl*>(&control))
        return std::make_unique<TContainerView>(renderer, control);
    return std::make_unique<TBlankView>(renderer, control);
}

} // namespace desktop
