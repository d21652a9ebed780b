#include "telescope/PortAccess.h"
#include "core/Messages.h"
#include "telescope/MountSettings.h"
#include "telescope/ParallelPort.h"
#include "telescope/TrafficLog.h"

#include <cerrno>
#include <cstring>

namespace velumbra {

PortAccess::PortAccess(ParallelPorts& ports, TrafficLog& log, MessageSink& messages, const MountSettings& settings)
    : ports_(ports), log_(log), messages_(messages), settings_(settings)
{
}

PortAccess::~PortAccess() = default;

bool PortAccess::portOfAddress(quint16 address, int& port, int& reg)
{
    static constexpr quint16 bases[] = {0x378, 0x278, 0x3BC, 0x2BC};
    for (int i = 0; i < 4; ++i)
        if (address >= bases[i] && address <= bases[i] + 2) {
            port = i;
            reg = address - bases[i];
            return true;
        }
    return false;
}

ParallelPort* PortAccess::portFor(int index)
{
    if (auto it = open_.find(index); it != open_.end()) return it->second.get();
    if (reported_.count(index)) return nullptr;
    int error = 0;
    auto port = ports_.open(index, error);
    if (!port) {
        reported_.insert(index);
        const QString device = ports_.deviceName(index);
        if (error == EACCES || error == EPERM)
            messages_.showMessage(false, QStringLiteral("Accès refusé au port parallèle %1 : ajoutez votre compte "
                                                        "au groupe « lp » puis ouvrez une nouvelle session.")
                                             .arg(device));
        else if (error == ENOENT || error == ENODEV || error == ENXIO)
            messages_.showMessage(false, QStringLiteral("Aucun port parallèle %1 sur cette machine (module "
                                                        "« parport_pc » et « ppdev » chargés ?).")
                                             .arg(device));
        else
            messages_.showMessage(false, QStringLiteral("Port parallèle %1 inutilisable : %2.")
                                             .arg(device, QString::fromLocal8Bit(std::strerror(error))));
        return nullptr;
    }
    return open_.emplace(index, std::move(port)).first->second.get();
}

bool PortAccess::portAccess(quint16 address)
{
    int index = 0, reg = 0;
    return portOfAddress(address, index, reg) && portFor(index);
}

bool PortAccess::writePort(quint16 address, quint8 value)
{
    bool written = false;
    int index = 0, reg = 0;
    const bool known = portOfAddress(address, index, reg);
    if (known && reg == 1) {
        // The status register only reads the printer's answer lines.
        const int key = -int(address) - 1;
        if (!reported_.count(key)) {
            reported_.insert(key);
            messages_.showMessage(false, QStringLiteral("$%1 est le registre d'état du port parallèle, en lecture "
                                                        "seule : rien n'y est écrit. Choisissez l'adresse du port "
                                                        "($%2).")
                                             .arg(QString::number(address, 16).toUpper(),
                                                  QString::number(address - 1, 16).toUpper()));
        }
        return false;
    }
    output_[address] = value;
    if (!known) {
        const int key = -int(address) - 1;
        if (!reported_.count(key)) {
            reported_.insert(key);
            messages_.showMessage(false, QStringLiteral("Aucun port parallèle à l'adresse $%1 : choisissez LPT1 "
                                                        "à LPT4 ($378, $278, $3BC, $2BC).")
                                             .arg(QString::number(address, 16).toUpper()));
        }
    } else if (ParallelPort* port = portFor(index)) {
        const int error = reg == 0 ? port->writeData(value) : port->writeControl(value);
        written = error == 0;
        if (error) {
            open_.erase(index);
            reported_.insert(index);
            messages_.showMessage(false, QStringLiteral("Écriture impossible sur le port parallèle %1 : %2.")
                                             .arg(ports_.deviceName(index), QString::fromLocal8Bit(std::strerror(error))));
        }
    }
    if (settings_.CKB_Historique_Comm) log_.logPortWrite(address, value);
    return written;
}

quint8 PortAccess::outputByte(quint16 address) const
{
    const auto it = output_.find(address);
    return it == output_.end() ? quint8(0) : it->second;
}

void PortAccess::retry(quint16 address)
{
    int index = 0, reg = 0;
    if (portOfAddress(address, index, reg) && !open_.count(index)) reported_.erase(index);
}

void PortAccess::close()
{
    open_.clear();
    reported_.clear();
}

} // namespace velumbra
