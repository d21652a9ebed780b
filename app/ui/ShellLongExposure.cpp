#include "app/ui/ShellLongExposure.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "app/ui/ShellGuiding.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "exposure/ui/TFRM_Longuepose.h"
#include "results/SaveScheduler.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/MountProtocols.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace velumbra {

namespace {

LongExposureLineSettings lineSettingsOf(const LongExposurePrefs& p)
{
    LongExposureLineSettings s;
    s.CBX_Vesta_Port = p.CBX_Vesta_Port;
    s.SPED_Vesta_Interpose = p.SPED_Vesta_Interpose;
    s.TNI_Bit_Active_Odd = p.TNI_Bit_Active_Odd;
    s.TNI_Vesta_ActiveValue_Odd = p.TNI_Vesta_ActiveValue_Odd;
    s.TNI_Bit_Active_Even = p.TNI_Bit_Active_Even;
    s.TNI_Vesta_ActiveValue_Even = p.TNI_Vesta_ActiveValue_Even;
    s.TNI_Bit_Amp_Active = p.TNI_Bit_Amp_Active;
    s.TNI_Amp_ActiveValue = p.TNI_Amp_ActiveValue;
    s.TNI_Bit_Longexp_Active = p.TNI_Bit_Longexp_Active;
    s.TNI_Longexp_ActiveValue = p.TNI_Longexp_ActiveValue;
    s.SPED_Avance = p.SPED_Avance;
    s.CBX_Ligne_guidage = p.CBX_Ligne_guidage;
    s.CKB_LongueposePermanent = p.CKB_LongueposePermanent;
    return s;
}

} // namespace

ShellLongExposure::ShellLongExposure(TFRM_Alv& main, TFRM_Pref& pref, LongExposure& exposure,
                                     TFRM_Longuepose& window, ShellGuiding& guiding)
    : QObject(&main), main_(main), pref_(pref), exposure_(exposure), window_(window), guiding_(guiding)
{
    exposure_.setHooks(this);
    connect(&main_, &TFRM_Alv::settingsLoaded, this, [this] {
        takeSettings(true);
        // The lines start from a known byte once the settings name the port.
        if (exposure_.enabled() && !zeroWritten_) {
            zeroWritten_ = true;
            exposure_.writeZeroByte();
        }
    });
    connect(&pref_, &TFRM_Pref::okClicked, this, [this] { takeSettings(false); });
    connect(&pref_, &TFRM_Pref::vestaModToggled, this, [this] { takeSettings(false); });
    // Self-guiding moves the mount: it needs a telescope interface.
    connect(&pref_, &TFRM_Pref::interfaceChosen, this,
            [this](MountInterface chosen) { window_.CKB_Selfguide_Active->setEnabled(chosen != MountInterface::Aucun); });

    CameraPanel* camera = main_.videoSource().panel();
    if (camera) {
        connect(camera->BTN_Poselongue, &QPushButton::clicked, this, &ShellLongExposure::BTN_PoselongueClick);
        connect(camera->CKB_Longuepose_Active, &QCheckBox::clicked, this,
                &ShellLongExposure::CKB_Longuepose_ActiveClick);
    }
    window_.onClosed = [this] { windowClosed(); };
    // The window's lengths are kept with the settings.
    connect(window_.SPED_Vesta_Pose, &QSpinBox::valueChanged, this,
            [this](int v) {
                main_.settings().prefs().longExposure.SPED_Vesta_Pose = v;
                main_.core().controls.SPED_Vesta_Pose = v;
            });
    connect(window_.SPED_Vesta_Pose_Guidage, &QSpinBox::valueChanged, this,
            [this](int v) { main_.settings().prefs().longExposure.SPED_Vesta_Pose_Guidage = v; });

    // The preferences' test group, laid out earlier, now reaches the port.
    for (QPushButton* b : {pref_.BTN_TestPlus, pref_.BTN_TestMoins, pref_.BTN_TestWrite, pref_.BTN_Start_Pose,
                           pref_.BTN_Stpo_Pose}) {
        b->setEnabled(true);
        b->setToolTip(QString());
    }
    connect(pref_.BTN_TestWrite, &QPushButton::clicked, this,
            [this] { testClick(&LongExposure::BTN_TestWriteClick); });
    connect(pref_.BTN_TestPlus, &QPushButton::clicked, this,
            [this] { testClick(&LongExposure::BTN_TestPlusClick); });
    connect(pref_.BTN_TestMoins, &QPushButton::clicked, this,
            [this] { testClick(&LongExposure::BTN_TestMoinsClick); });
    connect(pref_.BTN_Start_Pose, &QPushButton::clicked, this, [this] {
        if (!exposure_.active()) exposure_.setLineSettings(lineSettingsOf(main_.settings().prefs().longExposure));
        exposure_.BTN_Start_PoseClick();
    });
    connect(pref_.BTN_Stpo_Pose, &QPushButton::clicked, this, [this] {
        if (!exposure_.active()) exposure_.setLineSettings(lineSettingsOf(main_.settings().prefs().longExposure));
        exposure_.BTN_Stpo_PoseClick();
    });
    connect(pref_.CKB_LongueposePermanent, &QCheckBox::clicked, this,
            [this](bool on) { exposure_.CKB_LongueposePermanentClick(on); });
    showControls();
}

ShellLongExposure::~ShellLongExposure()
{
    if (exposure_.enabled()) exposure_.writeStopByte();
    exposure_.setHooks(nullptr);
    window_.onClosed = nullptr;
}

void ShellLongExposure::takeSettings(bool withLengths)
{
    const PrefsValues& prefs = main_.settings().prefs();
    exposure_.setEnabled(prefs.camera.CKB_VestaMod);
    if (!exposure_.active()) exposure_.setLineSettings(lineSettingsOf(prefs.longExposure));
    window_.CKB_Selfguide_Active->setEnabled(prefs.autoguide.interface != MountInterface::Aucun);
    if (withLengths) {
        window_.SPED_Vesta_Pose->setValue(prefs.longExposure.SPED_Vesta_Pose);
        window_.SPED_Vesta_Pose_Guidage->setValue(prefs.longExposure.SPED_Vesta_Pose_Guidage);
    }
    showControls();
}

void ShellLongExposure::testClick(void (LongExposure::*click)(const QString&))
{
    if (!exposure_.active()) exposure_.setLineSettings(lineSettingsOf(main_.settings().prefs().longExposure));
    (exposure_.*click)(pref_.EDT_TestValue->text());
}

void ShellLongExposure::showControls()
{
    CameraPanel* camera = main_.videoSource().panel();
    if (!camera) return;
    const bool stream = main_.core().streamMode();
    camera->BTN_Poselongue->setEnabled(exposure_.enabled() && !stream);
    camera->CKB_Longuepose_Active->setEnabled(exposure_.enabled());
    if (camera->CKB_Longuepose_Active->isChecked() != exposure_.active())
        camera->CKB_Longuepose_Active->setChecked(exposure_.active());
}

// ---- Capture start and stop ------------------------------------------------------

void ShellLongExposure::captureStarted(bool playback)
{
    if (!playback && exposure_.enabled()) exposure_.writeIdleByte();
    showControls();
}

void ShellLongExposure::captureStopping()
{
    if (exposure_.enabled() || exposure_.active()) exposure_.writeStopByte();
    showControls();
}

bool ShellLongExposure::startSingleLongExposure()
{
    if (!exposure_.startSingleShot()) return false;
    showControls();
    return true;
}

// ---- Main window and window --------------------------------------------------------

void ShellLongExposure::BTN_PoselongueClick()
{
    if (!exposure_.enabled()) return;
    VideoSource& source = main_.videoSource().source();
    if (main_.core().streamMode()) source.BTN_TurboClick();
    if (CameraPanel* camera = main_.videoSource().panel()) camera->setFluxLocked(true);
    exposure_.openWindow();
    // Beside the main window the first time, then where the user put it.
    window_.adjustSize();
    window_.show();
    window_.raise();
}

void ShellLongExposure::windowClosed()
{
    if (TFRM_Alv_Child* child = main_.resultWindow(); child && child->scheduler().running())
        child->BTN_Arreter_SauvClick();
    if (CameraPanel* camera = main_.videoSource().panel()) camera->setFluxLocked(false);
    showControls();
}

void ShellLongExposure::CKB_Longuepose_ActiveClick(bool checked)
{
    if (!exposure_.enabled()) {
        showControls();
        return;
    }
    exposure_.setActive(checked);
    showControls();
}

// ---- Hooks -------------------------------------------------------------------------

bool ShellLongExposure::grabFrame(int slot) { return main_.videoSource().source().grabFrame(slot); }

bool ShellLongExposure::processFrame(bool newFrame)
{
    const bool selected = main_.core().processFrame(newFrame);
    main_.showFrame();
    return selected;
}

bool ShellLongExposure::frameRoutineRunning() const { return main_.core().pipeline.running(); }

void ShellLongExposure::countFrameForSaving(bool selected) { main_.core().countFrameForSaving(selected); }

bool ShellLongExposure::detectionSaving() const
{
    return main_.core().motion.actions.CKB_Action_Sauvegarder;
}

void ShellLongExposure::saveHalfFrame(int slot, const QString& name)
{
    const ImageBuffers& b = main_.core().buffers;
    if (!bmp_.write(QDir::current().filePath(name), b.frameSlots[std::size_t(slot)], b.imageWidth, b.imageHeight))
        main_.showMessage(false, main_.texts().text(u"MSG_LP_Ne_Peut_Ecrire").arg(name, bmp_.errorString()));
}

void ShellLongExposure::stepOffset()
{
    if (pref_.CKB_Fichier_decalage->isChecked()) guiding_.BTN_DecalerClick();
}

void ShellLongExposure::autoguideOffsetStep()
{
    const auto& c = main_.core().controls;
    if (c.CKB_Suivi && c.CKB_Autoguidage && pref_.CKB_Fichier_decalage->isChecked()) guiding_.BTN_DecalerClick();
}

void ShellLongExposure::showPortByte(quint8 value) { pref_.EDT_TestValue->setText(binaryDigits(value)); }

void ShellLongExposure::runChanged()
{
    auto& c = main_.core().controls;
    c.CKB_Longuepose_Active = exposure_.active();
    c.CKB_Selfguide_Active = exposure_.controls.CKB_Selfguide_Active;
    window_.refresh();
    showControls();
}

void ShellLongExposure::singleShotDone() { main_.core().motion.longExposureDone(); }

QString ShellLongExposure::whyNoRun() const
{
    VideoSource& source = main_.videoSource().source();
    if (!source.driver() || source.playback())
        return main_.texts().text(u"MSG_LP_Pas_De_Capture");
    if (main_.core().streamMode() || !source.timer1().isActive())
        return main_.texts().text(u"MSG_LP_Mode_Flux");
    return {};
}

void ShellLongExposure::showMessage(const QString& text) { main_.showMessage(false, text); }

void ShellLongExposure::portLost()
{
    main_.showMessage(false, main_.texts().text(u"MSG_LP_Port_Perdu"));
}

} // namespace velumbra
