#pragma once
#include "core/SteadyClock.h"

#include <QtGlobal>
#include <vector>

namespace velumbra {

// The two control registers of a serial port's UART that the clocked box is
// driven through, with their register meaning: modem control bit 0 DTR,
// bit 1 RTS, bit 3 OUT2; line control bit 6 the break condition. Every call
// returns 0 or the system error number.
class ModemLines {
public:
    virtual ~ModemLines() = default;
    virtual int readModemControl(quint8& value) = 0;
    virtual int writeModemControl(quint8 value) = 0;
    virtual int readLineControl(quint8& value) = 0;
    virtual int writeLineControl(quint8 value) = 0;

    static constexpr quint8 kDtr = 0x01;
    static constexpr quint8 kRts = 0x02;
    static constexpr quint8 kBreak = 0x40;
};

// Registers in memory that keep every write, for the tests and the simulator
// (pseudo-terminals have no modem lines).
class SimulatedModemLines final : public ModemLines {
public:
    enum class Register { ModemControl, LineControl };
    struct Write {
        Register reg;
        quint8 value;
        qint64 atMs; // on the clock below, 0 without one
    };
    int readModemControl(quint8& value) override { return read(modemControl, value); }
    int writeModemControl(quint8 value) override { return write(Register::ModemControl, modemControl, value); }
    int readLineControl(quint8& value) override { return read(lineControl, value); }
    int writeLineControl(quint8 value) override { return write(Register::LineControl, lineControl, value); }

    quint8 modemControl = 0;
    quint8 lineControl = 0;
    std::vector<Write> writes;
    int failWith = 0; // a port that went away: every call fails with this error
    const SteadyClock* clock = nullptr;

private:
    int read(quint8 reg, quint8& value) const
    {
        if (failWith) return failWith;
        value = reg;
        return 0;
    }
    int write(Register which, quint8& reg, quint8 value)
    {
        if (failWith) return failWith;
        reg = value;
        writes.push_back({which, value, clock ? clock->nowMs() : 0});
        return 0;
    }
};

} // namespace velumbra
