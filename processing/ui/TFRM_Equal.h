#pragma once
#include <QWidget>
#include <array>

class QCheckBox;
class QPushButton;
class QSlider;

namespace velumbra {

struct ImageCore;

// Display equalizer: ten sliders shaping the tone curve of the mapping.
class TFRM_Equal : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_Equal(ImageCore& core, QWidget* parent = nullptr);

    void syncFromCore();

    QCheckBox* CKB_EQ = nullptr;
    std::array<QSlider*, 10> TRKB_EQ{};
    QPushButton* Button1 = nullptr; // "Reset"

private:
    void sliderChanged(int band, int position);
    void renderIfShown(bool always);

    ImageCore& core_;
    bool syncing_ = false;
};

} // namespace velumbra
