// The RPC server's metrics: calls by method and outcome, call latency, and the gauges, written
// in the Prometheus text exposition format for GET /metrics.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace platform {

/// Thread-safe. Invariant: the label set is bounded: a method label is a registered method's
/// name (or "other"), an outcome one of the transport's own (or "other"); no session id and no
/// argument ever becomes a label.
class TRpcMetrics {
public:
    /// Upper bounds of the latency histogram's buckets, in seconds (+Inf implied).
    static constexpr std::array<double, 14> kBuckets = {0.001, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25,
                                                        0.5,   1,     2.5,  5,     10,   30,  120};

    /// Counts one call; `method` is already bounded by the caller ("other" when unknown).
    void CountCall(const std::string& method, const std::string& outcome,
                   std::chrono::steady_clock::duration duration);

    /// A remote call being served, from its dispatch to its reply ready (before it is counted):
    /// the gauge of calls in flight.
    class TInFlight {
    public:
        explicit TInFlight(TRpcMetrics& metrics) : metrics_(metrics) { ++metrics_.inFlight_; }
        ~TInFlight() { --metrics_.inFlight_; }
        TInFlight(const TInFlight&) = delete;
        TInFlight& operator=(const TInFlight&) = delete;

    private:
        TRpcMetrics& metrics_;
    };

    /// The exposition text with the gauges given.
    std::string Render(std::size_t openSessions, std::size_t openConnections) const;

private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, std::uint64_t> calls_; // guarded by mutex_
    std::array<std::uint64_t, kBuckets.size() + 1> buckets_{};           // guarded by mutex_
    double latencySum_ = 0;                                              // guarded by mutex_
    std::uint64_t latencyCount_ = 0;                                     // guarded by mutex_
    std::atomic<std::size_t> inFlight_{0};
};

} // namespace platform
