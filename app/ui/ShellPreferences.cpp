#include "app/ui/ShellPreferences.h"
#include "acquisition/ui/GRB_Camera.h"
#include "acquisition/ui/VideoSourceUi.h"
#include "aids/ui/GRB_Operations.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "processing/ui/TrackingPanel.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "settings/ui/TFRM_Pref.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>

namespace velumbra {

ShellPreferences::ShellPreferences(TFRM_Alv& main, TFRM_Pref& pref) : QObject(&main), main_(main), pref_(pref)
{
    main_.operations()->sequencer().setStep(Operation::PixelSize, &pixelSize_);
    connect(&pref_, &TFRM_Pref::writeFailed, &main_, [this](const QString& m) { main_.showMessage(false, m); });
    connect(&pref_, &TFRM_Pref::opticsRefreshed, &main_, &TFRM_Alv::opticsRefreshed);
    connect(&pref_, &TFRM_Pref::cameraChanged, &main_, &TFRM_Alv::opticsRefreshed);
    connect(&pref_, &TFRM_Pref::reticleRedraw, &main_, &TFRM_Alv::redrawReticle);
    connect(&pref_, &TFRM_Pref::bitmapFolderChanged, &main_, [this](const QString& folder) {
        if (TFRM_Alv_Child* child = main_.resultWindow()) {
            child->setBitmapFolder(folder);
            child->applyImageFolder(folder);
        }
    });
    connect(&pref_, &TFRM_Pref::interfaceChosen, this, &ShellPreferences::applyInterface);
    connect(&pref_, &TFRM_Pref::pixelSizeMeasureRequested, this, &ShellPreferences::BTN_Calculer_TaillePixClick);
    connect(&pref_, &TFRM_Pref::guideWindowShown, &main_, [this](bool shown) {
        if (shown) main_.showToolWindow(QStringLiteral("TFRM_Prg_Suivi"));
        else if (QWidget* w = main_.toolWindow(QStringLiteral("TFRM_Prg_Suivi"))) w->hide();
    });
    connect(&pref_, &TFRM_Pref::selectionSettingsChanged, this, &ShellPreferences::applySelectionSettings);
    connect(&pref_, &TFRM_Pref::focusHistoryCleared, this, &ShellPreferences::applySelectionSettings);
    applySelectionSettings();
    connect(&pref_, &TFRM_Pref::okClicked, &main_, [this] {
        TFRM_Alv_Child* child = main_.resultWindow();
        if (child) child->restoreAfterOperation();
    });
}

void ShellPreferences::applyInterface(MountInterface chosen)
{
    main_.MNU_Telescope->setEnabled(chosen != MountInterface::Aucun);
}

void ShellPreferences::applySelectionSettings()
{
    const SelectionPrefs& p = main_.settings().prefs().selection;
    ImageCore& core = main_.core();
    SelectionControls& c = core.controls.selection;
    c.jpegQuality = p.jpegQuality();
    c.cues = {p.focusPrecisionRatio(), p.focusSensitivityRatio()};
    c.SPED_Nb_Mesures = p.SPED_Nb_Mesures;
    // A new count empties the rings of both measures.
    core.focus.setRingLength(p.SPED_Nb_Mesures);
    core.quality.setRingLength(p.SPED_Nb_Mesures);
}

void ShellPreferences::BTN_Calculer_TaillePixClick()
{
    TFRM_Alv_Child* child = main_.resultWindow();
    if (child) child->minimiseForOperation();
    if (CameraPanel* camera = main_.videoSource().panel())
        if (camera->BTN_Start->isEnabled()) camera->BTN_Start->click();
    main_.trackingPanel()->switchOn(false);
    const NamedTexts& t = main_.texts();
    main_.showMessage(true, QStringLiteral("1-%1\n2-%2\n3-%3\n4-%4")
                                .arg(t.text(u"MSG_TailleOrientCapt1"), t.text(u"MSG_TailleOrientCapt2"),
                                     t.text(u"MSG_TailleOrientCapt3"), t.text(u"MSG_TailleOrientCapt4")));
    main_.operations()->sequencer().arm(Operation::PixelSize);
}

double ShellPreferences::effectiveFocal() const
{
    return main_.settings().prefs().effectiveFocal;
}

void ShellPreferences::setResolution(int width, int height)
{
    CameraControls& pixels = main_.settings().prefs().camera.pixels;
    pixels.TNI_NbPix_X = width;
    pixels.TNI_NbPix_Y = height;
    pref_.showValues();
}

void ShellPreferences::setPixelSize(double micrometres)
{
    CameraControls& pixels = main_.settings().prefs().camera.pixels;
    pixels.TNI_Larg_Pix = micrometres;
    pixels.TNI_Haut_Pix = micrometres;
    pref_.showValues();
    main_.ComputeSampling();
}

} // namespace velumbra
