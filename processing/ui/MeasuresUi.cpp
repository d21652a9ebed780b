#include "processing/ui/MeasuresUi.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MotionPanel.h"
#include "processing/ui/SelectionPanel.h"
#include "processing/ui/TFRM_FWHM.h"
#include "processing/ui/TFRM_ImgRef.h"
#include "processing/ui/TFRM_Prg_Action.h"

#include <QCheckBox>

namespace velumbra {

MeasuresUi::MeasuresUi(ImageCore& core, CoreStages& stages, QObject* parent) : QObject(parent), core_(core)
{
    selection_ = new SelectionPanel(core_);
    focus_ = new FocusPanel(core_);
    motion_ = new MotionPanel(core_);
    stages.setCueDisplay(this);
    connect(selection_, &SelectionPanel::largeDisplayToggled, this,
            [this](bool on) { largeDisplay(on, QStringLiteral("Qualité:")); });
    connect(focus_, &FocusPanel::largeDisplayToggled, this,
            [this](bool on) { largeDisplay(on, QStringLiteral("FWHM:")); });
    connect(focus_, &FocusPanel::trackingWanted, this, &MeasuresUi::trackingWanted);
}

MeasuresUi::~MeasuresUi()
{
    // Panels never placed in a window are this object's to delete.
    for (QWidget* panel : std::initializer_list<QWidget*>{selection_, focus_, motion_})
        if (!panel->parent()) delete panel;
}

void MeasuresUi::attachWindows(TFRM_FWHM* fwhm, TFRM_ImgRef* reference, TFRM_Prg_Action* action)
{
    fwhm_ = fwhm;
    reference_ = reference;
    action_ = action;
    if (fwhm_)
        connect(fwhm_, &TFRM_FWHM::closed, this, [this] {
            selection_->CKB_GROS_Select->setChecked(false);
            focus_->CKB_GROS_FWHM->setChecked(false);
        });
    if (reference_) {
        connect(motion_, &MotionPanel::referenceDialogRequested, reference_, [this] {
            reference_->show();
            reference_->raise();
        });
        connect(reference_, &TFRM_ImgRef::referenceDefined, motion_, &MotionPanel::refresh);
    }
    if (action_)
        connect(motion_, &MotionPanel::actionDialogRequested, action_, [this] {
            action_->show();
            action_->raise();
        });
}

void MeasuresUi::largeDisplay(bool on, const QString& caption)
{
    if (!fwhm_) return;
    if (on) fwhm_->showFor(caption);
    else fwhm_->hide();
}

void MeasuresUi::refresh()
{
    if (core_.controls.CKB_Selection || core_.controls.CKB_Nonvide) selection_->refresh();
    if (core_.controls.CKB_MAP) focus_->refresh();
    motion_->refresh();
}

void MeasuresUi::showLargeValue(double value)
{
    if (fwhm_) fwhm_->showLargeValue(value);
}

void MeasuresUi::setLamps(const CueLamps& lamps)
{
    if (fwhm_) fwhm_->setLamps(lamps);
}

} // namespace velumbra
