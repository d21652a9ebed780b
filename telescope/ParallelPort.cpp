#include "telescope/ParallelPort.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace velumbra {

namespace {

class PpdevPort final : public ParallelPort {
public:
    explicit PpdevPort(int fd) : fd_(fd) {}
    ~PpdevPort() override
    {
        ioctl(fd_, PPRELEASE);
        ::close(fd_);
    }
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    int writeData(quint8 value) override { return ioctl(fd_, PPWDATA, &value) == 0 ? 0 : errno; }
    int writeControl(quint8 value) override { return ioctl(fd_, PPWCONTROL, &value) == 0 ? 0 : errno; }

private:
    int fd_;
};

class SimulatedPort final : public ParallelPort {
public:
    SimulatedPort(SimulatedPorts& owner, int index) : owner_(owner), index_(index) {}
    int writeData(quint8 value) override { return record(SimulatedPorts::Register::Data, value); }
    int writeControl(quint8 value) override { return record(SimulatedPorts::Register::Control, value); }

private:
    int record(SimulatedPorts::Register reg, quint8 value)
    {
        if (owner_.writeError) return owner_.writeError;
        owner_.writes.push_back({index_, reg, value, owner_.clock ? owner_.clock->nowMs() : 0});
        return 0;
    }
    SimulatedPorts& owner_;
    int index_;
};

} // namespace

QString PpdevPorts::deviceName(int index) const { return QStringLiteral("/dev/parport%1").arg(index); }

std::unique_ptr<ParallelPort> PpdevPorts::open(int index, int& error)
{
    error = 0;
    const int fd = ::open(deviceName(index).toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
        error = errno;
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PpdevPort>(fd);
}

QString SimulatedPorts::deviceName(int index) const { return QStringLiteral("simulated parport%1").arg(index); }

std::unique_ptr<ParallelPort> SimulatedPorts::open(int index, int& error)
{
    error = openError;
    if (openError) return nullptr;
    ++opened;
    return std::make_unique<SimulatedPort>(*this, index);
}

} // namespace velumbra
