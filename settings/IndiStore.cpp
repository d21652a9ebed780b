#include "settings/IndiStore.h"

#include "settings/IniFile.h"

#include <algorithm>

namespace velumbra {

namespace {
const QString kSection = QString::fromLatin1(IndiSettings::section);
}

void loadIndiSettings(const IniFile& ini, IndiSettings& s)
{
    const IndiSettings d;
    const QString host = ini.ReadString(kSection, QStringLiteral("Serveur"), d.host).trimmed();
    s.host = host.isEmpty() ? d.host : host;
    const int port = ini.ReadInteger(kSection, QStringLiteral("Port"), d.port);
    s.port = port > 0 && port <= 65535 ? port : d.port;
    s.camera = ini.ReadString(kSection, QStringLiteral("Camera"), QString());
    s.mount = ini.ReadString(kSection, QStringLiteral("Monture"), QString());
    s.focuser = ini.ReadString(kSection, QStringLiteral("Focaliseur"), QString());
    s.mountInterface = ini.ReadInteger(kSection, QStringLiteral("Interface_Monture"), 0) == 1;
    IndiCameraOptions& o = s.cameraOptions;
    o.exposureMs = std::clamp(ini.ReadInteger(kSection, QStringLiteral("Pose_ms"), int(d.cameraOptions.exposureMs)), 1,
                              3600000);
    const int gain = ini.ReadInteger(kSection, QStringLiteral("Gain"), -1);
    o.gain = gain < 0 ? -1 : gain;
    o.binning = std::clamp(ini.ReadInteger(kSection, QStringLiteral("Binning"), 1), 1, 4);
    o.frameX = std::max(-1, ini.ReadInteger(kSection, QStringLiteral("Cadre_X"), -1));
    o.frameY = std::max(-1, ini.ReadInteger(kSection, QStringLiteral("Cadre_Y"), -1));
    o.mapping = ini.ReadInteger(kSection, QStringLiteral("Codage_16"), 0) == 1 ? IndiDepthMapping::Stretch
                                                                                : IndiDepthMapping::TopBits;
    o.stretchLow = std::clamp(ini.ReadInteger(kSection, QStringLiteral("Etirement_Bas"), 0), 0, 65534);
    o.stretchHigh = std::clamp(ini.ReadInteger(kSection, QStringLiteral("Etirement_Haut"), 65535), o.stretchLow + 1, 65535);
}

void saveIndiSettings(IniFile& ini, const IndiSettings& s)
{
    ini.WriteString(kSection, QStringLiteral("Serveur"), s.host);
    ini.WriteInteger(kSection, QStringLiteral("Port"), s.port);
    ini.WriteString(kSection, QStringLiteral("Camera"), s.camera);
    ini.WriteString(kSection, QStringLiteral("Monture"), s.mount);
    ini.WriteString(kSection, QStringLiteral("Focaliseur"), s.focuser);
    ini.WriteInteger(kSection, QStringLiteral("Interface_Monture"), s.mountInterface ? 1 : 0);
    const IndiCameraOptions& o = s.cameraOptions;
    ini.WriteInteger(kSection, QStringLiteral("Pose_ms"), int(o.exposureMs));
    ini.WriteInteger(kSection, QStringLiteral("Gain"), o.gain < 0 ? -1 : int(o.gain));
    ini.WriteInteger(kSection, QStringLiteral("Binning"), o.binning);
    ini.WriteInteger(kSection, QStringLiteral("Cadre_X"), o.frameX);
    ini.WriteInteger(kSection, QStringLiteral("Cadre_Y"), o.frameY);
    ini.WriteInteger(kSection, QStringLiteral("Codage_16"), int(o.mapping));
    ini.WriteInteger(kSection, QStringLiteral("Etirement_Bas"), o.stretchLow);
    ini.WriteInteger(kSection, QStringLiteral("Etirement_Haut"), o.stretchHigh);
}

} // namespace velumbra
