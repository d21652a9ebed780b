#pragma once
#include <QGroupBox>

class QCheckBox;
class QScrollBar;

namespace velumbra {

class TNumInp;
struct ImageCore;

// "Zones": sizes of the detection and display zones and their link.
class ZonesGroup : public QGroupBox {
    Q_OBJECT
public:
    ZonesGroup(ImageCore& core, QWidget* parent = nullptr);

    QScrollBar* SCB_Taille_ZDetect = nullptr;
    TNumInp* TNI_Taille_ZDetect = nullptr;
    QScrollBar* SCB_Taille_ZAffich = nullptr;
    TNumInp* TNI_Taille_ZAffich = nullptr;
    QCheckBox* CKB_Zones_Liees = nullptr;

    void SCB_Taille_ZDetectChange();
    void TNI_Taille_ZDetectExit();
    void SCB_Taille_ZAffichChange();
    void TNI_Taille_ZAffichExit();

    // A source started or changed its format: the sliders take the new
    // frame width as their limit and show the sizes the start chose.
    void syncFromCore();

    // Result image size for a display-zone size: the zone's width and three
    // quarters of it, halved with 2x2 binning.

signals:
    // The display zone was resized: the result window follows it.
    void displayZoneResized();

private:
    ImageCore& core_;
};

} // namespace velumbra
