// Opens the tool windows one after the other, as a user does, under the
// window manager of the display it runs on, and saves the whole screen as
// PNG files in the folder given as the first argument, in the language
// given as the second ("Français" or "English"), with the third argument in
// their names (scripts/screenshot-window-places). A window whose frame is
// not wholly on the screen, or that opened over another, is listed and the
// program fails.
#include "ScreenshotRun.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowSet.h"
#include "core/Version.h"
#include "settings/ui/TFRM_Pref.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <cstdio>

using namespace velumbra;

namespace {

bool onScreen(QWidget* w, const QList<QWidget*>& before)
{
    const QRect screen = w->screen()->availableGeometry();
    const QRect frame = w->frameGeometry();
    bool fine = true;
    if (!screen.contains(frame)) {
        std::fprintf(stderr, "%s: frame %d,%d %dx%d not on the screen\n", qUtf8Printable(w->objectName()), frame.x(),
                     frame.y(), frame.width(), frame.height());
        fine = false;
    }
    for (QWidget* other : before)
        if (other->isVisible() && other->frameGeometry().intersects(frame))
            std::fprintf(stderr, "%s: over %s\n", qUtf8Printable(w->objectName()), qUtf8Printable(other->objectName()));
    return fine;
}

bool grabScreen(const QDir& out, const QString& name)
{
    QTest::qWait(600);
    return QGuiApplication::primaryScreen()->grabWindow(0).save(out.filePath(name));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(programTitle());
    if (argc < 4) return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString language = QString::fromUtf8(argv[2]);
    const QString suffix = QString::fromLocal8Bit(argv[3]);
    test::EmptyWorkFolder work;
    WindowSet set;
    TFRM_Alv* main = set.main();
    set.restorePlaces(); // as the program starts: no settings file yet
    main->show();
    if (!QTest::qWaitForWindowExposed(main)) return 1;
    TFRM_Pref* pref = set.preferences();
    pref->CBX_Langue->setCurrentIndex(pref->CBX_Langue->findText(language));
    test::startSimulator(main);

    bool fine = true;
    QList<QWidget*> open{main};
    auto showTool = [&](const QString& name) {
        main->showToolWindow(name);
        QWidget* w = set.window(name);
        QTest::qWaitForWindowExposed(w);
        QTest::qWait(300);
        fine = onScreen(w, open) && fine;
        open << w;
    };
    // The result window opened with the camera.
    QWidget* result = set.window(QStringLiteral("TFRM_Alv_Child"));
    fine = onScreen(result, {main}) && fine;
    open << result;
    for (const char* name : {"TFRM_Raquette", "TFRM_Prg_Suivi", "TFRM_Info", "TFRM_Longuepose"})
        showTool(QString::fromLatin1(name));
    if (!grabScreen(out, QStringLiteral("window-places-tools-%1.png").arg(suffix))) return 1;

    for (QWidget* w : open)
        if (w != main && w != result) w->hide();
    open = {main, result};
    for (const char* name : {"TFRM_ImgRef", "TFRM_Prg_Action", "TFRM_FWHM"}) showTool(QString::fromLatin1(name));
    if (!grabScreen(out, QStringLiteral("window-places-motion-%1.png").arg(suffix))) return 1;

    for (QWidget* w : open)
        if (w != main && w != result) w->hide();
    open = {main, result};
    main->MNU_Erreur_MES->trigger();
    QTest::qWait(300);
    fine = onScreen(set.window(QStringLiteral("TFRM_Main")), open) && fine;
    open << set.window(QStringLiteral("TFRM_Main"));
    showTool(QStringLiteral("TFRM_ErrPeriod"));
    if (!grabScreen(out, QStringLiteral("window-places-aids-%1.png").arg(suffix))) return 1;

    for (QWidget* w : open)
        if (w != main && w != result) w->hide();
    open = {main, result};
    pref->show();
    QTest::qWaitForWindowExposed(pref);
    QTest::qWait(300);
    fine = onScreen(pref, open) && fine;
    if (!grabScreen(out, QStringLiteral("window-places-preferences-%1.png").arg(suffix))) return 1;
    return fine ? 0 : 3;
}
