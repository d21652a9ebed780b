#pragma once
#include "exposure/LongExposure.h"
#include "telescope/PortAccess.h"

namespace velumbra {

// The long-exposure lines on the port layer shared with the parallel guide
// box: one output byte per register for both, the writes logged in the
// traffic window like the box's.
class PortAccessLines final : public ExposurePort {
public:
    explicit PortAccessLines(PortAccess& ports) : ports_(ports) {}
    bool writePort(quint16 address, quint8 value) override { return ports_.writePort(address, value); }
    quint8 outputByte(quint16 address) const override { return ports_.outputByte(address); }
    void retry(quint16 address) override { ports_.retry(address); }

private:
    PortAccess& ports_;
};

} // namespace velumbra
