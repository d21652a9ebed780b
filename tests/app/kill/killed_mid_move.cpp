// The whole program on the simulated devices, ended by a signal: it moves a
// serial-command mount (on the pseudo-terminal named by its argument) and
// runs a long exposure whose lines reach a simulated parallel box, says
// "ready", and waits, ended by signals as the program is. Once ended it says
// how the box's data pins were left ("lines 00001111").
// Used by test_killed_by_signal.
#include "acquisition/control/VideoSource.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/TerminationSignals.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "core/Clock.h"
#include "exposure/LongExposure.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "settings/ui/TFRM_Pref.h"
#include "simulator/ParallelBox.h"
#include "simulator/SimulatorDevices.h"
#include "simulator/SkySimulator.h"
#include "telescope/MountProtocols.h"
#include "telescope/Telescope.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    QApplication app(argc, argv);
    using namespace velumbra;
    // The box outlives the program's windows, so its pins can be read after them.
    SystemClock clock;
    SkySimulator sky{clock};
    SimulatorDevices devices{sky};
    int signal = 0;
    {
        WindowSet set;
        TerminationSignals termination;
        QObject::connect(&termination, &TerminationSignals::arrived, &app, [&set] { set.endOnSignal(); });
        set.telescope().attachSimulator(&devices);
        TFRM_Alv* main = set.main();
        main->show();
        TFRM_Pref* pref = set.preferences();
        pref->RDB_LX200->click();
        pref->CBX_AG_PortSerie->setCurrentText(QString::fromLocal8Bit(argv[1]));
        pref->CKB_VestaMod->click();

        VideoSourceUi& video = main->videoSource();
        video.chooserOverride = [](const QStringList& entries) -> std::optional<int> {
            return int(entries.size()) - 1; // the sky simulator comes last
        };
        video.source().BTN_StartClick();
        if (!video.source().running()) return 3;
        video.panel()->BTN_Poselongue->click();
        TFRM_Longuepose* window = set.longExposureWindow();
        window->SPED_Vesta_Pose->setValue(60000);
        window->BTN_Demarrer_Pose->click();
        if (!set.longExposure().active() || !sky.integrating(LineSet::Odd)) return 4;
        set.telescope().mount.mount_move(East, false, CONTINUOUS_MOVE);
        std::printf("ready\n");
        std::fflush(stdout);
        app.exec();
        signal = termination.received();
    }
    std::printf("lines %s\n", qPrintable(binaryDigits(devices.parallelBox().dataPins())));
    return signal ? 128 + signal : 0;
}
