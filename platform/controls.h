// The control tree: visual controls with position, state and events, and windowed containers.
//
// Controls are headless: they hold what a window would show and run the events a person's
// actions would run. A renderer (the desktop) or a script drives them through the same calls
// (SetFocus, UserClick, key presses) and mirrors them by observing their changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/graphics.h"
#include "platform/keys.h"
#include "platform/notify.h"
#include "platform/sysutils.h"

namespace platform {

class TWinControl;
class TForm;
class TPopupMenu;

/// A window handle: a number unique to each windowed control for the life of the process.
/// 0 is no window.
using THandle = std::uintptr_t;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

/// The edges of its parent a control keeps its distance to when the parent is resized: left and
/// right both kept stretch it, right alone moves it (the same for top and bottom).
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
/// A set of TAnchorKind flags.
using TAnchors = unsigned;
constexpr TAnchors kDefaultAnchors = akLeft | akTop;

/// An operation that the control's state does not allow (focusing a hidden control...).
class EInvalidOperation : public Exception {
    using Exception::Exception;
};

/// A visual element. Invariant: a control is in its Parent()'s Controls() exactly while
/// Parent() is set; destroying a control removes it from its parent and frees its children.
class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    /// The class name the platform gives this kind of control ("TEdit"...), for renderers
    /// and scripts.
    virtual const char* ClassName() const { return "TControl"; }

    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);
    /// The form that contains this control (itself for a form); nullptr when there is none.
    TForm* ParentForm() const;

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    /// Visible, and every parent up to the form visible too (the form itself included).
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    /// Enabled, and every parent enabled too.
    bool EnabledWithParents() const;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    /// Followed when the parent is resized, for a control without Align (default left and top:
    /// the control stays where it is).
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors) { anchors_ = anchors; }

    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);

    /// Caption and Text are the same text, as on the platform.
    virtual std::string Text() const { return text_; }
    virtual void SetText(const std::string& text);
    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& caption) { SetText(caption); }

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

    /// The control's click as code runs it, enabled or not: OnClick (subclasses add their own
    /// effect: a radio button checks itself, a tab sheet becomes the active page...).
    virtual void Click();
    /// A double click as code runs it: OnDblClick.
    virtual void DblClick();
    /// A person's mouse click: nothing when the control is not showing or not enabled;
    /// a control that takes focus takes it first (and the click is lost when focus does not
    /// arrive, e.g. because an OnExit handler raised); then Click().
    /// Exceptions from handlers reach the caller (the host's exception boundary).
    virtual void UserClick();
    /// A person's double click: focus as UserClick, then DblClick().
    void UserDblClick();

    /// Observers hear every change of the control's properties (see TChange).
    int AddObserver(TObserverList<TControl>::Observer observer) {
        return observers_.Add(std::move(observer));
    }
    void RemoveObserver(int id) { observers_.Remove(id); }

protected:
    /// Tells the observers that `change` happened.
    void Changed(TChange change) { observers_.Notify(this, change); }
    /// Focuses this control for a person's click; false when the focus did not arrive.
    /// Controls without a window take no focus and return true.
    virtual bool FocusForClick() { return true; }

    TColor color_ = clBtnFace;

private:
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    bool visible_ = true;
    bool enabled_ = true;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = TAlign::alNone;
    TAnchors anchors_ = kDefaultAnchors;
    std::string hint_;
    bool showHint_ = false;
    std::string text_;
    TFont font_;
    std::intptr_t tag_ = 0;
    TPopupMenu* popupMenu_ = nullptr;
    TObserverList<TControl> observers_;
};

/// A control that is a window: it can hold the focus, contain other controls, and hears the
/// focus entering and leaving it (OnEnter/OnExit, also for containers that focus crosses).
/// Invariant: Controls() lists the children in the order they were parented.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    const char* ClassName() const override { return "TWinControl"; }

    const std::vector<TControl*>& Controls() const { return controls_; }
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Control(int index) const;
    /// True when `control` is this control or lies inside it.
    bool ContainsControl(const TControl* control) const;
    /// The children that are windows, in tab order.
    std::vector<TWinControl*> TabOrderList() const;

    THandle Handle() const { return handle_; }
    /// The windowed control with this handle; nullptr when none exists.
    static TWinControl* FindControl(THandle handle);

    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }

    /// Showing and enabled with its parents: the focus may be put here.
    bool CanFocus() const;
    /// True while the form's focus is on this control.
    bool Focused() const;
    /// Moves the form's focus here (see TForm::FocusControl).
    void SetFocus();

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

    /// A key went down while this control has the focus: OnKeyDown, then the control's own
    /// handling unless the handler set `key` to 0.
    virtual void KeyDown(Word& key, TShiftState shift);
    /// A character typed while this control has the focus: OnKeyPress (which may cancel it by
    /// setting it to 0 or by the silent abort), then the control's own handling of it.
    /// Returns the key as it was finally handled (0 when cancelled).
    TKeyChar KeyPress(TKeyChar key);
    /// Whether this control uses the Tab key itself instead of moving the focus.
    virtual bool WantsTab() const { return false; }

    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetBounds(int left, int top, int width, int height) override;

    /// The area children are placed in, in the control's own coordinates.
    virtual TRect ClientRect() const { return Bounds(0, 0, Width(), Height()); }
    /// Places the children with an Align other than alNone inside the client area, in the
    /// platform's order (top, bottom, left, right, then client).
    void AlignControls();

protected:
    friend class TForm;
    friend class TControl;
    /// Runs OnEnter; subclasses may add to it (an edit selects its text).
    virtual void DoEnter();
    /// Runs OnExit; subclasses may check their content first and raise to keep the focus.
    virtual void DoExit();
    /// The control's own handling of a key after OnKeyDown.
    virtual void HandleKeyDown(Word& /*key*/, TShiftState /*shift*/) {}
    /// The control's own handling of a typed character after OnKeyPress.
    virtual void HandleKeyPress(TKeyChar /*key*/) {}
    bool FocusForClick() override;
    /// A child was added or removed.
    virtual void ChildrenChanged() { Changed(TChange::Children); }

private:
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    /// Moves or stretches the anchored children by what the client area grew (or shrank).
    void AnchorControls(int grewWidth, int grewHeight);
    /// Moves the form's focus away when this control is hidden, disabled or destroyed.
    void RemoveFocus(bool destroying);

    std::vector<TControl*> controls_;
    THandle handle_ = 0;
    int tabOrder_ = 0;
    bool tabStop_ = false;
};

/// A control without a window: labels, images, speed buttons. It never holds the focus.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
    const char* ClassName() const override { return "TGraphicControl"; }
};

/// Creates a control of class T owned by `owner`, named `name` and placed in `parent`: the
/// steps every design starts a control with. The owner frees it.
template <class T> T* CreateChild(TComponent& owner, TWinControl* parent, std::string name) {
    T* control = owner.Create<T>();
    control->SetName(std::move(name));
    control->SetParent(parent);
    return control;
}

/// The text of one code point in UTF-8.
std::string Utf8Encode(TKeyChar ch);
/// The code points of a UTF-8 text (invalid bytes give one code point each, their byte value).
std::vector<TKeyChar> Utf8Decode(std::string_view text);

} // namespace platform
