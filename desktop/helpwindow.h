// The help window of the desktop: the Portuguese pages shipped with the program, one per help
// context, shown in a browser window of their own.
#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;
class QWidget;

namespace platform {
class TForm;
}

namespace desktop {

/// One window, reused: each request shows the page of a context and raises the window.
class THelpWindow : public QDialog {
    Q_OBJECT
public:
    /// The folder the pages are read from: the build tree's copy when the program runs from
    /// there, else `../share/pag00900/help` beside the executable's folder; empty when neither
    /// holds the pages.
    static QString Folder();
    /// The page of a help context ("<context>.html"), or of a form without one (its screen
    /// code, e.g. "CTB10200.html"); empty when no such page is installed.
    static QString PageOf(int context, const QString& screenCode = {});
    /// The page for a form: its help context, else its screen code.
    static QString PageOf(const platform::TForm& form);

    /// Shows `page` in the help window (created on first use, parented to `parent`).
    static THelpWindow& Open(const QString& page, QWidget* parent);
    /// The window opened last; nullptr before the first Open.
    static THelpWindow* Current();

    QTextBrowser& Browser() const { return *browser_; }

private:
    explicit THelpWindow(QWidget* parent);
    QTextBrowser* browser_;
};

} // namespace desktop
