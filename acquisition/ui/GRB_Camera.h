#pragma once
#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace velumbra {

class TNumInp;
class VideoSource;

// Camera group of the main window: "Demarrer", "Arreter", "Flux", the
// refresh time with its scroll bar, the frame rate, and the long-exposure
// window's button with the run's check box.
class CameraPanel : public QGroupBox {
    Q_OBJECT
public:
    CameraPanel(VideoSource& source, QWidget* parent = nullptr);

    // Shows the states the video source asks for.
    void refresh();
    // While the long-exposure window is open, "Flux" stays disabled.
    void setFluxLocked(bool locked);

    QPushButton* BTN_Start = nullptr;
    QPushButton* BTN_Stop = nullptr;
    QPushButton* BTN_Turbo = nullptr;
    TNumInp* TNI_Tps_Rafraichissement = nullptr;
    QScrollBar* SCB_Tps_Rafraichissement = nullptr;
    QLineEdit* EDT_FPS = nullptr;
    // The long exposures of a modified camera, wired by the program.
    QPushButton* BTN_Poselongue = nullptr;
    QCheckBox* CKB_Longuepose_Active = nullptr;

private:
    void SCB_Tps_RafraichissementChange(int position);
    void TNI_Tps_RafraichissementExit();

    VideoSource& source_;
    bool fluxLocked_ = false;
};

} // namespace velumbra
