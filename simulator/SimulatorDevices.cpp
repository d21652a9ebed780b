#include "simulator/SimulatorDevices.h"
#include "simulator/SkySimulator.h"

namespace velumbra {

SimulatorDevices::SimulatorDevices(SkySimulator& sky)
    : lx200_(sky.mount()), guideBox_(sky.mount()), clockedBox_(sky.mount()), parallelBox_(sky),
      lx200Port_([this](QByteArrayView bytes) { return lx200_.receive(bytes); }),
      guideBoxPort_([this](QByteArrayView bytes) {
          guideBox_.receive(bytes);
          return QByteArray();
      })
{
}

} // namespace velumbra
