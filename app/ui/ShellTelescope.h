#pragma once
#include "telescope/Mount.h"

#include <QObject>
#include <functional>

namespace velumbra {

class Telescope;
class TFRM_Alv;
class TFRM_ComTrafic;
class TFRM_Pref;

// The telescope tab of the preferences and the mount layer: the settings
// follow the controls, "Connecter"/"Deconnecter", the test buttons and
// "Comm. Traffic." act, and the link's state enables the controls.
class ShellTelescope : public QObject, private MountView {
    Q_OBJECT
public:
    ShellTelescope(TFRM_Alv& main, TFRM_Pref& pref, Telescope& telescope, TFRM_ComTrafic& traffic);
    ~ShellTelescope() override;

    // The mount reads the preferences as they are now.
    void sync();
    // The last timed move per axis, for the autoguiding window.
    std::function<void(Axis, const QString& direction, int durationMs)> axisMoveShown;

private:
    // "Connecter" answered: the message panel says which mount, and where.
    void reportConnected();
    void linkControlsChanged(const LinkControls& c) override;
    void showTestValue(const QString& eightDigits) override;
    void showAxisMove(Axis axis, const QString& direction, int durationMs) override;

    TFRM_Alv& main_;
    TFRM_Pref& pref_;
    Telescope& telescope_;
    TFRM_ComTrafic& traffic_;
};

} // namespace velumbra
