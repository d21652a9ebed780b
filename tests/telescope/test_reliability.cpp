// A thousand timed moves on test time, every interface: each one ends on the
// wire no later than its length (clamped to 65535 ms) plus 50 ms after it
// began, and one that nothing cut short lasts its whole length.
#include "MountFixture.h"
#include "WireActivity.h"

#include <gtest/gtest.h>
#include <iostream>
#include <random>

namespace velumbra {
namespace {

using test::Motion;
using test::MountFixture;
using test::Wire;

struct Request {
    MoveDirection direction;
    qint64 startMs;
    int lengthMs;     // after clamping
    bool cutShort;    // another request may end it earlier
};

std::vector<Motion> activityOf(const MountFixture& f, MountInterface choice)
{
    switch (choice) {
    case MountInterface::LX200: return test::lx200Activity(f.line.received);
    case MountInterface::Tolvir: return test::tolvirActivity(f.line.received);
    case MountInterface::Varnek: return test::varnekActivity(f.parports.writes, f.settings);
    case MountInterface::Dremla: return test::dremlaActivity(f.line.modem.writes);
    default: return {};
    }
}

class RandomisedMoves : public ::testing::TestWithParam<MountInterface> {};

TEST_P(RandomisedMoves, EveryMoveEndsInTime)
{
    const MountInterface choice = GetParam();
    MountFixture f{choice, Wire::Memory};
    f.settings.CBX_AG_PortSerie = QStringLiteral("$03F8 (COM1)");
    f.settings.serialDevicePath = QStringLiteral("/dev/simulated");
    ASSERT_TRUE(f.mount.mount_connect());
    std::mt19937 random(1234u + unsigned(choice));
    std::uniform_int_distribution<int> length(0, 70000);
    std::uniform_int_distribution<int> coin(0, 99);
    std::vector<Request> requests;

    for (int i = 0; i < 170; ++i) {
        // One timed move, sometimes a second one in another direction a
        // little later (the opposite one ends the first), sometimes an early
        // stop; then wait for both to end.
        const MoveDirection first = MoveDirection(coin(random) % 4);
        const int firstLength = length(random);
        const qint64 t0 = f.timeline.clock().nowMs();
        f.mount.mount_move(first, true, firstLength);
        requests.push_back({first, t0, std::min(firstLength, 65535), false});
        if (coin(random) < 50) {
            const MoveDirection second = MoveDirection((first + 1 + coin(random) % 3) % 4);
            const int secondLength = length(random) / (coin(random) < 50 ? 1 : 100);
            f.timeline.advanceMs(coin(random) * 7);
            f.mount.mount_move(second, true, secondLength);
            requests.push_back({second, f.timeline.clock().nowMs(), std::min(secondLength, 65535), false});
            // The clocked box runs one code at a time.
            if (choice == MountInterface::Dremla || second == opposite(first))
                requests[requests.size() - 2].cutShort = true;
        }
        if (coin(random) < 15) {
            f.timeline.advanceMs(coin(random) * 40);
            f.mount.mount_stop(first);
            requests[requests.size() - (requests.back().direction == first ? 1 : 2)].cutShort = true;
            if (choice == MountInterface::Dremla) requests.back().cutShort = true;
        }
        while (f.mount.timer(Axis::RA).active() || f.mount.timer(Axis::Dec).active()) f.timeline.advanceMs(50);
        f.timeline.advanceMs(1000 + coin(random)); // the serial box's last pulse runs out
    }
    ASSERT_EQ(f.messages.lines.size(), 0) << f.messages.lines.join('\n').toStdString();

    const std::vector<Motion> motions = activityOf(f, choice);
    qint64 worstLate = std::numeric_limits<qint64>::min();
    int checked = 0;
    for (const Request& r : requests) {
        const Motion* m = nullptr;
        for (const Motion& candidate : motions)
            if (candidate.direction == r.direction && candidate.startMs == r.startMs) m = &candidate;
        if (!m) {
            // Too short to move at all (the serial box carries 15 ms steps).
            EXPECT_LT(r.lengthMs, 15) << "no motion for a " << r.lengthMs << " ms move";
            continue;
        }
        ++checked;
        const qint64 late = m->endMs - (r.startMs + r.lengthMs);
        worstLate = std::max(worstLate, late);
        EXPECT_LE(late, 50) << "dir " << r.direction << " length " << r.lengthMs;
        if (!r.cutShort) {
            EXPECT_GE(late, -15) << "dir " << r.direction << " length " << r.lengthMs;
        }
    }
    EXPECT_GT(checked, 200);
    std::cout << "[ lateness ] test clock, " << int(requests.size()) << " moves, worst end after its length: "
              << worstLate << " ms\n";
}

INSTANTIATE_TEST_SUITE_P(AllInterfaces, RandomisedMoves,
                         ::testing::Values(MountInterface::LX200, MountInterface::Tolvir, MountInterface::Varnek,
                                           MountInterface::Dremla));

} // namespace
} // namespace velumbra
