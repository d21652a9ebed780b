#include "aids/ui/PNL_Declinaison.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velumbra {

PNL_Declinaison::PNL_Declinaison(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TBS_Decl"));
    auto* form = new QFormLayout(this);
    TNI_Vitesse_Etoile = named(new TNumInp, "TNI_Vitesse_Etoile");
    TNI_Vitesse_Etoile->setRange(0, 1e9);
    TNI_Vitesse_Etoile->setDigits(4);
    TNI_Vitesse_Etoile->setReadOnly(true);
    TNI_Vitesse_Etoile->setToolTip(QStringLiteral("Vitesse angulaire de l'objet (en secondes d'arc / seconde)"));
    EDT_Decl_Etoile = named(new QLineEdit, "EDT_Decl_Etoile");
    EDT_Decl_Etoile->setReadOnly(true);
    EDT_Decl_Etoile->setToolTip(QStringLiteral("Declinaison approximative calculée de l'objet)"));
    BTN_Def_Declinaison = named(new QPushButton(QStringLiteral("Definir")), "BTN_Def_Declinaison");
    form->addRow(named(new QLabel(QStringLiteral("Vitesse (Sec.Arc/Sec)")), "LBL_Vitesse_Etoile"), TNI_Vitesse_Etoile);
    form->addRow(named(new QLabel(QStringLiteral("Declinaison")), "LBL_Decl_Etoile"), EDT_Decl_Etoile);
    form->addRow(QString(), BTN_Def_Declinaison);
}

} // namespace velumbra
