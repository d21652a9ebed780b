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

Telescope::~Telescope()
{
    autoguider.stop();
    mount.closeForExit();
    ports.close();
}

} // namespace velumbra
