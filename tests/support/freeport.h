// A loopback port nobody listens on, for tests that start a server there or expect a refused
// connection.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace testsupport {

/// A loopback port on which nothing listens: the one the system picks for a socket bound to
/// port 0 and closed again at once. Another process may take it afterwards; tests accept that.
/// Throws when the system gives no port, rather than handing the test port 0.
inline int UnusedLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    const int error = errno;
    close(fd);
    if (!bound || address.sin_port == 0)
        throw std::runtime_error(std::string("no free loopback port: ") + std::strerror(error));
    return ntohs(address.sin_port);
}

} // namespace testsupport
