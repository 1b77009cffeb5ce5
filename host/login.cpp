// The host's login: one short connection for the login itself; the screens' connections share the
// session's token.
#include "host/login.h"

#include "host/session.h"
#include "platform/netconnection.h"

namespace host {

namespace {

// A connection to the session's server for the login calls, which need no session of their own.
void PointAtServer(platform::TNetConnection& net) {
    const THostSession& session = Session();
    net.SetServerName(kLoginObject);
    net.SetHost(session.serverHost);
    net.SetPort(session.serverPort);
    net.SetUseTls(session.serverTls);
    net.SetCaFile(session.serverCaFile);
}

} // namespace

void LogIn(const std::string& operatorCode, const std::string& password) {
    platform::TNetConnection net;
    PointAtServer(net);
    std::string token = net.Login(operatorCode, password);
    THostSession& session = Session();
    session.operatorCode = operatorCode;
    session.token = std::move(token);
}

bool ServerRequiresLogin() {
    platform::TNetConnection net;
    PointAtServer(net);
    try {
        net.SetConnected(true);
    } catch (const platform::ENotAuthenticated&) {
        return true;
    } catch (const platform::ERpcError&) {
        return false; // not reached: nothing to say about its login here
    }
    net.SetConnected(false);
    return false;
}

void LogOut() {
    THostSession& session = Session();
    if (session.token.empty()) return;
    platform::TNetConnection net;
    PointAtServer(net);
    net.SetToken(session.token);
    session.token.clear();
    try {
        net.Logout();
    } catch (const platform::ERpcError&) {
        // Unreachable or already refused: the server lets the token die at its limit.
    }
}

void EndLogin() {
    Session().reauthenticate = nullptr;
    LogOut();
}

void PresentLogin(platform::TNetConnection& net) {
    net.SetToken(Session().token);
    net.OnAuthenticate = [&net] { return RenewToken(net.Token()); };
}

std::string RenewToken(const std::string& refused) {
    THostSession& session = Session();
    if (!session.token.empty() && session.token != refused) return session.token;
    if (!session.reauthenticate || !session.reauthenticate()) return {};
    return session.token;
}

} // namespace host
