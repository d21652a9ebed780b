#pragma once
#include "simulator/ClockedBox.h"
#include "simulator/Lx200Responder.h"
#include "simulator/ParallelBox.h"
#include "simulator/PtyPeer.h"
#include "simulator/SerialGuideBox.h"

namespace velumbra {

class SkySimulator;

// The devices of the simulated observatory, all on one sky and mount: the
// LX200 mount on a pseudo-terminal; on a second pseudo-terminal, the serial
// guide box on its data and the clocked box on its control lines; the
// parallel box and the long-exposure camera lines.
class SimulatorDevices {
public:
    explicit SimulatorDevices(SkySimulator& sky);

    Lx200Responder& lx200() { return lx200_; }
    PtyPeer& lx200Port() { return lx200Port_; }
    SerialGuideBox& guideBox() { return guideBox_; }
    PtyPeer& guideBoxPort() { return guideBoxPort_; }
    ClockedBox& clockedBox() { return clockedBox_; }
    ParallelBox& parallelBox() { return parallelBox_; }

private:
    Lx200Responder lx200_;
    SerialGuideBox guideBox_;
    ClockedBox clockedBox_;
    ParallelBox parallelBox_;
    PtyPeer lx200Port_;
    PtyPeer guideBoxPort_;
};

} // namespace velumbra
