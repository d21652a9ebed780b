// Draws the program's windows while the sky simulator runs and saves them
// as PNG files in the folder given as the first argument
// (scripts/screenshot-windows runs it on a virtual display): the main
// window, the polar-alignment window during a Bigourdan run, and the result
// window with its image format (page "Special") and its video sequence.
#include "ScreenshotRun.h"
#include "acquisition/ui/TFRM_Pilote.h"
#include "aids/ui/GRB_Operations.h"
#include "aids/ui/TFRM_Main.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace velumbra;

namespace {

// The brightest pixel of the live frame, away from the borders.
Point brightestStar(const QImage& frame, int width, int height)
{
    Point best{width / 2, height / 2};
    int level = -1;
    for (int y = 40; y < height - 40; ++y)
        for (int x = 40; x < width - 40; ++x)
            if (qGreen(frame.pixel(x, y)) > level) {
                level = qGreen(frame.pixel(x, y));
                best = {x, y};
            }
    return best;
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
    test::startSimulator(main);

    auto* polar = qobject_cast<TFRM_Main*>(set.window(QStringLiteral("TFRM_Main")));
    main->MNU_Erreur_MES->trigger();
    polar->BTN_Demar_MESClick();
    const ImageCore& core = main->core();
    const Point star = brightestStar(core.buffers.frameSlots[0], core.buffers.imageWidth, core.buffers.imageHeight);
    main->Image1MouseUp(QPoint(star.x, star.y), Qt::LeftButton, Qt::NoModifier);
    QTest::qWait(500);
    main->operations()->BTN_Executer->click();
    QTest::qWait(4500);
    polar->move(main->frameGeometry().right() + 8, 0);
    QTest::qWait(300);
    if (!polar->grab().save(out.filePath(QStringLiteral("polar-alignment.png")))) return 1;
    if (!main->grab().save(out.filePath(QStringLiteral("main-window-operations.png")))) return 1;

    auto* child = qobject_cast<TFRM_Alv_Child*>(set.window(QStringLiteral("TFRM_Alv_Child")));
    if (!child) return 1;
    child->showNormal();
    child->move(0, 0);
    auto* pages = child->findChild<QTabWidget*>(QStringLiteral("PGC_Child"));
    pages->setCurrentIndex(2);
    child->findChild<QComboBox*>(QStringLiteral("CBX_Format"))->setCurrentIndex(1);
    QTest::qWait(300);
    if (!child->grab().save(out.filePath(QStringLiteral("result-window-format.png")))) return 1;
    pages->setCurrentIndex(1);
    child->findChild<QRadioButton*>(QStringLiteral("RDB_Video_SER"))->setChecked(true);
    QTest::qWait(300);
    if (!child->grab().save(out.filePath(QStringLiteral("result-window-video.png")))) return 1;
    return 0;
}
