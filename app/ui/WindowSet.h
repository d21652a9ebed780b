#pragma once
#include <QStringList>
#include <memory>
#include <vector>

class QWidget;

namespace velumbra {

class TFRM_Alv;
class TFRM_Alv_Child;
class TFRM_Pref;
class TFRM_Main;
class ShellTelescope;
class SimulatorDevices;
class ShellAids;
class TFRM_ErrPeriod;
class ShellGuiding;
class ShellPaddle;
class ShellInfo;
class TFRM_Info;
class TFRM_Prg_Suivi;
class TFRM_Raquette;
class TFRM_Ressources;
class TAboutBox;
class TFRM_Equal;
class TFRM_ComTrafic;
class Telescope;
class LongExposure;
class PortAccessLines;
class ShellLongExposure;
class TFRM_Longuepose;
class ShellLanguage;
class WindowPlacer;

// Every window of the program, created once in a fixed order at start and
// then only shown and hidden.
class WindowSet {
public:
    WindowSet();
    ~WindowSet();

    TFRM_Alv* main() const { return main_.get(); }
    TFRM_Alv_Child* resultWindow() const { return child_; }
    TFRM_Pref* preferences() const { return pref_; }
    TFRM_Ressources* resources() const { return resources_; }
    TAboutBox* aboutBox() const { return about_; }
    // The serial link, the port lines and the mount layer.
    Telescope& telescope() const { return *telescope_; }
    TFRM_ComTrafic* trafficWindow() const { return traffic_; }
    // The simulated observatory's mount, boxes and camera lines.
    SimulatorDevices& simulator() const { return *simulator_; }
    TFRM_Prg_Suivi* guidingWindow() const { return guiding_; }
    ShellGuiding& guiding() const { return *shellGuiding_; }
    TFRM_Raquette* paddleWindow() const { return paddle_; }
    TFRM_Info* infoWindow() const { return info_; }
    // The long exposures and their window.
    LongExposure& longExposure() const { return *longExposure_; }
    TFRM_Longuepose* longExposureWindow() const { return longExposureWindow_; }
    // The language of every window.
    ShellLanguage& language() const { return *language_; }
    QWidget* window(const QString& objectName) const;
    const QStringList& creationOrder() const { return order_; }

    // The program is told to end (a termination signal): the mount stops
    // and the camera lines go to rest first, whatever follows; then the
    // main window closes as from its menu.
    void endOnSignal();

    // Before the main window shows: the places of the windows from the
    // settings file; the main window goes to its own.
    void restorePlaces();
    WindowPlacer* placer() const { return placer_; }

private:
    void add(QWidget* w);
    void adopt(QWidget* w);

    std::unique_ptr<TFRM_Alv> main_;
    // The simulated observatory's devices, on the video source's sky.
    std::unique_ptr<SimulatorDevices> simulator_;
    std::unique_ptr<Telescope> telescope_;
    std::unique_ptr<ShellTelescope> shellTelescope_;
    std::unique_ptr<ShellAids> shellAids_;
    std::unique_ptr<ShellGuiding> shellGuiding_;
    std::unique_ptr<ShellPaddle> shellPaddle_;
    std::unique_ptr<ShellInfo> shellInfo_;
    TFRM_Info* info_ = nullptr;
    std::unique_ptr<PortAccessLines> exposureLines_;
    std::unique_ptr<LongExposure> longExposure_;
    std::unique_ptr<ShellLongExposure> shellLongExposure_;
    std::unique_ptr<ShellLanguage> language_;
    TFRM_Longuepose* longExposureWindow_ = nullptr;
    std::vector<std::unique_ptr<QWidget>> others_;
    TFRM_Alv_Child* child_ = nullptr;
    TFRM_Pref* pref_ = nullptr;
    TFRM_Main* polar_ = nullptr;
    TFRM_ErrPeriod* periodic_ = nullptr;
    TFRM_Ressources* resources_ = nullptr;
    TAboutBox* about_ = nullptr;
    TFRM_Equal* equal_ = nullptr;
    TFRM_ComTrafic* traffic_ = nullptr;
    TFRM_Prg_Suivi* guiding_ = nullptr;
    TFRM_Raquette* paddle_ = nullptr;
    WindowPlacer* placer_ = nullptr;
    QStringList order_;
};

} // namespace velumbra
