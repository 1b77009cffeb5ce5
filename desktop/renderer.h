// The generic renderer: platform forms become Qt windows, controls widgets, a person's input
// control events.
#pragma once

#include <QMdiArea>
#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/controls.h"
#include "platform/forms.h"

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace platform {
class TMainMenu;
}

namespace desktop {

class TControlView;
class TFormView;

/// Turns any platform form into a window: an MDI child into a sub-window of the MDI area (or a
/// top-level window when there is none), any other form into a dialog, modal while the form
/// is shown modally. Mirrors every control with a TControlView.
///
/// Input. Focus belongs to the platform: a mouse press on a focusable widget first asks the
/// form to move its focus there (running the exit and enter events); when a handler refuses,
/// the press is dropped and Qt's focus stays where the platform's is. Key presses on a form's
/// widgets go to the form (PressKey) exactly as the scripted host sends them, so shortcuts,
/// key filters, masks, Tab order and the grid's keys behave the same. Every entry from Qt
/// passes the application's exception boundary.
///
/// Invariants: a form has a window exactly while it is shown or hidden but alive; every view
/// is registered under its control and widget while it exists.
class TRenderer : public QObject {
    Q_OBJECT
public:
    /// `mdiArea` holds MDI children (nullptr: they become top-level windows); `dialogParent`
    /// is the window dialogs and boxes are centred on (may be nullptr).
    explicit TRenderer(QMdiArea* mdiArea = nullptr, QWidget* dialogParent = nullptr);
    ~TRenderer() override;

    // What the Services hear from the application object.
    void FormShown(platform::TForm& form);
    void FormHidden(platform::TForm& form);
    void FormActivated(platform::TForm& form);
    void FormDestroyed(platform::TForm& form);
    /// Locks a window against repainting (0 unlocks): its widgets stop painting until unlocked.
    void LockWindowUpdate(platform::THandle handle);
    /// Runs the modal loop of a form already shown: returns when its ModalResult is set, or
    /// when it goes away.
    platform::TModalResult RunModal(platform::TForm& form);

    // Lookups, for the views, the Services and tests.
    TControlView* ViewOf(const platform::TControl* control) const;
    QWidget* WidgetOf(const platform::TControl* control) const;
    /// The window of a form (a QMdiSubWindow or a top-level widget); nullptr when none.
    QWidget* WindowOf(const platform::TForm* form) const;
    /// The view whose widget is `widget` or its nearest ancestor; nullptr when none.
    TControlView* ViewAt(QWidget* widget) const;
    QWidget* DialogParent() const { return dialogParent_; }
    QMdiArea* MdiArea() const { return mdiArea_; }

    /// Runs a person's action inside the application's exception boundary.
    static bool Run(const std::function<void()>& action);
    /// Heard when the outermost action run by Run ends (the status bar drops an operation's text).
    static std::function<void()> OnActionEnded;

    /// Heard when the active MDI child changes (nullptr: none), for the main window's menus.
    std::function<void(platform::TForm* form)> OnActiveChildChanged;

    /// Moves Qt's focus to where the form's focus is (when the form is the active one).
    void ApplyFocus(platform::TForm& form);

    // Called by the views.
    void Register(TControlView& view);
    void Unregister(TControlView& view);
    /// A form's ModalResult changed: its modal loop may end.
    void ModalResultChanged(platform::TForm& form);
    /// Destroys a detached view once control returns to the event loop (its own Qt handler may
    /// be running).
    void Bury(std::unique_ptr<TControlView> view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleMousePress(TControlView& view, QEvent* event);
    bool HandleKey(TControlView& view, QKeyEvent* event);
    void ActiveSubWindowChanged(QMdiSubWindow* window);
    void EndModalLoops(platform::TForm& form);
    void ScheduleBurial();

    QPointer<QMdiArea> mdiArea_;
    QPointer<QWidget> dialogParent_;
    std::map<const platform::TForm*, std::unique_ptr<TFormView>> forms_;
    std::unordered_map<const platform::TControl*, TControlView*> byControl_;
    std::unordered_map<const QWidget*, TControlView*> byWidget_;
    std::multimap<const platform::TForm*, std::function<void()>> modalLoops_;
    std::vector<std::unique_ptr<TControlView>> buried_;
    platform::TForm* activeChild_ = nullptr;
    platform::THandle lockedWindow_ = 0;
    QPointer<QWidget> lockedWidget_;
    int applyingFocus_ = 0;
    int activating_ = 0;
};

} // namespace desktop
