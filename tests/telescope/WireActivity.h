#pragma once
// What each box does on the wire, read back as intervals of motion per
// direction, from the bytes and register writes with their times.
#include "telescope/MountProtocols.h"
#include "telescope/ParallelPort.h"
#include "telescope/SimulatedSerial.h"

#include <array>
#include <limits>
#include <vector>

namespace velumbra::test {

struct Motion {
    MoveDirection direction;
    qint64 startMs;
    qint64 endMs; // max() while still running
};

class ActivityRecorder {
public:
    void on(MoveDirection d, qint64 t)
    {
        if (!running_[d]) begin_[d] = t;
        running_[d] = true;
    }
    void off(MoveDirection d, qint64 t)
    {
        if (running_[d]) motions.push_back({d, begin_[d], t});
        running_[d] = false;
    }
    std::vector<Motion> finish()
    {
        for (MoveDirection d : {East, West, North, South})
            if (running_[d]) motions.push_back({d, begin_[d], std::numeric_limits<qint64>::max()});
        return motions;
    }
    std::vector<Motion> motions;

private:
    std::array<bool, 4> running_{};
    std::array<qint64, 4> begin_{};
};

// LX200: "#:Mx#" starts, "#:Qx#" or "#:Q#" stops; the time of a command is
// the time of its last byte.
inline std::vector<Motion> lx200Activity(const std::vector<SimulatedSerialLine::Byte>& bytes)
{
    ActivityRecorder r;
    QByteArray command;
    auto dirOf = [](char c) {
        return c == 'e' ? East : c == 'w' ? West : c == 'n' ? North : South;
    };
    for (const auto& b : bytes) {
        command += char(b.value);
        if (b.value != '#' || command.size() < 2) continue;
        if (command.startsWith("#:M") && command.size() == 5) r.on(dirOf(command[3]), b.atMs);
        if (command.startsWith("#:Q") && command.size() == 5) r.off(dirOf(command[3]), b.atMs);
        if (command == "#:Q#")
            for (MoveDirection d : {East, West, North, South}) r.off(d, b.atMs);
        command.clear();
    }
    return r.finish();
}

// The serial box: each byte runs its direction for its steps × 15 ms; a
// byte arriving while the previous pulse runs prolongs it, and ends the
// other direction of its axis.
inline std::vector<Motion> tolvirActivity(const std::vector<SimulatedSerialLine::Byte>& bytes)
{
    static const MoveDirection byCode[] = {West, East, North, South};
    std::vector<Motion> out;
    std::array<int, 4> open{-1, -1, -1, -1};
    for (const auto& b : bytes) {
        const MoveDirection d = byCode[b.value & 3];
        const qint64 end = b.atMs + (b.value >> 2) * 15;
        if (int& other = open[opposite(d)]; other >= 0) {
            out[size_t(other)].endMs = std::min(out[size_t(other)].endMs, b.atMs);
            other = -1;
        }
        if (open[d] >= 0 && out[size_t(open[d])].endMs >= b.atMs) {
            out[size_t(open[d])].endMs = std::max(out[size_t(open[d])].endMs, end);
        } else {
            open[d] = int(out.size());
            out.push_back({d, b.atMs, end});
        }
    }
    return out;
}

// The parallel box: a direction runs while its data line is active.
inline std::vector<Motion> varnekActivity(const std::vector<SimulatedPorts::Write>& writes, const MountSettings& s)
{
    ActivityRecorder r;
    for (const auto& w : writes) {
        if (w.reg != SimulatedPorts::Register::Data) continue;
        for (MoveDirection d : {East, West, North, South}) {
            const VarnekLine line = varnekLine(s, d);
            if (((w.value >> line.bit) & 1) == line.active)
                r.on(d, w.atMs);
            else
                r.off(d, w.atMs);
        }
    }
    return r.finish();
}

// The clocked box: the code latched last runs; the stop code runs nothing.
inline std::vector<Motion> dremlaActivity(const std::vector<SimulatedModemLines::Write>& writes)
{
    ActivityRecorder r;
    quint8 mcr = 0, lcr = 0;
    std::vector<int> bits;
    for (const auto& w : writes) {
        if (w.reg == SimulatedModemLines::Register::ModemControl) {
            if (!(mcr & ModemLines::kRts) && (w.value & ModemLines::kRts)) bits.push_back(w.value & ModemLines::kDtr);
            mcr = w.value;
            continue;
        }
        const bool latchOn = w.value & ModemLines::kBreak;
        if (!latchOn && (lcr & ModemLines::kBreak)) bits.clear();
        if (latchOn && !(lcr & ModemLines::kBreak)) {
            for (MoveDirection d : {East, West, North, South}) r.off(d, w.atMs);
            const size_t tail = bits.size() > 8 ? bits.size() - 8 : 0;
            if (tail == 1) r.on(West, w.atMs);
            if (tail == 2) r.on(East, w.atMs);
            if (tail == 3) r.on(North, w.atMs);
            if (tail == 4) r.on(South, w.atMs);
        }
        lcr = w.value;
    }
    return r.finish();
}

} // namespace velumbra::test
