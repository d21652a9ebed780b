#include "telescope/ui/PNL_Autoguidage.h"
#include "widgets/Named.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>

namespace velumbra {

PNL_Autoguidage::PNL_Autoguidage(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("PNL_Autoguidage"));
    CKB_Autoguidage = named(new QCheckBox, "CKB_Autoguidage", QStringLiteral("Autoguidage"),
                            QStringLiteral("Activer l'autoguidage"));
    BTN_Param_Autoguidage = named(new QPushButton, "BTN_Param_Autoguidage", QStringLiteral("Def."),
                                  QStringLiteral("Parametrer l'autoguidage"));
    BTN_Decaler = named(new QPushButton, "BTN_Decaler", QStringLiteral("Decal.+1"),
                        QStringLiteral("Passer au décalage suivant (Voir fichier de decalage)"));
    // The check box keeps room for its whole caption in any language; the
    // buttons share what is left (a push button's own minimum is wider than
    // their short captions need).
    for (QPushButton* b : {BTN_Param_Autoguidage, BTN_Decaler}) b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    CKB_Autoguidage->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(CKB_Autoguidage);
    row->addWidget(BTN_Param_Autoguidage, 2);
    row->addWidget(BTN_Decaler, 3);
}

} // namespace velumbra
