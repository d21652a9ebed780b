#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

namespace velumbra {

// The rows of one frame shared with the second core: the calling thread
// works on the first half while one worker, kept for the splitter's life,
// works on the second; run returns when both are done. Meant for passes
// whose rows are independent, so the result is the one a single thread
// gives. Nothing is allocated per call.
class RowSplit {
public:
    using Work = void (*)(void* context, int firstRow, int endRow);

    RowSplit();
    ~RowSplit();
    RowSplit(const RowSplit&) = delete;
    RowSplit& operator=(const RowSplit&) = delete;

    // Runs work over rows [0, rows): alone for a few rows, else split.
    void run(int rows, Work work, void* context);

    // Passes of fewer rows run on the calling thread alone.
    static constexpr int kMinimumRows = 16;

private:
    void serve();
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    Work work_ = nullptr;
    void* context_ = nullptr;
    int first_ = 0, end_ = 0;
    bool pending_ = false, stopping_ = false;
    std::thread worker_;
};

} // namespace velumbra
