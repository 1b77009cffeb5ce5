// Qt menus mirroring platform menus: captions, shortcuts shown, enabled and checked states.
#pragma once

#include <QObject>
#include <QPoint>

#include <functional>
#include <vector>

class QAction;
class QMenu;

namespace platform {
class TMenuItem;
class TPopupMenu;
} // namespace platform

namespace desktop {

using TRunAction = std::function<void(const std::function<void()>&)>;

/// The entries of a platform menu (the sub-items of `root`) as Qt actions: an item with
/// sub-items becomes a submenu. Choosing an action runs the item's Click through `run`.
/// Shortcuts are shown beside the captions but not registered with Qt: the platform's forms
/// handle them when keys reach them, exactly as in the scripted host.
/// Invariant: while the mirror is attached it observes every item of the tree, and its
/// actions reflect the items' current state.
class TMenuMirror : public QObject {
    Q_OBJECT
public:
    TMenuMirror(platform::TMenuItem& root, TRunAction run, QObject* parent = nullptr);
    ~TMenuMirror() override;

    /// One action per entry of the root, in order (a submenu's action carries its QMenu).
    const std::vector<QAction*>& TopActions() const { return topActions_; }
    /// Runs whenever the list of top actions was rebuilt (entries added or removed).
    std::function<void()> OnRebuilt;
    /// Stops observing the items (they are about to go); the actions stay as they are.
    void Detach();

private:
    struct TNode {
        platform::TMenuItem* item = nullptr;
        QAction* action = nullptr;
        int observer = 0;
    };
    void Build();
    void Clear();
    /// Whether items were added or removed anywhere in the tree since the last Build (a
    /// change of an item's state is also reported to its parent as a change of its items).
    bool StructureChanged() const;
    QAction* BuildAction(platform::TMenuItem& item, QObject* owner);
    void Update(TNode& node);
    void Observe(platform::TMenuItem& item, QAction* action);

    platform::TMenuItem* root_;
    TRunAction run_;
    int rootObserver_ = 0;
    std::vector<TNode> nodes_;
    std::vector<std::vector<platform::TMenuItem*>> structure_; // Items() of root, then each node
    std::vector<QAction*> topActions_;
    std::vector<QMenu*> menus_;
    bool attached_ = true;
};

/// Shows a popup menu at a screen position as a transient Qt menu (OnPopup runs first).
void ExecPopupMenu(platform::TPopupMenu& menu, QPoint globalPosition, const TRunAction& run);

/// The caption of a menu item as a Qt action shows it, shortcut text after a tab.
QString MenuActionText(const platform::TMenuItem& item);

} // namespace desktop
