// The desktop's main window: the MDI area the screens open in, the menus, the status bar with
// the session, and the settings dialog.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QSettings;

namespace platform {
class TForm;
}

namespace desktop {

class TListCounter;
class TQtServices;
class TRenderer;

/// Stands in for the larger business application: menu "Contas a Pagar" with the item that
/// opens PAG00900, the active screen's own menus merged into the menu bar, "Janela" for the
/// MDI children, and a status bar with the active screen's list count and marks, operator,
/// company, branch and server. It owns the
/// renderer and the Services and installs the Services in the application object while it
/// lives. Closing it asks every screen to close first; a screen that refuses keeps it open.
class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    /// `store` keeps the settings per user (not owned; may be nullptr: nothing saved).
    explicit TMainWindow(QSettings* store, QWidget* parent = nullptr);
    ~TMainWindow() override;

    QMdiArea& MdiArea() const { return *mdiArea_; }
    TRenderer& Renderer() const { return *renderer_; }
    TQtServices& Services() const { return *services_; }
    QAction& OpenScreenAction() const { return *openScreen_; }

    /// What the menu item of PAG00900 runs (inside the application's exception boundary).
    void SetOpenScreen(std::function<void()> open) { open_ = std::move(open); }
    /// Opens PAG00900 as the menu item does.
    void OpenScreen();
    /// Re-reads the session into the status bar.
    void RefreshStatus();
    /// Shows the settings dialog; on OK the session takes the values and they are saved.
    void ShowSettings();
    /// The active screen's list count ("40 baixas, 2 marcadas"; empty without a list).
    QString ListCountText() const;
    /// The texts of the status bar, left to right.
    QStringList StatusTexts() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void MergeChildMenu(platform::TForm* form);

    QSettings* store_;
    QMdiArea* mdiArea_;
    std::unique_ptr<TRenderer> renderer_;
    std::unique_ptr<TQtServices> services_;
    QAction* openScreen_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::vector<QAction*> childActions_;
    std::unique_ptr<TListCounter> listCounter_;
    QLabel* countLabel_;
    QLabel* operatorLabel_;
    QLabel* companyLabel_;
    QLabel* branchLabel_;
    QLabel* serverLabel_;
    std::function<void()> open_;
    QString operationText_;
};

} // namespace desktop
