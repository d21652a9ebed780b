#include "settings/Profiles.h"
#include "settings/IniFile.h"
#include "settings/StoredNumbers.h"

namespace velumbra {
namespace {

// A field refuses a value outside its range and keeps the one it holds.
double inRange(double value, double lo, double hi, double held)
{
    return value >= lo && value <= hi ? value : held;
}

class Section {
public:
    Section(const IniFile& ini, QString name) : ini_(ini), name_(std::move(name)) {}
    int integer(const char* key, int missing) const
    {
        return ini_.ReadInteger(name_, QLatin1String(key), missing);
    }
    bool flag(const char* key, bool missing) const { return integer(key, missing ? 1 : 0) != 0; }

private:
    const IniFile& ini_;
    QString name_;
};

} // namespace

MountControls ReadMountProfile(const IniFile& ini, const QString& name, const MountControls& held)
{
    const Section s(ini, QStringLiteral("Monture.") + name);
    MountControls m;
    using L = MountLimits;
    m.TNI_Rayon_Az = inRange(s.integer("Rayon_Az", 15), L::radiusMin, L::radiusMax, held.TNI_Rayon_Az);
    m.TNI_Rayon_Alt = inRange(s.integer("Rayon_Alt", 15), L::radiusMin, L::radiusMax, held.TNI_Rayon_Alt);
    m.TNI_Fil_Az = inRange(s.integer("Fil_Az", 1000) / 1000.0, L::pitchMin, L::pitchMax, held.TNI_Fil_Az);
    m.TNI_Fil_Alt = inRange(s.integer("Fil_Alt", 1000) / 1000.0, L::pitchMin, L::pitchMax, held.TNI_Fil_Alt);
    m.CKB_Inverse_Az = s.flag("Inverse_Az", false);
    m.CKB_Inverse_Alt = s.flag("Inverse_Alt", false);
    return m;
}

void WriteMountProfile(IniFile& ini, const QString& name, const MountControls& m)
{
    const QString section = QStringLiteral("Monture.") + name;
    ini.WriteInteger(section, QStringLiteral("Rayon_Az"), Stored::Round(m.TNI_Rayon_Az));
    ini.WriteInteger(section, QStringLiteral("Rayon_Alt"), Stored::Round(m.TNI_Rayon_Alt));
    ini.WriteInteger(section, QStringLiteral("Fil_Az"), Stored::RoundThousandths(m.TNI_Fil_Az));
    ini.WriteInteger(section, QStringLiteral("Fil_Alt"), Stored::RoundThousandths(m.TNI_Fil_Alt));
    ini.WriteInteger(section, QStringLiteral("Inverse_Az"), Stored::Bool(m.CKB_Inverse_Az));
    ini.WriteInteger(section, QStringLiteral("Inverse_Alt"), Stored::Bool(m.CKB_Inverse_Alt));
}

CameraProfile ReadCameraProfile(const IniFile& ini, const QString& name, const CameraProfile& held)
{
    const Section s(ini, QStringLiteral("Camera.") + name);
    using L = CameraLimits;
    CameraProfile c = held;
    CameraControls& p = c.pixels;
    p.TNI_Larg_Pix = inRange(s.integer("Larg_Pix", 7400) / 1000.0, 0, L::pixelSizeMax, held.pixels.TNI_Larg_Pix);
    p.TNI_Haut_Pix = inRange(s.integer("Haut_Pix", 7400) / 1000.0, 0, L::pixelSizeMax, held.pixels.TNI_Haut_Pix);
    p.TNI_NbPix_X = inRange(s.integer("NbPix_X", 640), L::resolutionMin, L::resolutionMax, held.pixels.TNI_NbPix_X);
    p.TNI_NbPix_Y = inRange(s.integer("NbPix_Y", 480), L::resolutionMin, L::resolutionMax, held.pixels.TNI_NbPix_Y);
    c.CKB_VestaMod = s.flag("VestaModChecked", false);
    c.CKB_RAW = s.flag("CKB_RAW.Checked", false);
    // The four mode buttons are set in turn: checking one unchecks the
    // others, unchecking the checked one leaves none; the mosaic layout
    // follows each button checked.
    static const char* const modes[] = {"RDB_RAWMode_1.Checked", "RDB_RAWMode_2.Checked", "RDB_RAWMode_3.Checked",
                                        "RDB_RAWMode_4.Checked"};
    for (int i = 0; i < 4; ++i) {
        if (s.flag(modes[i], i == 0)) {
            c.RDB_RAWMode = i;
            c.rawMode = i;
        } else if (c.RDB_RAWMode == i) {
            c.RDB_RAWMode = -1;
        }
    }
    return c;
}

void WriteCameraProfile(IniFile& ini, const QString& name, const CameraProfile& c)
{
    const QString section = QStringLiteral("Camera.") + name;
    ini.WriteInteger(section, QStringLiteral("Larg_Pix"), Stored::RoundThousandths(c.pixels.TNI_Larg_Pix));
    ini.WriteInteger(section, QStringLiteral("Haut_Pix"), Stored::RoundThousandths(c.pixels.TNI_Haut_Pix));
    ini.WriteInteger(section, QStringLiteral("NbPix_X"), Stored::Round(c.pixels.TNI_NbPix_X));
    ini.WriteInteger(section, QStringLiteral("NbPix_Y"), Stored::Round(c.pixels.TNI_NbPix_Y));
    ini.WriteInteger(section, QStringLiteral("VestaModChecked"), Stored::Bool(c.CKB_VestaMod));
    ini.WriteInteger(section, QStringLiteral("CKB_RAW.Checked"), Stored::Bool(c.CKB_RAW));
    ini.WriteInteger(section, QStringLiteral("RDB_RAWMode_1.Checked"), Stored::Bool(c.RDB_RAWMode == 0));
    ini.WriteInteger(section, QStringLiteral("RDB_RAWMode_2.Checked"), Stored::Bool(c.RDB_RAWMode == 1));
    ini.WriteInteger(section, QStringLiteral("RDB_RAWMode_3.Checked"), Stored::Bool(c.RDB_RAWMode == 2));
    ini.WriteInteger(section, QStringLiteral("RDB_RAWMode_4.Checked"), Stored::Bool(c.RDB_RAWMode == 3));
}

} // namespace velumbra
