#pragma once
#include <QFrame>

class QCheckBox;
class QPushButton;
class QScrollBar;

namespace velumbra {

struct PipelineControls;
class TNumInp;

// The reticle's parameter panel: circles, cross and the orientation the
// camera-orientation operation measures (or the user sets by hand).
class PNL_Reticule : public QFrame {
    Q_OBJECT
public:
    PNL_Reticule(PipelineControls& controls, QWidget* parent = nullptr);

    // A measured orientation: the field, and the slider rounded.
    void setOrientation(double degrees, int sliderPosition);
    double orientation() const;

    QCheckBox* CKB_Cercles = nullptr;
    QCheckBox* CKB_Croix = nullptr;
    QScrollBar* SCB_Orient = nullptr;
    TNumInp* TNI_Orient = nullptr;
    QPushButton* BTN_Centrer_Reticule_Sur_Mire = nullptr;  // "C/Mire"
    QPushButton* BTN_Centrer_Reticule_Sur_Ecran = nullptr; // "C/Ecr."

signals:
    // The reticle is to be drawn again.
    void reticleChanged();
    // The reticle centred on the star, or on the screen.
    void centreOnStar();
    void centreOnScreen();

private:
    PipelineControls& controls_;
    bool showing_ = false;
};

} // namespace velumbra
