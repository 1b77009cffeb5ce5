// The generic renderer: platform forms become Qt windows, controls widgets, a person's input
// control events.
#include "desktop/renderer.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include "desktop/formview.h"
#include "desktop/keyrules.h"
#include "desktop/menumirror.h"
#include "desktop/qtconvert.h"
#include "platform/application.h"
#include "platform/comctrls.h"
#include "platform/menus.h"
#include "platform/stdctrls.h"

namespace desktop {

TRenderer::TRenderer(QMdiArea* mdiArea, QWidget* dialogParent)
    : mdiArea_(mdiArea), dialogParent_(dialogParent) {
    qApp->installEventFilter(this);
    if (mdiArea_)
        connect(mdiArea_, &QMdiArea::subWindowActivated, this,
                [this](QMdiSubWindow* window) { ActiveSubWindowChanged(window); });
}

TRenderer::~TRenderer() {
    qApp->removeEventFilter(this);
    for (auto& [form, view] : forms_) view->Detach();
    forms_.clear();
    buried_.clear();
}

namespace {
int actionDepth = 0;
}

std::function<void()> TRenderer::OnActionEnded;

bool TRenderer::Run(const std::function<void()>& action) {
    ++actionDepth;
    const bool ran = platform::Application().Run(action);
    if (--actionDepth == 0 && OnActionEnded) OnActionEnded();
    return ran;
}

// ---- Forms ----

void TRenderer::FormShown(platform::TForm& form) {
    if (form.FormStyle() == platform::TFormStyle::fsMDIForm) return; // the host's main window
    auto it = forms_.find(&form);
    if (it == forms_.end()) {
        auto view = std::make_unique<TFormView>(*this, form);
        TFormView* created = view.get();
        forms_.emplace(&form, std::move(view));
        created->Build(nullptr, nullptr);
        it = forms_.find(&form);
    }
    it->second->ShowWindow();
}

void TRenderer::FormHidden(platform::TForm& form) {
    auto it = forms_.find(&form);
    if (it == forms_.end()) return;
    it->second->HideWindow();
    EndModalLoops(form);
    if (activeChild_ == &form) {
        activeChild_ = nullptr;
        if (OnActiveChildChanged) OnActiveChildChanged(nullptr);
    }
}

void TRenderer::FormActivated(platform::TForm& form) {
    auto it = forms_.find(&form);
    if (it == forms_.end()) return;
    ++activating_;
    it->second->ActivateWindow();
    --activating_;
    if (form.IsMDIChild() && activeChild_ != &form) {
        activeChild_ = &form;
        if (OnActiveChildChanged) OnActiveChildChanged(&form);
    }
    ApplyFocus(form);
}

void TRenderer::FormDestroyed(platform::TForm& form) {
    auto it = forms_.find(&form);
    if (it == forms_.end()) return;
    EndModalLoops(form);
    if (activeChild_ == &form) {
        activeChild_ = nullptr;
        if (OnActiveChildChanged) OnActiveChildChanged(nullptr);
    }
    if (lockedWindow_ == form.Handle()) LockWindowUpdate(0);
    it->second->Detach();
    it->second->HideWindow();
    std::unique_ptr<TFormView> view = std::move(it->second);
    forms_.erase(it);
    Bury(std::move(view));
}

void TRenderer::Bury(std::unique_ptr<TControlView> view) {
    if (!view) return;
    buried_.push_back(std::move(view));
    if (buried_.size() == 1) ScheduleBurial();
}

void TRenderer::ScheduleBurial() {
    QTimer::singleShot(0, this, [this] {
        // Not while a person's action is still running: its handlers may be on the stack.
        if (platform::Application().RunDepth() > 0) {
            ScheduleBurial();
            return;
        }
        std::vector<std::unique_ptr<TControlView>> dead = std::move(buried_);
        buried_.clear();
    });
}

void TRenderer::ActiveSubWindowChanged(QMdiSubWindow* window) {
    if (activating_ > 0 || !window) return;
    for (auto& [form, view] : forms_)
        if (view->SubWindow() == window) {
            platform::TForm* target = const_cast<platform::TForm*>(form);
            if (platform::Application().ActiveMDIChild() != target)
                Run([target] { target->BringToFront(); });
            return;
        }
}

void TRenderer::LockWindowUpdate(platform::THandle handle) {
    if (lockedWidget_) {
        lockedWidget_->setUpdatesEnabled(true);
        lockedWidget_->update();
    }
    lockedWidget_ = nullptr;
    lockedWindow_ = handle;
    if (handle == 0) return;
    platform::TWinControl* control = platform::TWinControl::FindControl(handle);
    if (!control) return;
    QWidget* widget = nullptr;
    if (auto* form = dynamic_cast<platform::TForm*>(control))
        widget = WindowOf(form);
    else
        widget = WidgetOf(control);
    if (!widget) return;
    widget->setUpdatesEnabled(false);
    lockedWidget_ = widget;
}

platform::TModalResult TRenderer::RunModal(platform::TForm& form) {
    if (form.ModalResult() != platform::mrNone || forms_.find(&form) == forms_.end())
        return platform::mrNone;
    // The first keys typed must not be lost: a dialog opens with its first control focused.
    // A page control passes the focus on to the first control of the page shown.
    Run([&form] {
        if (!form.FocusedControl()) form.SelectFirst();
        auto* pages = dynamic_cast<platform::TPageControl*>(form.FocusedControl());
        if (pages && pages->ActivePage()) form.SelectNext(pages, true);
    });
    ApplyFocus(form);
    QEventLoop loop;
    auto entry = modalLoops_.emplace(&form, [&loop] { loop.quit(); });
    loop.exec(QEventLoop::DialogExec);
    for (auto it = modalLoops_.begin(); it != modalLoops_.end(); ++it)
        if (it == entry) {
            modalLoops_.erase(it);
            break;
        }
    return platform::mrNone;
}

void TRenderer::ModalResultChanged(platform::TForm& form) {
    if (form.ModalResult() != platform::mrNone) EndModalLoops(form);
}

void TRenderer::EndModalLoops(platform::TForm& form) {
    auto range = modalLoops_.equal_range(&form);
    for (auto it = range.first; it != range.second; ++it) it->second();
}

// ---- Lookups ----

void TRenderer::Register(TControlView& view) {
    byControl_[&view.Control()] = &view;
    if (view.Widget()) byWidget_[view.Widget()] = &view;
    if (auto* form = dynamic_cast<TFormView*>(&view))
        if (QWidget* window = form->Window()) byWidget_[window] = &view;
}

void TRenderer::Unregister(TControlView& view) {
    for (auto it = byControl_.begin(); it != byControl_.end();)
        it = it->second == &view ? byControl_.erase(it) : std::next(it);
    for (auto it = byWidget_.begin(); it != byWidget_.end();)
        it = it->second == &view ? byWidget_.erase(it) : std::next(it);
}

TControlView* TRenderer::ViewOf(const platform::TControl* control) const {
    auto it = byControl_.find(control);
    return it == byControl_.end() ? nullptr : it->second;
}

QWidget* TRenderer::WidgetOf(const platform::TControl* control) const {
    TControlView* view = ViewOf(control);
    return view ? view->Widget() : nullptr;
}

QWidget* TRenderer::WindowOf(const platform::TForm* form) const {
    auto it = forms_.find(form);
    return it == forms_.end() ? nullptr : it->second->Window();
}

TControlView* TRenderer::ViewAt(QWidget* widget) const {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        auto it = byWidget_.find(w);
        if (it != byWidget_.end()) return it->second;
        if (w->isWindow()) return nullptr;
    }
    return nullptr;
}

// ---- Focus ----

void TRenderer::ApplyFocus(platform::TForm& form) {
    if (platform::Application().ActiveForm() != &form) return;
    QWidget* target = nullptr;
    if (platform::TWinControl* focused = form.FocusedControl()) target = WidgetOf(focused);
    if (!target) {
        auto it = forms_.find(&form);
        if (it == forms_.end()) return;
        target = it->second->Widget();
    }
    if (!target || target->hasFocus()) return;
    ++applyingFocus_;
    // The focus moves by the platform's keys too: the window shows where it is, as after Tab.
    target->window()->setAttribute(Qt::WA_KeyboardFocusChange);
    target->setFocus(Qt::OtherFocusReason);
    --applyingFocus_;
}

// ---- Input ----

bool TRenderer::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::FocusIn: break;
    default: return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    TControlView* view = ViewAt(widget);
    if (!view) return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return HandleMousePress(*view, event);
    case QEvent::KeyPress: return HandleKey(*view, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: return true;
    case QEvent::ShortcutOverride: {
        // Keys belong to the form; only Alt alone with a letter is left to the menu bar.
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) == Qt::AltModifier)
            return false;
        event->accept();
        return true;
    }
    case QEvent::InputMethod: {
        auto* input = static_cast<QInputMethodEvent*>(event);
        platform::TForm* form = view->Control().ParentForm();
        const std::string text = FromQString(input->commitString());
        if (form && !text.empty()) Run([form, text] { form->TypeText(text); });
        return true;
    }
    case QEvent::ContextMenu: {
        platform::TControl& control = view->Control();
        platform::TPopupMenu* popup = nullptr;
        for (platform::TControl* c = &control; c && !popup; c = c->Parent()) popup = c->PopupMenu();
        if (popup && popup->AutoPopup()) {
            ExecPopupMenu(*popup, static_cast<QContextMenuEvent*>(event)->globalPos(),
                          [](const std::function<void()>& action) { Run(action); });
            return true;
        }
        return dynamic_cast<platform::TCustomEdit*>(&control) != nullptr;
    }
    case QEvent::FocusIn: {
        if (applyingFocus_ > 0) return false;
        // Qt's focus follows the platform's: when Qt put it elsewhere, it is brought back.
        platform::TForm* form = view->Control().ParentForm();
        if (form && form->FocusedControl() != &view->Control()) {
            QPointer<QWidget> guard(widget);
            QTimer::singleShot(0, this, [this, form, guard] {
                if (!guard) return;
                for (auto& [f, v] : forms_)
                    if (f == form) {
                        ApplyFocus(*form);
                        return;
                    }
            });
        }
        return false;
    }
    default: return false;
    }
}

bool TRenderer::HandleMousePress(TControlView& view, QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    platform::TControl& control = view.Control();
    if (mouse->button() == Qt::MiddleButton && dynamic_cast<platform::TCustomEdit*>(&control))
        return true;
    if (!view.TakesClickFocus()) return false;
    auto* win = dynamic_cast<platform::TWinControl*>(&control);
    if (!win || win->Focused() || !win->CanFocus()) return false;
    Run([win] { win->SetFocus(); });
    // A handler that kept the focus elsewhere also keeps the click from happening.
    return !win->Focused();
}

bool TRenderer::HandleKey(TControlView& view, QKeyEvent* event) {
    platform::TForm* form = view.Control().ParentForm();
    if (!form) return false;
    if (auto* edit = dynamic_cast<platform::TCustomEdit*>(form->FocusedControl())) {
        if (event->matches(QKeySequence::Paste)) {
            const std::string text = FromQString(QApplication::clipboard()->text());
            Run([form, text] { form->TypeText(text); });
            return true;
        }
        if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
            if (edit->SelLength() > 0)
                QApplication::clipboard()->setText(ToQString(edit->SelText()));
            if (event->matches(QKeySequence::Cut) && edit->SelLength() > 0)
                Run([form] { form->PressKey(platform::VK_DELETE, 0); });
            return true;
        }
        if (event->matches(QKeySequence::SelectAll)) {
            Run([edit] { edit->SelectAll(); });
            return true;
        }
    }
    if (RunDesktopKey(*this, *form, *event)) return true;
    TKeyInput input = FormKeyInput(*form, *event);
    if (input.key == 0 && input.ch == 0) return true;
    Run([form, input] { form->PressKey(input.key, input.shift, input.ch); });
    return true;
}

} // namespace desktop
