// The desktop's login under Qt's offscreen platform against a demo server in this process: the
// dialog (wrong password then right, Esc and Cancelar giving up, the operator pre-filled), and
// the password asked again when the server refuses the token during work, the call going on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "desktop/logindialog.h"
#include "host/login.h"
#include "host/session.h"
#include "platform/datetime.h"
#include "platform/netconnection.h"
#include "server/login.h"
#include "server/pagserver.h"
#include "server/passwords.h"
#include "server/seed.h"

namespace {

// pag-server's remote object over a throwaway SQLite file with the demo data, on a free
// loopback port, for the whole program.
class TDemoServer {
public:
    TDemoServer() {
        directory_ = (std::filesystem::temp_directory_path() /
                      ("pag-desktop-login-" + std::to_string(::getpid())))
                         .string();
        std::filesystem::create_directories(directory_);
        server::TServerOptions options;
        options.databaseUrl = "sqlite:" + directory_ + "/pag.db";
        options.port = 0;
        options.threads = 2;
        server_ = std::make_unique<server::TPagServer>(options);
        {
            auto lease = server_->Pool().Acquire();
            server::SeedDemo(*lease, platform::Date());
        }
        server_->Start();
    }
    ~TDemoServer() {
        server_->Stop();
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    int Port() const { return server_->Port(); }

private:
    std::string directory_;
    std::unique_ptr<server::TPagServer> server_;
};

TDemoServer& Demo() {
    static TDemoServer demo;
    return demo;
}

// Runs `act` on the login dialog once it is the active modal window.
void OnLoginDialog(const std::function<void(desktop::TLoginDialog&)>& act) {
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [attempt, act] {
        auto* dialog = qobject_cast<desktop::TLoginDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            QTimer::singleShot(10, *attempt);
            return;
        }
        act(*dialog);
    };
    QTimer::singleShot(0, *attempt);
}

// Types `password` into the dialog and presses Enter, as a person does.
void TypePasswordAndEnter(desktop::TLoginDialog& dialog, const QString& password) {
    QTest::keyClicks(&dialog.PasswordEdit(), password);
    QTest::keyClick(&dialog.PasswordEdit(), Qt::Key_Return);
}

class DesktopLogin : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetSession();
        host::Session().serverHost = "127.0.0.1";
        host::Session().serverPort = Demo().Port();
        host::Session().operatorCode = server::kDemoOperator;
    }
    void TearDown() override { host::ResetSession(); }

    // A connection of a screen: the session's server and its login.
    void Present(platform::TNetConnection& net) {
        net.SetServerName(host::kLoginObject);
        net.SetHost("127.0.0.1");
        net.SetPort(Demo().Port());
        host::PresentLogin(net);
    }
};

TEST_F(DesktopLogin, AWrongPasswordIsRefusedWithTheServersTextThenTheRightOneLogsIn) {
    bool refusalSeen = false;
    OnLoginDialog([&](desktop::TLoginDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Entrar no sistema"));
        EXPECT_EQ(dialog.OperatorEdit().text(), QStringLiteral("OPERADOR"));
        EXPECT_FALSE(dialog.OperatorEdit().isReadOnly());
        EXPECT_EQ(dialog.PasswordEdit().echoMode(), QLineEdit::Password);
        EXPECT_EQ(dialog.focusWidget(), &dialog.PasswordEdit()); // the operator is pre-filled
        EXPECT_EQ(dialog.EnterButton().text().remove(QLatin1Char('&')), QStringLiteral("Entrar"));
        EXPECT_EQ(dialog.CancelButton().text().remove(QLatin1Char('&')),
                  QStringLiteral("Cancelar"));
        TypePasswordAndEnter(dialog, QStringLiteral("errada"));
        // Still open, saying why, the password gone and the focus back on it.
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.MessageLabel().text(), QString::fromUtf8(server::kLoginFailed));
        EXPECT_TRUE(dialog.PasswordEdit().text().isEmpty());
        EXPECT_EQ(dialog.focusWidget(), &dialog.PasswordEdit());
        EXPECT_TRUE(host::Session().token.empty());
        refusalSeen = true;
        TypePasswordAndEnter(dialog, QString::fromUtf8(server::kDemoPassword));
    });
    EXPECT_TRUE(desktop::AskLogin(nullptr));
    EXPECT_TRUE(refusalSeen);
    EXPECT_FALSE(host::Session().token.empty());
    EXPECT_EQ(host::Session().operatorCode, server::kDemoOperator);

    // The token opens a session on the server.
    platform::TNetConnection net;
    Present(net);
    EXPECT_NO_THROW(net.Call("GetPrxLista"));
}

TEST_F(DesktopLogin, EscAndCancelarGiveUpWithoutALogin) {
    host::Session().operatorCode.clear(); // nothing pre-filled: the focus starts on the operator
    OnLoginDialog([](desktop::TLoginDialog& dialog) {
        EXPECT_EQ(dialog.focusWidget(), &dialog.OperatorEdit());
        QTest::keyClicks(&dialog.OperatorEdit(), QStringLiteral("OPERADOR"));
        QTest::keyClick(&dialog.OperatorEdit(), Qt::Key_Escape);
    });
    EXPECT_FALSE(desktop::AskLogin(nullptr));
    OnLoginDialog([](desktop::TLoginDialog& dialog) {
        dialog.PasswordEdit().setText(QString::fromUtf8(server::kDemoPassword));
        dialog.CancelButton().click();
    });
    EXPECT_FALSE(desktop::AskLogin(nullptr));
    EXPECT_TRUE(host::Session().token.empty());
    EXPECT_TRUE(host::Session().operatorCode.empty());
}

TEST_F(DesktopLogin, ARevokedTokenAsksForThePasswordAgainAndTheCallGoesOn) {
    host::LogIn(server::kDemoOperator, server::kDemoPassword);
    int asked = 0;
    host::Session().reauthenticate = [&asked] {
        ++asked;
        return desktop::AskLoginAgain(nullptr);
    };
    platform::TNetConnection screen;
    platform::TNetConnection other; // another screen's connection, with the same token
    Present(screen);
    Present(other);
    ASSERT_NO_THROW(screen.Call("GetPrxLista"));
    ASSERT_NO_THROW(other.Call("GetPrxLista"));
    const std::string first = host::Session().token;

    // The token dies on the server while both connections hold it.
    {
        platform::TNetConnection revoke;
        revoke.SetServerName(host::kLoginObject);
        revoke.SetHost("127.0.0.1");
        revoke.SetPort(Demo().Port());
        revoke.SetToken(first);
        revoke.Logout();
    }

    OnLoginDialog([](desktop::TLoginDialog& dialog) {
        EXPECT_TRUE(dialog.OperatorEdit().isReadOnly()); // the same operator goes on
        EXPECT_EQ(dialog.OperatorEdit().text(), QStringLiteral("OPERADOR"));
        EXPECT_TRUE(dialog.MessageLabel().text().contains(QStringLiteral("expirou")));
        TypePasswordAndEnter(dialog, QString::fromUtf8(server::kDemoPassword));
    });
    platform::Variant next;
    ASSERT_NO_THROW(next = screen.Call("GetPrxLista"));
    EXPECT_FALSE(next.IsNull());
    EXPECT_EQ(asked, 1);
    EXPECT_NE(host::Session().token, first);
    EXPECT_EQ(screen.Token(), host::Session().token);

    // The other connection takes the renewed token without asking again.
    ASSERT_NO_THROW(other.Call("GetPrxLista"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(other.Token(), host::Session().token);

    // Giving up the second time: the call fails as not authenticated.
    {
        platform::TNetConnection revoke;
        revoke.SetServerName(host::kLoginObject);
        revoke.SetHost("127.0.0.1");
        revoke.SetPort(Demo().Port());
        revoke.SetToken(host::Session().token);
        revoke.Logout();
    }
    OnLoginDialog([](desktop::TLoginDialog& dialog) { dialog.CancelButton().click(); });
    EXPECT_THROW(screen.Call("GetPrxLista"), platform::ENotAuthenticated);
    EXPECT_EQ(asked, 2);
}

} // namespace
