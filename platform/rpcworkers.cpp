// The RPC server's worker pool.
#include "platform/rpcworkers.h"

#include <algorithm>
#include <utility>

namespace platform {

TWorkerPool::~TWorkerPool() {
    Join();
}

void TWorkerPool::Start(int threads) {
    std::lock_guard lock(mutex_);
    closed_ = false;
    for (int i = 0; i < (threads < 1 ? 1 : threads); ++i) {
        workers_.push_back(std::make_unique<TWorker>());
        threads_.emplace_back([this, worker = workers_.back().get()] { Run(*worker); });
    }
}

bool TWorkerPool::Submit(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    if (closed_ || threads_.empty()) return false;
    ++running_;
    if (waiting_.empty()) {
        queue_.push_back(std::move(job));
        return true;
    }
    TWorker* worker = waiting_.back();
    waiting_.pop_back();
    worker->job = std::move(job);
    lock.unlock();
    worker->wake.notify_one();
    return true;
}

bool TWorkerPool::WaitIdle(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return idle_.wait_until(lock, deadline, [this] { return running_ == 0; });
}

void TWorkerPool::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (TWorker* worker : waiting_) worker->wake.notify_one();
}

void TWorkerPool::Join() {
    Close();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
    std::lock_guard lock(mutex_);
    workers_.clear();
    waiting_.clear();
}

std::size_t TWorkerPool::Busy() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void TWorkerPool::Run(TWorker& worker) {
    std::unique_lock lock(mutex_);
    for (;;) {
        std::function<void()> job;
        if (worker.job) {
            job = std::move(worker.job);
            worker.job = nullptr;
        } else if (!queue_.empty()) {
            job = std::move(queue_.front());
            queue_.pop_front();
        } else if (closed_) {
            return;
        } else {
            waiting_.push_back(&worker);
            worker.wake.wait(lock, [&] { return worker.job != nullptr || closed_; });
            if (!worker.job) // woken by Close: no longer waiting for a job
                waiting_.erase(std::find(waiting_.begin(), waiting_.end(), &worker));
            continue;
        }
        lock.unlock();
        job(); // jobs catch their own failures: a worker never ends by an exception
        job = nullptr;
        lock.lock();
        if (--running_ == 0) idle_.notify_all();
    }
}

} // namespace platform
