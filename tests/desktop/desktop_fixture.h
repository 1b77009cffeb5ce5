// Shared set-up of the desktop tests: a renderer with Qt Services, helpers to answer boxes.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/qtservices.h"
#include "desktop/renderer.h"
#include "platform/application.h"
#include "platform/forms.h"

namespace desktoptest {

/// Each test gets its own renderer and Services (no MDI area: every form is a top-level
/// window) and leaves no form behind.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        renderer = std::make_unique<desktop::TRenderer>(nullptr, nullptr);
        services = std::make_unique<desktop::TQtServices>(*renderer, nullptr);
        platform::Application().SetServices(services.get());
    }
    void TearDown() override {
        platform::Application().DestroyForms();
        platform::Application().LockWindowUpdate(0);
        platform::Application().SetCursor(platform::crDefault);
        QCoreApplication::processEvents();
        platform::Application().SetServices(nullptr);
        services.reset();
        renderer.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    /// A visible, active form (a dialog window) of the given client size.
    template <class F = platform::TForm> F* ShowForm(int width = 400, int height = 300) {
        F* form = platform::CreateForm<F>(&platform::Application());
        form->SetName("frmTeste");
        form->SetCaption("Teste");
        form->SetClientWidth(width);
        form->SetClientHeight(height);
        return form;
    }
    /// Shows the form and waits until its window is the active one.
    void Activate(platform::TForm* form) {
        platform::Application().Run([form] { form->Show(); });
        QWidget* window = renderer->WindowOf(form);
        ASSERT_NE(window, nullptr);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QCoreApplication::processEvents();
    }
    QWidget* WidgetOf(const platform::TControl* control) const {
        return renderer->WidgetOf(control);
    }

    std::unique_ptr<desktop::TRenderer> renderer;
    std::unique_ptr<desktop::TQtServices> services;
};

/// What a box showed and which button was pressed.
struct TBoxSeen {
    QString title;
    QString text;
    QStringList buttons;
};

/// Presses the button with `buttonText` (mnemonics ignored) on the next modal box or dialog, and
/// records what it showed. `before` may act on the dialog first.
inline void AnswerNextModal(const QString& buttonText, TBoxSeen* seen = nullptr,
                            const std::function<void(QWidget&)>& before = nullptr) {
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            QTimer::singleShot(10, *attempt);
            return;
        }
        if (before) before(*modal);
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && seen) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            for (QAbstractButton* b : box->buttons())
                seen->buttons << b->text().remove(QLatin1Char('&'));
        }
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
            if (button->text().remove(QLatin1Char('&')) == buttonText) {
                button->click();
                return;
            }
        ADD_FAILURE() << "no button " << buttonText.toStdString();
        modal->close();
    };
    QTimer::singleShot(0, *attempt);
}

} // namespace desktoptest
