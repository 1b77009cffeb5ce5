// Qt menus mirroring platform menus: captions, shortcuts shown, enabled and checked states.
#include "desktop/menumirror.h"

#include <QAction>
#include <QMenu>

#include <memory>

#include "desktop/qtconvert.h"
#include "platform/menus.h"

namespace desktop {

QString MenuActionText(const platform::TMenuItem& item) {
    QString text = ToQString(item.Caption());
    if (item.ShortCut() != 0)
        text += QLatin1Char('\t') + ToQString(platform::ShortCutToText(item.ShortCut()));
    return text;
}

TMenuMirror::TMenuMirror(platform::TMenuItem& root, TRunAction run, QObject* parent)
    : QObject(parent), root_(&root), run_(std::move(run)) {
    rootObserver_ = root_->AddObserver([this](platform::TMenuItem*, platform::TChange change) {
        if (change == platform::TChange::Items && StructureChanged()) Build();
    });
    Build();
}

TMenuMirror::~TMenuMirror() {
    Detach();
    Clear();
}

void TMenuMirror::Detach() {
    if (!attached_) return;
    attached_ = false;
    root_->RemoveObserver(rootObserver_);
    for (TNode& node : nodes_) node.item->RemoveObserver(node.observer);
    nodes_.clear();
}

void TMenuMirror::Clear() {
    for (TNode& node : nodes_) node.item->RemoveObserver(node.observer);
    nodes_.clear();
    for (QAction* action : topActions_) delete action;
    topActions_.clear();
    for (QMenu* menu : menus_) delete menu;
    menus_.clear();
}

void TMenuMirror::Observe(platform::TMenuItem& item, QAction* action) {
    TNode node;
    node.item = &item;
    node.action = action;
    std::size_t at = nodes_.size();
    node.observer = item.AddObserver([this, at](platform::TMenuItem*, platform::TChange change) {
        if (change == platform::TChange::Items) {
            if (StructureChanged()) Build();
            return;
        }
        if (at < nodes_.size()) Update(nodes_[at]);
    });
    nodes_.push_back(node);
}

QAction* TMenuMirror::BuildAction(platform::TMenuItem& item, QObject* owner) {
    auto* action = new QAction(owner);
    if (item.IsLine()) {
        action->setSeparator(true);
    } else if (item.Count() > 0) {
        auto* menu = new QMenu();
        menus_.push_back(menu);
        for (platform::TMenuItem* child : item.Items()) menu->addAction(BuildAction(*child, menu));
        action->setMenu(menu);
    } else {
        platform::TMenuItem* target = &item;
        connect(action, &QAction::triggered, this, [this, target] {
            if (attached_) run_([target] { target->Click(); });
        });
    }
    Observe(item, action);
    Update(nodes_.back());
    return action;
}

void TMenuMirror::Update(TNode& node) {
    const platform::TMenuItem& item = *node.item;
    if (!item.IsLine()) node.action->setText(MenuActionText(item));
    node.action->setEnabled(item.Enabled());
    node.action->setVisible(item.Visible());
    node.action->setCheckable(item.Checked());
    node.action->setChecked(item.Checked());
    if (!item.Hint().empty()) node.action->setStatusTip(ToQString(item.Hint()));
}

bool TMenuMirror::StructureChanged() const {
    if (structure_.empty() || structure_.size() != nodes_.size() + 1) return true;
    if (structure_[0] != root_->Items()) return true;
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (structure_[i + 1] != nodes_[i].item->Items()) return true;
    return false;
}

void TMenuMirror::Build() {
    if (!attached_) return;
    Clear();
    for (platform::TMenuItem* item : root_->Items())
        topActions_.push_back(BuildAction(*item, this));
    structure_.clear();
    structure_.push_back(root_->Items());
    for (const TNode& node : nodes_) structure_.push_back(node.item->Items());
    if (OnRebuilt) OnRebuilt();
}

void ExecPopupMenu(platform::TPopupMenu& menu, QPoint globalPosition, const TRunAction& run) {
    run([&menu] { menu.Popup(); });
    QMenu qmenu;
    std::function<void(QMenu&, platform::TMenuItem&)> fill = [&](QMenu& target,
                                                                 platform::TMenuItem& parent) {
        for (platform::TMenuItem* item : parent.Items()) {
            if (!item->Visible()) continue;
            if (item->IsLine()) {
                target.addSeparator();
            } else if (item->Count() > 0) {
                QMenu* sub = target.addMenu(ToQString(item->Caption()));
                sub->setEnabled(item->Enabled());
                fill(*sub, *item);
            } else {
                QAction* action = target.addAction(MenuActionText(*item));
                action->setEnabled(item->Enabled());
                action->setCheckable(item->Checked());
                action->setChecked(item->Checked());
                action->setData(QVariant::fromValue(static_cast<void*>(item)));
            }
        }
    };
    fill(qmenu, *menu.Items());
    if (qmenu.isEmpty()) return;
    QAction* chosen = qmenu.exec(globalPosition);
    if (!chosen) return;
    auto* item = static_cast<platform::TMenuItem*>(chosen->data().value<void*>());
    if (item) run([item] { item->Click(); });
}

} // namespace desktop
