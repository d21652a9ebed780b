#include "telescope/SimulatedSerial.h"

#include <cerrno>

namespace velumbra {

namespace {

class SimulatedSerialDevice final : public SerialDevice {
public:
    explicit SimulatedSerialDevice(SimulatedSerialLine& line) : line_(line) { line_.open = true; }
    ~SimulatedSerialDevice() override { line_.open = false; }
    int getLine(LineRecord& record) override
    {
        if (line_.failWith) return line_.failWith;
        record = line_.line;
        return 0;
    }
    int setLine(const LineRecord& record) override
    {
        if (line_.failWith) return line_.failWith;
        line_.line = record;
        return 0;
    }
    int setTimeouts(quint32, quint32) override { return line_.failWith; }
    int write(const QByteArray& bytes) override
    {
        if (line_.failWith) return line_.failWith;
        for (char c : bytes) line_.received.push_back({quint8(c), line_.clock().nowMs()});
        return 0;
    }
    int bytesWaiting(int& count) override
    {
        count = int(line_.input.size());
        return line_.failWith;
    }
    int read(int maxBytes, QByteArray& into) override
    {
        if (line_.failWith) return line_.failWith;
        into = line_.input.left(maxBytes);
        line_.input.remove(0, into.size());
        return 0;
    }
    ModemLines& modemLines() override { return line_.modem; }

private:
    SimulatedSerialLine& line_;
};

} // namespace

std::unique_ptr<SerialDevice> SimulatedSerialOpener::open(const QString& path, int& error)
{
    lastPath = path;
    error = line_.openError;
    if (error) return nullptr;
    line_.failWith = 0;
    return std::make_unique<SimulatedSerialDevice>(line_);
}

} // namespace velumbra
