#pragma once
#include <QString>
#include <map>
#include <memory>
#include <set>

namespace velumbra {

class MessageSink;
class ParallelPort;
class ParallelPorts;
class TrafficLog;
struct MountSettings;

// Writes to the parallel port registers at the addresses the settings name
// ("$378" the data register of LPT1, "$37A" its control register), shared
// by the parallel guiding box and the long exposures. Each address's port is
// opened at its first write and kept until close(). A port that cannot be
// opened is reported once and its writes are skipped; every write is still
// logged while "Comm. Traffic." is on. A status register takes no byte: a
// write to it is refused with a message.
//
// Each register keeps one output byte, shared by everyone who writes to it:
// the guide box and the camera lines change their own bits of the same data
// byte, so each starts from what the other left.
class PortAccess {
public:
    PortAccess(ParallelPorts& ports, TrafficLog& log, MessageSink& messages, const MountSettings& settings);
    ~PortAccess();

    // True when the byte reached a port. The byte becomes the register's
    // output byte even when the port is missing: it is what the lines are
    // meant to show, and what the next change starts from.
    bool writePort(quint16 address, quint8 value);
    // The register's output byte: the last byte written to it, 0 before any.
    quint8 outputByte(quint16 address) const;
    // The port of this address, reported as missing or failed, is tried
    // again at the next write (and reported again if still missing).
    void retry(quint16 address);
    // Whether writes to this address reach a port (it opens the port if needed).
    bool portAccess(quint16 address);
    void close();

    // Which port and register an address names: LPT1..LPT4 at $378, $278,
    // $3BC, $2BC; register 0 data, 1 status, 2 control. false for others.
    static bool portOfAddress(quint16 address, int& port, int& reg);

private:
    ParallelPort* portFor(int index);

    ParallelPorts& ports_;
    TrafficLog& log_;
    MessageSink& messages_;
    const MountSettings& settings_;
    std::map<int, std::unique_ptr<ParallelPort>> open_;
    std::set<int> reported_; // ports (or -address-1 for unknown addresses) already reported
    std::map<quint16, quint8> output_;
};

} // namespace velumbra
