// The RPC server's metrics in the Prometheus text exposition format.
#include "platform/rpcmetrics.h"

#include <charconv>
#include <string_view>

namespace platform {

namespace {

// The outcomes a call line may carry; anything else is counted as "other".
bool KnownOutcome(std::string_view outcome) {
    static constexpr std::string_view kKnown[] = {
        "ok",       "failure",  "error",     "no-session", "not-authenticated",
        "internal", "deadline", "cancelled", "refused",    "http-400",
        "http-404", "http-408", "http-413",  "http-431",   "http-503"};
    for (std::string_view known : kKnown)
        if (outcome == known) return true;
    return false;
}

void AppendLabel(std::string& out, std::string_view value) {
    out += '"';
    for (char c : value) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    out += '"';
}

// The shortest text that reads back as `value` ("0.005", not "0.0050000000000000001").
std::string Number(double value) {
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

} // namespace

void TRpcMetrics::CountCall(const std::string& method, const std::string& outcome,
                            std::chrono::steady_clock::duration duration) {
    const double seconds = std::chrono::duration<double>(duration).count();
    std::size_t bucket = 0;
    while (bucket < kBuckets.size() && seconds > kBuckets[bucket]) ++bucket;
    std::lock_guard lock(mutex_);
    ++calls_[{method, KnownOutcome(outcome) ? outcome : "other"}];
    ++buckets_[bucket];
    latencySum_ += seconds;
    ++latencyCount_;
}

std::string TRpcMetrics::Render(std::size_t openSessions, std::size_t openConnections) const {
    std::string out;
    out += "# HELP pag_rpc_calls_total Remote calls answered, by method and outcome.\n";
    out += "# TYPE pag_rpc_calls_total counter\n";
    std::lock_guard lock(mutex_);
    for (const auto& [key, count] : calls_) {
        out += "pag_rpc_calls_total{method=";
        AppendLabel(out, key.first);
        out += ",outcome=";
        AppendLabel(out, key.second);
        out += "} " + std::to_string(count) + "\n";
    }
    out += "# HELP pag_rpc_call_duration_seconds Time from a request read to its reply ready.\n";
    out += "# TYPE pag_rpc_call_duration_seconds histogram\n";
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i <= kBuckets.size(); ++i) {
        cumulative += buckets_[i];
        out += "pag_rpc_call_duration_seconds_bucket{le=\"";
        out += i < kBuckets.size() ? Number(kBuckets[i]) : std::string("+Inf");
        out += "\"} " + std::to_string(cumulative) + "\n";
    }
    out += "pag_rpc_call_duration_seconds_sum " + Number(latencySum_) + "\n";
    out += "pag_rpc_call_duration_seconds_count " + std::to_string(latencyCount_) + "\n";
    out += "# HELP pag_rpc_open_sessions Client sessions open.\n";
    out += "# TYPE pag_rpc_open_sessions gauge\n";
    out += "pag_rpc_open_sessions " + std::to_string(openSessions) + "\n";
    out += "# HELP pag_rpc_calls_in_flight Remote calls being served.\n";
    out += "# TYPE pag_rpc_calls_in_flight gauge\n";
    out += "pag_rpc_calls_in_flight " + std::to_string(inFlight_.load()) + "\n";
    out += "# HELP pag_rpc_open_connections Client connections open.\n";
    out += "# TYPE pag_rpc_open_connections gauge\n";
    out += "pag_rpc_open_connections " + std::to_string(openConnections) + "\n";
    return out;
}

} // namespace platform
