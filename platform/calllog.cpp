// The server's log: call lines and incident details in key=value form.
#include "platform/calllog.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <random>

#include "platform/sysutils.h"

namespace platform {

namespace {

thread_local TCallRecord* currentCall = nullptr;

std::mutex logMutex;
std::function<void(const std::string&)> logSink; // guarded by logMutex

constexpr std::size_t kMaxValueChars = 1000;

void AppendValue(std::string& out, std::string_view raw) {
    const std::string value = SanitizedText(raw, kMaxValueChars);
    const bool quote = value.empty() || value.find_first_of(" \"=\\") != std::string::npos;
    if (!quote) {
        out += value;
        return;
    }
    out += '"';
    for (char c : value) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

std::string UtcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
}

std::string NewIncidentId() {
    static std::mutex mutex;
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char kHex[] = "0123456789abcdef";
    std::uint64_t bits;
    {
        std::lock_guard lock(mutex);
        bits = random();
    }
    std::string id;
    for (int i = 0; i < 12; ++i, bits >>= 4) id += kHex[bits & 0xf];
    return id;
}

} // namespace

TCallRecord* CurrentCall() {
    return currentCall;
}

TCallScope::TCallScope(TCallRecord& record) : previous_(currentCall) {
    currentCall = &record;
}
TCallScope::~TCallScope() {
    currentCall = previous_;
}

std::string
FormatLogLine(std::initializer_list<std::pair<std::string_view, std::string_view>> fields) {
    std::string line = "time=" + UtcNow();
    for (const auto& [key, value] : fields) {
        line += ' ';
        line += key;
        line += '=';
        AppendValue(line, value);
    }
    return line;
}

void WriteLog(const std::string& line) {
    std::lock_guard lock(logMutex);
    if (logSink) {
        logSink(line);
        return;
    }
    const std::string whole = line + '\n';
    std::fwrite(whole.data(), 1, whole.size(), stderr);
    std::fflush(stderr);
}

void SetLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(logMutex);
    logSink = std::move(sink);
}

void LogCall(const TCallRecord& record, std::chrono::steady_clock::duration duration) {
    const double ms = std::chrono::duration<double, std::milli>(duration).count();
    char msText[32];
    std::snprintf(msText, sizeof msText, "%.3f", ms);
    WriteLog(FormatLogLine({{"event", "call"},
                            {"client", record.client},
                            {"session", record.session},
                            {"operator", record.operatorCode},
                            {"method", record.method},
                            {"duration_ms", msText},
                            {"outcome", record.outcome},
                            {"incident", record.incident}}));
}

std::string LogIncident(std::string_view where, std::string_view details) {
    const std::string id = NewIncidentId();
    TCallRecord* call = CurrentCall();
    WriteLog(
        FormatLogLine({{"event", "incident"},
                       {"incident", id},
                       {"client", call ? std::string_view(call->client) : std::string_view()},
                       {"session", call ? std::string_view(call->session) : std::string_view()},
                       {"method", where},
                       {"detail", details}}));
    if (call != nullptr) {
        call->incident = id;
        call->outcome = "internal";
    }
    return id;
}

std::string IncidentMessage(std::string_view where, const std::string& incident) {
    return std::string(where) + ": falha interna do servidor de aplicação (ocorrência " + incident +
           "). Os detalhes estão no registro do servidor.";
}

} // namespace platform
