#pragma once
#include <QObject>

namespace velumbra {

class ShellGuiding;
class TFRM_Alv;
class TFRM_Pref;
class TFRM_Raquette;

// The "Telescope" window and the rest of the program: its presses end
// autoguiding, its autofocus switches the focus measure on and off and takes
// its widths, the preferences give the autofocus times and the interface
// choice that enables the LX200-only controls.
class ShellPaddle : public QObject {
    Q_OBJECT
public:
    ShellPaddle(TFRM_Alv& main, TFRM_Pref& pref, ShellGuiding& guiding, TFRM_Raquette& paddle);
    ~ShellPaddle() override;

private:
    void showInterface();

    TFRM_Alv& main_;
    TFRM_Pref& pref_;
    TFRM_Raquette& paddle_;
    bool userAutoThreshold_ = true; // "Auto" as the user left it before an autofocus
};

} // namespace velumbra
