#pragma once
#include "core/SteadyClock.h"
#include "telescope/ComIo.h"
#include "telescope/ModemLines.h"

#include <vector>

namespace velumbra {

// A serial peer in memory, for the tests and the simulator: it keeps every
// byte written with the time it arrived, answers from an input queue, and
// can be made to fail as an unplugged adapter does.
class SimulatedSerialLine {
public:
    explicit SimulatedSerialLine(const SteadyClock& clock) : clock_(clock) {}
    struct Byte {
        quint8 value;
        qint64 atMs;
    };
    std::vector<Byte> received;
    QByteArray input;     // what the peer has sent, waiting to be read
    LineRecord line;      // the line settings last written
    SimulatedModemLines modem;
    int failWith = 0;     // every call fails with this error once set
    int openError = 0;    // opening fails with this error when set
    bool open = false;

    QByteArray receivedBytes() const
    {
        QByteArray bytes;
        for (const Byte& b : received) bytes += char(b.value);
        return bytes;
    }
    const SteadyClock& clock() const { return clock_; }

private:
    const SteadyClock& clock_;
};

class SimulatedSerialOpener final : public SerialOpener {
public:
    explicit SimulatedSerialOpener(SimulatedSerialLine& line) : line_(line) {}
    std::unique_ptr<SerialDevice> open(const QString& path, int& error) override;
    QString lastPath;

private:
    SimulatedSerialLine& line_;
};

} // namespace velumbra
