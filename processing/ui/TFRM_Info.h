#pragma once
#include "core/Geometry.h"
#include "processing/CoreStages.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace velumbra {

struct ImageCore;

// "Info": the colour of the pixel under the mouse and the histogram of the
// frame, per channel, refreshed with each frame.
class TFRM_Info : public QWidget, public InfoView {
    Q_OBJECT
public:
    explicit TFRM_Info(ImageCore& core, QWidget* parent = nullptr);

    // The mouse moved over the live image (source 1) or the result image (3);
    // the readout runs at once when `readout` is set, and with each frame after.
    void pointAt(Point at, int source, bool readout = true);
    Point probePosition() const { return infoPos_; }
    int probeSource() const { return infoSource_; }
    // The level under the mouse on the histogram picture.
    void histogramAt(int level);

    void histogramCounted(const Histogram& h) override;
    void pixelReadout() override;

    QLineEdit* EDT_X = nullptr;
    QLineEdit* EDT_Y = nullptr;
    QLineEdit* EDT_R = nullptr;
    QLineEdit* EDT_V = nullptr;
    QLineEdit* EDT_B = nullptr;
    QLabel* Img_Histogramme = nullptr;
    QScrollBar* SCB_Scale_Histo = nullptr;
    QCheckBox* CKB_Histogramme = nullptr;
    QLineEdit* EDT_Niveau = nullptr;
    QLineEdit* EDT_Nbre_R = nullptr;
    QLineEdit* EDT_Nbre_V = nullptr;
    QLineEdit* EDT_Nbre_B = nullptr;
    QLineEdit* EDT_Prc_R = nullptr;
    QLineEdit* EDT_Prc_V = nullptr;
    QLineEdit* EDT_Prc_B = nullptr;
    QLabel* LBL_YMax = nullptr;

signals:
    // The window was closed: "Info. Img." and the histogram go off.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void redraw();

    ImageCore& core_;
    Point infoPos_;
    int infoSource_ = 1;
    Histogram last_;
    QImage picture_;
};

} // namespace velumbra
