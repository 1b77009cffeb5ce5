// The application object: forms, activation, cursor, window locking, key routing and the
// exception boundary through which every outside entry passes.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/forms.h"
#include "platform/services.h"

namespace platform {

class TRecordingServices;

/// One per process (Application()). Invariants: Forms() lists every live form in creation
/// order; ActiveForm() is nullptr or a visible form; ActiveMDIChild() is nullptr or a visible
/// MDI child; at most one window is locked at a time.
class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    /// The host's Services; a built-in recording implementation until a host sets its own.
    platform::Services& Services() const { return *services_; }
    /// Sets the host's Services (not owned; must outlive its use). nullptr restores the
    /// built-in recording one.
    void SetServices(platform::Services* services);

    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    /// The mouse cursor (crDefault, crHourGlass...); each change is reported to Services.
    int Cursor() const { return cursor_; }
    void SetCursor(int cursor);

    // The exception boundary.
    /// Shows the exception in flight once through Services.ShowError, or drops it silently when
    /// it is the silent abort. Call only from inside a catch block.
    void HandleException();
    void HandleException(std::exception_ptr error);
    /// Runs an action from the outside (a person's action, a host call) inside the boundary.
    /// Returns true when it ended normally. Forms released meanwhile are deleted when the
    /// outermost Run ends.
    bool Run(const std::function<void()>& action);
    /// Depth of nested Run calls in progress.
    int RunDepth() const { return runDepth_; }

    // Forms.
    const std::vector<TForm*>& Forms() const { return forms_; }
    /// The form that gets the keyboard: the innermost modal dialog, else the last form
    /// activated that is still visible.
    TForm* ActiveForm() const { return activeForm_; }
    TForm* ActiveMDIChild() const { return activeMDIChild_; }
    /// The visible MDI children, most recently active first.
    std::vector<TForm*> MDIChildren() const;
    /// A live form by component name, ignoring case; nullptr when none.
    TForm* FindForm(std::string_view name) const;
    /// Number of modal loops running.
    int ModalLevel() const { return modalLevel_; }

    /// A key pressed by a person: goes to the active form (see TForm::PressKey). False when no
    /// form is active.
    bool PressKey(Word key, TShiftState shift, TKeyChar ch = 0);

    // Window locking, as the platform's LockWindowUpdate: one window at a time; 0 unlocks.
    /// Returns false (and changes nothing) when another window is locked already.
    bool LockWindowUpdate(THandle handle);
    THandle LockedWindow() const { return lockedWindow_; }

    /// Deletes the forms released since the last call (their OnDestroy runs first).
    void ProcessMessages();
    /// Deletes every form (OnDestroy first, newest first). Hosts call it before unloading the
    /// modules whose code the forms run.
    void DestroyForms();

private:
    friend class TForm;
    void RegisterForm(TForm* form);
    void UnregisterForm(TForm* form);
    void FormShown(TForm* form);
    void FormHidden(TForm* form);
    void ActivateForm(TForm* form);
    void FormReleased(TForm* form);
    void EnterModal(TForm* form);
    void LeaveModal(TForm* form);
    /// The visible form that should be active after `leaving` went away.
    TForm* NextActiveForm(TForm* leaving) const;

    std::unique_ptr<TRecordingServices> builtInServices_;
    platform::Services* services_ = nullptr;
    TForm* mainForm_ = nullptr;
    std::string title_;
    int cursor_ = 0;
    int runDepth_ = 0;
    std::vector<TForm*> forms_;
    std::vector<TForm*> zOrder_; // visible forms, most recently activated last
    std::vector<TForm*> modalStack_;
    std::vector<TForm*> released_;
    TForm* activeForm_ = nullptr;
    TForm* activeMDIChild_ = nullptr;
    int modalLevel_ = 0;
    THandle lockedWindow_ = 0;
};

/// The process's application object.
TApplication& Application();

/// The platform's LockWindowUpdate: Application().LockWindowUpdate(handle).
bool LockWindowUpdate(THandle handle);

} // namespace platform
