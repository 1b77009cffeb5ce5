// The widgets that mirror platform controls, one view per control, kept in step by observing it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

#include "platform/notify.h"

namespace platform {
class TControl;
class TForm;
} // namespace platform

namespace desktop {

class TRenderer;

/// One control's widget. The view builds the widget, applies every property the control has,
/// and re-reads the part that changed whenever the control reports a change. Children views
/// follow the control's children. Person's input on the widget becomes the control's events
/// through the renderer (focus, keys) or the view itself (clicks).
/// Invariants: while attached, the view observes its control and the control is alive; the
/// children views mirror exactly the control's children (in order of parenting).
class TControlView {
public:
    TControlView(TRenderer& renderer, platform::TControl& control);
    virtual ~TControlView();
    TControlView(const TControlView&) = delete;
    TControlView& operator=(const TControlView&) = delete;

    platform::TControl& Control() const { return *control_; }
    QWidget* Widget() const { return widget_; }
    TControlView* ParentView() const { return parent_; }
    const std::vector<std::unique_ptr<TControlView>>& Children() const { return children_; }
    TRenderer& Renderer() const { return renderer_; }

    /// Creates the widget inside `host` (the parent view's child host), applies the control's
    /// properties and builds the children.
    void Build(TControlView* parent, QWidget* host);
    /// Stops observing this control and every control below it (they may be going away).
    void Detach();
    bool Attached() const { return observer_ != 0; }

    /// The widget into which children widgets are placed.
    virtual QWidget* ChildHost() const { return widget_; }
    /// Whether a mouse press on the widget should give the control the focus first.
    virtual bool TakesClickFocus() const { return false; }
    /// Hears a change of the control.
    virtual void Changed(platform::TChange change);

protected:
    virtual QWidget* CreateWidget(QWidget* host) = 0;
    /// Applies everything (after creation).
    virtual void SyncAll();
    virtual void SyncBounds();
    virtual void SyncVisible();
    virtual void SyncEnabled();
    virtual void SyncText() {}
    virtual void SyncColor();
    virtual void SyncFont();
    virtual void SyncHint();
    /// Places a child's new widget: by default it just lives in ChildHost().
    virtual void AdoptChild(TControlView& child);
    /// A child's widget goes away.
    virtual void ReleaseChild(TControlView& /*child*/) {}
    void SyncChildren();
    /// Runs a person's action inside the application's exception boundary.
    void Run(const std::function<void()>& action) const;

    TRenderer& renderer_;
    platform::TControl* control_;
    QPointer<QWidget> widget_;
    TControlView* parent_ = nullptr;
    std::vector<std::unique_ptr<TControlView>> children_;
    int observer_ = 0;
    int syncing_ = 0; // above 0 while the view writes to its widget (signals ignored)
    /// The context of the view's signal connections: they end with the view, before its widget
    /// (deleted later) can emit anything more.
    QObject context_;
};

/// The view that fits a control's class (forms are made by the renderer, not here).
std::unique_ptr<TControlView> CreateControlView(TRenderer& renderer, platform::TControl& control);

} // namespace desktop
