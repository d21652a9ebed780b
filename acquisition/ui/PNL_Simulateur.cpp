#include "acquisition/ui/PNL_Simulateur.h"
#include "core/Angles.h"
#include "simulator/SkySimulator.h"
#include "widgets/TNumInp.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace velumbra {
namespace {

constexpr int kRefreshMs = 500;

QString formatRa(double hours)
{
    const int total = int(std::lround(hours * 3600)) % 86400;
    return QStringLiteral("%1h%2m%3s")
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString formatDec(double degrees)
{
    const int total = int(std::lround(std::abs(degrees) * 3600));
    return QStringLiteral("%1%2°%3'%4\"")
        .arg(degrees < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

// A row's caption, named for the language file.
QLabel* caption(const QString& text, const char* name)
{
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString formatPlace(const Equatorial& e)
{
    return QStringLiteral("AD %1  Dec %2").arg(formatRa(e.raHours), formatDec(e.decDegrees));
}

} // namespace

PNL_Simulateur::PNL_Simulateur(SkySimulator& sky, std::function<QSize()> frameSize, QWidget* parent)
    : QWidget(parent), sky_(sky), frameSize_(std::move(frameSize)), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("PNL_Simulateur"));
    auto* layout = new QVBoxLayout(this);

    auto* truth = new QGroupBox(QStringLiteral("Ce que le programme ne voit pas"), this);
    truth->setObjectName(QStringLiteral("GRB_Verite"));
    auto* truthForm = new QFormLayout(truth);
    EDT_Pointage_Vrai = readOnly(QStringLiteral("EDT_Pointage_Vrai"));
    EDT_Pointage_Monture = readOnly(QStringLiteral("EDT_Pointage_Monture"));
    EDT_Erreur_Pointage = readOnly(QStringLiteral("EDT_Erreur_Pointage"));
    EDT_Etoile = readOnly(QStringLiteral("EDT_Etoile"));
    truthForm->addRow(caption(QStringLiteral("Pointage vrai :"), "LBL_Pointage_Vrai"), EDT_Pointage_Vrai);
    truthForm->addRow(caption(QStringLiteral("Pointage annoncé :"), "LBL_Pointage_Monture"), EDT_Pointage_Monture);
    truthForm->addRow(caption(QStringLiteral("Erreur de pointage :"), "LBL_Erreur_Pointage"), EDT_Erreur_Pointage);
    truthForm->addRow(caption(QStringLiteral("Etoile la plus brillante (x, y) :"), "LBL_Etoile"), EDT_Etoile);
    layout->addWidget(truth);

    auto* mount = new QGroupBox(QStringLiteral("Défauts de la monture"), this);
    mount->setObjectName(QStringLiteral("GRB_Defauts_Monture"));
    auto* mountForm = new QFormLayout(mount);
    TNI_EP_Amplitude = field(QStringLiteral("TNI_EP_Amplitude"), 0, 120);
    TNI_EP_Periode = field(QStringLiteral("TNI_EP_Periode"), 10, 3600);
    TNI_Polaire_Azimut = field(QStringLiteral("TNI_Polaire_Azimut"), -600, 600);
    TNI_Polaire_Hauteur = field(QStringLiteral("TNI_Polaire_Hauteur"), -600, 600);
    TNI_Jeu_Dec = field(QStringLiteral("TNI_Jeu_Dec"), 0, 600);
    mountForm->addRow(caption(QStringLiteral("Erreur périodique (\") :"), "LBL_EP_Amplitude"), TNI_EP_Amplitude);
    mountForm->addRow(caption(QStringLiteral("Période (s) :"), "LBL_EP_Periode"), TNI_EP_Periode);
    mountForm->addRow(caption(QStringLiteral("Erreur polaire en azimut (') :"), "LBL_Polaire_Azimut"), TNI_Polaire_Azimut);
    mountForm->addRow(caption(QStringLiteral("Erreur polaire en hauteur (') :"), "LBL_Polaire_Hauteur"), TNI_Polaire_Hauteur);
    mountForm->addRow(caption(QStringLiteral("Jeu en déclinaison (\") :"), "LBL_Jeu_Dec"), TNI_Jeu_Dec);
    layout->addWidget(mount);

    auto* camera = new QGroupBox(QStringLiteral("Optique et caméra"), this);
    camera->setObjectName(QStringLiteral("GRB_Optique_Camera"));
    auto* cameraForm = new QFormLayout(camera);
    TNI_Focuser = field(QStringLiteral("TNI_Focuser"), 0, 20000);
    TNI_Turbulence = field(QStringLiteral("TNI_Turbulence"), 0.5, 10);
    TNI_Pose = field(QStringLiteral("TNI_Pose"), 1, 60000);
    CBX_Mode = new QComboBox(this);
    CBX_Mode->setObjectName(QStringLiteral("CBX_Mode"));
    CBX_Mode->addItem(QStringLiteral("Ciel"), int(CameraMode::Sky));
    CBX_Mode->addItem(QStringLiteral("Bouchon (dark)"), int(CameraMode::Cap));
    CBX_Mode->addItem(QStringLiteral("Panneau (flat)"), int(CameraMode::Panel));
    connect(CBX_Mode, &QComboBox::currentIndexChanged, this, [this] { apply(); });
    cameraForm->addRow(caption(QStringLiteral("Focuser (pas) :"), "LBL_Focuser"), TNI_Focuser);
    cameraForm->addRow(caption(QStringLiteral("Turbulence, FWHM (\") :"), "LBL_Turbulence"), TNI_Turbulence);
    cameraForm->addRow(caption(QStringLiteral("Temps de pose (ms) :"), "LBL_Temps_Pose"), TNI_Pose);
    cameraForm->addRow(caption(QStringLiteral("Devant la caméra :"), "LBL_Mode"), CBX_Mode);
    layout->addWidget(camera);
    layout->addStretch();

    refresh();
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (isVisible()) refresh();
    });
    timer_->start();
}

TNumInp* PNL_Simulateur::field(const QString& name, double minimum, double maximum)
{
    auto* f = new TNumInp(this);
    f->setObjectName(name);
    f->setDatatype(TDataType::dtDouble);
    f->setRange(minimum, maximum);
    f->setMaximumWidth(90);
    connect(f, &TNumInp::exited, this, [this] { apply(); });
    connect(f, &TNumInp::enterPressed, this, [this, f] {
        if (f->commitText()) apply();
    });
    return f;
}

QLineEdit* PNL_Simulateur::readOnly(const QString& name)
{
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setMinimumWidth(220);
    return e;
}

void PNL_Simulateur::refresh()
{
    MountModel& mount = sky_.mount();
    EDT_Pointage_Vrai->setText(formatPlace(mount.truePointing()));
    EDT_Pointage_Monture->setText(formatPlace(mount.currentPointing()));
    EDT_Erreur_Pointage->setText(FormatDMS(mount.pointingError()));
    const QSize size = frameSize_ ? frameSize_() : QSize(640, 480);
    const int star = sky_.brightestStarInView(size.width(), size.height());
    const QPointF at = sky_.starPosition(star, size.width(), size.height());
    EDT_Etoile->setText(star < 0 ? QStringLiteral("aucune dans le champ")
                                 : QStringLiteral("%1, %2").arg(at.x(), 0, 'f', 2).arg(at.y(), 0, 'f', 2));
    // Fields being typed in keep the user's text.
    const auto show = [](TNumInp* f, double v) {
        if (!f->hasFocus()) f->setValue(v);
    };
    const SimulatedMount& m = mount.settings();
    show(TNI_EP_Amplitude, m.periodicAmplitude);
    show(TNI_EP_Periode, m.periodicPeriod);
    show(TNI_Polaire_Azimut, m.polarAzimuth);
    show(TNI_Polaire_Hauteur, m.polarAltitude);
    show(TNI_Jeu_Dec, m.decBacklash);
    show(TNI_Focuser, mount.focuserPosition());
    show(TNI_Turbulence, sky_.parameters().seeing);
    show(TNI_Pose, sky_.parameters().exposureMs);
    const QSignalBlocker block(CBX_Mode);
    CBX_Mode->setCurrentIndex(CBX_Mode->findData(int(sky_.parameters().mode)));
}

void PNL_Simulateur::apply()
{
    MountModel& mount = sky_.mount();
    SimulatedMount m = mount.settings();
    m.periodicAmplitude = double(TNI_EP_Amplitude->Value());
    m.periodicPeriod = double(TNI_EP_Periode->Value());
    m.polarAzimuth = double(TNI_Polaire_Azimut->Value());
    m.polarAltitude = double(TNI_Polaire_Hauteur->Value());
    m.decBacklash = double(TNI_Jeu_Dec->Value());
    mount.setSettings(m);
    if (std::abs(double(TNI_Focuser->Value()) - mount.focuserPosition()) > 1e-6)
        mount.setFocuserPosition(double(TNI_Focuser->Value()));
    SkyParameters p = sky_.parameters();
    p.seeing = double(TNI_Turbulence->Value());
    p.exposureMs = double(TNI_Pose->Value());
    p.mode = CameraMode(CBX_Mode->currentData().toInt());
    sky_.setParameters(p);
    refresh();
}

} // namespace velumbra
