#include "telescope/SimulatorLink.h"
#include "simulator/SimulatorDevices.h"
#include "telescope/SerialPortItems.h"

#include <cerrno>

namespace velumbra {
namespace {

// The control lines of the boxes' port: registers as a UART keeps them,
// each write handed to the clocked box.
class ClockedBoxLines final : public ModemLines {
public:
    explicit ClockedBoxLines(ClockedBox& box) : box_(box) {}
    int readModemControl(quint8& value) override
    {
        value = modem_;
        return 0;
    }
    int writeModemControl(quint8 value) override
    {
        modem_ = value;
        box_.writeModemControl(value);
        return 0;
    }
    int readLineControl(quint8& value) override
    {
        value = line_;
        return 0;
    }
    int writeLineControl(quint8 value) override
    {
        line_ = value;
        box_.writeLineControl(value);
        return 0;
    }

private:
    ClockedBox& box_;
    quint8 modem_ = 0, line_ = 0;
};

// The pseudo-terminal as the system opened it, with the clocked box's lines.
class BoxesPort final : public SerialDevice {
public:
    BoxesPort(std::unique_ptr<SerialDevice> pty, ClockedBox& box) : pty_(std::move(pty)), lines_(box) {}
    int getLine(LineRecord& record) override { return pty_->getLine(record); }
    int setLine(const LineRecord& record) override { return pty_->setLine(record); }
    int setTimeouts(quint32 readInterval, quint32 readTotal) override
    {
        return pty_->setTimeouts(readInterval, readTotal);
    }
    int write(const QByteArray& bytes) override { return pty_->write(bytes); }
    int bytesWaiting(int& count) override { return pty_->bytesWaiting(count); }
    int read(int maxBytes, QByteArray& into) override { return pty_->read(maxBytes, into); }
    ModemLines& modemLines() override { return lines_; }

private:
    std::unique_ptr<SerialDevice> pty_;
    ClockedBoxLines lines_;
};

class BoxPort final : public ParallelPort {
public:
    explicit BoxPort(ParallelBox& box) : box_(box) {}
    int writeData(quint8 value) override
    {
        if (!box_.plugged()) return ENODEV;
        box_.writeData(value);
        return 0;
    }
    int writeControl(quint8 value) override
    {
        if (!box_.plugged()) return ENODEV;
        box_.writeControl(value);
        return 0;
    }

private:
    ParallelBox& box_;
};

} // namespace

std::unique_ptr<SerialDevice> SimulatorSerialOpener::open(const QString& path, int& error)
{
    if (!path.startsWith(kSimulatorDevice)) return system_.open(path, error);
    const QString which = path.mid(kSimulatorDevice.size());
    const bool lx200 = which == QLatin1String("lx200");
    if (!devices_ || (!lx200 && which != QLatin1String("boxes"))) {
        error = ENOENT;
        return nullptr;
    }
    PtyPeer& peer = lx200 ? devices_->lx200Port() : devices_->guideBoxPort();
    if (!peer.ok()) {
        error = ENOENT;
        return nullptr;
    }
    std::unique_ptr<SerialDevice> pty = system_.open(peer.path(), error);
    if (!pty || lx200) return pty;
    return std::make_unique<BoxesPort>(std::move(pty), devices_->clockedBox());
}

std::unique_ptr<ParallelPort> SimulatorParallelPorts::open(int index, int& error)
{
    std::unique_ptr<ParallelPort> port = system_.open(index, error);
    if (port || !devices_ || (error != ENOENT && error != ENODEV && error != ENXIO)) return port;
    if (!devices_->parallelBox().plugged()) return nullptr; // the error of the system's own port
    error = 0;
    return std::make_unique<BoxPort>(devices_->parallelBox());
}

QString SimulatorParallelPorts::deviceName(int index) const { return system_.deviceName(index); }

} // namespace velumbra
