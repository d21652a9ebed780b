#include "telescope/Telescope.h"
#include "telescope/MountTimer.h"

namespace velumbra {

Telescope::Telescope(MessageSink& messages)
    : com(opener_, pause), ports(parallelPorts_, traffic, messages, settings),
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

Telescope::~Telescope()
{
    autoguider.stop();
    mount.closeForExit();
    ports.close();
}

} // namespace velumbra
