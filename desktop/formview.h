// The window of a platform form: an MDI sub-window or a dialog around the form's client area.
#pragma once

#include <QDialog>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>

#include <memory>

#include "desktop/controlviews.h"

namespace platform {
class TForm;
}

namespace desktop {

class TMenuMirror;

/// The view of a form. Its widget is the client area (the controls' host), placed in a
/// QMdiSubWindow when the form is an MDI child and the renderer has an MDI area, otherwise in
/// a top-level dialog (with the form's own menu bar). The client area has the size of the area
/// the form lays its controls in (its ClientRect); a person resizing the window resizes the
/// form, which realigns its controls.
/// Closing the window asks the form to close; the form decides.
class TFormView : public TControlView {
public:
    TFormView(TRenderer& renderer, platform::TForm& form);
    ~TFormView() override;

    platform::TForm& Form() const;
    /// The sub-window or the dialog.
    QWidget* Window() const;
    QMdiSubWindow* SubWindow() const { return sub_; }
    /// The form's main menu as actions (nullptr when it has none).
    TMenuMirror* Menu() const { return menu_.get(); }
    /// True when the form's menu is merged into the host's menu bar (an MDI child in an area).
    bool MenuMerged() const;

    void ShowWindow();
    void HideWindow();
    void ActivateWindow();
    /// Called by the client area when Qt resized it.
    void ClientResized();

    void Changed(platform::TChange change) override;

protected:
    QWidget* CreateWidget(QWidget* host) override;
    void SyncBounds() override;
    void SyncVisible() override {}
    void SyncText() override;

private:
    void Place();
    void SyncWindowState();
    void BuildMenuBar();

    QPointer<QMdiSubWindow> sub_;
    QPointer<QDialog> dialog_;
    QPointer<QMenuBar> menuBar_;
    std::unique_ptr<TMenuMirror> menu_;
    bool placed_ = false;
};

} // namespace desktop
