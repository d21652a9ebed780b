#include "aids/ui/TFRM_ErrPeriod.h"
#include "core/Messages.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QValueAxis>
#include <QVBoxLayout>

namespace velumbra {
namespace {

constexpr double kSecondsShown = 1200;
constexpr double kArcsecShown = 120;

} // namespace

TFRM_ErrPeriod::TFRM_ErrPeriod(OperationSequencer& sequencer, MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), sequencer_(sequencer), messages_(messages),
      step_(*this, messages, QLocale::system().decimalPoint().at(0))
{
    setObjectName(QStringLiteral("TFRM_ErrPeriod"));
    setWindowTitle(QStringLiteral("Erreur Periodique"));
    sequencer_.setStep(Operation::PeriodicError, &step_);

    auto* v = new QVBoxLayout(this);
    auto* reminder = new QHBoxLayout;
    reminder->addWidget(
        named(new QLabel(QStringLiteral("Avez vous pensé à determiner l'orientation de la camera ?")), "LBL_EP_AvezVousPense"), 1);
    BTN_Orientation = named(new QPushButton(QStringLiteral("Determiner l'orientation de la camera")), "BTN_Orientation");
    reminder->addWidget(BTN_Orientation);
    v->addLayout(reminder);

    series_ = new QLineSeries;
    series_->setName(QStringLiteral("Erreur Periodique"));
    series_->setColor(Qt::red);
    series_->setUseOpenGL(false);
    chart_ = new QChart;
    chart_->addSeries(series_);
    chart_->legend()->hide();
    chart_->setTitle(QStringLiteral("Evolution de l'erreur periodique"));
    auto* time = new QValueAxis;
    time->setRange(0, kSecondsShown);
    time->setTitleText(QStringLiteral("Temps (Secondes)"));
    time->setLabelFormat(QStringLiteral("%d"));
    auto* drift = new QValueAxis;
    drift->setRange(-kArcsecShown, kArcsecShown);
    drift->setTitleText(QStringLiteral("Ecart (Secondes d'arc)"));
    drift->setLabelFormat(QStringLiteral("%d"));
    chart_->addAxis(time, Qt::AlignBottom);
    chart_->addAxis(drift, Qt::AlignLeft);
    series_->attachAxis(time);
    series_->attachAxis(drift);
    auto* view = named(new QChartView(chart_), "CHRT_Erreur_Periodique");
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(560, 360); // room for the left axis title in full
    v->addWidget(view, 1);

    auto* form = new QFormLayout;
    EDT_Senserreur = named(new QLineEdit, "EDT_Senserreur");
    TNI_Duree_Pose = named(new TNumInp, "TNI_Duree_Pose");
    TNI_Duree_Pose->setRange(1, 86400);
    TNI_Duree_Pose->setValue(60);
    TNI_Duree_Pose->setDigits(6);
    EDT_AngleTraineeEO = named(new QLineEdit, "EDT_AngleTraineeEO");
    TNI_Erreur_Vitesse = named(new TNumInp, "TNI_Erreur_Vitesse");
    TNI_Erreur_Vitesse->setRange(-1e9, 1e9);
    TNI_Erreur_Vitesse->setDigits(4);
    for (QLineEdit* e : std::initializer_list<QLineEdit*>{EDT_Senserreur, TNI_Duree_Pose, EDT_AngleTraineeEO,
                                                         TNI_Erreur_Vitesse}) {
        e->setReadOnly(true);
        e->setFixedWidth(120);
    }
    form->addRow(named(new QLabel(QStringLiteral("Sens de la derive (degrés) :")), "LBL_EP_Sens"), EDT_Senserreur);
    form->addRow(named(new QLabel(QStringLiteral("Chronometre (Secondes ecoulées) :")), "LBL_EP_Chrono"), TNI_Duree_Pose);
    form->addRow(named(new QLabel(QStringLiteral("Angle de la derive Est/Ouest :")), "LBL_EP_Angle_Derive"),
                 EDT_AngleTraineeEO);
    form->addRow(named(new QLabel(QStringLiteral("Erreur vitesse de suivi (Sec.arc/Seconde):")), "LBL_EP_Erreur_Suivi"),
                 TNI_Erreur_Vitesse);
    v->addLayout(form);

    auto* file = new QHBoxLayout;
    CKB_Fichier_EP = named(new QCheckBox(QStringLiteral("Fichier sortant")), "CKB_Fichier_EP");
    EDT_Nom_FichierPE = named(new QLineEdit, "EDT_Nom_FichierPE");
    BBTN_Charge_FichierPE = named(new QToolButton, "BBTN_Charge_FichierPE");
    BBTN_Charge_FichierPE->setText(QStringLiteral("..."));
    EDT_Nom_FichierPE->setEnabled(false);
    BBTN_Charge_FichierPE->setEnabled(false);
    file->addWidget(CKB_Fichier_EP);
    file->addWidget(EDT_Nom_FichierPE, 1);
    file->addWidget(BBTN_Charge_FichierPE);
    v->addLayout(file);

    auto* buttons = new QHBoxLayout;
    BTN_Demar_EP = named(new QPushButton(QStringLiteral("Demarrer la procédure")), "BTN_Demar_EP");
    BTN_Reinit_Graphe = named(new QPushButton(QStringLiteral("Reinitialiser le graphe")), "BTN_Reinit_Graphe");
    BTN_Quitter = named(new QPushButton(QStringLiteral("Quitter")), "BTN_Quitter");
    buttons->addWidget(BTN_Demar_EP);
    buttons->addWidget(BTN_Reinit_Graphe);
    buttons->addStretch();
    buttons->addWidget(BTN_Quitter);
    v->addLayout(buttons);

    chooseFile = [this](const QString& start) {
        return QFileDialog::getSaveFileName(this, QString(), start, QStringLiteral("text (*.txt)"));
    };
    connect(CKB_Fichier_EP, &QCheckBox::toggled, this, [this](bool on) {
        EDT_Nom_FichierPE->setEnabled(on);
        BBTN_Charge_FichierPE->setEnabled(on);
        step_.setOutput(on, EDT_Nom_FichierPE->text());
    });
    connect(EDT_Nom_FichierPE, &QLineEdit::textChanged, this,
            [this](const QString& name) { step_.setOutput(CKB_Fichier_EP->isChecked(), name); });
    connect(BBTN_Charge_FichierPE, &QToolButton::clicked, this, [this] {
        QString name = chooseFile ? chooseFile(EDT_Nom_FichierPE->text()) : QString();
        if (name.isEmpty()) return;
        if (!name.contains(QLatin1Char('.'))) name += QStringLiteral(".txt");
        EDT_Nom_FichierPE->setText(name);
    });
    connect(BTN_Reinit_Graphe, &QPushButton::clicked, series_, &QLineSeries::clear);
    connect(BTN_Demar_EP, &QPushButton::clicked, this, [this] { BTN_Demar_EPClick(); });
    connect(BTN_Quitter, &QPushButton::clicked, this, &QWidget::close);
    connect(BTN_Orientation, &QPushButton::clicked, this, [this] {
        close();
        emit orientationRequested();
    });
}

TFRM_ErrPeriod::~TFRM_ErrPeriod()
{
    sequencer_.setStep(Operation::PeriodicError, nullptr);
}

int TFRM_ErrPeriod::pointCount() const
{
    return int(series_->count());
}

void TFRM_ErrPeriod::BTN_Demar_EPClick()
{
    emit runPrepared();
    sequencer_.arm(Operation::PeriodicError);
    const NamedTexts& t = *texts;
    messages_.showMessage(true, QStringLiteral("1-%1\n2-%2\n3-%3\n4-%4\n  %5")
                                    .arg(t.text(u"MSG_Mes1"), t.text(u"MSG_Mes2"), t.text(u"MSG_Mes3"),
                                         t.text(u"MSG_Mes4"), t.text(u"MSG_Mes5")));
}

PolarSettings TFRM_ErrPeriod::polarSettings() const
{
    return settingsSource ? settingsSource() : PolarSettings{};
}

void TFRM_ErrPeriod::showPeriodicError(const PeriodicErrorFrame& f)
{
    EDT_Senserreur->setText(f.EDT_Senserreur);
    if (!f.point) return;
    TNI_Duree_Pose->setValue(f.TNI_Duree_Pose);
    series_->append(f.TNI_Duree_Pose, f.drift);
    TNI_Erreur_Vitesse->setValue(f.TNI_Erreur_Vitesse);
    EDT_AngleTraineeEO->setText(f.EDT_AngleTraineeEO);
}

void TFRM_ErrPeriod::recordingStarted()
{
    CKB_Fichier_EP->setEnabled(false);
    EDT_Nom_FichierPE->setEnabled(false);
}

void TFRM_ErrPeriod::recordingStopped()
{
    CKB_Fichier_EP->setEnabled(true);
    EDT_Nom_FichierPE->setEnabled(CKB_Fichier_EP->isChecked());
}

void TFRM_ErrPeriod::closeEvent(QCloseEvent* event)
{
    sequencer_.endAll();
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace velumbra
