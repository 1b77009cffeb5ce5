// Forms: top-level windows (MDI children, dialogs) that own the focus, route keys and close.
#include "platform/forms.h"

#include <algorithm>

#include "platform/application.h"
#include "platform/menus.h"

namespace platform {

namespace {

// Frame thickness around the client area, per border style: total horizontal, total vertical.
void FrameSize(TBorderStyle style, int& dx, int& dy) {
    switch (style) {
    case TBorderStyle::bsNone: dx = 0, dy = 0; break;
    case TBorderStyle::bsSizeable: dx = 8, dy = 27; break;
    default: dx = 6, dy = 25; break;
    }
}

constexpr int kMenuHeight = 19;

// Every windowed control inside `parent`, in tab order, depth first.
void CollectTabOrder(const TWinControl* parent, std::vector<TWinControl*>& out) {
    for (TWinControl* child : parent->TabOrderList()) {
        out.push_back(child);
        CollectTabOrder(child, out);
    }
}

// Runs a form's creation or destruction event unless `done` says it ran, and records that it
// did; an exception from the handler goes to the application. Returns whether it ran now.
bool RunFormEventOnce(bool& done, const TNotifyEvent& event, TForm* form) {
    if (done) return false;
    done = true;
    if (event) {
        try {
            event(form);
        } catch (...) { Application().HandleException(); }
    }
    return true;
}

} // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    TWinControl::SetVisible(false);
    SetBounds(0, 0, 320, 240);
    Application().RegisterForm(this);
}

TForm::~TForm() {
    Application().UnregisterForm(this);
}

void TForm::AfterConstruction() {
    if (RunFormEventOnce(created_, OnCreate, this) && IsMDIChild()) Show();
}

void TForm::BeforeDestruction() {
    RunFormEventOnce(destroyed_, OnDestroy, this);
}

void TForm::SetWindowState(TWindowState state) {
    if (AssignIfChanged(windowState_, state)) Changed(TChange::WindowState);
}

int TForm::ClientWidth() const {
    int dx, dy;
    FrameSize(borderStyle_, dx, dy);
    return std::max(0, Width() - dx);
}

int TForm::ClientHeight() const {
    int dx, dy;
    FrameSize(borderStyle_, dx, dy);
    return std::max(0, Height() - dy - (menu_ ? kMenuHeight : 0));
}

void TForm::SetClientWidth(int width) {
    int dx, dy;
    FrameSize(borderStyle_, dx, dy);
    SetWidth(width + dx);
}

void TForm::SetClientHeight(int height) {
    int dx, dy;
    FrameSize(borderStyle_, dx, dy);
    SetHeight(height + dy + (menu_ ? kMenuHeight : 0));
}

// ---- Focus ----

bool TForm::FocusControl(TWinControl* control) {
    if (control == this) control = nullptr;
    if (control) {
        if (control->ParentForm() != this)
            throw EInvalidOperation("O controle '" + control->Name() +
                                    "' não pertence ao formulário '" + Name() + "'");
        for (const TControl* c = control; c && c != this; c = c->Parent())
            if (!c->Visible() || !c->Enabled())
                throw EInvalidOperation("Não é possível focar o controle '" + control->Name() +
                                        "': ele está desabilitado ou invisível");
        if (!Enabled())
            throw EInvalidOperation(
                "Não é possível focar um controle de um formulário desabilitado");
    }
    if (!Visible()) {
        // Remembered; the events run when the form is activated.
        activeControl_ = control;
        return true;
    }
    return MoveFocus(control);
}

bool TForm::MoveFocus(TWinControl* target) {
    const int myMove = ++focusCount_;
    TWinControl* startFocused = focused_;
    TWinControl* startActive = activeControl_;
    activeControl_ = target;
    auto overtaken = [&] { return focusCount_ != myMove; };
    try {
        // Leave the controls and containers that do not contain the target, innermost first.
        while (focused_ && !(target && focused_->ContainsControl(target))) {
            TWinControl* leaving = focused_;
            TWinControl* up = leaving->Parent();
            focused_ = (up == this || !up) ? nullptr : up;
            leaving->DoExit();
            if (overtaken()) return false;
        }
        // Enter the containers down to the target, outermost first.
        while (target && focused_ != target) {
            TWinControl* container = focused_ ? focused_ : this;
            TWinControl* step = target;
            while (step->Parent() && step->Parent() != container) step = step->Parent();
            focused_ = step;
            step->DoEnter();
            if (overtaken()) return false;
        }
    } catch (...) {
        if (!overtaken()) {
            // The move is cancelled: the focus stays where it was.
            ++focusCount_;
            focused_ = startFocused;
            activeControl_ = startActive;
            Changed(TChange::Focus);
        }
        throw;
    }
    Changed(TChange::Focus);
    return true;
}

void TForm::ControlGoingAway(TWinControl* control, bool destroying) {
    bool holdsFocus = focused_ && control->ContainsControl(focused_);
    if (activeControl_ && control->ContainsControl(activeControl_)) activeControl_ = nullptr;
    if (!holdsFocus) return;
    if (destroying || !Visible()) {
        ++focusCount_;
        focused_ = nullptr;
        activeControl_ = nullptr;
        if (!destroying) Changed(TChange::Focus);
        return;
    }
    // A hidden or disabled control cannot keep the focus: it goes to the form itself.
    MoveFocus(nullptr);
}

void TForm::SelectNext(TWinControl* current, bool forward) {
    std::vector<TWinControl*> all;
    CollectTabOrder(this, all);
    std::vector<TWinControl*> stops;
    for (TWinControl* c : all)
        if ((c->TabStop() && c->CanFocus()) || c == current) stops.push_back(c);
    if (stops.empty()) return;
    int n = static_cast<int>(stops.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (stops[static_cast<std::size_t>(i)] == current) at = i;
    for (int step = 1; step <= n; ++step) {
        int i = at < 0 ? (forward ? step - 1 : n - step)
                       : ((at + (forward ? step : -step)) % n + n) % n;
        TWinControl* c = stops[static_cast<std::size_t>(i)];
        if (c != current && c->TabStop() && c->CanFocus()) {
            FocusControl(c);
            return;
        }
    }
}

void TForm::SelectFirst() {
    std::vector<TWinControl*> all;
    CollectTabOrder(this, all);
    for (TWinControl* c : all)
        if (c->TabStop() && c->CanFocus()) {
            FocusControl(c);
            return;
        }
}

// ---- Showing, activation and closing ----

void TForm::SetVisible(bool visible) {
    if (visible == Visible()) return;
    if (visible) {
        TWinControl::SetVisible(true);
        if (OnShow) OnShow(this);
        Application().FormShown(this);
    } else {
        if (OnHide) OnHide(this);
        TWinControl::SetVisible(false);
        Application().FormHidden(this);
    }
}

void TForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TForm::BringToFront() {
    if (Visible() && !released_) Application().ActivateForm(this);
}

bool TForm::Active() const {
    return Application().ActiveForm() == this;
}

void TForm::Activated() {
    if (OnActivate) {
        try {
            OnActivate(this);
        } catch (...) { Application().HandleException(); }
    }
    if (!focused_ && Visible()) {
        // The first time the form gets the focus: the remembered control, else the first one.
        try {
            if (activeControl_ && activeControl_->CanFocus())
                MoveFocus(activeControl_);
            else
                SelectFirst();
        } catch (...) { Application().HandleException(); }
    }
}

void TForm::Deactivated() {
    if (OnDeactivate) {
        try {
            OnDeactivate(this);
        } catch (...) { Application().HandleException(); }
    }
}

TModalResult TForm::ShowModal() {
    if (modal_)
        throw EInvalidOperation("O formulário '" + Name() +
                                "' já está sendo mostrado de forma modal");
    if (Visible())
        throw EInvalidOperation("Não é possível mostrar de forma modal uma janela já visível");
    modal_ = true;
    modalResult_ = mrNone;
    Application().EnterModal(this);
    TCloseAction action = TCloseAction::caHide;
    try {
        Show();
        for (;;) {
            bool hostEnded = false;
            if (modalResult_ == mrNone) {
                TModalResult r = Application().Services().ShowModal(*this);
                if (modalResult_ == mrNone) {
                    hostEnded = true;
                    modalResult_ = r != mrNone ? r : mrCancel;
                }
            }
            action = TCloseAction::caHide;
            bool canClose = CloseQuery();
            if (canClose) action = DoClose(TCloseAction::caHide);
            if ((!canClose || action == TCloseAction::caNone) && !hostEnded) {
                modalResult_ = mrNone; // the form refused to close: the loop goes on
                continue;
            }
            break;
        }
    } catch (...) {
        modal_ = false;
        Application().LeaveModal(this);
        SetVisible(false);
        throw;
    }
    modal_ = false;
    Application().LeaveModal(this);
    if (action == TCloseAction::caFree)
        Release();
    else
        SetVisible(false);
    return modalResult_;
}

void TForm::SetModalResult(TModalResult result) {
    if (AssignIfChanged(modalResult_, result)) Changed(TChange::ModalResult);
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

TCloseAction TForm::DoClose(TCloseAction action) {
    if (OnClose) OnClose(this, action);
    return action;
}

void TForm::Close() {
    if (modal_) {
        if (modalResult_ == mrNone) SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = DoClose(IsMDIChild() ? TCloseAction::caMinimize : TCloseAction::caHide);
    switch (action) {
    case TCloseAction::caNone: break;
    case TCloseAction::caHide: SetVisible(false); break;
    case TCloseAction::caMinimize: SetWindowState(TWindowState::wsMinimized); break;
    case TCloseAction::caFree: Release(); break;
    }
}

void TForm::Release() {
    if (released_) return;
    SetVisible(false);
    released_ = true;
    Application().FormReleased(this);
}

void TForm::Repaint() {
    ++repaintCount_;
    Changed(TChange::Repaint);
}

// ---- Keyboard ----

bool TForm::IsShortCut(TShortCut shortCut) {
    if (shortCut == 0) return false;
    for (TControl* c = focused_ ? static_cast<TControl*>(focused_) : this; c; c = c->Parent())
        if (c->PopupMenu() && c->PopupMenu()->IsShortCut(shortCut)) return true;
    return menu_ && menu_->IsShortCut(shortCut);
}

void TForm::PressKey(Word key, TShiftState shift, TKeyChar ch) {
    bool modifierOnly = key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU;
    if (key != 0 && !modifierOnly && IsShortCut(ShortCut(key, shift))) return;
    Word k = key;
    if (keyPreview_ && OnKeyDown && k != 0) OnKeyDown(this, k, shift);
    TWinControl* target = focused_;
    if (k != 0 && target) target->KeyDown(k, shift);
    if (k == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
        if (!(target && target->WantsTab())) {
            SelectNext(target, !(shift & ssShift));
            return;
        }
    }
    if (ch != 0) TypeChar(ch);
}

void TForm::TypeChar(TKeyChar ch) {
    if (keyPreview_ && OnKeyPress) {
        try {
            OnKeyPress(this, ch);
        } catch (const EAbort&) {
            return; // the silent abort cancels the key
        }
        if (ch == 0) return;
    }
    if (focused_) focused_->KeyPress(ch);
}

void TForm::PressChar(TKeyChar ch) {
    Word key = 0;
    TShiftState shift = 0;
    if (ch >= 'a' && ch <= 'z') {
        key = static_cast<Word>(ch - 'a' + 'A');
    } else if (ch >= 'A' && ch <= 'Z') {
        key = static_cast<Word>(ch);
        shift = ssShift;
    } else if (ch >= '0' && ch <= '9') {
        key = static_cast<Word>(ch);
    } else if (ch == ' ') {
        key = VK_SPACE;
    } else if (ch == 8) {
        key = VK_BACK;
    } else if (ch == 13) {
        key = VK_RETURN;
    } else if (ch == 27) {
        key = VK_ESCAPE;
    } else if (ch == 9) {
        PressKey(VK_TAB, 0, 0);
        return;
    }
    if (key != 0)
        PressKey(key, shift, ch);
    else
        TypeChar(ch);
}

void TForm::TypeText(std::string_view text) {
    for (TKeyChar ch : Utf8Decode(text)) PressChar(ch);
}

} // namespace platform
