#include "app/ui/ShellAids.h"
#include "aids/ui/GRB_Operations.h"
#include "aids/ui/PNL_Declinaison.h"
#include "aids/ui/TFRM_ErrPeriod.h"
#include "aids/ui/TFRM_Main.h"
#include "app/ui/TFRM_Alv.h"
#include "processing/ui/PNL_Reticule.h"
#include "processing/ui/TrackingPanel.h"
#include "results/ui/TFRM_Alv_Child.h"
#include "widgets/TNumInp.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

namespace velumbra {

ShellAids::ShellAids(TFRM_Alv& main, TFRM_Main& polar, TFRM_ErrPeriod& periodic)
    : main_(main), polar_(polar), periodic_(periodic)
{
    OperationSequencer& seq = main_.operations()->sequencer();
    seq.setStep(Operation::Orientation, &orientation_);
    seq.setStep(Operation::DriftDefinition, &drift_);
    connect(main_.MNU_TailleOrientCapt, &QAction::triggered, this, &ShellAids::startOrientation);
    connect(main_.MNU_Decl_Etoile, &QAction::triggered, this, &ShellAids::startDeclination);
    connect(main_.declinationPage()->BTN_Def_Declinaison, &QPushButton::clicked, this, &ShellAids::startDeclination);
    connect(main_.trackingPanel()->BTN_SetDerive, &QPushButton::clicked, this, &ShellAids::startDriftDefinition);
    connect(main_.MNU_Erreur_Periodique, &QAction::triggered, this, &ShellAids::showPeriodicError);
    connect(&polar_, &TFRM_Main::orientationRequested, this, &ShellAids::startOrientation);
    connect(&periodic_, &TFRM_ErrPeriod::orientationRequested, this, &ShellAids::startOrientation);
    connect(&periodic_, &TFRM_ErrPeriod::runPrepared, this, [this] {
        main_.trackingPanel()->switchOn(true);
        if (TFRM_Alv_Child* child = main_.resultWindow()) child->minimiseForOperation();
    });
    connect(&periodic_, &TFRM_ErrPeriod::closed, this, [this] {
        main_.MNU_Operations->setEnabled(true);
        if (TFRM_Alv_Child* child = main_.resultWindow()) child->restoreAfterOperation();
    });
    periodic_.settingsSource = polar_.settingsSource;
    periodic_.texts = &main_.texts();
}

ShellAids::~ShellAids()
{
    OperationSequencer& seq = main_.operations()->sequencer();
    seq.setStep(Operation::Orientation, nullptr);
    seq.setStep(Operation::DriftDefinition, nullptr);
}

void ShellAids::prepare()
{
    if (TFRM_Alv_Child* child = main_.resultWindow()) child->minimiseForOperation();
    TrackingPanel* t = main_.trackingPanel();
    t->switchOn(false);
    // The drift method follows a drift; it cannot measure one.
    if (t->RDB_Derive->isChecked()) t->RDB_Colimacon->click();
}

namespace {
// "1-" … for the numbered lines, the last one alone or indented.
QString lines(const QStringList& numbered, const QString& last)
{
    QStringList out;
    for (int i = 0; i < numbered.size(); ++i) out << QStringLiteral("%1-").arg(i + 1) + numbered[i];
    out << last;
    return out.join(QLatin1Char('\n'));
}
} // namespace

void ShellAids::startOrientation()
{
    prepare();
    declination_ = false;
    main_.MNU_Operations->setEnabled(false);
    const NamedTexts& t = main_.texts();
    main_.showMessage(true, lines({t.text(u"MSG_TailleOrientCapt1"), t.text(u"MSG_TailleOrientCapt2"),
                                   t.text(u"MSG_TailleOrientCapt3"), t.text(u"MSG_TailleOrientCapt4")},
                                  t.text(u"MSG_TailleOrientCapt5")));
    main_.operations()->sequencer().arm(Operation::Orientation, {}, true);
}

void ShellAids::startDeclination()
{
    prepare();
    declination_ = true;
    const NamedTexts& t = main_.texts();
    main_.showMessage(true, lines({t.text(u"MSG_DeclEtoile1"), t.text(u"MSG_DeclEtoile2"), t.text(u"MSG_DeclEtoile3"),
                                   t.text(u"MSG_DeclEtoile4")},
                                  QStringLiteral("  ") + t.text(u"MSG_DeclEtoile5")));
    main_.operations()->sequencer().arm(Operation::Orientation, t.text(u"MSG_Action_Decl"), true);
}

void ShellAids::startDriftDefinition()
{
    prepare();
    const NamedTexts& t = main_.texts();
    main_.showMessage(true, lines({t.text(u"MSG_Setderive1"), t.text(u"MSG_Setderive2"), t.text(u"MSG_Setderive3")},
                                  QStringLiteral("  ") + t.text(u"MSG_Setderive4")));
    main_.operations()->sequencer().arm(Operation::DriftDefinition, {}, true);
}

void ShellAids::showPeriodicError()
{
    main_.MNU_Operations->setEnabled(false);
    periodic_.show();
    periodic_.raise();
}

double ShellAids::sampling() const
{
    return double(main_.TNI_Echantillonnage->Value());
}

void ShellAids::showOrientation(const OrientationResult& r)
{
    main_.reticlePanel()->setOrientation(r.TNI_Orient, r.SCB_Orient);
    PNL_Declinaison* page = main_.declinationPage();
    page->TNI_Vitesse_Etoile->setValue(r.TNI_Vitesse_Etoile);
    page->EDT_Decl_Etoile->setText(r.EDT_Decl_Etoile);
    polar_.TNI_Decl_Etoile->setValue(r.declination);
}

void ShellAids::orientationMeasured(const OrientationResult& r)
{
    const NamedTexts& t = main_.texts();
    if (declination_)
        main_.showMessage(false, t.text(u"MSG_Resultat_Declinaison").arg(r.EDT_Decl_Etoile.trimmed()));
    else
        main_.showMessage(false, t.text(u"MSG_Resultat_Orientation").arg(QString::number(r.TNI_Orient, 'f', 1)));
}

void ShellAids::setDriftRate(double x, double y)
{
    main_.core().tracking.driftRate = {x, y};
}

void ShellAids::driftDefined(int durationSeconds)
{
    TrackingState& t = main_.core().tracking;
    t.driftDuration = durationSeconds;
    t.driftAccum = {};
    main_.showMessage(false, main_.texts()
                                 .text(u"MSG_Resultat_Derive")
                                 .arg(QString::number(t.driftRate.x, 'f', 2), QString::number(t.driftRate.y, 'f', 2)));
}

} // namespace velumbra
