// Forms: top-level windows (MDI children, dialogs) that own the focus, route keys and close.
//
// Focus. A form remembers which of its controls holds the focus. Moving it from A to B runs
// OnExit for A and for each container of A that does not contain B (innermost first), then
// OnEnter for each container of B not yet entered and for B (outermost first). A handler that
// moves the focus itself wins: the outer move stops where it is. An exception raised by a
// handler cancels the move (the focus goes back to where it was, unless a handler had moved
// it already) and reaches the caller. While the form is hidden, focusing a control only
// remembers it; the events run when the form is shown and activated.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/controls.h"

namespace platform {

class TMainMenu;

enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter, poOwnerFormCenter };
enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

/// A top-level window. Create forms with CreateForm (below) so that OnCreate runs once the
/// whole object exists. Invariants: FocusedControl() is nullptr or a control inside this form;
/// a released form is hidden and is deleted by the application at the next ProcessMessages or
/// when the outermost Run ends, never while its own handlers may still be running.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;
    const char* ClassName() const override { return "TForm"; }

    /// Runs after the most derived constructor: OnCreate through the application's exception
    /// boundary (a failure is shown and the form is created all the same); an MDI child is then
    /// shown and activated.
    virtual void AfterConstruction();
    /// Runs OnDestroy once (through the exception boundary), before the form is deleted.
    virtual void BeforeDestruction();

    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style) { formStyle_ = style; }
    bool IsMDIChild() const { return formStyle_ == TFormStyle::fsMDIChild; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style) { borderStyle_ = style; }
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);
    /// The area inside the frame; setting it sizes the frame around it.
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    /// Children are laid out inside the frame, not over it.
    TRect ClientRect() const override { return Bounds(0, 0, ClientWidth(), ClientHeight()); }
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(std::string file) { helpFile_ = std::move(file); }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context) { helpContext_ = context; }
    /// When set, the form's OnKeyDown and OnKeyPress run before the focused control's.
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu) { menu_ = menu; }

    // Focus.
    /// The control that has the focus, or will get it when the form is activated.
    TWinControl* ActiveControl() const { return activeControl_; }
    /// Same as FocusControl.
    void SetActiveControl(TWinControl* control) { FocusControl(control); }
    /// The control in which the focus is now (during a move, a container being crossed);
    /// nullptr when no control has it.
    TWinControl* FocusedControl() const { return focused_; }
    /// Moves the focus to `control` (nullptr: to the form itself) with exit and enter events.
    /// Raises EInvalidOperation for a control of another form, or one that is hidden or
    /// disabled. Returns false when a handler moved the focus elsewhere meanwhile.
    bool FocusControl(TWinControl* control);
    /// Moves the focus to the next (or previous) control with TabStop in tab order.
    void SelectNext(TWinControl* current, bool forward);
    /// Focuses the first control with TabStop in tab order, if any.
    void SelectFirst();

    // Showing and closing.
    void SetVisible(bool visible) override;
    /// Makes the form visible and the active form (an MDI child also the active child).
    void Show();
    /// Shows the form as a modal dialog: the application's Services run the modal loop until
    /// ModalResult is set (Close sets mrCancel); then OnCloseQuery/OnClose run and the form is
    /// hidden. Returns the ModalResult.
    TModalResult ShowModal();
    bool IsModal() const { return modal_; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result);
    /// Closes the form: a modal form gets ModalResult mrCancel and its loop ends; otherwise
    /// OnCloseQuery may refuse, OnClose chooses the action (default caHide; caMinimize for an
    /// MDI child) and the action is carried out (caFree releases the form).
    void Close();
    /// Hides the form and has the application delete it later (see the class invariant).
    void Release();
    bool Released() const { return released_; }
    /// Makes the form the active form (and the active MDI child) as clicking on it would.
    void BringToFront();
    /// True while this is the application's active form.
    bool Active() const;

    /// Repaint requests: no pixels here, but observers hear them and they are counted.
    void Repaint();
    void Refresh() { Repaint(); }
    void Invalidate() { Repaint(); }
    int RepaintCount() const { return repaintCount_; }

    // Keyboard.
    /// Runs the menu item with this shortcut: popup menus of the focused control and of its
    /// containers (the form included), then the main menu. False when no enabled item has it.
    bool IsShortCut(TShortCut shortCut);
    /// A key pressed while this form is active: menu shortcuts first; otherwise the form's
    /// OnKeyDown when KeyPreview, the focused control's KeyDown, Tab moves the focus; then, when
    /// the key produces a character `ch` (0: none), that character is typed (PressChar's part).
    void PressKey(Word key, TShiftState shift, TKeyChar ch = 0);
    /// A person typing one character: the key that produces it goes down (as PressKey), then
    /// the character reaches the form (KeyPreview) and the focused control's KeyPress.
    void PressChar(TKeyChar ch);
    /// PressChar for each character of a UTF-8 text.
    void TypeText(std::string_view text);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    /// Runs OnCloseQuery; false when the form may not close.
    virtual bool CloseQuery();
    /// Runs OnClose with the default action and returns the action chosen.
    virtual TCloseAction DoClose(TCloseAction action);

private:
    friend class TApplication;
    friend class TWinControl;
    /// Activation as the application reports it: runs OnActivate/OnDeactivate and gives the
    /// focus to the remembered control (or the first one) the first time.
    void Activated();
    void Deactivated();
    /// A control inside the form is being hidden, disabled or destroyed.
    void ControlGoingAway(TWinControl* control, bool destroying);
    /// The chain of focus events from the current focus to `target`.
    bool MoveFocus(TWinControl* target);
    void TypeChar(TKeyChar ch);

    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
    TPosition position_ = TPosition::poDesigned;
    TWindowState windowState_ = TWindowState::wsNormal;
    std::string helpFile_;
    int helpContext_ = 0;
    bool keyPreview_ = false;
    TMainMenu* menu_ = nullptr;
    TWinControl* activeControl_ = nullptr;
    TWinControl* focused_ = nullptr;
    bool focusApplied_ = false; // the remembered focus was given with its events
    int focusCount_ = 0;        // moves started; a changed count means a handler moved the focus
    bool modal_ = false;
    TModalResult modalResult_ = mrNone;
    bool released_ = false;
    bool created_ = false;
    bool destroyed_ = false;
    int repaintCount_ = 0;
};

/// Creates a form of class F (constructor arguments after the owner), then runs its
/// AfterConstruction. This is how every form is made.
template <class F, class... Args> F* CreateForm(TComponent* owner, Args&&... args) {
    F* form = new F(owner, std::forward<Args>(args)...);
    form->AfterConstruction();
    return form;
}

} // namespace platform
