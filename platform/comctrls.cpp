// Common controls: page control with tab sheets, and the progress bar.
#include "platform/comctrls.h"

#include <algorithm>

#include "platform/forms.h"

namespace platform {

// ---- TTabSheet ----

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    // A sheet shows only once it is its page control's active page.
    TWinControl::SetVisible(false);
}

TTabSheet::~TTabSheet() {
    // Leave the page list while this object is still whole.
    if (pageControl_) pageControl_->ForgetPage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    SetParent(pageControl);
}

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::SetTabVisible(bool value) {
    if (!AssignIfChanged(tabVisible_, value)) return;
    Changed(TChange::Visible);
    if (pageControl_) pageControl_->Changed(TChange::ActivePage);
}

void TTabSheet::Click() {
    if (pageControl_) pageControl_->SelectPage(this);
}

void TTabSheet::UserClick() {
    if (!pageControl_ || !tabVisible_) return;
    if (!pageControl_->Showing() || !pageControl_->EnabledWithParents()) return;
    pageControl_->SelectPage(this);
}

TTabSheet* CreateTabSheet(TComponent& owner, TPageControl* pageControl, const char* name,
                          const char* caption) {
    auto* sheet = owner.Create<TTabSheet>();
    sheet->SetName(name);
    sheet->SetCaption(caption);
    sheet->SetPageControl(pageControl);
    return sheet;
}

// ---- TPageControl ----

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
}

TPageControl::~TPageControl() {
    for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
}

TTabSheet* TPageControl::Page(int index) const {
    if (index < 0 || index >= PageCount()) throw ERangeError("Índice de página fora dos limites");
    return pages_[static_cast<std::size_t>(index)];
}

void TPageControl::ChildrenChanged() {
    // Pages that left the children.
    std::vector<TTabSheet*> gone;
    for (TTabSheet* page : pages_)
        if (std::find(Controls().begin(), Controls().end(), page) == Controls().end())
            gone.push_back(page);
    for (TTabSheet* page : gone) ForgetPage(page);
    // Sheets that joined the children become the last pages; the first one becomes active.
    for (TControl* c : Controls())
        if (auto* sheet = dynamic_cast<TTabSheet*>(c);
            sheet && std::find(pages_.begin(), pages_.end(), sheet) == pages_.end()) {
            pages_.push_back(sheet);
            sheet->pageControl_ = this;
            sheet->SetAlign(TAlign::alClient);
            if (!activePage_) {
                activePage_ = sheet;
                sheet->TWinControl::SetVisible(true);
            } else {
                sheet->TWinControl::SetVisible(false);
            }
        }
    TWinControl::ChildrenChanged();
    Changed(TChange::ActivePage);
}

void TPageControl::ForgetPage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    std::size_t at = static_cast<std::size_t>(it - pages_.begin());
    pages_.erase(it);
    page->pageControl_ = nullptr;
    if (activePage_ == page) {
        activePage_ = pages_.empty() ? nullptr : pages_[std::min(at, pages_.size() - 1)];
        if (activePage_) activePage_->TWinControl::SetVisible(true);
    }
    Changed(TChange::ActivePage);
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page == activePage_) return;
    if (page && page->pageControl_ != this)
        throw EInvalidOperation("A página '" + page->Name() + "' não pertence a '" + Name() + "'");
    TForm* form = ParentForm();
    if (form && activePage_ && activePage_->ContainsControl(form->FocusedControl())) {
        // The focus leaves the page first; a handler that refuses keeps the page.
        if (CanFocus())
            form->FocusControl(this);
        else
            form->FocusControl(nullptr);
        if (activePage_->ContainsControl(form->FocusedControl())) return;
    }
    TTabSheet* old = activePage_;
    activePage_ = page;
    if (old) old->TWinControl::SetVisible(false);
    if (page) page->TWinControl::SetVisible(true);
    Changed(TChange::ActivePage);
}

int TPageControl::ActivePageIndex() const {
    return activePage_ ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)]
                                                    : nullptr);
}

void TPageControl::SelectPage(TTabSheet* page) {
    if (!page || page == activePage_ || page->pageControl_ != this || !page->TabVisible()) return;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    SetActivePage(page);
    if (activePage_ == page && OnChange) OnChange(this);
}

void TPageControl::HandleKeyDown(Word& key, TShiftState shift) {
    bool next = key == VK_RIGHT || (key == VK_TAB && (shift & ssCtrl) && !(shift & ssShift));
    bool prior = key == VK_LEFT || (key == VK_TAB && (shift & ssCtrl) && (shift & ssShift));
    if (!next && !prior) return;
    int n = PageCount();
    int at = ActivePageIndex();
    for (int step = 1; step < n; ++step) {
        int i = ((at + (next ? step : -step)) % n + n) % n;
        if (pages_[static_cast<std::size_t>(i)]->TabVisible()) {
            SelectPage(pages_[static_cast<std::size_t>(i)]);
            return;
        }
    }
}

// ---- TProgressBar ----

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {}

void TProgressBar::SetRange(int min, int max) {
    if (max < min) max = min;
    if (min == min_ && max == max_) return;
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
    Changed(TChange::Position);
}

void TProgressBar::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (AssignIfChanged(position_, position)) Changed(TChange::Position);
}

} // namespace platform
