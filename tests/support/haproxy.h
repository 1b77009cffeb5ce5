// HAProxy on a free loopback port in front of application servers, for the tests and the
// benchmarks that put several servers behind one address.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <httplib.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/freeport.h"

namespace testsupport {

/// Whether the haproxy program is on the PATH.
inline bool HaproxyInstalled() {
    return std::system("command -v haproxy >/dev/null 2>&1") == 0;
}

/// Round-robin per request, /health checked every 200 ms, a connection refused retried on the
/// other server; no request goes out on a kept connection to a server (one may have just died).
/// Its configuration is written into `folder`. Ready once its own /health answers 200.
class THaproxyProcess {
public:
    THaproxyProcess(const std::string& folder, const std::vector<int>& serverPorts) {
        port_ = UnusedLoopbackPort();
        const std::string config = folder + "/haproxy.cfg";
        std::ofstream out(config);
        out << "global\n  maxconn 512\n"
               "defaults\n  mode http\n  timeout connect 1s\n  timeout client 30s\n"
               "  timeout server 30s\n  retries 3\n  option redispatch 1\n"
               "frontend pag\n  bind 127.0.0.1:"
            << port_
            << "\n  default_backend servers\n"
               "backend servers\n  balance roundrobin\n  http-reuse safe\n  option httpchk\n"
               "  http-check send meth GET uri /health\n  http-check expect status 200\n";
        for (std::size_t i = 0; i < serverPorts.size(); ++i)
            out << "  server s" << i << " 127.0.0.1:" << serverPorts[i]
                << " check inter 200ms fall 1 rise 1\n";
        out.close();
        pid_ = fork();
        if (pid_ == 0) {
            execlp("haproxy", "haproxy", "-db", "-q", "-f", config.c_str(), nullptr);
            _exit(127);
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            httplib::Client http("127.0.0.1", port_);
            if (auto health = http.Get("/health"); health && health->status == 200) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
        throw std::runtime_error("haproxy não começou a atender");
    }
    ~THaproxyProcess() { Stop(); }
    THaproxyProcess(const THaproxyProcess&) = delete;
    THaproxyProcess& operator=(const THaproxyProcess&) = delete;

    int Port() const { return port_; }

private:
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace testsupport
