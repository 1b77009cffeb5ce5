// Menus: menu items with captions, shortcuts and clicks; main and popup menus; shortcut texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/classes.h"
#include "platform/keys.h"
#include "platform/notify.h"

namespace platform {

/// The shortcut of a key with modifiers: ShortCut('L', ssCtrl) == 16460.
TShortCut ShortCut(Word key, TShiftState shift);
/// Splits a shortcut into its key and modifiers.
void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift);
/// "Ctrl+L" → 16460; modifiers "Shift+", "Ctrl+", "Alt+" in any order, then a letter, a digit,
/// F1..F12 or a key name (Enter, Esc, Space, Tab, BkSp, Del, Ins, Home, End, PgUp, PgDn, Left,
/// Up, Right, Down). Case is ignored; an unknown text gives 0.
TShortCut TextToShortCut(std::string_view text);
/// 16460 → "Ctrl+L"; 0 → "".
std::string ShortCutToText(TShortCut shortCut);

/// One entry of a menu; its sub-items make a submenu. A caption "-" makes a separator.
/// Invariant: an item is in its Parent()'s Items() exactly while Parent() is set; an item
/// frees its sub-items when destroyed (unless their owner frees them first).
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    /// The caption without '&' markers ("&Filtrar" → "Filtrar"; "&&" gives "&").
    std::string DisplayCaption() const;
    bool IsLine() const { return caption_ == "-"; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint) { hint_ = std::move(hint); }

    TMenuItem* Parent() const { return parent_; }
    const std::vector<TMenuItem*>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Item(int index) const;
    /// Appends a sub-item (taking it from its previous parent).
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    int IndexOf(const TMenuItem* item) const;

    TNotifyEvent OnClick;
    /// Runs OnClick when the item is enabled.
    void Click();
    /// The enabled item in this subtree (this one included) with the shortcut; nullptr if none.
    TMenuItem* FindShortCut(TShortCut shortCut);

    int AddObserver(TObserverList<TMenuItem>::Observer observer) {
        return observers_.Add(std::move(observer));
    }
    void RemoveObserver(int id) { observers_.Remove(id); }

private:
    void Changed(TChange change);

    std::string caption_;
    std::string hint_;
    TShortCut shortCut_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    TObserverList<TMenuItem> observers_;
};

/// A menu: a root item whose sub-items are the menu's entries.
class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    TMenuItem* Items() const { return items_; }
    /// Runs the enabled item with this shortcut; false when there is none.
    bool IsShortCut(TShortCut shortCut);

private:
    TMenuItem* items_;
};

/// The menu bar of a form.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
};

/// A context menu. Its items' shortcuts work wherever the control that holds it (or any
/// control inside it) has the focus, whether or not it ever pops up.
class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}
    /// Whether a right click pops the menu up by itself.
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    TNotifyEvent OnPopup;
    /// Runs OnPopup; showing the items is the renderer's business.
    void Popup();

private:
    bool autoPopup_ = true;
};

} // namespace platform
