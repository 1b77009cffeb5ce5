// The RPC server's worker pool: a fixed number of threads that run the calls, apart from the
// threads that do the network I/O.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

/// Thread-safe. Invariant: a job submitted while the pool is open runs exactly once; once
/// Close ran, Submit refuses and the jobs already queued still run. A job is handed to the
/// worker that became idle last (its caches are the warmest); it waits in the queue only when
/// every worker is busy.
class TWorkerPool {
public:
    TWorkerPool() = default;
    ~TWorkerPool(); // Close() and Join()
    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    void Start(int threads);
    /// Queues `job`; false (and `job` dropped) once the pool is closed.
    bool Submit(std::function<void()> job);
    /// Waits until no job is queued or running, at most until `deadline`; true when idle.
    bool WaitIdle(std::chrono::steady_clock::time_point deadline);
    /// Refuses new jobs from now on.
    void Close();
    /// Closes, lets the queued jobs run and joins the threads.
    void Join();

    std::size_t Busy() const;

private:
    struct TWorker {
        std::condition_variable wake;
        std::function<void()> job; // handed over by Submit; guarded by the pool's mutex_
    };
    void Run(TWorker& worker);

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> queue_;       // guarded by mutex_
    std::vector<TWorker*> waiting_;                 // idle workers, the last idle on top
    std::size_t running_ = 0;                       // guarded by mutex_
    bool closed_ = false;                           // guarded by mutex_
    std::vector<std::unique_ptr<TWorker>> workers_; // guarded by mutex_
    std::vector<std::thread> threads_;
};

} // namespace platform
