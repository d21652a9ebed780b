#pragma once
#include <QGroupBox>

class QLineEdit;
class QPushButton;
class QScrollBar;

namespace velumbra {

class TNumInp;
class VideoSource;

// Camera group of the main window: "Demarrer", "Arreter", "Flux", the
// refresh time with its scroll bar, and the frame rate.
class CameraPanel : public QGroupBox {
    Q_OBJECT
public:
    CameraPanel(VideoSource& source, QWidget* parent = nullptr);

    // Shows the states the video source asks for.
    void refresh();

    QPushButton* BTN_Start = nullptr;
    QPushButton* BTN_Stop = nullptr;
    QPushButton* BTN_Turbo = nullptr;
    TNumInp* TNI_Tps_Rafraichissement = nullptr;
    QScrollBar* SCB_Tps_Rafraichissement = nullptr;
    QLineEdit* EDT_FPS = nullptr;

private:
    void SCB_Tps_RafraichissementChange(int position);
    void TNI_Tps_RafraichissementExit();

    VideoSource& source_;
};

} // namespace velumbra
