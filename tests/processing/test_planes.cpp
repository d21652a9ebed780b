#include "processing/LoopRing.h"
#include "processing/Planes.h"

#include <gtest/gtest.h>
#include <cstdint>

using namespace velumbra;

TEST(Planes, IndexRuleAndSize)
{
    EXPECT_EQ(kPlaneElements * sizeof(int32_t), 5776812u);
    EXPECT_EQ(planeIndex(0, 0, 0), 0u);
    EXPECT_EQ(planeIndex(0, 0, 2), 2u);
    EXPECT_EQ(planeIndex(0, 1, 0), 3u);
    EXPECT_EQ(planeIndex(1, 0, 0), 601u * 3u);
    EXPECT_EQ(planeIndex(799, 599, 2), (799u * 601u + 599u) * 3u + 2u);
    EXPECT_LT(planeIndex(800, 600, 2), kPlaneElements);
    EXPECT_EQ(planeIndex(800, 600, 2), kPlaneElements - 1);
}

TEST(Planes, CellMaxPerBinning)
{
    EXPECT_EQ(cellMax(1), 255);
    EXPECT_EQ(cellMax(2), 1023);
}

TEST(Planes, ZeroingOnePlaneKeepsTheOthers)
{
    IntegrationPlanes planes;
    for (Plane p : {Light, Dark, Flat}) EXPECT_EQ(planes.sum(p)[planeIndex(800, 600, 2)], 0); // made zeroed
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(planes.sum(Flat)) % 32, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(planes.result()) % 32, 0u);
    planes.sum(Light)[planeIndex(5, 6, 1)] = 11;
    planes.sum(Dark)[planeIndex(5, 6, 1)] = 22;
    planes.sum(Flat)[planeIndex(5, 6, 1)] = 33;
    planes.result()[0] = 44;
    planes.zero(Dark);
    EXPECT_EQ(planes.sum(Light)[planeIndex(5, 6, 1)], 11);
    EXPECT_EQ(planes.sum(Dark)[planeIndex(5, 6, 1)], 0);
    EXPECT_EQ(planes.sum(Flat)[planeIndex(5, 6, 1)], 33);
    EXPECT_EQ(planes.result()[0], 44);
    planes.zeroResult();
    EXPECT_EQ(planes.result()[0], 0);
}

TEST(CurrentPlane, LightWheneverIntegrationIsOff)
{
    IntegrationMode m;
    m.CKB_Integration = false;
    m.RDB_Unique = false;
    m.RDB_Dark = true;
    EXPECT_EQ(CurrentPlane(m), Light);
    m.RDB_Dark = false;
    m.RDB_Flat = true;
    EXPECT_EQ(CurrentPlane(m), Light);
}

TEST(CurrentPlane, FollowsTheModeButtons)
{
    IntegrationMode m;
    m.CKB_Integration = true;
    m.RDB_Unique = false;
    m.RDB_Dark = true;
    EXPECT_EQ(CurrentPlane(m), Dark);
    m.RDB_Dark = false;
    m.RDB_Flat = true;
    EXPECT_EQ(CurrentPlane(m), Flat);
    m.RDB_Flat = false;
    m.RDB_Boucle = true;
    EXPECT_EQ(CurrentPlane(m), Light);
}

TEST(LoopRing, AllocatesAndFreesWhatItReported)
{
    LoopRing ring;
    EXPECT_EQ(ring.AllocateLoopFrames(4, 320, 241), 4);
    EXPECT_TRUE(ring.allocated());
    EXPECT_EQ(ring.size(), 4);
    EXPECT_EQ(ring.frame(1).size(), QSize(320, 241));
    // Reallocation frees the old ring first.
    EXPECT_EQ(ring.AllocateLoopFrames(2, 100, 76), 2);
    EXPECT_EQ(ring.size(), 2);
    ring.FreeLoopFrames(2);
    EXPECT_FALSE(ring.allocated());
    EXPECT_EQ(ring.size(), 0);
}
