#pragma once
#include <QFrame>

class QCheckBox;
class QScrollBar;

namespace velumbra {

struct PipelineControls;
class TNumInp;

// The image-information tool's parameter panel: the saturation view and
// its threshold (a slider and its field, 0..255).
class PNL_Info_Image : public QFrame {
    Q_OBJECT
public:
    explicit PNL_Info_Image(PipelineControls& controls, QWidget* parent = nullptr);

    QCheckBox* CKB_Satur = nullptr; // "Seuil. satur."
    QScrollBar* SCB_Seuil_Satur = nullptr;
    TNumInp* TNI_Seuil_Satur = nullptr;

signals:
    // The shown frame is to be drawn again with the new saturation view.
    void saturationChanged();

private:
    PipelineControls& controls_;
    bool showing_ = false;
};

} // namespace velumbra
