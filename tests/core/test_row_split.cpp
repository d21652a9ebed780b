// The second core's share of a frame's rows: every row once, whoever runs it.
#include "core/RowSplit.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace velumbra;

namespace {

struct Visits {
    std::vector<std::atomic<int>> rows;
    std::atomic<int> otherThread{0};
    std::thread::id caller = std::this_thread::get_id();
    explicit Visits(int n) : rows(std::size_t(n)) {}
};

void visit(void* context, int first, int end)
{
    auto& v = *static_cast<Visits*>(context);
    for (int y = first; y < end; ++y) ++v.rows[std::size_t(y)];
    if (std::this_thread::get_id() != v.caller) ++v.otherThread;
}

TEST(RowSplit, EveryRowOnceAndTheWorkerTakesItsShare)
{
    RowSplit split;
    for (int rows : {0, 1, RowSplit::kMinimumRows - 1, RowSplit::kMinimumRows, 601, 1080}) {
        for (int round = 0; round < 200; ++round) { // many hand-overs in a row
            Visits v(rows);
            split.run(rows, visit, &v);
            for (int y = 0; y < rows; ++y) ASSERT_EQ(v.rows[std::size_t(y)].load(), 1) << rows << " rows, row " << y;
            ASSERT_EQ(v.otherThread.load(), rows >= RowSplit::kMinimumRows ? 1 : 0) << rows << " rows";
        }
    }
}

} // namespace
