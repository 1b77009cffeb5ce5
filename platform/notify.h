// Change notification of controls and menu items, for renderers and tests that mirror them.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace platform {

/// What changed on a control or menu item. A renderer re-reads that part of the object.
enum class TChange {
    Bounds, // Left, Top, Width, Height, Align
    Visible,
    Enabled,
    Caption, // Caption or Text
    Color,
    Font,
    Hint,      // Hint, ShowHint
    Checked,   // radio button, check box, menu item
    ItemIndex, // radio group
    Items,     // radio group items, menu sub-items
    ReadOnly,
    Selection, // SelStart, SelLength
    EditMask,  // EditMask, MaxLength
    ActivePage,
    Position, // progress bar Min/Max/Position
    Picture,  // glyph or picture
    Children, // a child was added or removed
    Focus,    // the form's focused control moved
    Columns,  // grid columns or options
    Data,     // the grid or data-aware text must show its data again
    Scroll,   // the grid's current row moved
    WindowState,
    ModalResult,
    Repaint, // the program asked for a repaint
    Other,
};

/// Stores `value` in `field` when it differs from it; returns whether it did. Setters of
/// controls and menu items report a change only when this returns true.
template <class T, class V> bool AssignIfChanged(T& field, V&& value) {
    if (field == value) return false;
    field = std::forward<V>(value);
    return true;
}

/// A list of observers called on every change of the object that owns it.
/// Invariant: ids are unique for the life of the list; removing an unknown id does nothing.
/// Observers may add or remove observers while being notified (changes apply to later calls).
template <class Sender> class TObserverList {
public:
    using Observer = std::function<void(Sender* sender, TChange change)>;

    int Add(Observer observer) {
        observers_.emplace_back(++lastId_, std::move(observer));
        return lastId_;
    }
    void Remove(int id) {
        for (auto it = observers_.begin(); it != observers_.end(); ++it)
            if (it->first == id) {
                observers_.erase(it);
                return;
            }
    }
    bool Empty() const { return observers_.empty(); }
    void Notify(Sender* sender, TChange change) const {
        if (observers_.empty()) return;
        auto copy = observers_; // an observer may change the list
        for (auto& [id, observer] : copy) observer(sender, change);
    }

private:
    int lastId_ = 0;
    std::vector<std::pair<int, Observer>> observers_;
};

} // namespace platform
