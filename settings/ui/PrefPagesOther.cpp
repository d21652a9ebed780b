// The tabs of the image work: selection and focus sliders, the target's
// marks, the debug log and the language.
#include "settings/ui/PrefWidgets.h"
#include "settings/ui/TFRM_Pref.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace velumbra {

using namespace pref;

namespace {

QScrollBar* slider(const char* name, int lo, int hi)
{
    auto* bar = named(new QScrollBar(Qt::Horizontal), name);
    bar->setRange(lo, hi);
    bar->setPageStep(10);
    bar->setMinimumWidth(260);
    return bar;
}

} // namespace

QWidget* TFRM_Pref::buildSelectionPage()
{
    auto* tab = named(new QWidget, "TBS_Selection");
    auto* grid = new QGridLayout(tab);
    using L = SelectionLimits;
    SCB_Finesse_Selection = slider("SCB_Finesse_Selection", L::finesseMin, L::finesseMax);
    TNI_Finesse_Selection = shownField("TNI_Finesse_Selection");
    grid->addWidget(caption("LBL_Finesse_Selection", QStringLiteral("Taux de compression JPEG (finesse de selection)")),
                    0, 0, 1, 2);
    grid->addWidget(SCB_Finesse_Selection, 1, 0);
    grid->addWidget(TNI_Finesse_Selection, 1, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    return tab;
}

QWidget* TFRM_Pref::buildFocusPage()
{
    auto* tab = named(new QWidget, "TBS_MAP");
    auto* grid = new QGridLayout(tab);
    using L = SelectionLimits;
    SPED_Nb_Mesures = spinField("SPED_Nb_Mesures", L::measuresMin, L::measuresMax);
    auto* average = new QHBoxLayout;
    average->addWidget(caption("LBL_Nb_Mesures", QStringLiteral("Moyenne sur")));
    average->addWidget(SPED_Nb_Mesures);
    average->addWidget(caption("LBL_Mesures", QStringLiteral("mesures")));
    average->addStretch();
    grid->addLayout(average, 0, 0, 1, 2);

    SCB_Sensibilite_MAP = slider("SCB_Sensibilite_MAP", L::focusMin, L::focusMax);
    TNI_Sensibilite_MAP = shownField("TNI_Sensibilite_MAP");
    SCB_Precision_MAP = slider("SCB_Precision_MAP", L::focusMin, L::focusMax);
    TNI_Precision_MAP = shownField("TNI_Precision_MAP");
    grid->addWidget(caption("LBL_Sensibilite_MAP", QStringLiteral("Sensibilité à la variation")), 1, 0, 1, 2);
    grid->addWidget(SCB_Sensibilite_MAP, 2, 0);
    grid->addWidget(TNI_Sensibilite_MAP, 2, 1);
    grid->addWidget(caption("LBL_Precision_MAP", QStringLiteral("Precision Finale")), 3, 0, 1, 2);
    grid->addWidget(SCB_Precision_MAP, 4, 0);
    grid->addWidget(TNI_Precision_MAP, 4, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);
    return tab;
}

QWidget* TFRM_Pref::buildDebugPage()
{
    auto* tab = named(new QWidget, "TBS_Debug");
    auto* v = new QVBoxLayout(tab);
    CKB_Debug = named(new QCheckBox, "CKB_Debug", QStringLiteral("Debug actif"));
    v->addWidget(CKB_Debug);
    v->addStretch();
    return tab;
}

QWidget* TFRM_Pref::buildLanguagePage()
{
    auto* tab = named(new QWidget, "TBS_Langue");
    auto* v = new QHBoxLayout(tab);
    // The languages are the sections of the language file; until it is
    // read, only the built-in French texts exist.
    CBX_Langue = choiceList("CBX_Langue", {QStringLiteral("Français")});
    CBX_Langue->setToolTip(QStringLiteral("Les autres langues viennent du fichier Language.ini"));
    CBX_Langue->setMinimumWidth(200);
    v->addWidget(CBX_Langue, 0, Qt::AlignTop);
    v->addStretch();
    return tab;
}

QWidget* TFRM_Pref::buildMirePage()
{
    auto* tab = named(new QWidget, "TBS_Mire");
    auto* v = new QVBoxLayout(tab);
    v->addWidget(caption("LBL_Informations_Mire", QStringLiteral("Informations à afficher sur la mire")));
    CKB_Intensite_Max = named(new QCheckBox, "CKB_Intensite_Max", QStringLiteral("Intensité Maximale(IMax)"));
    CKB_Intensite_Min = named(new QCheckBox, "CKB_Intensite_Min", QStringLiteral("Intensité Minimale(IMin)"));
    CKB_FWHM = named(new QCheckBox, "CKB_FWHM", QStringLiteral("FWHM/FWHMMin (FWHM/FMin)"));
    CKB_IPS = named(new QCheckBox, "CKB_IPS", QStringLiteral("Images/seconde (IPS)"));
    CKB_Dateheure = named(new QCheckBox, "CKB_Dateheure", QStringLiteral("Date et heure sur l'image"));
    for (QCheckBox* c : {CKB_Intensite_Max, CKB_Intensite_Min, CKB_FWHM, CKB_IPS, CKB_Dateheure}) v->addWidget(c);

    auto* aspect = named(new QGroupBox(QStringLiteral("Aspect de la mire")), "GRB_Aspect_Mire");
    auto* g = new QHBoxLayout(aspect);
    RDB_Carre = named(new QRadioButton, "RDB_Carre", QStringLiteral("Carré"));
    RDB_Cercle = named(new QRadioButton, "RDB_Cercle", QStringLiteral("Cercle"));
    RDB_Croix = named(new QRadioButton, "RDB_Croix", QStringLiteral("Croix"));
    RDB_Point = named(new QRadioButton, "RDB_Point", QStringLiteral("Point"));
    // Two choices, each in its own frame: the outline and the centre mark.
    const auto choice = [g](const char* name, const QString& title, QRadioButton* a, QRadioButton* b) {
        auto* box = named(new QGroupBox(title), name);
        auto* row = new QHBoxLayout(box);
        auto* group = new QButtonGroup(box);
        for (QRadioButton* r : {a, b}) {
            group->addButton(r);
            row->addWidget(r);
        }
        row->addStretch();
        g->addWidget(box);
    };
    choice("GRB_Contour_Mire", QStringLiteral("Contour"), RDB_Carre, RDB_Cercle);
    choice("GRB_Centre_Mire", QStringLiteral("Centre"), RDB_Croix, RDB_Point);
    RDB_Carre->setChecked(true);
    RDB_Croix->setChecked(true);
    v->addWidget(aspect);
    v->addStretch();
    return tab;
}

} // namespace velumbra
