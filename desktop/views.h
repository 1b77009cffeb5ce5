// The views of each kind of platform control (private to the renderer's files).
#pragma once

#include <QFrame>
#include <QLineEdit>

#include "desktop/controlviews.h"

class QAbstractButton;
class QGroupBox;
class QRadioButton;
class QTabWidget;

namespace desktop {

class TGridView;

/// A plain windowed container.
class TContainerView : public TControlView {
public:
    using TControlView::TControlView;

protected:
    QWidget* CreateWidget(QWidget* host) override;
};

/// A control without a widget of its own kind: an empty, transparent area.
class TBlankView : public TControlView {
public:
    using TControlView::TControlView;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncColor() override {}
};

/// A panel: a frame with its bevel and an optional caption.
class TPanelView : public TControlView {
public:
    using TControlView::TControlView;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncText() override;
    void SyncAll() override;
};

class TGroupBoxView : public TControlView {
public:
    using TControlView::TControlView;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncText() override;
};

/// A radio group: a group box whose items are radio buttons laid out in its columns.
class TRadioGroupView : public TControlView {
public:
    using TControlView::TControlView;
    bool TakesClickFocus() const override { return true; }
    void Changed(platform::TChange change) override;
    /// The radio button of an item (for tests); nullptr outside the items.
    QRadioButton* ItemButton(int index) const;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncAll() override;
    void SyncBounds() override;
    void SyncText() override;

private:
    void BuildItems();
    void PlaceItems();
    void SyncChecks();
    QGroupBox* box_ = nullptr;
    std::vector<QRadioButton*> buttons_;
};

/// A page control: a tab widget whose pages are the tab sheets' widgets, in page order.
class TPageControlView : public TControlView {
public:
    using TControlView::TControlView;
    ~TPageControlView() override;
    bool TakesClickFocus() const override { return true; }
    void Changed(platform::TChange change) override;
    /// Re-reads the tabs (pages, captions, visibility) and the active page.
    void RefreshTabs();
    QTabWidget* Tabs() const { return tabs_; }

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncAll() override;
    void AdoptChild(TControlView& child) override;
    void ReleaseChild(TControlView& child) override;

private:
    QTabWidget* tabs_ = nullptr;
    QPointer<QObject> tabFilter_;
};

/// A tab sheet: its geometry and visibility belong to the tab widget. The platform's sheet takes
/// the size of the page Qt shows (smaller than the page control by its tabs), so that the
/// controls aligned in it fit the page.
class TTabSheetView : public TControlView {
public:
    using TControlView::TControlView;
    void Changed(platform::TChange change) override;
    /// Gives the sheet the page's size once control returns to the event loop.
    void FitLater();

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncBounds() override {}
    void SyncVisible() override {}

private:
    bool fitPending_ = false;
};

class TLabelView : public TControlView {
public:
    using TControlView::TControlView;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncText() override;
    void SyncFont() override;
    void SyncColor() override;
    void SyncBounds() override;

private:
    void FitScreenCode();
};

/// A data-aware text: the display text of its field in the current row.
class TDBTextView : public TLabelView {
public:
    using TLabelView::TLabelView;

protected:
    void SyncText() override;
};

class TImageView : public TControlView {
public:
    using TControlView::TControlView;
    void Changed(platform::TChange change) override;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncAll() override;
    void SyncColor() override {}

private:
    void SyncPicture();
};

class TProgressView : public TControlView {
public:
    using TControlView::TControlView;
    void Changed(platform::TChange change) override;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncAll() override;

private:
    void SyncPosition();
};

/// A tool button without focus: flat, with its glyph (or a simple drawn icon) and its hint.
class TSpeedButtonView : public TControlView {
public:
    using TControlView::TControlView;
    void Changed(platform::TChange change) override;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncAll() override;
    void SyncText() override;
    void SyncColor() override {}

private:
    void SyncLook();
};

/// Push buttons, check boxes and radio buttons: a click is the control's UserClick.
class TButtonView : public TControlView {
public:
    using TControlView::TControlView;
    bool TakesClickFocus() const override { return true; }
    void Changed(platform::TChange change) override;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncAll() override;
    void SyncText() override;

private:
    void SyncChecked();
    QAbstractButton* button_ = nullptr;
};

/// A line edit that shows what the platform edit holds and never edits by itself: keys go to
/// the platform's typing model (through the renderer); caret and selection made with the
/// mouse are handed back to the control.
class TEditView : public TControlView {
public:
    using TControlView::TControlView;
    bool TakesClickFocus() const override { return true; }
    void Changed(platform::TChange change) override;
    QLineEdit* LineEdit() const { return edit_; }

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncAll() override;
    void SyncText() override;
    void SyncColor() override;
    void SyncFont() override;
    void SyncSelection();
    void SyncReadOnly();
    QLineEdit* edit_ = nullptr;
};

/// A date edit: a line edit with a calendar pop-up headed by the edit's weekday names; the
/// weekday of the date shown is the edit's tooltip.
class TDateEditView : public TEditView {
public:
    using TEditView::TEditView;
    /// Opens the calendar (as the button beside the text does).
    void OpenCalendar();

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncText() override;
    void SyncHint() override;
};

class TGridControlView : public TControlView {
public:
    using TControlView::TControlView;
    bool TakesClickFocus() const override { return true; }
    void Changed(platform::TChange change) override;
    TGridView* GridView() const;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncColor() override;
};

/// A simple drawn icon for a tool button without a glyph, chosen by its name or hint
/// (include, change, delete, verify, cancel, confirm, print, exit, filter, accounting, search,
/// help, undo, first/prior/next/last). A null icon when none fits.
QIcon CommandIcon(const std::string& name, const std::string& hint);

/// The icon of the application's windows: a small ledger page.
QIcon WindowIcon();

} // namespace desktop
