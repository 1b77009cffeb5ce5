// The desktop's own keys (see keyrules.h).
#include "desktop/keyrules.h"

#include <QKeyEvent>

#include "desktop/renderer.h"
#include "desktop/views.h"
#include "host/btnpesquisa.h"
#include "host/frmfiltropadrao.h"
#include "host/numberedit.h"
#include "platform/application.h"
#include "platform/comctrls.h"
#include "platform/formats.h"
#include "platform/stdctrls.h"

namespace desktop {

namespace {

template <class T> T* FindComponent(const platform::TForm& form, bool (T::*wanted)() const) {
    for (platform::TComponent* component : form.Components())
        if (auto* found = dynamic_cast<T*>(component); found && (found->*wanted)()) return found;
    return nullptr;
}

bool IsDialog(const platform::TForm& form) {
    return form.IsModal() && !form.IsMDIChild();
}

// Enter presses the dialog's default button (the filter dialog's is its confirm button).
bool PressDefault(platform::TForm& form) {
    if (auto* button = FindComponent<platform::TButton>(form, &platform::TButton::Default)) {
        if (button->EnabledWithParents()) TRenderer::Run([button] { button->Click(); });
        return true;
    }
    if (auto* filter = dynamic_cast<host::TfrmFiltroPadrao*>(&form)) {
        if (filter->sbtConfirma->EnabledWithParents())
            TRenderer::Run([filter] { filter->sbtConfirma->Click(); });
        return true;
    }
    return false;
}

// Esc presses the cancel button, else closes the dialog as its close button does.
void PressCancel(platform::TForm& form) {
    if (auto* button = FindComponent<platform::TButton>(form, &platform::TButton::Cancel)) {
        if (button->EnabledWithParents()) TRenderer::Run([button] { button->Click(); });
        return;
    }
    TRenderer::Run([&form] { form.Close(); });
}

// The page control around the focus, else the form's first one.
platform::TPageControl* PageControlOf(platform::TForm& form) {
    for (platform::TControl* c = form.FocusedControl(); c; c = c->Parent())
        if (auto* pages = dynamic_cast<platform::TPageControl*>(c)) return pages;
    for (platform::TComponent* component : form.Components())
        if (auto* pages = dynamic_cast<platform::TPageControl*>(component);
            pages && pages->Showing())
            return pages;
    return nullptr;
}

void StepPage(platform::TPageControl& pages, bool forward) {
    const int n = pages.PageCount();
    const int at = pages.ActivePageIndex();
    for (int step = 1; step < n; ++step) {
        platform::TTabSheet* page = pages.Page(((at + (forward ? step : -step)) % n + n) % n);
        if (!page->TabVisible()) continue;
        TRenderer::Run([&pages, page] {
            pages.SelectPage(page);
            // The page's first control takes the focus, as when the dialog opened.
            if (pages.ActivePage() == page)
                if (platform::TForm* form = pages.ParentForm()) form->SelectNext(page, true);
        });
        return;
    }
}

// The search button of the group the focus is in, when it is enabled.
host::TBtnPesquisa* SearchButtonAround(platform::TForm& form) {
    for (platform::TControl* c = form.FocusedControl(); c; c = c->Parent()) {
        auto* group = dynamic_cast<platform::TWinControl*>(c);
        if (!group || group == &form) break;
        for (platform::TControl* child : group->Controls())
            if (auto* button = dynamic_cast<host::TBtnPesquisa*>(child))
                return button->EnabledWithParents() && button->Showing() ? button : nullptr;
    }
    return nullptr;
}

bool OpenPopup(TRenderer& renderer, platform::TForm& form) {
    if (auto* view = dynamic_cast<TDateEditView*>(renderer.ViewOf(form.FocusedControl()))) {
        view->OpenCalendar();
        return true;
    }
    if (host::TBtnPesquisa* button = IsDialog(form) ? SearchButtonAround(form) : nullptr) {
        TRenderer::Run([button] { button->Click(); });
        return true;
    }
    return false;
}

} // namespace

bool RunDesktopKey(TRenderer& renderer, platform::TForm& form, const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        const bool forward = key == Qt::Key_Tab || key == Qt::Key_PageDown;
        const bool backward = key == Qt::Key_Backtab ||
                              (key == Qt::Key_Tab && (mods & Qt::ShiftModifier)) ||
                              key == Qt::Key_PageUp;
        if (forward || backward) {
            platform::TPageControl* pages = PageControlOf(form);
            if (!pages) return false;
            StepPage(*pages, forward && !backward);
            return true;
        }
    }
    if ((key == Qt::Key_F4 && mods == Qt::NoModifier) ||
        (key == Qt::Key_Down && mods == Qt::AltModifier))
        return OpenPopup(renderer, form);
    if (key == Qt::Key_F1 && mods == Qt::NoModifier)
        return platform::Application().Services().ShowHelp(form);
    if (IsDialog(form) && mods == Qt::NoModifier) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return PressDefault(form);
        if (key == Qt::Key_Escape) {
            PressCancel(form);
            return true;
        }
    }
    return false;
}

TKeyInput FormKeyInput(platform::TForm& form, const QKeyEvent& event) {
    TKeyInput input = KeyInput(event);
    const bool keypadDecimal = (event.modifiers() & Qt::KeypadModifier) &&
                               (event.key() == Qt::Key_Period || event.key() == Qt::Key_Comma);
    if (keypadDecimal && dynamic_cast<host::TNumberEdit*>(form.FocusedControl()))
        input.ch = static_cast<platform::TKeyChar>(platform::FormatSettings().DecimalSeparator);
    return input;
}

} // namespace desktop
