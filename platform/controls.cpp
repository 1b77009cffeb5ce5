// The control tree: visual controls with position, state and events, and windowed containers.
#include "platform/controls.h"

#include <algorithm>
#include <unordered_map>

#include "platform/forms.h"

namespace platform {

namespace {

// Windowed controls by handle, for LockWindowUpdate and renderers.
std::unordered_map<THandle, TWinControl*>& HandleRegistry() {
    static std::unordered_map<THandle, TWinControl*> registry;
    return registry;
}
THandle lastHandle = 0;

} // namespace

std::string Utf8Encode(TKeyChar ch) {
    std::string out;
    auto c = static_cast<std::uint32_t>(ch);
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::vector<TKeyChar> Utf8Decode(std::string_view text) {
    std::vector<TKeyChar> out;
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        std::size_t extra = b >= 0xF0 && b < 0xF8   ? 3
                            : b >= 0xE0 && b < 0xF0 ? 2
                            : b >= 0xC0 && b < 0xE0 ? 1
                                                    : 0;
        std::uint32_t cp = extra == 3   ? (b & 0x07u)
                           : extra == 2 ? (b & 0x0Fu)
                           : extra == 1 ? (b & 0x1Fu)
                                        : b;
        bool valid = b < 0x80 || extra > 0;
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            if (i + k >= text.size()) {
                valid = false;
                break;
            }
            auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (valid) {
            out.push_back(static_cast<TKeyChar>(cp));
            i += extra + 1;
        } else {
            out.push_back(static_cast<TKeyChar>(b));
            ++i;
        }
    }
    return out;
}

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent && parent == this)
        throw EInvalidOperation("Um controle não pode ser pai de si mesmo");
    if (auto* self = dynamic_cast<TWinControl*>(this);
        self && parent && self->ContainsControl(parent))
        throw EInvalidOperation(
            "Um controle não pode ser colocado dentro de um controle que ele contém");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

TForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetVisible(bool visible) {
    if (!AssignIfChanged(visible_, visible)) return;
    Changed(TChange::Visible);
    if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (AssignIfChanged(enabled_, enabled)) Changed(TChange::Enabled);
}

bool TControl::EnabledWithParents() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->enabled_) return false;
    return true;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    Changed(TChange::Bounds);
}

void TControl::SetAlign(TAlign align) {
    if (!AssignIfChanged(align_, align)) return;
    Changed(TChange::Bounds);
    if (parent_) parent_->AlignControls();
}

void TControl::SetHint(std::string hint) {
    if (AssignIfChanged(hint_, std::move(hint))) Changed(TChange::Hint);
}

void TControl::SetShowHint(bool value) {
    if (AssignIfChanged(showHint_, value)) Changed(TChange::Hint);
}

void TControl::SetText(const std::string& text) {
    if (AssignIfChanged(text_, text)) Changed(TChange::Caption);
}

void TControl::SetColor(TColor color) {
    if (AssignIfChanged(color_, color)) Changed(TChange::Color);
}

void TControl::SetFont(const TFont& font) {
    if (AssignIfChanged(font_, font)) Changed(TChange::Font);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::UserClick() {
    if (!Showing() || !EnabledWithParents()) return;
    if (!FocusForClick()) return;
    Click();
}

void TControl::UserDblClick() {
    if (!Showing() || !EnabledWithParents()) return;
    if (!FocusForClick()) return;
    DblClick();
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    handle_ = ++lastHandle;
    HandleRegistry()[handle_] = this;
    color_ = clBtnFace;
}

TWinControl::~TWinControl() {
    RemoveFocus(true);
    // Children are usually owned by the form and freed by it; those still parented here lose
    // their parent so that they do not point at a freed window.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        controls_.pop_back();
        child->parent_ = nullptr;
    }
    HandleRegistry().erase(handle_);
}

TWinControl* TWinControl::FindControl(THandle handle) {
    auto it = HandleRegistry().find(handle);
    return it == HandleRegistry().end() ? nullptr : it->second;
}

TControl* TWinControl::Control(int index) const {
    if (index < 0 || index >= ControlCount())
        throw ERangeError("Índice de controle fora dos limites");
    return controls_[static_cast<std::size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->parent_)
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        int windowed = 0;
        for (TControl* c : controls_)
            if (c != control && dynamic_cast<TWinControl*>(c)) ++windowed;
        win->tabOrder_ = windowed;
    }
    ChildrenChanged();
    if (control->Align() != TAlign::alNone) AlignControls();
}

void TWinControl::RemoveControl(TControl* control) {
    if (auto* win = dynamic_cast<TWinControl*>(control)) win->RemoveFocus(false);
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    control->parent_ = nullptr;
    ChildrenChanged();
}

std::vector<TWinControl*> TWinControl::TabOrderList() const {
    std::vector<TWinControl*> list;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) list.push_back(w);
    std::stable_sort(list.begin(), list.end(),
                     [](TWinControl* a, TWinControl* b) { return a->tabOrder_ < b->tabOrder_; });
    return list;
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent()) {
        tabOrder_ = order;
        return;
    }
    // Renumber the siblings so that tab orders stay 0..n-1 with this one at `order`.
    std::vector<TWinControl*> list = Parent()->TabOrderList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
    for (std::size_t i = 0; i < list.size(); ++i) list[i]->tabOrder_ = static_cast<int>(i);
}

bool TWinControl::CanFocus() const {
    return Showing() && EnabledWithParents();
}

bool TWinControl::Focused() const {
    TForm* form = ParentForm();
    return form && form->FocusedControl() == this;
}

void TWinControl::SetFocus() {
    TForm* form = ParentForm();
    if (!form) throw EInvalidOperation("O controle '" + Name() + "' não está em um formulário");
    form->FocusControl(this);
}

bool TWinControl::FocusForClick() {
    TForm* form = ParentForm();
    if (!form || form == this) return true;
    if (Focused()) return true;
    form->FocusControl(this);
    return Focused();
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::KeyDown(Word& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    if (key != 0) HandleKeyDown(key, shift);
}

TKeyChar TWinControl::KeyPress(TKeyChar key) {
    if (OnKeyPress) {
        try {
            OnKeyPress(this, key);
        } catch (const EAbort&) {
            return 0; // the silent abort cancels the key
        }
    }
    if (key != 0) HandleKeyPress(key);
    return key;
}

void TWinControl::SetVisible(bool visible) {
    if (!visible && Visible()) RemoveFocus(false);
    TControl::SetVisible(visible);
}

void TWinControl::SetEnabled(bool enabled) {
    if (!enabled && Enabled()) RemoveFocus(false);
    TControl::SetEnabled(enabled);
}

void TWinControl::RemoveFocus(bool destroying) {
    TForm* form = ParentForm();
    if (form && form != this) form->ControlGoingAway(this, destroying);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    bool resized = width != Width() || height != Height();
    const TRect before = ClientRect();
    TControl::SetBounds(left, top, width, height);
    if (!resized) return;
    // A parent not yet sized has no edges to keep a distance to.
    const TRect after = ClientRect();
    AnchorControls(before.Width() > 0 ? after.Width() - before.Width() : 0,
                   before.Height() > 0 ? after.Height() - before.Height() : 0);
    AlignControls();
}

void TWinControl::AnchorControls(int grewWidth, int grewHeight) {
    if (grewWidth == 0 && grewHeight == 0) return;
    // One axis: kept to the far edge only, the control moves; kept to both, it stretches.
    auto follow = [](TAnchors anchors, unsigned nearEdge, unsigned farEdge, int grew, int& position,
                     int& size) {
        if (!(anchors & farEdge)) return;
        if (anchors & nearEdge)
            size = std::max(0, size + grew);
        else
            position += grew;
    };
    for (TControl* c : controls_) {
        if (c->Align() != TAlign::alNone || c->Anchors() == kDefaultAnchors) continue;
        int left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
        follow(c->Anchors(), akLeft, akRight, grewWidth, left, width);
        follow(c->Anchors(), akTop, akBottom, grewHeight, top, height);
        c->SetBounds(left, top, width, height);
    }
}

void TWinControl::AlignControls() {
    TRect area = ClientRect();
    int l = area.Left, t = area.Top, r = area.Right, b = area.Bottom;
    auto place = [&](TAlign which) {
        for (TControl* c : controls_) {
            if (c->Align() != which || !c->Visible()) continue;
            switch (which) {
            case TAlign::alTop:
                c->SetBounds(l, t, r - l, c->Height());
                t += c->Height();
                break;
            case TAlign::alBottom:
                b -= c->Height();
                c->SetBounds(l, b, r - l, c->Height());
                break;
            case TAlign::alLeft:
                c->SetBounds(l, t, c->Width(), b - t);
                l += c->Width();
                break;
            case TAlign::alRight:
                r -= c->Width();
                c->SetBounds(r, t, c->Width(), b - t);
                break;
            case TAlign::alClient: c->SetBounds(l, t, r - l, b - t); break;
            case TAlign::alNone: break;
            }
        }
    };
    place(TAlign::alTop);
    place(TAlign::alBottom);
    place(TAlign::alLeft);
    place(TAlign::alRight);
    place(TAlign::alClient);
}

} // namespace platform
