#include "app/ui/ShellMeasures.h"
#include "app/ui/ShellLongExposure.h"
#include "app/ui/TFRM_Alv.h"
#include "processing/ui/MeasuresUi.h"
#include "processing/ui/MotionPanel.h"
#include "processing/ui/TrackingPanel.h"
#include "results/SaveScheduler.h"
#include "results/ui/TFRM_Alv_Child.h"

#include <QCheckBox>

namespace velumbra {

ShellMeasures::ShellMeasures(TFRM_Alv& main, TFRM_Alv_Child* child, TFRM_FWHM* fwhm, TFRM_ImgRef* reference,
                             TFRM_Prg_Action* action)
    : QObject(&main), main_(main), child_(child), sound_(main)
{
    ImageCore& core = main_.core();
    MeasuresUi* measures = main_.measures();
    measures->attachWindows(fwhm, reference, action);
    main_.stages().setSound(&sound_);
    core.motion.setHooks(this);

    // "Active" of the focus measure checks "Suivi" as a click would.
    connect(measures, &MeasuresUi::trackingWanted, this, [this] { main_.trackingPanel()->switchOn(false); });
    connect(main_.CKB_Detection_Mvt, &QCheckBox::toggled, this, [this, measures](bool on) {
        measures->motionPanel()->setDetectionOn(on);
        if (!on && child_ && child_->scheduler().running()) child_->BTN_Arreter_SauvClick();
    });
    if (child_)
        connect(child_, &TFRM_Alv_Child::savingRunChanged, this, [this](bool running) {
            if (!running) main_.core().motion.automaticSavingStopped();
        });
}

// Goes with the main window, after its image core: nothing to detach.
ShellMeasures::~ShellMeasures() = default;

bool ShellMeasures::startSingleLongExposure()
{
    if (longExposure_ && longExposure_->startSingleLongExposure()) return true;
    if (!saidNoLongExposure_) {
        saidNoLongExposure_ = true;
        const QString why = longExposure_ ? longExposure_->whyNoSingleExposure() : QString();
        const NamedTexts& t = main_.texts();
        main_.showMessage(false, !why.isEmpty() ? t.text(u"MSG_Detection_Prefixe") + why : t.text(u"MSG_Detection_Sans_Pose"));
    }
    return false;
}

void ShellMeasures::startAutomaticSaving()
{
    if (child_) child_->BTN_Demarrer_SauvClick();
}

} // namespace velumbra
