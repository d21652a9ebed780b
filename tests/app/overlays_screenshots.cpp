// Saves, in the folder given as the first argument, the live image of the
// sky simulator with the reticle, the target and the Info window's
// histogram (overlays-main-window.png, info-window.png), the saturation
// view (overlays-saturation.png), and the periodic-error window after 16
// simulated minutes of a worm of ±10 arc seconds over 8 minutes
// (periodic-error.png). scripts/screenshot-overlays runs it on a virtual
// display, in an empty folder.
#include "../aids/NightRig.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "aids/ui/TFRM_ErrPeriod.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "processing/ui/PNL_Info_Image.h"
#include "processing/ui/PNL_Reticule.h"
#include "processing/ui/TFRM_Info.h"
#include "widgets/ImageView.h"
#include "widgets/TNumInp.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace velumbra;
using namespace velumbra::test;

namespace {

bool liveOverlays(const QDir& out)
{
    WindowSet set;
    TFRM_Alv* main = set.main();
    main->show();
    if (!QTest::qWaitForWindowExposed(main)) return false;
    main->videoSource().chooserOverride = [](const QStringList& entries) {
        return std::optional<int>(int(entries.size()) - 1);
    };
    main->videoSource().panel()->BTN_Start->click();
    QTest::qWait(1500);
    // The reticle at 1.5 arc seconds per pixel, turned by 20°, centred on the screen.
    main->TNI_Echantillonnage->setValue(1.5);
    PNL_Reticule* reticle = main->reticlePanel();
    main->CKB_Reticule->click();
    reticle->CKB_Cercles->setChecked(true);
    reticle->CKB_Croix->setChecked(true);
    reticle->SCB_Orient->setValue(20);
    reticle->BTN_Centrer_Reticule_Sur_Ecran->click();
    // The information window with its histogram, the pointer on the frame's centre.
    main->CKB_Info_Image->click();
    TFRM_Info* info = set.infoWindow();
    info->CKB_Histogramme->click();
    info->SCB_Scale_Histo->setValue(400);
    QTest::qWait(300);
    emit main->image1()->mouseMoved(QPoint(320, 240));
    info->histogramAt(20);
    QTest::qWait(2500);
    if (!main->grab().save(out.filePath(QStringLiteral("overlays-main-window.png")))) return false;
    if (!info->grab().save(out.filePath(QStringLiteral("info-window.png")))) return false;
    // The saturation view at 120.
    // The pointer over "Info. Img." brings its panel up.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(main->CKB_Info_Image, &enter);
    PNL_Info_Image* panel = main->infoPanel();
    panel->CKB_Satur->click();
    panel->SCB_Seuil_Satur->setValue(120);
    QTest::qWait(1500);
    return main->grab().save(out.filePath(QStringLiteral("overlays-saturation.png")));
    // The program ends without closing the main window: no settings are written.
}

bool periodicError(const QDir& out, MessageSink& messages)
{
    SimulatedMount m;
    m.periodicAmplitude = 10.0;
    m.periodicPeriod = 480.0;
    ManualClock probe{QDateTime(QDate(2026, 10, 3), QTime(22, 0))};
    MountModel where(probe, m);
    Night night(m, {where.siderealTime(), 0.0}, true, 0.7632);
    TFRM_ErrPeriod window(night.seq, messages);
    window.settingsSource = [&night] { return night.settings; };
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    if (!night.pickStar(120)) return false;
    window.BTN_Demar_EPClick();
    night.execute();
    for (int s = 0; s < 2 * 480; ++s) night.frame(1000);
    QTest::qWait(300);
    return window.grab().save(out.filePath(QStringLiteral("periodic-error.png")));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    RecordingMessages messages;
    if (!periodicError(out, messages)) return 1;
    return liveOverlays(out) ? 0 : 1;
}
