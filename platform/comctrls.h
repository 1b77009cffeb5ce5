// Common controls: page control with tab sheets, and the progress bar.
#pragma once

#include <functional>
#include <vector>

#include "platform/controls.h"

namespace platform {

class TPageControl;

/// One page of a page control. Only the active page is visible; its controls can take the
/// focus only then. Clicking a sheet (its tab) makes it the active page.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    const char* ClassName() const override { return "TTabSheet"; }

    TPageControl* PageControl() const { return pageControl_; }
    /// Puts the sheet into a page control (as its last page), or takes it out (nullptr).
    void SetPageControl(TPageControl* pageControl);
    /// Position among the page control's pages; -1 outside one.
    int PageIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);
    /// Makes the sheet the active page as a person's tab click does (see SelectPage).
    void Click() override;
    /// A person clicking the sheet's tab: works while the page control shows and is enabled,
    /// even though the sheet itself is hidden until then.
    void UserClick() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
};

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

/// Pages shown one at a time. Invariant: ActivePage() is nullptr or one of Pages(), and it is
/// the only page that is visible.
class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    const char* ClassName() const override { return "TPageControl"; }

    const std::vector<TTabSheet*>& Pages() const { return pages_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Page(int index) const;
    TTabSheet* ActivePage() const { return activePage_; }
    /// Shows the page. When the focus is inside the page being left it first moves to the page
    /// control itself (running the exit events; an exception there leaves the page as it was).
    /// Setting the page from code runs neither OnChanging nor OnChange.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    /// A person selecting a page by its tab: OnChanging may refuse; then the page is shown,
    /// and OnChange runs.
    void SelectPage(TTabSheet* page);

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    void HandleKeyDown(Word& key, TShiftState shift) override;
    /// Keeps Pages() in step with the tab sheets among the children.
    void ChildrenChanged() override;

private:
    friend class TTabSheet;
    /// Takes a page out of Pages(), choosing another active page when it was the active one.
    void ForgetPage(TTabSheet* page);
    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
};

/// Creates a tab sheet owned by `owner`, named `name` with `caption`, as the last page of
/// `pageControl`.
TTabSheet* CreateTabSheet(TComponent& owner, TPageControl* pageControl, const char* name,
                          const char* caption);

/// A bar showing Position between Min and Max. Invariant: Min <= Position <= Max.
class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);
    const char* ClassName() const override { return "TProgressBar"; }
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    /// Sets both bounds (max below min is raised to min); the position is kept inside them.
    void SetRange(int min, int max);
    void SetMin(int min) { SetRange(min, max_ < min ? min : max_); }
    void SetMax(int max) { SetRange(min_ > max ? max : min_, max); }
    /// The position, kept inside [Min, Max].
    void SetPosition(int position);
    int Step() const { return step_; }
    void SetStep(int step) { step_ = step; }
    void StepIt() { SetPosition(position_ + step_ > max_ ? min_ : position_ + step_); }

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
};

} // namespace platform
