#include "aids/ui/TFRM_Main.h"
#include "aids/OperationSequencer.h"
#include "core/Messages.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velumbra {
namespace {

const QString kPauseCaption = QStringLiteral("Pause pour corriger l'orientation de la monture");

QLineEdit* readOnlyEdit(const char* name)
{
    auto* e = named(new QLineEdit, name);
    e->setReadOnly(true);
    return e;
}

TNumInp* field(const char* name, double lo, double hi, double value, bool readOnly = false)
{
    auto* f = named(new TNumInp, name);
    f->setRange(lo, hi);
    f->setValue(value);
    f->setReadOnly(readOnly);
    return f;
}

// "1-" … "4-" then the last line indented, one per line.
QString steps(const QStringList& lines)
{
    QStringList out;
    for (int i = 0; i < lines.size(); ++i)
        out << (i + 1 < lines.size() ? QStringLiteral("%1-").arg(i + 1) + lines[i] : QStringLiteral("  ") + lines[i]);
    return out.join(QLatin1Char('\n'));
}

} // namespace

TFRM_Main::TFRM_Main(OperationSequencer& sequencer, MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), sequencer_(sequencer), messages_(messages)
{
    setObjectName(QStringLiteral("TFRM_Main"));
    setWindowTitle(QStringLiteral("Aide à la mise en station"));
    sequencer_.setStep(Operation::Bigourdan, &bigourdan_);
    sequencer_.setStep(Operation::King, &king_);

    auto* v = new QVBoxLayout(this);
    auto* reminder = new QHBoxLayout;
    reminder->addWidget(named(new QLabel(QStringLiteral("Avez vous pensé à determiner l'orientation de la camera ?")),
                              "LBL_Avezvouspense"),
                        1);
    BTN_Orientation = named(new QPushButton(QStringLiteral("Determiner l'orientation de la camera")), "BTN_Orientation");
    reminder->addWidget(BTN_Orientation);
    v->addLayout(reminder);

    PGC_Methode = named(new QTabWidget, "PGC_Methode");
    auto* bigourdanPage = named(new QWidget, "TBS_Bigourdan");
    auto* bv = new QVBoxLayout(bigourdanPage);
    PGC_Bigourdan = named(new QTabWidget, "PGC_Bigourdan");
    PGC_Bigourdan->addTab(buildParameters(), QStringLiteral("Parametrage"));
    PGC_Bigourdan->addTab(buildCorrections(), QStringLiteral("Corrections à apporter"));
    PGC_Bigourdan->addTab(buildRectification(), QStringLiteral("Rectification parametres monture"));
    bv->addWidget(PGC_Bigourdan);
    PGC_Methode->addTab(bigourdanPage, QStringLiteral("Bigourdan"));
    PGC_Methode->addTab(buildKing(), QStringLiteral("King"));
    v->addWidget(PGC_Methode);

    BTN_Quitter = named(new QPushButton(QStringLiteral("Quitter")), "BTN_Quitter");
    v->addWidget(BTN_Quitter, 0, Qt::AlignRight);
    connect(BTN_Quitter, &QPushButton::clicked, this, &QWidget::close);
    connect(BTN_Orientation, &QPushButton::clicked, this, [this] {
        emit orientationRequested();
        close();
    });
}

TFRM_Main::~TFRM_Main()
{
    sequencer_.setStep(Operation::Bigourdan, nullptr);
    sequencer_.setStep(Operation::King, nullptr);
}

QWidget* TFRM_Main::buildParameters()
{
    auto* page = named(new QWidget, "TBS_Parametres");
    auto* v = new QVBoxLayout(page);
    auto* where = named(new QGroupBox(QStringLiteral("Position de l'etoile guide")), "GRB_Etp_Bigourdan");
    auto* wh = new QHBoxLayout(where);
    RDB_Sud = named(new QRadioButton(QStringLiteral("Sud")), "RDB_Sud");
    RDB_EstOuest = named(new QRadioButton(QStringLiteral("Est/Ouest")), "RDB_EstOuest");
    RDB_Sud->setChecked(true);
    wh->addWidget(RDB_Sud);
    wh->addWidget(RDB_EstOuest);
    wh->addStretch();
    v->addWidget(where);
    auto* form = new QFormLayout;
    TNI_Decl_Etoile = field("TNI_Decl_Etoile", -90, 90, 0);
    TNI_Decl_Etoile->setDigits(4); // a measured declination reads 40.81, not a cut tail of twelve digits
    TNI_Decl_Etoile->setFixedWidth(80);
    form->addRow(named(new QLabel(QStringLiteral("Declinaison de l'etoile guide (en degrés):")), "LBL_Decl_Etoile"),
                 TNI_Decl_Etoile);
    v->addLayout(form);
    BTN_Demar_MES = named(new QPushButton(QStringLiteral("Demarrer la procedure")), "BTN_Demar_MES");
    v->addWidget(BTN_Demar_MES, 0, Qt::AlignLeft);
    v->addStretch();
    connect(BTN_Demar_MES, &QPushButton::clicked, this, [this] { BTN_Demar_MESClick(); });
    return page;
}

QWidget* TFRM_Main::buildCorrections()
{
    auto* page = named(new QWidget, "TBS_Correct");
    auto* form = new QFormLayout(page);
    TNI_Duree_Pose = field("TNI_Duree_Pose", 1, 1e9, 1, true);
    TNI_Long_Trainee_X = field("TNI_Long_Trainee_X", 1, 1e9, 1);
    TNI_Long_Trainee_Y = field("TNI_Long_Trainee_Y", 1, 1e9, 1);
    // Hidden fields, out of the form but owned by the page (else they leak).
    for (TNumInp* f : {TNI_Long_Trainee_X, TNI_Long_Trainee_Y}) {
        f->setParent(page);
        f->hide();
    }
    EDT_AngleTraineeNS = readOnlyEdit("EDT_AngleTraineeNS");
    EDT_AngleTraineeEO = readOnlyEdit("EDT_AngleTraineeEO");
    EDT_Erreur_polaire = readOnlyEdit("EDT_Erreur_polaire");
    TNI_Erreur_Vitesse = field("TNI_Erreur_Vitesse", -1e9, 1e9, 0, true);
    for (TNumInp* f : {TNI_Duree_Pose, TNI_Erreur_Vitesse}) f->setDigits(4);
    form->addRow(named(new QLabel(QStringLiteral("Chronometre (Secondes ecoulées):")), "LBL_Chronometre"), TNI_Duree_Pose);
    form->addRow(named(new QLabel(QStringLiteral("Angle de la derive Nord/Sud:")), "LBL_ErrNordSud"), EDT_AngleTraineeNS);
    form->addRow(named(new QLabel(QStringLiteral("Angle de la derive Est/Ouest:")), "LBL_AngleEstOuest"),
                 EDT_AngleTraineeEO);
    form->addRow(named(new QLabel(QStringLiteral("Erreur d'angle sur la polaire:")), "LBL_Erreur_Polaire"),
                 EDT_Erreur_polaire);
    form->addRow(named(new QLabel(QStringLiteral("Erreur videsse de suivi (Sec.arc/Seconde):")), "LBL_Err_VitesseSuivi"),
                 TNI_Erreur_Vitesse);

    auto* turn = named(new QGroupBox(QStringLiteral("Orienter l'Axe Polaire de la monture vers")), "GRB_Orienter");
    auto* g = new QHBoxLayout(turn);
    EDT_Correct = readOnlyEdit("EDT_Correct");
    EDT_Deplacement = readOnlyEdit("EDT_Deplacement");
    EDT_Tours = readOnlyEdit("EDT_Tours");
    for (QLineEdit* e : {EDT_Correct, EDT_Deplacement, EDT_Tours}) e->setFixedWidth(70);
    g->addWidget(EDT_Correct);
    g->addWidget(named(new QLabel(QStringLiteral("sur")), "LBL_Sur"));
    g->addWidget(EDT_Deplacement);
    g->addWidget(named(new QLabel(QStringLiteral("mm.")), "LBL_MM"));
    g->addWidget(named(new QLabel(QStringLiteral("Soit")), "LBL_Soit"));
    g->addWidget(EDT_Tours);
    g->addWidget(named(new QLabel(QStringLiteral("tours de vis")), "LBL_Toursdevis"));
    g->addStretch();
    form->addRow(turn);
    BTN_Premiere_Correction = named(new QPushButton(QStringLiteral("Premiere correction")), "BTN_Premiere_Correction");
    BTN_Premiere_Correction->setEnabled(false);
    form->addRow(QString(), BTN_Premiere_Correction);
    connect(BTN_Premiere_Correction, &QPushButton::clicked, this, [this] { BTN_Premiere_CorrectionClick(); });
    return page;
}

QWidget* TFRM_Main::buildRectification()
{
    auto* page = named(new QWidget, "TBS_Rectif");
    auto* form = new QFormLayout(page);
    auto* axis = new QHBoxLayout;
    RDB_Correct_Azimuth = named(new QRadioButton(QStringLiteral("Azimuth")), "RDB_Correct_Azimuth");
    RDB_Correct_Altitude = named(new QRadioButton(QStringLiteral("Altitude")), "RDB_Correct_Altitude");
    RDB_Correct_Azimuth->setChecked(true);
    axis->addWidget(RDB_Correct_Azimuth);
    axis->addWidget(RDB_Correct_Altitude);
    axis->addStretch();
    form->addRow(named(new QLabel(QStringLiteral("Axe de la monture à corriger:")), "LBL_AxeACorriger"), axis);
    TNI_Premiere_Correction = field("TNI_Premiere_Correction", -1e6, 1e6, 0);
    TNI_Correction_Effective = field("TNI_Correction_Effective", -1e6, 1e6, 0);
    TNI_Nouveau_Rayon = field("TNI_Nouveau_Rayon", 0, 9999, 0);
    for (TNumInp* f : {TNI_Premiere_Correction, TNI_Correction_Effective, TNI_Nouveau_Rayon}) f->setFixedWidth(90);
    form->addRow(named(new QLabel(QStringLiteral("Premiere correction proposée par Velumbra (en mm):")),
                       "LBL_Premiere_Correction"),
                 TNI_Premiere_Correction);
    form->addRow(named(new QLabel(QStringLiteral("Correction totale nécéssaire appliquée (en mm):")),
                       "LBL_Correction_Totale"),
                 TNI_Correction_Effective);
    LBL_NouveauRayon = named(new QLabel(QStringLiteral("Nouveau rayon du dispositif de reglage en azimuth (mm):")),
                             "LBL_NouveauRayon");
    form->addRow(LBL_NouveauRayon, TNI_Nouveau_Rayon);
    auto* buttons = new QHBoxLayout;
    BTN_Calculer = named(new QPushButton(QStringLiteral("Calculer")), "BTN_Calculer");
    BTN_Applique_Modif = named(new QPushButton(QStringLiteral("Appliquer la modification")), "BTN_Applique_Modif");
    buttons->addWidget(BTN_Calculer);
    buttons->addWidget(BTN_Applique_Modif);
    buttons->addStretch();
    form->addRow(buttons);
    connect(RDB_Correct_Azimuth, &QRadioButton::toggled, this, [this] { showRadiusAxis(); });
    connect(BTN_Calculer, &QPushButton::clicked, this, [this] { BTN_CalculerClick(); });
    connect(BTN_Applique_Modif, &QPushButton::clicked, this, [this] { BTN_Applique_ModifClick(); });
    return page;
}

QWidget* TFRM_Main::buildKing()
{
    auto* page = named(new QWidget, "TBS_King");
    auto* form = new QFormLayout(page);
    auto* buttons = new QHBoxLayout;
    BTN_Demarre_King = named(new QPushButton(QStringLiteral("Demarrer la procédure")), "BTN_Demarre_King");
    BTN_Pause = named(new QPushButton(kPauseCaption), "BTN_Pause");
    BTN_Pause->setEnabled(false);
    buttons->addWidget(BTN_Demarre_King);
    buttons->addWidget(BTN_Pause);
    buttons->addStretch();
    form->addRow(buttons);
    TNI_Duree_Pose_King = field("TNI_Duree_Pose_King", 0, 1e9, 0, true);
    TNI_Duree_Pose_King->setDigits(4);
    // The same caption as the Bigourdan page's: one language key feeds both.
    form->addRow(named(new QLabel(QStringLiteral("Chronometre (Secondes ecoulées):")), "LBL_Chronometre"),
                 TNI_Duree_Pose_King);
    EDT_CorrectKingEO = readOnlyEdit("EDT_CorrectKingEO");
    EDT_CorrectKingNS = readOnlyEdit("EDT_CorrectKingNS");
    EDT_DistanceX_DMS = readOnlyEdit("EDT_DistanceX_DMS");
    EDT_DistanceY_DMS = readOnlyEdit("EDT_DistanceY_DMS");
    EDT_Deplacement_EstOuest = readOnlyEdit("EDT_Deplacement_EstOuest");
    EDT_Deplacement_NordSud = readOnlyEdit("EDT_Deplacement_NordSud");
    EDT_Deplacement_EstOuest_Tours = readOnlyEdit("EDT_Deplacement_EstOuest_Tours");
    EDT_Deplacement_NordSud_Tours = readOnlyEdit("EDT_Deplacement_NordSud_Tours");
    auto axisRow = [](QLineEdit* word, QLineEdit* angle, QLineEdit* mm, QLineEdit* turns) {
        auto* row = new QHBoxLayout;
        word->setFixedWidth(60);
        angle->setFixedWidth(110);
        mm->setFixedWidth(70);
        turns->setFixedWidth(70);
        row->addWidget(word);
        row->addWidget(angle);
        row->addWidget(named(new QLabel(QStringLiteral("soit")), "LBL_King_Soit"));
        row->addWidget(mm);
        row->addWidget(named(new QLabel(QStringLiteral("mm,")), "LBL_King_MM"));
        row->addWidget(turns);
        row->addWidget(named(new QLabel(QStringLiteral("tours de vis")), "LBL_Toursdevis"));
        row->addStretch();
        return row;
    };
    form->addRow(named(new QLabel(QStringLiteral("Azimuth vers")), "LBL_King_Azimuth"),
                 axisRow(EDT_CorrectKingEO, EDT_DistanceX_DMS, EDT_Deplacement_EstOuest, EDT_Deplacement_EstOuest_Tours));
    form->addRow(named(new QLabel(QStringLiteral("Altitude vers")), "LBL_King_Altitude"),
                 axisRow(EDT_CorrectKingNS, EDT_DistanceY_DMS, EDT_Deplacement_NordSud, EDT_Deplacement_NordSud_Tours));
    connect(BTN_Demarre_King, &QPushButton::clicked, this, [this] { BTN_Demarre_KingClick(); });
    connect(BTN_Pause, &QPushButton::clicked, this, [this] { BTN_PauseClick(); });
    return page;
}

void TFRM_Main::showParameters()
{
    PGC_Methode->setCurrentIndex(0);
    PGC_Bigourdan->setCurrentIndex(0);
    show();
    raise();
}

void TFRM_Main::startProcedure(Operation op)
{
    emit runPrepared();
    sequencer_.arm(op);
    const NamedTexts& t = *texts;
    messages_.showMessage(true, steps({t.text(u"MSG_Mes1"), t.text(u"MSG_Mes2"), t.text(u"MSG_Mes3"),
                                       t.text(u"MSG_Mes4"), t.text(u"MSG_Mes5")}));
}

// The caption names the azimuth adjuster, in whatever language; the axis
// being corrected takes its place.
void TFRM_Main::showRadiusAxis()
{
    const bool azimuth = RDB_Correct_Azimuth->isChecked();
    QString caption = LBL_NouveauRayon->text();
    caption.replace(azimuth ? QStringLiteral("altitude") : QStringLiteral("azimuth"),
                    azimuth ? QStringLiteral("azimuth") : QStringLiteral("altitude"));
    LBL_NouveauRayon->setText(caption);
}

void TFRM_Main::BTN_Demar_MESClick()
{
    startProcedure(Operation::Bigourdan);
}

void TFRM_Main::BTN_Demarre_KingClick()
{
    king_.clearPause();
    BTN_Pause->setText(texts->text(u"BTN_Pause.Caption"));
    startProcedure(Operation::King);
}

void TFRM_Main::BTN_PauseClick()
{
    king_.BTN_PauseClick();
    BTN_Pause->setText(texts->text(king_.paused() ? u"BTN_Pause_Reactiver" : u"BTN_Pause.Caption"));
}

void TFRM_Main::BTN_Premiere_CorrectionClick()
{
    bool ok = false;
    const double mm = EDT_Deplacement->text().toDouble(&ok);
    if (ok) TNI_Premiere_Correction->setValue(mm);
}

void TFRM_Main::BTN_CalculerClick()
{
    const PolarSettings s = polarSettings();
    const double first = double(TNI_Premiere_Correction->Value());
    if (first != 0) {
        const double radius = RDB_Correct_Azimuth->isChecked() ? s.TNI_Rayon_Az : s.TNI_Rayon_Alt;
        TNI_Nouveau_Rayon->setValue(double(TNI_Correction_Effective->Value()) / first * radius);
    }
    BigourdanDrift d = drift_;
    d.TNI_Long_Trainee_X = double(TNI_Long_Trainee_X->Value());
    d.TNI_Long_Trainee_Y = double(TNI_Long_Trainee_Y->Value());
    d.TNI_Duree_Pose = double(TNI_Duree_Pose->Value());
    const BigourdanResult r = bigourdanComputation(s, d);
    EDT_Deplacement->setText(r.EDT_Deplacement);
    EDT_Tours->setText(r.EDT_Tours);
    TNI_Erreur_Vitesse->setValue(r.TNI_Erreur_Vitesse);
    EDT_AngleTraineeNS->setText(r.EDT_AngleTraineeNS);
    EDT_AngleTraineeEO->setText(r.EDT_AngleTraineeEO);
    EDT_Erreur_polaire->setText(r.EDT_Erreur_polaire);
}

void TFRM_Main::BTN_Applique_ModifClick()
{
    if (applyRadius)
        applyRadius(RDB_Correct_Azimuth->isChecked() ? AdjustAxis::Azimuth : AdjustAxis::Altitude,
                    double(TNI_Nouveau_Rayon->Value()));
}

PolarSettings TFRM_Main::polarSettings() const
{
    PolarSettings s = settingsSource ? settingsSource() : PolarSettings{};
    s.RDB_Sud = RDB_Sud->isChecked();
    return s;
}

void TFRM_Main::bigourdanStarted()
{
    PGC_Methode->setCurrentIndex(0);
    PGC_Bigourdan->setCurrentWidget(PGC_Bigourdan->widget(1));
    BTN_Pause->setEnabled(false);
}

void TFRM_Main::kingStarted()
{
    BTN_Pause->setEnabled(true);
}

void TFRM_Main::showBigourdan(const BigourdanFrame& f)
{
    drift_ = f.drift;
    TNI_Long_Trainee_X->setValue(f.drift.TNI_Long_Trainee_X);
    TNI_Long_Trainee_Y->setValue(f.drift.TNI_Long_Trainee_Y);
    BTN_Premiere_Correction->setEnabled(true);
    EDT_Correct->setText(f.EDT_Correct);
    if (!f.computed) return;
    TNI_Duree_Pose->setValue(f.drift.TNI_Duree_Pose);
    BTN_CalculerClick();
}

void TFRM_Main::showKing(const KingResult& r, const KingDrawing& drawing)
{
    TNI_Duree_Pose_King->setValue(r.TNI_Duree_Pose_King);
    EDT_CorrectKingEO->setText(r.EDT_CorrectKingEO);
    EDT_CorrectKingNS->setText(r.EDT_CorrectKingNS);
    EDT_DistanceX_DMS->setText(r.EDT_DistanceX_DMS);
    EDT_DistanceY_DMS->setText(r.EDT_DistanceY_DMS);
    EDT_Deplacement_EstOuest->setText(r.EDT_Deplacement_EstOuest);
    EDT_Deplacement_NordSud->setText(r.EDT_Deplacement_NordSud);
    EDT_Deplacement_EstOuest_Tours->setText(r.EDT_Deplacement_EstOuest_Tours);
    EDT_Deplacement_NordSud_Tours->setText(r.EDT_Deplacement_NordSud_Tours);
    if (r.TNI_Duree_Pose_King > 0) emit kingDrawn(drawing);
}

void TFRM_Main::kingPauseEnded()
{
    BTN_Pause->setText(texts->text(u"BTN_Pause.Caption"));
    BTN_Pause->setEnabled(false);
}

void TFRM_Main::closeEvent(QCloseEvent* event)
{
    // Closing stops whatever runs and gives the main window its operations back.
    sequencer_.endAll();
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace velumbra
