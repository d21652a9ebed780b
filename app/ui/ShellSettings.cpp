#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "app/ui/WindowPlacer.h"
#include "app/ui/ZonesGroup.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "core/Rounding.h"
#include "processing/ui/GRB_Seuils.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "widgets/ImageView.h"
#include "widgets/TNumInp.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>

namespace velumbra {

ShellSettings::ShellSettings(TFRM_Alv& main) : main_(main) {}
ShellSettings::~ShellSettings() = default;

SettingsTargets ShellSettings::targets()
{
    TFRM_Alv_Child* child = main_.resultWindow();
    SettingsTargets t{main_.core(), child ? child->scheduler().controls : noSaving_,
                      main_.videoSource().source().controls, child ? child->clickLinks() : noLinks_, prefs_};
    t.indi = &main_.videoSource().indiSettings();
    if (WindowPlacer* placer = main_.windowPlacer()) t.windows = &placer->positions();
    const QSize shown = main_.image1()->shownSize();
    if (shown.width() > 0)
        t.shown = {main_.core().buffers.imageWidth, main_.core().buffers.imageHeight,
                   double(main_.TNI_Echantillonnage->Value())};
    return t;
}

void ShellSettings::load()
{
    startDirectory_ = QDir::currentPath();
    if (!startDirectory_.endsWith(QLatin1Char('/'))) startDirectory_ += QLatin1Char('/');
    settingsPath_ = startDirectory_ + QStringLiteral("Velumbra.ini");
    // No settings file yet: the program's first start here.
    const bool firstStart = !QFileInfo::exists(settingsPath_);
    file_ = std::make_unique<SettingsFile>(settingsPath_, clock_, main_);
    LoadSettings(*file_, startDirectory_, targets());
    profiles().setFile(file_.get());
    showInWidgets();
    if (firstStart) main_.showMessage(true, main_.texts().text(u"MSG_Premier_Demarrage"));
}

ProfileActions& ShellSettings::profiles()
{
    if (!profiles_) profiles_ = std::make_unique<ProfileActions>(prefs_, main_.videoSource().source().controls);
    return *profiles_;
}

QString ShellSettings::save()
{
    if (!file_) return {}; // never loaded: nothing the user could have changed from the file
    try {
        SaveSettings(*file_, targets());
    } catch (const IniWriteError& e) {
        return e.message();
    }
    return {};
}

// The widgets show the structs' values, as after any change of a struct.
void ShellSettings::showInWidgets()
{
    if (main_.thresholdGroup()) main_.thresholdGroup()->syncFromCore();
    main_.GRB_Zones->CKB_Zones_Liees->setChecked(targets().links.CKB_Zones_Liees);
    if (CameraPanel* camera = main_.videoSource().panel()) {
        const double refresh = main_.videoSource().source().controls.TNI_Tps_Rafraichissement;
        camera->TNI_Tps_Rafraichissement->setValue(refresh);
        camera->SCB_Tps_Rafraichissement->setValue(RoundDown(refresh));
    }
    if (TFRM_Alv_Child* child = main_.resultWindow()) {
        child->setBitmapFolder(prefs_.EDT_Repertoire_Bitmaps);
        child->showSavingControls();
    }
    if (TFRM_Pref* pref = main_.preferences()) pref->showValues();
    main_.MNU_Telescope->setEnabled(prefs_.autoguide.interface != MountInterface::Aucun);
    emit main_.settingsLoaded();
}

} // namespace velumbra
