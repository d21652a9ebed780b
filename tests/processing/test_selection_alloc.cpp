// Counts heap allocations of the frame routine with the quality measure,
// the focus width and motion detection on: after the encoder's first image
// nothing is allocated, neither through new nor by libjpeg's own malloc.
#include "simulator/StarField.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

#include "tests/AllocationCounter.h"

#include <gtest/gtest.h>

using namespace velumbra;
using velumbra::testsupport::allocations;

// libjpeg allocates with malloc, which the new counter does not see: count
// malloc too (glibc lets a program provide it). The address sanitizer
// provides its own, so there only new is counted.
#if !defined(__SANITIZE_ADDRESS__) && defined(__GLIBC__)
#define VELUMBRA_COUNTS_MALLOC 1
namespace {
std::atomic<long> mallocs{0};
}
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* malloc(size_t n)
{
    ++mallocs;
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size)
{
    ++mallocs;
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n)
{
    ++mallocs;
    return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
}
#endif

namespace {

long heapCalls()
{
#ifdef VELUMBRA_COUNTS_MALLOC
    return allocations.load() + mallocs.load();
#else
    return allocations.load();
#endif
}

class SelectionAllocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        core.pipeline.setStages(&stages);
        core.buffers.create();
        core.buffers.setFrameSize(800, 600);
        renderStarField(core.buffers.frameSlots[0], 800, 600, 9, 120);
        core.zone.starPos = {400, 300};
        core.controls.TNI_Taille_ZAffich = 640;
        core.flags.targetActive = true;
        core.controls.CKB_Suivi = true;
        core.controls.CKB_MAP = true;
        core.controls.tracking.CKB_FWHM_Auto = true;
        core.controls.selection.SPED_Nb_Mesures = 5;
    }
    void tearDownStages() { core.pipeline.setStages(nullptr); }
    ManualClock clock;
    ImageCore core{clock};
    CoreStages stages{core};
};

} // namespace

TEST_F(SelectionAllocation, CountersSeeNewAndMalloc)
{
    ASSERT_EQ(velumbra::testsupport::probeAllocations(), 1);
#ifdef VELUMBRA_COUNTS_MALLOC
    const long before = mallocs.load();
    void* volatile block = std::malloc(64);
    std::free(block);
    ASSERT_EQ(mallocs.load() - before, 1);
#endif
}

TEST_F(SelectionAllocation, QualityAndFocusAllocateNothingAfterTheFirstImage)
{
    core.controls.CKB_Selection = true;
    core.controls.TNI_Seuil_Selection = 20000;
    for (int i = 0; i < 3; ++i) core.pipeline.ProcessFrame(true); // zone set-up, encoder's first image
    const long encoderBlocks = core.quality.encoderHeapBlocks();
    ASSERT_GT(encoderBlocks, 0) << "the first image found the arena empty";
    const long before = heapCalls();
    for (int i = 0; i < 50; ++i) {
        // Each frame a little different, so the encoder's work varies.
        core.buffers.frameSlots[0].setPixel(10 + i, 10, qRgb(255, 255, 255));
        core.pipeline.ProcessFrame(i % 3 != 0);
    }
    EXPECT_EQ(heapCalls() - before, 0);
    EXPECT_EQ(core.quality.encoderHeapBlocks(), encoderBlocks);
    EXPECT_TRUE(core.quality.ring().full());
}

TEST_F(SelectionAllocation, MotionDetectionAllocatesNothing)
{
    core.controls.CKB_Detection_Mvt = true;
    core.controls.CKB_Detection_Action = true;
    core.controls.TNI_Seuil_Detection_Niveau = 5;
    core.controls.TNI_Seuil_Detection_Nbre = 10;
    core.motion.defineReference(core.buffers.frameSlots[0], 800, 600);
    for (int i = 0; i < 3; ++i) core.pipeline.ProcessFrame(true);
    const long before = heapCalls();
    for (int i = 0; i < 50; ++i) core.pipeline.ProcessFrame(true);
    EXPECT_EQ(heapCalls() - before, 0);
}
