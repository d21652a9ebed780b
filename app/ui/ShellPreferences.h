#pragma once
#include "aids/PixelSizeMeasure.h"

#include <QObject>

namespace velumbra {

class TFRM_Alv;
class TFRM_Pref;
enum class MountInterface;

// What the preferences dialog's changes do to the other windows: sampling
// and field of view, the image folder of the result window, the telescope
// menu, the pixel-size measurement, write failures in the message panel.
class ShellPreferences : public QObject, private PixelSizeView {
    Q_OBJECT
public:
    ShellPreferences(TFRM_Alv& main, TFRM_Pref& pref);

    // After the settings are loaded: the interface choice enables what it enables.
    void applyInterface(MountInterface chosen);
    // "Calculer automatiquement".
    void BTN_Calculer_TaillePixClick();
    // The selection and focus preferences reach the measures.
    void applySelectionSettings();

private:
    double effectiveFocal() const override;
    void setResolution(int width, int height) override;
    void setPixelSize(double micrometres) override;

    TFRM_Alv& main_;
    TFRM_Pref& pref_;
    PixelSizeStep pixelSize_{*this};
};

} // namespace velumbra
