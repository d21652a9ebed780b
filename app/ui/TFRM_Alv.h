#pragma once
#include "acquisition/Clock.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

#include <QMainWindow>

class QScrollArea;
class QWidget;

namespace velumbra {

class ImageView;
class TFRM_Alv_Child;
class IntegrationEvents;
class PNL_Integration;
class GRB_Seuils;
class TFRM_Equal;

// Main window: wires the subsystems to their controls; holds none of their logic.
class TFRM_Alv : public QMainWindow, private PipelineView {
    Q_OBJECT
public:
    explicit TFRM_Alv(QWidget* parent = nullptr);
    ~TFRM_Alv() override;

    ImageCore& core() { return core_; }
    ImageView* image1() const { return image1_; }
    void setResultWindow(TFRM_Alv_Child* child);

    // Shows a frame that a source placed in slot 0 at the given size.
    bool showNewFrame(int width, int height);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // PipelineView
    void repaintDisplay() override;
    void repaintResult() override;

    void FormActivate();
    void wireIntegration();

    SystemClock clock_;
    ImageCore core_{clock_};
    CoreStages stages_{core_};
    QScrollArea* SBX_Images = nullptr;
    ImageView* image1_ = nullptr;
    TFRM_Alv_Child* child_ = nullptr;
    bool shellInitialised_ = false;

    // Integration panel, thresholds and equalizer
    IntegrationEvents* integrationEvents_ = nullptr;
    PNL_Integration* pnlIntegration_ = nullptr;
    GRB_Seuils* grbSeuils_ = nullptr;
    TFRM_Equal* frmEqual_ = nullptr;
    QSize shownResultSize_;

public:
    PNL_Integration* integrationPanel() const { return pnlIntegration_; }
    GRB_Seuils* thresholdGroup() const { return grbSeuils_; }
    TFRM_Equal* equalizer() const { return frmEqual_; }
    IntegrationEvents* integrationEvents() const { return integrationEvents_; }
};

} // namespace velumbra
