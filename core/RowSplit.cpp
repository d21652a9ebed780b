#include "core/RowSplit.h"

namespace velumbra {

RowSplit::RowSplit() : worker_([this] { serve(); }) {}

RowSplit::~RowSplit()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void RowSplit::run(int rows, Work work, void* context)
{
    if (rows < kMinimumRows) {
        if (rows > 0) work(context, 0, rows);
        return;
    }
    const int half = rows / 2;
    {
        std::lock_guard lock(mutex_);
        work_ = work;
        context_ = context;
        first_ = half;
        end_ = rows;
        pending_ = true;
    }
    wake_.notify_one();
    work(context, 0, half);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return !pending_; });
}

void RowSplit::serve()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stopping_; });
        if (stopping_) return;
        const Work work = work_;
        void* const context = context_;
        const int first = first_, end = end_;
        lock.unlock();
        work(context, first, end);
        lock.lock();
        pending_ = false;
        done_.notify_one();
    }
}

} // namespace velumbra
