// Draws the long-exposure window during a run of the sky simulator and a
// 5 s simulated exposure beside a live frame, and saves them as PNG files in
// the folder given as the first argument (scripts/screenshot-longexposure
// runs it on a virtual display).
#include "ScreenshotRun.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "exposure/LongExposure.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "settings/ui/TFRM_Pref.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

using namespace velumbra;

namespace {

QImage currentFrame(const TFRM_Alv& main)
{
    const ImageBuffers& b = const_cast<TFRM_Alv&>(main).core().buffers;
    return b.frameSlots[0].copy(0, 0, b.imageWidth, b.imageHeight);
}

// The two frames side by side, each with its caption.
QImage sideBySide(const QImage& live, const QImage& exposure)
{
    const int gap = 12, band = 28;
    QImage out(live.width() + exposure.width() + gap, std::max(live.height(), exposure.height()) + band,
               QImage::Format_RGB32);
    out.fill(QColor(48, 48, 48));
    QPainter p(&out);
    p.drawImage(0, band, live);
    p.drawImage(live.width() + gap, band, exposure);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(16);
    p.setFont(f);
    p.drawText(8, 20, QStringLiteral("Image en direct (40 ms)"));
    p.drawText(live.width() + gap + 8, 20, QStringLiteral("Pose longue de 5 s (lignes du port parallèle simulé)"));
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    test::ScreenshotWindows run(argc, argv);
    if (const int failed = run.start()) return failed;
    const QDir& out = run.out;
    WindowSet& set = run.set;
    TFRM_Alv* main = set.main();
    set.preferences()->CKB_VestaMod->click();
    test::startSimulator(main);
    const QImage live = currentFrame(*main);

    CameraPanel* camera = main->videoSource().panel();
    camera->BTN_Poselongue->click();
    TFRM_Longuepose* window = set.longExposureWindow();
    window->SPED_Vesta_Pose->setValue(5000);
    window->SPED_Nb_Poses->setValue(1);
    window->BTN_Demarrer_Pose->click();
    QTest::qWait(2600); // halfway: the countdown runs
    if (!window->grab().save(out.filePath(QStringLiteral("longexposure-window.png")))) return 1;
    for (int i = 0; i < 100 && set.longExposure().active(); ++i) QTest::qWait(100);
    if (set.longExposure().active()) return 1;
    QTest::qWait(300);
    const QImage exposure = currentFrame(*main);
    if (!sideBySide(live, exposure).save(out.filePath(QStringLiteral("longexposure-5s-vs-live.png")))) return 1;
    if (!main->grab().save(out.filePath(QStringLiteral("longexposure-main-window.png")))) return 1;
    return 0;
}
