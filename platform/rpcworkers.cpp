// The RPC server's worker pool.
#include "platform/rpcworkers.h"

#include <utility>

namespace platform {

TWorkerPool::~TWorkerPool() {
    Join();
}

void TWorkerPool::Start(int threads) {
    std::lock_guard lock(mutex_);
    closed_ = false;
    for (int i = 0; i < (threads < 1 ? 1 : threads); ++i) threads_.emplace_back([this] { Run(); });
}

bool TWorkerPool::Submit(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (closed_ || threads_.empty()) return false;
        queue_.push_back(std::move(job));
    }
    work_.notify_one();
    return true;
}

bool TWorkerPool::WaitIdle(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return idle_.wait_until(lock, deadline, [this] { return queue_.empty() && running_ == 0; });
}

void TWorkerPool::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    work_.notify_all();
}

void TWorkerPool::Join() {
    Close();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (std::thread& thread : threads) thread.join();
}

std::size_t TWorkerPool::Busy() const {
    std::lock_guard lock(mutex_);
    return running_ + queue_.size();
}

void TWorkerPool::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return closed_ || !queue_.empty(); });
        if (queue_.empty()) return; // closed and drained
        std::function<void()> job = std::move(queue_.front());
        queue_.pop_front();
        ++running_;
        lock.unlock();
        job(); // jobs catch their own failures: a worker never ends by an exception
        job = nullptr;
        lock.lock();
        --running_;
        if (queue_.empty() && running_ == 0) idle_.notify_all();
    }
}

} // namespace platform
