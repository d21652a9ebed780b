#pragma once
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace velumbra {

class TNumInp;

// The main window's page "Decl.": the star's speed on the sky and the
// declination it gives, and "Definir" to measure them.
class PNL_Declinaison : public QWidget {
    Q_OBJECT
public:
    explicit PNL_Declinaison(QWidget* parent = nullptr);

    TNumInp* TNI_Vitesse_Etoile = nullptr;
    QLineEdit* EDT_Decl_Etoile = nullptr;
    QPushButton* BTN_Def_Declinaison = nullptr;
};

} // namespace velumbra
