#include "app/ui/ShellGuiding.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "aids/ui/GRB_Operations.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/ShellTelescope.h"
#include "app/ui/TFRM_Alv.h"
#include "processing/ui/TrackingPanel.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/MountTimer.h"
#include "telescope/Telescope.h"
#include "telescope/ui/PNL_Autoguidage.h"
#include "telescope/ui/TFRM_Prg_Suivi.h"
#include "app/ui/ZonesGroup.h"
#include "widgets/ImageView.h"
#include "widgets/TNumInp.h"

#include <QCheckBox>
#include <algorithm>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace velumbra {

ShellGuiding::ShellGuiding(TFRM_Alv& main, TFRM_Pref& pref, Telescope& telescope, ShellTelescope& shellTelescope,
                           TFRM_Prg_Suivi& window)
    : main_(main), pref_(pref), telescope_(telescope), shellTelescope_(shellTelescope),
      window_(window), calibration_(telescope.mount, telescope.clock, *this, std::make_unique<QtMountTimer>())
{
    Autoguider& guider = telescope_.autoguider;
    guider.settingsSource = [this] { return guideSettings(); };
    guider.setView(&window_);
    window_.speedsSource = [this] {
        const MountSettings& m = telescope_.settings;
        return std::array<double, 4>{m.TNI_Vitesse_Ouest, m.TNI_Vitesse_Est, m.TNI_Vitesse_Nord, m.TNI_Vitesse_Sud};
    };
    window_.setTexts(&main_.texts());
    main_.stages().tracker().setGuideCorrection(&guider);
    main_.guideClick = [this](Point offset) { telescope_.autoguider.guide_correct(offset.x, offset.y); };
    shellTelescope_.axisMoveShown = [this](Axis a, const QString& d, int ms) { window_.showAxisMove(a, d, ms); };
    OperationSequencer& sequencer = main_.operations()->sequencer();
    sequencer.setStep(Operation::GuideCalibration, &calibration_);
    calibration_.finished = [&sequencer] { sequencer.endMeasurement(); };

    panel_ = new PNL_Autoguidage;
    main_.addUnderTrackingPanel(panel_);
    panel_->CKB_Autoguidage->setEnabled(main_.settings().prefs().autoguide.interface != MountInterface::Aucun);
    connect(panel_->CKB_Autoguidage, &QCheckBox::toggled, this, &ShellGuiding::CKB_AutoguidageClick);
    connect(panel_->BTN_Param_Autoguidage, &QPushButton::clicked, this, [this] {
        if (QWidget* tab = pref_.pages()->findChild<QWidget*>(QStringLiteral("TBS_Autoguidage")))
            pref_.pages()->setCurrentWidget(tab);
        pref_.show();
        pref_.raise();
    });
    connect(panel_->BTN_Decaler, &QPushButton::clicked, this, &ShellGuiding::BTN_DecalerClick);
    // Without frames no correction can end well: the mount stops at once,
    // and a calibration ends with its motion stopped.
    connect(&main_, &TFRM_Alv::cameraLost, this, [this] {
        OperationSequencer& sequencer = main_.operations()->sequencer();
        if (sequencer.measuringFor(Operation::GuideCalibration)) sequencer.BTN_AbortClick();
        if (main_.core().controls.CKB_Autoguidage) telescope_.mount.mount_stop_all();
    });
    connect(&pref_, &TFRM_Pref::interfaceChosen, this, [this](MountInterface chosen) {
        panel_->CKB_Autoguidage->setEnabled(chosen != MountInterface::Aucun);
    });

    connect(pref_.BTN_Apprendre, &QPushButton::clicked, this, &ShellGuiding::BTN_ApprendreClick);
    connect(&pref_, &TFRM_Pref::offsetFileChosen, this, [this] {
        const bool loaded = loadOffsetFile();
        pref_.CKB_Fichier_decalage->setEnabled(loaded);
        if (!loaded) pref_.CKB_Fichier_decalage->setChecked(false);
    });
    // At start-up a named file enables the option, read or not.
    connect(&main_, &TFRM_Alv::settingsLoaded, this, [this] {
        if (main_.settings().prefs().autoguide.EDT_Fichier_Decalage.isEmpty()) return;
        loadOffsetFile();
        pref_.CKB_Fichier_decalage->setEnabled(true);
    });

    window_.onClosed = [this] { pref_.CKB_Affiche_Etendu->setChecked(false); };
    connect(&main_, &TFRM_Alv::formClosing, this, [this] { panel_->CKB_Autoguidage->setChecked(false); });
}

ShellGuiding::~ShellGuiding()
{
    main_.operations()->sequencer().setStep(Operation::GuideCalibration, nullptr);
    calibration_.finished = nullptr;
    main_.stages().tracker().setGuideCorrection(nullptr);
    main_.guideClick = nullptr;
    shellTelescope_.axisMoveShown = nullptr;
    telescope_.autoguider.setView(nullptr);
    window_.speedsSource = nullptr;
    telescope_.autoguider.settingsSource = nullptr;
    window_.onClosed = nullptr;
}

GuideSettings ShellGuiding::guideSettings() const
{
    const PrefsValues& p = main_.settings().prefs();
    const AutoguidePrefs& a = p.autoguide;
    GuideSettings s;
    s.SPED_Neutre = main_.core().controls.tracking.SPED_Neutre;
    s.CKB_Correct_Nord = a.CKB_Correct_Nord;
    s.CKB_Correct_Sud = a.CKB_Correct_Sud;
    s.CKB_Correct_Est = a.CKB_Correct_Est;
    s.CKB_Correct_Ouest = a.CKB_Correct_Ouest;
    s.CKB_Separes = a.CKB_Separes;
    s.SPED_Delai_Separes = a.SPED_Delai_Separes;
    // The camera orientation the orientation operation measured (or the
    // reticle's slider set).
    s.TNI_Orient = main_.core().controls.TNI_Orient;
    s.TNI_Echantillonnage = double(main_.TNI_Echantillonnage->Value());
    return s;
}

GuideLogSetup ShellGuiding::logSetup() const
{
    return {telescope_.settings, guideSettings(), int(main_.core().controls.SPED_Intervalle_Guidage)};
}

void ShellGuiding::CKB_AutoguidageClick(bool checked)
{
    ImageCore& core = main_.core();
    Mount& mount = telescope_.mount;
    if (checked) {
        shellTelescope_.sync();
        if (!mount.mount_connect(Mount::ConnectCause::Autoguiding)) {
            panel_->CKB_Autoguidage->setChecked(false);
            return;
        }
        // While guiding runs its link stays up.
        pref_.BTN_Deconnecter->setEnabled(false);
        core.pipeline.resetGuideTick();
        const GuideLogSetup setup = logSetup();
        telescope_.autoguider.start(&setup, main_.settings().prefs().EDT_Repertoire_Bitmaps);
        core.controls.CKB_Autoguidage = true;
        return;
    }
    const bool wasGuiding = core.controls.CKB_Autoguidage;
    core.controls.CKB_Autoguidage = false;
    telescope_.autoguider.stop();
    if (wasGuiding || mount.linkUp()) mount.mount_disconnect();
}

void ShellGuiding::BTN_DecalerClick()
{
    ImageCore& core = main_.core();
    const OffsetConditions c{core.controls.CKB_Suivi, pref_.CKB_Fichier_decalage->isChecked(),
                             core.controls.CKB_Autoguidage, main_.GRB_Zones->CKB_Zones_Liees->isChecked()};
    if (!apply_next_offset(telescope_.offsets, c, core.zone)) return;
    main_.stages().tracker().restartDrift(core.zone.starPos);
    core.flags.zoneDirty = true;
    core.pipeline.UpdateDisplayZone();
    main_.image1()->update();
}

bool ShellGuiding::loadOffsetFile()
{
    return telescope_.offsets.load_offset_file(main_.settings().prefs().autoguide.EDT_Fichier_Decalage);
}

void ShellGuiding::BTN_ApprendreClick()
{
    TFRM_Alv_Child* child = main_.resultWindow();
    if (child) child->minimiseForOperation();
    if (CameraPanel* camera = main_.videoSource().panel())
        if (camera->BTN_Start->isEnabled()) camera->BTN_Start->click();
    main_.trackingPanel()->switchOn(false);
    panel_->CKB_Autoguidage->setChecked(false);
    main_.showMessage(true, calibrationInstructions(main_.texts()));
    main_.operations()->sequencer().arm(Operation::GuideCalibration);
}

double ShellGuiding::TNI_Duree_test() const { return main_.settings().prefs().autoguide.TNI_Duree_test; }

double ShellGuiding::TNI_Echantillonnage() const { return double(main_.TNI_Echantillonnage->Value()); }

void ShellGuiding::setSpeed(MoveDirection d, double arcsecPerSecond)
{
    AutoguidePrefs& a = main_.settings().prefs().autoguide;
    MountSettings& m = telescope_.settings;
    struct Field {
        double& pref;
        double& mount;
        TNumInp* shown;
    };
    const Field fields[] = {{a.TNI_Vitesse_Est, m.TNI_Vitesse_Est, pref_.TNI_Vitesse_Est},
                            {a.TNI_Vitesse_Ouest, m.TNI_Vitesse_Ouest, pref_.TNI_Vitesse_Ouest},
                            {a.TNI_Vitesse_Nord, m.TNI_Vitesse_Nord, pref_.TNI_Vitesse_Nord},
                            {a.TNI_Vitesse_Sud, m.TNI_Vitesse_Sud, pref_.TNI_Vitesse_Sud}};
    const Field& f = fields[d];
    // The field's range holds the value the mount and the settings keep.
    const double v = std::clamp(arcsecPerSecond, 0.0, 100000.0);
    f.pref = v;
    f.mount = v;
    f.shown->setValue(v);
    window_.showSpeeds();
}

} // namespace velumbra
