// Frames that arrive while a guiding frame waits inside its routine: the
// guide pause runs the message loop, and a long exposure's timer firing
// there delivers its frame. It must not run inside the frame under way.
#include "GuidingRig.h"

#include <gtest/gtest.h>

namespace velumbra::test {
namespace {

struct CountingView final : GuideView {
    int corrections = 0;
    void showCorrection(const Correction&) override { ++corrections; }
};

TEST(FramesInsideAGuidePause, ATimerFiringInTheWaitStartsNoFrame)
{
    GuidingRig rig(MountInterface::LX200, guidingSky(0));
    ASSERT_GE(rig.star, 0);
    ASSERT_TRUE(rig.mount.mount_connect(Mount::ConnectCause::Button));
    GuideSettings s;
    s.CKB_Separes = true;
    s.SPED_Delai_Separes = 100;
    s.TNI_Echantillonnage = rig.sky.parameters().scale;
    rig.guider.settingsSource = [s] { return s; };
    CountingView view;
    rig.guider.setView(&view);
    rig.core.controls.SPED_Intervalle_Guidage = 1;
    rig.core.controls.CKB_Autoguidage = true;
    rig.guider.start();
    rig.core.zone.starPos.x += 4; // a correction to make

    // The exposure's end, due 50 ms into the guide pause: its frame is read
    // into the working slot and handed to the frame routine.
    int delivered = 0;
    bool busySeen = false;
    std::unique_ptr<MountTimer> exposureEnd = rig.timeline.make();
    exposureEnd->onTimeout = [&] {
        exposureEnd->stop();
        ++delivered;
        busySeen = rig.core.frameRoutineRunning(); // what the sources ask first
        rig.core.processFrame(true);
    };
    exposureEnd->start(50);
    rig.frame(0);
    EXPECT_EQ(delivered, 1);
    EXPECT_TRUE(busySeen);
    EXPECT_EQ(view.corrections, 1) << "one frame, one correction";
    // The routine is free again for the next frame.
    rig.frame(100);
    EXPECT_EQ(view.corrections, 2);
    rig.guider.setView(nullptr);
}

} // namespace
} // namespace velumbra::test
