// The server's log: one key=value line per remote call, and the details of unexpected failures
// under a correlation id that the client's failure reply carries instead of those details.
//
// Lines go to standard error, whole (one write each), in the logfmt form journald and log
// shippers read: `time=2025-01-31T12:00:00.123Z event=call client=127.0.0.1:40312 ...`. A value
// with blanks, quotes, '=' or nothing in it is written in double quotes with '"' and '\'
// escaped; control characters and invalid UTF-8 become '?' and long values are cut.
#pragma once

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

/// What the log line of one remote call says. The transport fills in the address, session,
/// method, duration and outcome; the remote object may add what only it knows.
struct TCallRecord {
    std::string client;  // address:port of the peer
    std::string session; // a prefix of the session id: enough to follow one, useless to steal it
    std::string method;  // Object.Method
    std::string operatorCode;   // the operator the call claims to act for, when it names one
    std::string outcome = "ok"; // ok | failure (a failure reply) | error | no-session | ...
    std::string incident;       // correlation id of an unexpected failure, if any
};

/// The record of the call that runs on this thread, or null outside a call.
TCallRecord* CurrentCall();

/// Makes `record` the current call of this thread for the scope's lifetime.
class TCallScope {
public:
    explicit TCallScope(TCallRecord& record);
    ~TCallScope();
    TCallScope(const TCallScope&) = delete;
    TCallScope& operator=(const TCallScope&) = delete;

private:
    TCallRecord* previous_;
};

/// One log line of `fields` in order, prefixed with time=... (UTC, milliseconds).
std::string
FormatLogLine(std::initializer_list<std::pair<std::string_view, std::string_view>> fields);

/// Writes one line (FormatLogLine) to the log.
void WriteLog(const std::string& line);

/// Sends log lines to `sink` instead of standard error (tests); an empty function restores it.
void SetLogSink(std::function<void(const std::string&)> sink);

/// The line of a finished call.
void LogCall(const TCallRecord& record, std::chrono::steady_clock::duration duration);

/// Logs the details of an unexpected failure (`where`: the method) under a new correlation id,
/// marks the current call with it, and returns the id.
std::string LogIncident(std::string_view where, std::string_view details);

/// The failure message a client gets for an unexpected failure: Portuguese, with the id and
/// without any of the details.
std::string IncidentMessage(std::string_view where, const std::string& incident);

} // namespace platform
