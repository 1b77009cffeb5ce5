// The host's login to the application server: logging the session's operator in, the token every
// connection of the screens presents, and how a refused token is renewed.
#pragma once

#include <string>

namespace platform {
class TNetConnection;
}

namespace host {

/// The remote object the hosts log in through (the server accepts a login on any of its objects).
inline constexpr const char* kLoginObject = "PAG00900.rdmRecContBaixaPag";

/// Logs `operatorCode` in with `password` at the session's server (address, TLS and authorities
/// as the session has them). On success the session's operator and token are the new ones; on
/// failure the session is left as it was. Raises platform::EServerError with the server's text
/// when it refuses, platform::ERpcError when it cannot be reached.
void LogIn(const std::string& operatorCode, const std::string& password);

/// Whether the session's server refuses a connection without a token. False when it accepts one,
/// and when it cannot be reached (the screens then report that as they always have).
bool ServerRequiresLogin();

/// Ends the session's login on the server and forgets the token. A server that cannot be
/// reached is not an error here (the token dies at its time limit there).
void LogOut();

/// The host's last step: no more renewals of the token, and the login ended as LogOut does.
void EndLogin();

/// Makes `net` present the session's token and renew it through RenewToken when the server
/// refuses it. The screens call it before each connect (with host, port and TLS).
void PresentLogin(platform::TNetConnection& net);

/// A new token after the server refused `refused`: the session's own when another connection
/// has already renewed it, otherwise the host's THostSession::reauthenticate (which logs in again
/// and leaves the new token in the session). Empty when there is no way to renew it or the
/// person gave up: the connection then raises platform::ENotAuthenticated.
std::string RenewToken(const std::string& refused);

} // namespace host
