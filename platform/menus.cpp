// Menus: menu items with captions, shortcuts and clicks; main and popup menus; shortcut texts.
#include "platform/menus.h"

#include <algorithm>

#include "platform/sysutils.h"

namespace platform {

namespace {

struct KeyName {
    const char* name;
    Word key;
};

// The first name of a key is the one ShortCutToText writes.
constexpr KeyName kKeyNames[] = {
    {"BkSp", VK_BACK},  {"Backspace", VK_BACK}, {"Tab", VK_TAB},     {"Enter", VK_RETURN},
    {"Esc", VK_ESCAPE}, {"Escape", VK_ESCAPE},  {"Space", VK_SPACE}, {"PgUp", VK_PRIOR},
    {"PgDn", VK_NEXT},  {"End", VK_END},        {"Home", VK_HOME},   {"Left", VK_LEFT},
    {"Up", VK_UP},      {"Right", VK_RIGHT},    {"Down", VK_DOWN},   {"Ins", VK_INSERT},
    {"Del", VK_DELETE}, {"Delete", VK_DELETE},
};

} // namespace

TShortCut ShortCut(Word key, TShiftState shift) {
    TShortCut sc = static_cast<TShortCut>(key & 0xFF);
    if (shift & ssShift) sc |= scShift;
    if (shift & ssCtrl) sc |= scCtrl;
    if (shift & ssAlt) sc |= scAlt;
    return sc;
}

void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift) {
    key = static_cast<Word>(shortCut & 0xFF);
    shift = 0;
    if (shortCut & scShift) shift |= ssShift;
    if (shortCut & scCtrl) shift |= ssCtrl;
    if (shortCut & scAlt) shift |= ssAlt;
}

TShortCut TextToShortCut(std::string_view text) {
    TShiftState shift = 0;
    std::string rest = Trim(text);
    for (;;) {
        std::string upper = UpperCase(rest);
        if (upper.rfind("SHIFT+", 0) == 0) {
            shift |= ssShift;
            rest = rest.substr(6);
        } else if (upper.rfind("CTRL+", 0) == 0) {
            shift |= ssCtrl;
            rest = rest.substr(5);
        } else if (upper.rfind("ALT+", 0) == 0) {
            shift |= ssAlt;
            rest = rest.substr(4);
        } else {
            break;
        }
    }
    if (rest.empty()) return 0;
    Word key = 0;
    if (rest.size() == 1) {
        char c = UpperCase(rest)[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            key = static_cast<Word>(static_cast<unsigned char>(c));
    } else if ((rest[0] == 'F' || rest[0] == 'f') && rest.size() <= 3) {
        std::int64_t n = StrToIntDef(rest.substr(1), 0);
        if (n >= 1 && n <= 12) key = static_cast<Word>(VK_F1 + n - 1);
    }
    if (key == 0)
        for (const KeyName& k : kKeyNames)
            if (SameText(rest, k.name)) {
                key = k.key;
                break;
            }
    return key == 0 ? 0 : ShortCut(key, shift);
}

std::string ShortCutToText(TShortCut shortCut) {
    Word key;
    TShiftState shift;
    ShortCutToKey(shortCut, key, shift);
    std::string name;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
        name = std::string(1, static_cast<char>(key));
    } else if (key >= VK_F1 && key <= VK_F12) {
        name = "F" + IntToStr(key - VK_F1 + 1);
    } else {
        for (const KeyName& k : kKeyNames)
            if (k.key == key) {
                name = k.name;
                break;
            }
    }
    if (name.empty()) return "";
    std::string prefix;
    if (shift & ssShift) prefix += "Shift+";
    if (shift & ssCtrl) prefix += "Ctrl+";
    if (shift & ssAlt) prefix += "Alt+";
    return prefix + name;
}

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    if (parent_) parent_->Remove(this);
    while (!items_.empty()) {
        TMenuItem* child = items_.back();
        items_.pop_back();
        child->parent_ = nullptr;
        if (!child->Owner()) delete child; // owned items are freed by their owner
    }
}

void TMenuItem::Changed(TChange change) {
    observers_.Notify(this, change);
    if (parent_) parent_->observers_.Notify(parent_, TChange::Items);
}

void TMenuItem::SetCaption(std::string caption) {
    if (AssignIfChanged(caption_, std::move(caption))) Changed(TChange::Caption);
}

std::string TMenuItem::DisplayCaption() const {
    std::string out;
    for (std::size_t i = 0; i < caption_.size(); ++i) {
        if (caption_[i] == '&') {
            if (i + 1 < caption_.size() && caption_[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption_[i];
    }
    return out;
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
    if (AssignIfChanged(shortCut_, shortCut)) Changed(TChange::Caption);
}

void TMenuItem::SetEnabled(bool enabled) {
    if (AssignIfChanged(enabled_, enabled)) Changed(TChange::Enabled);
}

void TMenuItem::SetVisible(bool visible) {
    if (AssignIfChanged(visible_, visible)) Changed(TChange::Visible);
}

void TMenuItem::SetChecked(bool checked) {
    if (AssignIfChanged(checked_, checked)) Changed(TChange::Checked);
}

TMenuItem* TMenuItem::Item(int index) const {
    if (index < 0 || index >= Count()) throw ERangeError("Índice de item de menu fora dos limites");
    return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    for (TMenuItem* p = this; p; p = p->parent_)
        if (p == item) throw Exception("Um item de menu não pode conter a si mesmo");
    if (item->parent_) item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    observers_.Notify(this, TChange::Items);
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    observers_.Notify(this, TChange::Items);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut) {
    if (shortCut == 0) return nullptr;
    if (shortCut_ == shortCut && enabled_ && !IsLine()) return this;
    for (TMenuItem* child : items_)
        if (TMenuItem* found = child->FindShortCut(shortCut)) return found;
    return nullptr;
}

// ---- TMenu ----

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

bool TMenu::IsShortCut(TShortCut shortCut) {
    TMenuItem* item = nullptr;
    for (TMenuItem* child : items_->Items())
        if ((item = child->FindShortCut(shortCut))) break;
    if (!item) return false;
    item->Click();
    return true;
}

void TPopupMenu::Popup() {
    if (OnPopup) OnPopup(this);
}

} // namespace platform
