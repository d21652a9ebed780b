#pragma once
#include "processing/CoreStages.h"
#include "processing/FocusCues.h"

#include <QObject>
#include <QPointer>

namespace velumbra {

class SelectionPanel;
class FocusPanel;
class MotionPanel;
class TFRM_FWHM;
class TFRM_ImgRef;
class TFRM_Prg_Action;

// The controls of the quality, focus and motion measures: the two tabs, the
// motion panel and their three windows. It shows the figures after each
// frame and sends the cues of the large indicator to TFRM_FWHM.
class MeasuresUi : public QObject, public CueDisplay {
    Q_OBJECT
public:
    MeasuresUi(ImageCore& core, CoreStages& stages, QObject* parent = nullptr);
    ~MeasuresUi() override;

    // Owned by whoever places them (the main window's tabs and tool panel).
    SelectionPanel* selectionPage() const { return selection_; }
    FocusPanel* focusPage() const { return focus_; }
    MotionPanel* motionPanel() const { return motion_; }

    // The windows, created with the others in their order.
    void attachWindows(TFRM_FWHM* fwhm, TFRM_ImgRef* reference, TFRM_Prg_Action* action);

    // After each frame: figures, the changed fraction, the reference lamp.
    void refresh();

    // CueDisplay
    void showLargeValue(double value) override;
    void setLamps(const CueLamps& lamps) override;

signals:
    // "Active" of the focus measure needs tracking on.
    void trackingWanted();

private:
    void largeDisplay(bool on, const QString& caption);

    ImageCore& core_;
    SelectionPanel* selection_ = nullptr;
    FocusPanel* focus_ = nullptr;
    MotionPanel* motion_ = nullptr;
    // The windows may go before this object when the program ends.
    QPointer<TFRM_FWHM> fwhm_;
    QPointer<TFRM_ImgRef> reference_;
    QPointer<TFRM_Prg_Action> action_;
};

} // namespace velumbra
