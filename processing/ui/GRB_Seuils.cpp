#include "processing/ui/GRB_Seuils.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"
#include "processing/ImageCore.h"
#include "processing/ui/IntegrationEvents.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace velumbra {

namespace {
TNumInp* numberField(QWidget* parent, const char* name, double lo, double hi, int decimals)
{
    auto* field = named(new TNumInp(parent), name);
    field->setDecimals(decimals);
    field->setRange(lo, hi);
    field->setMaximumWidth(64);
    return field;
}
} // namespace

GRB_Seuils::GRB_Seuils(ImageCore& core, IntegrationEvents& events, QWidget* parent)
    : QGroupBox(QStringLiteral("Seuils"), parent), core_(core), events_(events)
{
    setObjectName(QStringLiteral("GRB_Seuils"));
    buildControls();
    connectHandlers();
    syncFromCore();
}

void GRB_Seuils::buildControls()
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    SCB_Minimum = named(new QScrollBar(Qt::Horizontal, this), "SCB_Minimum");
    SCB_Maximum = named(new QScrollBar(Qt::Horizontal, this), "SCB_Maximum");
    for (QScrollBar* bar : {SCB_Minimum, SCB_Maximum}) {
        bar->setRange(0, 65535);
        bar->setPageStep(100);
        bar->setMinimumWidth(90);
    }
    TNI_Seuil_Min = numberField(this, "TNI_Seuil_Min", 0, 65535, 2);
    TNI_Seuil_Max = numberField(this, "TNI_Seuil_Max", 0, 65535, 2);
    TNI_Seuil_MinMin = numberField(this, "TNI_Seuil_MinMin", 0, 65535, 0);
    TNI_Seuil_MinMax = numberField(this, "TNI_Seuil_MinMax", 1, 65535, 0);
    TNI_Seuil_MaxMin = numberField(this, "TNI_Seuil_MaxMin", 0, 65535, 0);
    TNI_Seuil_MaxMax = numberField(this, "TNI_Seuil_MaxMax", 1, 65535, 0);
    // Read-only range of the last render; an empty render may show more than 65536.
    TNI_Min = numberField(this, "TNI_Min", -2147483648.0, 2147483647.0, 0);
    TNI_Max = numberField(this, "TNI_Max", -2147483648.0, 2147483647.0, 0);
    TNI_Min->setReadOnly(true);
    TNI_Max->setReadOnly(true);

    CKB_Seuils_Evol = named(new QCheckBox(QStringLiteral("Seuils Evolutifs"), this), "CKB_Seuils_Evol");
    CKB_Seuils_Evol->setToolTip(QStringLiteral("Evolution automatique des seuils avec le temps "));
    RDB_NB = named(new QRadioButton(QStringLiteral("N/B"), this), "RDB_NB");
    RDB_NB->setToolTip(QStringLiteral("Affichage du resultat en niveaux de gris"));
    RDB_Couleur = named(new QRadioButton(QStringLiteral("Couleur"), this), "RDB_Couleur");
    RDB_Couleur->setToolTip(QStringLiteral("Affichage du resultat en couleurs"));
    auto* display = new QButtonGroup(this);
    display->addButton(RDB_NB);
    display->addButton(RDB_Couleur);
    CKB_Red = named(new QCheckBox(QStringLiteral("R"), this), "CKB_Red");
    CKB_Red->setToolTip(QStringLiteral("Composante Rouge"));
    CKB_Green = named(new QCheckBox(QStringLiteral("V"), this), "CKB_Green");
    CKB_Green->setToolTip(QStringLiteral("Composante Verte"));
    CKB_Blue = named(new QCheckBox(QStringLiteral("B"), this), "CKB_Blue");
    CKB_Blue->setToolTip(QStringLiteral("Composante Bleue"));
    CKB_Inverse = named(new QCheckBox(QStringLiteral("Inverse"), this), "CKB_Inverse");
    CKB_Inverse->setVisible(false);
    BTN_Bascule_message = named(new QPushButton(QStringLiteral(">"), this), "BTN_Bascule_message");
    BTN_EQ = named(new QPushButton(QStringLiteral("EQ"), this), "BTN_EQ");
    for (QPushButton* b : {BTN_Bascule_message, BTN_EQ}) b->setMaximumWidth(32);

    // Column headings: lower bounds, upper bounds, range of the last render.
    LBL_SeuilMin = named(new QLabel(QStringLiteral("Min"), this), "LBL_SeuilMin");
    LBL_SeuilMax = named(new QLabel(QStringLiteral("Max"), this), "LBL_SeuilMax");
    LBL_SeuilBas = named(new QLabel(QStringLiteral("Bas"), this), "LBL_SeuilBas");
    LBL_SeuilHaut = named(new QLabel(QStringLiteral("Haut"), this), "LBL_SeuilHaut");
    LBL_Actuel = named(new QLabel(QStringLiteral("Actuel"), this), "LBL_Actuel");
    grid->addWidget(LBL_SeuilBas, 0, 1);
    grid->addWidget(LBL_SeuilHaut, 0, 5);
    grid->addWidget(LBL_Actuel, 0, 7);
    grid->addWidget(LBL_SeuilMin, 1, 0);
    grid->addWidget(TNI_Seuil_MinMin, 1, 1);
    grid->addWidget(SCB_Minimum, 1, 2, 1, 3);
    grid->addWidget(TNI_Seuil_MinMax, 1, 5);
    grid->addWidget(TNI_Seuil_Min, 1, 6);
    grid->addWidget(TNI_Min, 1, 7);
    grid->addWidget(LBL_SeuilMax, 2, 0);
    grid->addWidget(TNI_Seuil_MaxMin, 2, 1);
    grid->addWidget(SCB_Maximum, 2, 2, 1, 3);
    grid->addWidget(TNI_Seuil_MaxMax, 2, 5);
    grid->addWidget(TNI_Seuil_Max, 2, 6);
    grid->addWidget(TNI_Max, 2, 7);
    grid->addWidget(CKB_Seuils_Evol, 3, 0, 1, 2);
    grid->addWidget(RDB_NB, 3, 2);
    grid->addWidget(RDB_Couleur, 3, 3);
    grid->addWidget(CKB_Red, 3, 4);
    grid->addWidget(CKB_Green, 3, 5);
    grid->addWidget(CKB_Blue, 3, 6);
    grid->addWidget(CKB_Inverse, 3, 7);
    grid->addWidget(BTN_Bascule_message, 4, 0);
    grid->addWidget(BTN_EQ, 4, 1);
}

void GRB_Seuils::render() { core_.integrator.renderCurrent(); }

void GRB_Seuils::boundExit(TNumInp* field, double& value, bool (*apply)(ThresholdControls&))
{
    if (syncing_) return;
    value = double(field->Value());
    if (apply(core_.controls.GRB_Seuils) && !core_.flags.loadingSettings) render();
    syncFromCore();
}

void GRB_Seuils::connectHandlers()
{
    auto& s = core_.controls.GRB_Seuils;
    const auto& flags = core_.flags;
    connect(SCB_Maximum, &QScrollBar::valueChanged, this, [this, &s, &flags](int position) {
        if (syncing_) return;
        if (Thresholds::SCB_MaximumScroll(s, position, flags.loadingSettings)) render();
        syncFromCore();
    });
    connect(SCB_Minimum, &QScrollBar::valueChanged, this, [this, &s, &flags](int position) {
        if (syncing_) return;
        if (Thresholds::SCB_MinimumScroll(s, position, flags.loadingSettings)) render();
        syncFromCore();
    });
    connect(TNI_Seuil_Max, &TNumInp::exited, this, [this, &s, &flags] {
        if (syncing_) return;
        s.TNI_Seuil_Max = double(TNI_Seuil_Max->Value());
        if (Thresholds::TNI_Seuil_MaxExit(s, flags.loadingSettings, flags.permanentView)) render();
        syncFromCore();
    });
    connect(TNI_Seuil_Min, &TNumInp::exited, this, [this, &s, &flags] {
        if (syncing_) return;
        s.TNI_Seuil_Min = double(TNI_Seuil_Min->Value());
        if (Thresholds::TNI_Seuil_MinExit(s, flags.loadingSettings, flags.permanentView)) render();
        syncFromCore();
    });
    // Bound fields: on leaving the field, and on Enter.
    const struct {
        TNumInp* field;
        double* value;
        bool (*apply)(ThresholdControls&);
    } bounds[] = {{TNI_Seuil_MinMin, &s.TNI_Seuil_MinMin, &Thresholds::TNI_Seuil_MinMinExit},
                  {TNI_Seuil_MinMax, &s.TNI_Seuil_MinMax, &Thresholds::TNI_Seuil_MinMaxExit},
                  {TNI_Seuil_MaxMin, &s.TNI_Seuil_MaxMin, &Thresholds::TNI_Seuil_MaxMinExit},
                  {TNI_Seuil_MaxMax, &s.TNI_Seuil_MaxMax, &Thresholds::TNI_Seuil_MaxMaxExit}};
    for (const auto& b : bounds) {
        connect(b.field, &TNumInp::exited, this, [this, b] { boundExit(b.field, *b.value, b.apply); });
        connect(b.field, &TNumInp::enterPressed, this, [this, b] {
            if (b.field->commitText()) boundExit(b.field, *b.value, b.apply);
        });
    }

    const auto renderOn = [this](QAbstractButton* box, bool ThresholdControls::*member) {
        connect(box, &QAbstractButton::toggled, this, [this, member](bool on) {
            if (syncing_) return;
            core_.controls.GRB_Seuils.*member = on;
            if (!core_.flags.loadingSettings) render();
        });
    };
    renderOn(CKB_Inverse, &ThresholdControls::CKB_Inverse);
    renderOn(CKB_Red, &ThresholdControls::CKB_Red);
    renderOn(CKB_Green, &ThresholdControls::CKB_Green);
    renderOn(CKB_Blue, &ThresholdControls::CKB_Blue);
    connect(RDB_NB, &QRadioButton::toggled, this, [this, &s](bool grey) {
        if (syncing_) return;
        s.RDB_NB = grey;
        s.RDB_Couleur = !grey;
        if (!core_.flags.loadingSettings) render();
    });
    connect(CKB_Seuils_Evol, &QCheckBox::toggled, this, [this, &s, &flags](bool on) {
        if (syncing_) return;
        s.CKB_Seuils_Evol = on;
        if (Thresholds::CKB_Seuils_EvolClick(s, !flags.loadingSettings)) render();
        syncFromCore();
    });
    connect(BTN_Bascule_message, &QPushButton::clicked, this, &GRB_Seuils::messageRequested);
    connect(BTN_EQ, &QPushButton::clicked, this, &GRB_Seuils::equalizerRequested);
    connect(&events_, &IntegrationEvents::rangeChanged, this, [this] { syncFromCore(); });
}

void GRB_Seuils::syncFromCore()
{
    syncing_ = true;
    const auto& s = core_.controls.GRB_Seuils;
    SCB_Minimum->setRange(s.SCB_Minimum_Min, std::max(s.SCB_Minimum_Min, s.SCB_Minimum_Max));
    SCB_Maximum->setRange(s.SCB_Maximum_Min, std::max(s.SCB_Maximum_Min, s.SCB_Maximum_Max));
    SCB_Minimum->setValue(s.SCB_Minimum);
    SCB_Maximum->setValue(s.SCB_Maximum);
    TNI_Seuil_Min->setValue(s.TNI_Seuil_Min);
    TNI_Seuil_Max->setValue(s.TNI_Seuil_Max);
    TNI_Seuil_MinMin->setValue(s.TNI_Seuil_MinMin);
    TNI_Seuil_MinMax->setValue(s.TNI_Seuil_MinMax);
    TNI_Seuil_MaxMin->setValue(s.TNI_Seuil_MaxMin);
    TNI_Seuil_MaxMax->setValue(s.TNI_Seuil_MaxMax);
    TNI_Min->setValue(s.TNI_Min);
    TNI_Max->setValue(s.TNI_Max);
    CKB_Seuils_Evol->setChecked(s.CKB_Seuils_Evol);
    RDB_NB->setChecked(s.RDB_NB);
    RDB_Couleur->setChecked(!s.RDB_NB);
    CKB_Red->setChecked(s.CKB_Red);
    CKB_Green->setChecked(s.CKB_Green);
    CKB_Blue->setChecked(s.CKB_Blue);
    CKB_Inverse->setChecked(s.CKB_Inverse);
    syncing_ = false;
}

} // namespace velumbra
