// The window of a platform form: an MDI sub-window or a dialog around the form's client area.
#include "desktop/formview.h"

#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

#include "desktop/layoutmemory.h"
#include "desktop/menumirror.h"
#include "desktop/qtconvert.h"
#include "desktop/renderer.h"
#include "platform/application.h"
#include "platform/forms.h"
#include "platform/menus.h"

namespace desktop {

namespace {

/// The client area: reports Qt's resizes and asks for the form's client size.
class TClientArea : public QWidget {
public:
    TClientArea(TFormView& view, QWidget* parent) : QWidget(parent), view_(view) {
        setFocusPolicy(Qt::NoFocus);
    }
    QSize wanted;
    QSize sizeHint() const override { return wanted; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        view_.ClientResized();
    }

private:
    TFormView& view_;
};

/// An MDI sub-window whose close button asks the form.
class TSubWindow : public QMdiSubWindow {
public:
    explicit TSubWindow(platform::TForm& form) : form_(form) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        platform::TForm* form = &form_;
        TRenderer::Run([form] { form->Close(); });
    }

private:
    platform::TForm& form_;
};

/// A dialog whose close button and Esc (when no control takes it) ask the form.
class TFormDialog : public QDialog {
public:
    TFormDialog(platform::TForm& form, QWidget* parent) : QDialog(parent), form_(form) {}
    void reject() override {
        platform::TForm* form = &form_;
        TRenderer::Run([form] { form->Close(); });
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        reject();
    }

private:
    platform::TForm& form_;
};

} // namespace

TFormView::TFormView(TRenderer& renderer, platform::TForm& form) : TControlView(renderer, form) {}

TFormView::~TFormView() {
    if (menu_) menu_->Detach();
    menu_.reset();
    if (sub_) {
        sub_->hide();
        sub_->deleteLater();
    }
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
    }
}

platform::TForm& TFormView::Form() const {
    return static_cast<platform::TForm&>(Control());
}

QWidget* TFormView::Window() const {
    if (sub_) return sub_;
    return dialog_;
}

bool TFormView::MenuMerged() const {
    return sub_ != nullptr;
}

QWidget* TFormView::CreateWidget(QWidget*) {
    platform::TForm& form = Form();
    QWidget* client = nullptr;
    if (form.IsMDIChild() && Renderer().MdiArea()) {
        sub_ = new TSubWindow(form);
        sub_->setAttribute(Qt::WA_DeleteOnClose, false);
        client = new TClientArea(*this, sub_);
        sub_->setWidget(client);
        QObject::connect(sub_, &QMdiSubWindow::windowStateChanged, &context_,
                         [this](Qt::WindowStates, Qt::WindowStates now) {
                             if (syncing_ > 0) return;
                             platform::TWindowState state = platform::TWindowState::wsNormal;
                             if (now & Qt::WindowMinimized)
                                 state = platform::TWindowState::wsMinimized;
                             if (now & Qt::WindowMaximized)
                                 state = platform::TWindowState::wsMaximized;
                             platform::TForm* target = &Form();
                             if (target->WindowState() != state) {
                                 ++syncing_;
                                 Run([target, state] { target->SetWindowState(state); });
                                 --syncing_;
                             }
                         });
    } else {
        dialog_ = new TFormDialog(form, Renderer().DialogParent());
        dialog_->setSizeGripEnabled(false);
        auto* layout = new QVBoxLayout(dialog_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        client = new TClientArea(*this, dialog_);
        layout->addWidget(client);
    }
    if (form.Menu()) {
        menu_ = std::make_unique<TMenuMirror>(
            *form.Menu()->Items(),
            [](const std::function<void()>& action) { TRenderer::Run(action); });
        menu_->OnRebuilt = [this] {
            if (dialog_)
                BuildMenuBar();
            else if (Renderer().OnActiveChildChanged &&
                     platform::Application().ActiveMDIChild() == &Form())
                Renderer().OnActiveChildChanged(&Form());
        };
        if (dialog_) BuildMenuBar();
    }
    return client;
}

void TFormView::BuildMenuBar() {
    if (!dialog_ || !menu_) return;
    if (!menuBar_) {
        menuBar_ = new QMenuBar(dialog_);
        static_cast<QVBoxLayout*>(dialog_->layout())->setMenuBar(menuBar_);
    }
    menuBar_->clear();
    for (QAction* action : menu_->TopActions()) menuBar_->addAction(action);
}

void TFormView::SyncText() {
    if (QWidget* window = Window()) window->setWindowTitle(ToQString(Control().Caption()));
}

void TFormView::SyncBounds() {
    platform::TForm& form = Form();
    auto* client = static_cast<TClientArea*>(Widget());
    // The client area is the area the form lays its controls in.
    const platform::TRect area = form.ClientRect();
    client->wanted = QSize(area.Width(), area.Height());
    client->updateGeometry();
    if (sub_) {
        if (!(sub_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
            client->resize(client->wanted);
            sub_->resize(sub_->sizeHint());
            if (sub_->isVisible()) {
                // The frame's real size is known once shown: the window grows by what is missing.
                if (QLayout* layout = sub_->layout()) layout->activate();
                QSize missing = client->wanted - client->size();
                if (!missing.isNull()) sub_->resize(sub_->size() + missing);
            }
            if (placed_) Place();
        }
    } else if (dialog_) {
        client->resize(client->wanted);
        dialog_->resize(dialog_->sizeHint());
        if (form.BorderStyle() == platform::TBorderStyle::bsDialog ||
            form.BorderStyle() == platform::TBorderStyle::bsSingle)
            dialog_->setFixedSize(dialog_->sizeHint());
    }
}

void TFormView::ClientResized() {
    if (syncing_ > 0 || !Attached()) return;
    platform::TForm& form = Form();
    QSize size = Widget()->size();
    const platform::TRect area = form.ClientRect();
    if (size.width() == area.Width() && size.height() == area.Height()) return;
    // The frame around the layout area stays as the form counts it.
    const int frameWidth = form.Width() - area.Width();
    const int frameHeight = form.Height() - area.Height();
    ++syncing_;
    platform::TForm* target = &form;
    Run([target, size, frameWidth, frameHeight] {
        target->SetBounds(target->Left(), target->Top(), size.width() + frameWidth,
                          size.height() + frameHeight);
    });
    --syncing_;
}

void TFormView::Place() {
    platform::TForm& form = Form();
    if (sub_) {
        QWidget* area = Renderer().MdiArea() ? Renderer().MdiArea()->viewport() : nullptr;
        int x = form.Left(), y = form.Top();
        if (area) {
            x = std::clamp(x, 0, std::max(0, area->width() - sub_->width()));
            y = std::clamp(y, 0, std::max(0, area->height() - sub_->height()));
        }
        sub_->move(x, y);
    } else if (dialog_) {
        QWidget* parent = Renderer().DialogParent();
        QRect frame = dialog_->frameGeometry();
        if (form.Position() == platform::TPosition::poDesigned) {
            dialog_->move(form.Left(), form.Top());
        } else if (parent && parent->isVisible()) {
            QPoint centre = parent->mapToGlobal(parent->rect().center());
            dialog_->move(centre - QPoint(frame.width() / 2, frame.height() / 2));
        } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QPoint centre = screen->availableGeometry().center();
            dialog_->move(centre - QPoint(frame.width() / 2, frame.height() / 2));
        }
    }
    placed_ = true;
}

void TFormView::ShowWindow() {
    ++syncing_;
    SyncBounds();
    const bool firstShow = !placed_;
    // The designed size is the smallest a window gets: its anchored controls never overlap.
    if (firstShow && Form().BorderStyle() == platform::TBorderStyle::bsSizeable)
        Widget()->setMinimumSize(static_cast<TClientArea*>(Widget())->wanted);
    if (sub_) {
        if (!sub_->mdiArea()) Renderer().MdiArea()->addSubWindow(sub_);
        if (!placed_) Place();
        SyncWindowState();
        sub_->show();
        SyncBounds();
    } else if (dialog_) {
        dialog_->setWindowModality(Form().IsModal() ? Qt::ApplicationModal : Qt::NonModal);
        if (!placed_) Place();
        dialog_->show();
        dialog_->raise();
    }
    --syncing_;
    // A screen's window comes back where and as large as the operator left it; the form
    // follows its new client size.
    const QRect remembered = RememberedLayout(Form(), QStringLiteral("janela")).toRect();
    if (firstShow && sub_ && remembered.isValid() && sub_->windowState() == Qt::WindowNoState)
        sub_->setGeometry(remembered);
}

void TFormView::HideWindow() {
    if (sub_ && sub_->isVisible() && sub_->windowState() == Qt::WindowNoState)
        RememberLayout(Form(), QStringLiteral("janela"), sub_->geometry());
    if (QWidget* window = Window()) window->hide();
}

void TFormView::ActivateWindow() {
    if (sub_ && Renderer().MdiArea()) {
        Renderer().MdiArea()->setActiveSubWindow(sub_);
    } else if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
    }
}

void TFormView::SyncWindowState() {
    if (!sub_) return;
    switch (Form().WindowState()) {
    case platform::TWindowState::wsMaximized: sub_->showMaximized(); break;
    case platform::TWindowState::wsMinimized: sub_->showMinimized(); break;
    case platform::TWindowState::wsNormal:
        if (sub_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) sub_->showNormal();
        break;
    }
}

void TFormView::Changed(platform::TChange change) {
    if (!Widget()) return;
    switch (change) {
    case platform::TChange::Focus: Renderer().ApplyFocus(Form()); return;
    case platform::TChange::ModalResult: Renderer().ModalResultChanged(Form()); return;
    case platform::TChange::WindowState:
        ++syncing_;
        if (sub_ && sub_->isVisible()) SyncWindowState();
        --syncing_;
        return;
    case platform::TChange::Repaint:
        if (QWidget* window = Window()) window->repaint();
        return;
    default: TControlView::Changed(change);
    }
}

} // namespace desktop
