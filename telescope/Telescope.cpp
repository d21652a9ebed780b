#include "telescope/Telescope.h"
#include "telescope/MountTimer.h"

namespace velumbra {

Telescope::Telescope(MessageSink& messages)
    : messages_(messages), com(opener_, pause), ports(parallelPorts_, traffic, messages, settings),
      mount(settings, MountDevices{com, ports, traffic, messages, clock, std::make_unique<QtMountTimer>(),
                                   std::make_unique<QtMountTimer>()}),
      autoguider({mount, pause, messages, dayClock, clock})
{
}

void Telescope::attachSimulator(SimulatorDevices* devices)
{
    opener_.attach(devices);
    parallelPorts_.attach(devices);
    ports.close(); // ports are opened again, to the devices now there
}

void Telescope::attachIndi(IndiClient& client, IndiSettings& indiSettings)
{
    indi = std::make_unique<IndiMountLink>(client, indiSettings, settings, messages_, clock,
                                           [] { return std::make_unique<QtMountTimer>(); });
    mount.setIndi(indi.get());
}

Telescope::~Telescope()
{
    autoguider.stop();
    mount.closeForExit();
    ports.close();
}

} // namespace velumbra
