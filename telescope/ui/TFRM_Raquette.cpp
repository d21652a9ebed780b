#include "telescope/ui/TFRM_Raquette.h"
#include "core/Angles.h"
#include "telescope/Mount.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <algorithm>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velumbra {
namespace {

QLineEdit* shownText(const char* name, int width)
{
    auto* e = named(new QLineEdit, name);
    e->setReadOnly(true);
    e->setFixedWidth(width);
    return e;
}

} // namespace

TFRM_Raquette::TFRM_Raquette(Mount& mount, Pause& pause, QWidget* parent)
    : QWidget(parent, Qt::Window), mount_(mount), paddle_(mount, pause)
{
    setObjectName(QStringLiteral("TFRM_Raquette"));
    setWindowTitle(QStringLiteral("Telescope"));
    paddle_.endAutoguiding = [this] {
        if (endAutoguiding) endAutoguiding();
    };
    TMR_Autofocus = new QTimer(this);
    TMR_Autofocus->setObjectName(QStringLiteral("TMR_Autofocus"));
    connect(TMR_Autofocus, &QTimer::timeout, this, &TFRM_Raquette::TMR_AutofocusTimer);
    TMR_Position = new QTimer(this);
    TMR_Position->setObjectName(QStringLiteral("TMR_Position"));
    TMR_Position->setInterval(kPositionPollMs);
    connect(TMR_Position, &QTimer::timeout, this, &TFRM_Raquette::TMR_PositionTimer);

    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildDirections());
    left->addWidget(buildRates());
    left->addWidget(buildPosition());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildGoto());
    right->addWidget(buildGotoCoordinates());
    right->addWidget(buildFocuser());
    right->addWidget(buildAutofocus());
    right->addStretch(1);
    top->addLayout(left);
    top->addLayout(right);
    setLayout(top);
}

TFRM_Raquette::~TFRM_Raquette()
{
    // The program ends with the focuser still searching: it stops too.
    TMR_Autofocus->stop();
    TMR_Position->stop();
    if (autofocus_.active()) mount_.focuser_stop(autofocus_.direction());
}

QPushButton* TFRM_Raquette::heldButton(const char* name, const char* caption, PaddleButton b)
{
    auto* button = named(new QPushButton, name, QString::fromUtf8(caption));
    connect(button, &QPushButton::pressed, this, [this, b] { paddle_.press(b); });
    connect(button, &QPushButton::released, this, [this, b] { paddle_.release(b); });
    return button;
}

QWidget* TFRM_Raquette::buildDirections()
{
    auto* box = named(new QGroupBox(QStringLiteral("Déplacement")), "GRB_Deplacement");
    auto* grid = new QGridLayout(box);
    BTN_NW = heldButton("BTN_NW", "NW", PaddleButton::NW);
    BTN_N = heldButton("BTN_N", "N", PaddleButton::N);
    BTN_NE = heldButton("BTN_NE", "NE", PaddleButton::NE);
    BTN_W = heldButton("BTN_W", "W", PaddleButton::W);
    BTN_E = heldButton("BTN_E", "E", PaddleButton::E);
    BTN_SW = heldButton("BTN_SW", "SW", PaddleButton::SW);
    BTN_S = heldButton("BTN_S", "S", PaddleButton::S);
    BTN_SE = heldButton("BTN_SE", "SE", PaddleButton::SE);
    BTN_Stop = named(new QPushButton, "BTN_Stop", QStringLiteral("Stop"));
    connect(BTN_Stop, &QPushButton::clicked, this, [this] { paddle_.BTN_StopClick(); });
    const std::array<QPushButton*, 9> cells = {BTN_NW, BTN_N, BTN_NE, BTN_W, BTN_Stop, BTN_E, BTN_SW, BTN_S, BTN_SE};
    for (int i = 0; i < 9; ++i) {
        cells[size_t(i)]->setFixedSize(48, 36);
        grid->addWidget(cells[size_t(i)], i / 3, i % 3);
    }
    return box;
}

QWidget* TFRM_Raquette::buildRates()
{
    auto* box = named(new QGroupBox(QStringLiteral("Mode")), "GRB_Mode_LX200");
    auto* row = new QHBoxLayout(box);
    RDB_Guide = named(new QRadioButton, "RDB_Guide", QStringLiteral("Guide"));
    RDB_Cntr = named(new QRadioButton, "RDB_Cntr", QStringLiteral("Cntr"));
    RDB_Find = named(new QRadioButton, "RDB_Find", QStringLiteral("Find"));
    RDB_Slew = named(new QRadioButton, "RDB_Slew", QStringLiteral("Slew"));
    RDB_Guide->setChecked(true);
    const std::array<QRadioButton*, 4> rates = {RDB_Guide, RDB_Cntr, RDB_Find, RDB_Slew};
    for (int i = 0; i < 4; ++i) {
        row->addWidget(rates[size_t(i)]);
        // A rate is sent when it is chosen, not when another one is left.
        connect(rates[size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) paddle_.chooseRate(i);
        });
    }
    return box;
}

QWidget* TFRM_Raquette::buildPosition()
{
    auto* box = named(new QGroupBox(QStringLiteral("Position")), "GRB_Position");
    auto* grid = new QGridLayout(box);
    BTN_Position_Actuelle = named(new QPushButton, "BTN_Position_Actuelle", QStringLiteral("Position actuelle"));
    EDT_Position_Actuelle_AR = shownText("EDT_Position_Actuelle_AR", 110);
    EDT_Position_Actuelle_Dec = shownText("EDT_Position_Actuelle_Dec", 110);
    grid->addWidget(BTN_Position_Actuelle, 0, 0, 1, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("A.D.")), "LBL_Position_AR"), 1, 0);
    grid->addWidget(EDT_Position_Actuelle_AR, 1, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("Dec.")), "LBL_Position_Dec"), 2, 0);
    grid->addWidget(EDT_Position_Actuelle_Dec, 2, 1);
    connect(BTN_Position_Actuelle, &QPushButton::clicked, this, &TFRM_Raquette::BTN_Position_ActuelleClick);
    return box;
}

QWidget* TFRM_Raquette::buildGoto()
{
    auto* box = named(new QGroupBox(QStringLiteral("Aller à")), "GRB_Goto");
    auto* grid = new QGridLayout(box);
    RDB_NGC = named(new QRadioButton, "RDB_NGC", QStringLiteral("NGC"));
    RDB_Messier = named(new QRadioButton, "RDB_Messier", QStringLiteral("Messier"));
    RDB_Etoile = named(new QRadioButton, "RDB_Etoile", QStringLiteral("Etoile"));
    RDB_Planete = named(new QRadioButton, "RDB_Planete", QStringLiteral("Planete"));
    RDB_Planete->setChecked(true);
    TNI_Numero = named(new TNumInp, "TNI_Numero");
    TNI_Numero->setDatatype(TDataType::dtLongint);
    TNI_Numero->setRange(1, 9999);
    TNI_Numero->setValue(1);
    TNI_Numero->setFixedWidth(70);
    CBX_Planete = named(new QComboBox, "CBX_Planete");
    CBX_Planete->addItems({QStringLiteral("0-Soleil"), QStringLiteral("1-Mercure"), QStringLiteral("2-Venus"),
                           QStringLiteral("3-Lune"), QStringLiteral("4-Mars"), QStringLiteral("5-Jupiter"),
                           QStringLiteral("6-Saturne"), QStringLiteral("7-Uranus"), QStringLiteral("8-Neptune"),
                           QStringLiteral("9-Pluton")});
    BTN_GOTO = named(new QPushButton, "BTN_GOTO", QStringLiteral("GOTO"));
    EDT_Resultat = named(new QLineEdit, "EDT_Resultat");
    EDT_Resultat->setReadOnly(true);
    EDT_Resultat->setMinimumWidth(260); // "GOTO refusé : l'objet est sous l'horizon"
    grid->addWidget(RDB_NGC, 0, 0);
    grid->addWidget(RDB_Messier, 0, 1);
    grid->addWidget(RDB_Etoile, 1, 0);
    grid->addWidget(RDB_Planete, 1, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("n°")), "LBL_Numero"), 2, 0);
    grid->addWidget(TNI_Numero, 2, 1);
    grid->addWidget(CBX_Planete, 3, 0, 1, 2);
    grid->addWidget(BTN_GOTO, 4, 0);
    grid->addWidget(EDT_Resultat, 5, 0, 1, 2);
    connect(BTN_GOTO, &QPushButton::clicked, this, &TFRM_Raquette::BTN_GOTOClick);
    return box;
}

QWidget* TFRM_Raquette::buildGotoCoordinates()
{
    auto* box = named(new QGroupBox(QStringLiteral("Aller aux coordonnées")), "GRB_Goto_Coord");
    auto* grid = new QGridLayout(box);
    EDT_Goto_AR = named(new QLineEdit, "EDT_Goto_AR");
    EDT_Goto_AR->setPlaceholderText(QStringLiteral("hh:mm:ss"));
    EDT_Goto_Dec = named(new QLineEdit, "EDT_Goto_Dec");
    EDT_Goto_Dec->setPlaceholderText(QStringLiteral("±dd:mm:ss"));
    BTN_Goto_Coord = named(new QPushButton, "BTN_Goto_Coord", QStringLiteral("GOTO"));
    LBL_Goto_Resultat = named(new QLabel, "LBL_Goto_Resultat");
    LBL_Goto_Resultat->setWordWrap(true);
    grid->addWidget(named(new QLabel(QStringLiteral("A.D.")), "LBL_Goto_AR"), 0, 0);
    grid->addWidget(EDT_Goto_AR, 0, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("Déc.")), "LBL_Goto_Dec"), 1, 0);
    grid->addWidget(EDT_Goto_Dec, 1, 1);
    grid->addWidget(BTN_Goto_Coord, 2, 0);
    grid->addWidget(LBL_Goto_Resultat, 2, 1);
    connect(BTN_Goto_Coord, &QPushButton::clicked, this, &TFRM_Raquette::BTN_Goto_CoordClick);
    connect(EDT_Goto_Dec, &QLineEdit::returnPressed, this, &TFRM_Raquette::BTN_Goto_CoordClick);
    setIndiControls(false);
    return box;
}

QWidget* TFRM_Raquette::buildFocuser()
{
    auto* box = named(new QGroupBox(QStringLiteral("Focus")), "GRB_Focus");
    auto* grid = new QGridLayout(box);
    BTN_Focus_In = heldButton("BTN_Focus_In", "IN", PaddleButton::FocusIn);
    BTN_Focus_In_Fast = heldButton("BTN_Focus_In_Fast", "IN ++", PaddleButton::FocusInFast);
    BTN_Focus_Out = heldButton("BTN_Focus_Out", "OUT", PaddleButton::FocusOut);
    BTN_Focus_Out_Fast = heldButton("BTN_Focus_Out_Fast", "OUT ++", PaddleButton::FocusOutFast);
    grid->addWidget(BTN_Focus_In, 0, 0);
    grid->addWidget(BTN_Focus_In_Fast, 0, 1);
    grid->addWidget(BTN_Focus_Out, 1, 0);
    grid->addWidget(BTN_Focus_Out_Fast, 1, 1);
    return box;
}

QWidget* TFRM_Raquette::buildAutofocus()
{
    auto* box = named(new QGroupBox(QStringLiteral("Autofocus")), "GRB_Autofocus");
    auto* grid = new QGridLayout(box);
    RDB_AF_Fin = named(new QRadioButton, "RDB_AF_Fin", QStringLiteral("Fin"));
    RDB_AF_Rapide = named(new QRadioButton, "RDB_AF_Rapide", QStringLiteral("Rapide"));
    RDB_AF_Fin->setChecked(true);
    BTN_Demarrer_Autofocus = named(new QPushButton, "BTN_Demarrer_Autofocus", QStringLiteral("Demarrer"));
    BTN_Arreter_Autofocus = named(new QPushButton, "BTN_Arreter_Autofocus", QStringLiteral("Arrêter"));
    BTN_Arreter_Autofocus->setEnabled(false);
    GAUGE_Autofocus = named(new QProgressBar, "GAUGE_Autofocus");
    GAUGE_Autofocus->setRange(0, 100);
    GAUGE_Autofocus->setValue(0);
    grid->addWidget(RDB_AF_Fin, 0, 0);
    grid->addWidget(RDB_AF_Rapide, 0, 1);
    grid->addWidget(BTN_Demarrer_Autofocus, 1, 0);
    grid->addWidget(BTN_Arreter_Autofocus, 1, 1);
    grid->addWidget(GAUGE_Autofocus, 2, 0, 1, 2);
    connect(BTN_Demarrer_Autofocus, &QPushButton::clicked, this, &TFRM_Raquette::BTN_Demarrer_AutofocusClick);
    connect(BTN_Arreter_Autofocus, &QPushButton::clicked, this, &TFRM_Raquette::BTN_Arreter_AutofocusClick);
    return box;
}

void TFRM_Raquette::setLx200Controls(bool enabled)
{
    lx200Controls_ = enabled;
    for (QWidget* w : std::initializer_list<QWidget*>{RDB_Slew, RDB_Find, RDB_Cntr, RDB_Guide, RDB_NGC, RDB_Messier,
                                                      RDB_Etoile, RDB_Planete, TNI_Numero, CBX_Planete, BTN_GOTO})
        w->setEnabled(enabled);
    BTN_Position_Actuelle->setEnabled(lx200Controls_ || indiControls_);
}

void TFRM_Raquette::setIndiControls(bool enabled)
{
    indiControls_ = enabled;
    for (QWidget* w : std::initializer_list<QWidget*>{EDT_Goto_AR, EDT_Goto_Dec, BTN_Goto_Coord}) w->setEnabled(enabled);
    if (BTN_Position_Actuelle) BTN_Position_Actuelle->setEnabled(lx200Controls_ || indiControls_);
    if (!enabled) TMR_Position->stop();
}

// The INDI mount's position in the two fields; false when there is none.
bool TFRM_Raquette::showIndiPosition()
{
    const std::optional<HandPaddle::Position> p = paddle_.indiPosition();
    if (!p) {
        TMR_Position->stop();
        return false;
    }
    EDT_Position_Actuelle_AR->setText(formatRightAscension(p->raHours));
    EDT_Position_Actuelle_Dec->setText(formatDeclination(p->decDegrees));
    if (p->slewing) {
        positionGraceTicks_ = 0;
        if (!TMR_Position->isActive()) TMR_Position->start(kIndiPositionPollMs);
    }
    return true;
}

// The position followed during a slew: the INDI mount's every half second,
// the serial mount's at its own pace until it says the slew has ended.
void TFRM_Raquette::TMR_PositionTimer()
{
    if (!indiControls_) {
        BTN_Position_ActuelleClick();
        // The reading just shown is where the slew ended when the mount says so.
        if (!paddle_.slewing() || ++positionPolls_ >= kPositionPollsMax) TMR_Position->stop();
        return;
    }
    if (!showIndiPosition()) return;
    const std::optional<HandPaddle::Position> p = paddle_.indiPosition();
    if (p && p->slewing) return;
    // A slew just asked for may take a moment to show as begun.
    if (positionGraceTicks_ > 0) {
        --positionGraceTicks_;
        return;
    }
    TMR_Position->stop();
    if (gotoUnderWay_) {
        gotoUnderWay_ = false;
        LBL_Goto_Resultat->setText(texts_->text(u"INDI_Goto_Fini"));
    }
}

void TFRM_Raquette::BTN_Goto_CoordClick()
{
    using R = HandPaddle::CoordinateGoto;
    const R result = paddle_.gotoCoordinates(EDT_Goto_AR->text(), EDT_Goto_Dec->text());
    const char16_t* key = u"INDI_Goto_En_Cours";
    switch (result) {
    case R::Started: key = u"INDI_Goto_En_Cours"; break;
    case R::BadRa: key = u"INDI_Goto_AD_Illisible"; break;
    case R::BadDec: key = u"INDI_Goto_Dec_Illisible"; break;
    case R::NoMount: key = u"INDI_Goto_Sans_Monture"; break;
    case R::Refused: key = u"INDI_Goto_Refuse"; break;
    }
    LBL_Goto_Resultat->setText(texts_->text(key));
    if (result != R::Started) return;
    gotoUnderWay_ = true;
    positionGraceTicks_ = 4;
    TMR_Position->start(kIndiPositionPollMs);
}

void TFRM_Raquette::setTexts(const NamedTexts* texts)
{
    texts_ = texts ? texts : &NamedTexts::builtIn();
    autofocus_.setTexts(texts_);
}

void TFRM_Raquette::BTN_Position_ActuelleClick()
{
    if (indiControls_) {
        showIndiPosition();
        return;
    }
    paddle_.BTN_Position_ActuelleClick(
        [this](const QByteArray& dec) { EDT_Position_Actuelle_Dec->setText(readableDec(dec)); },
        [this](const QByteArray& ra) { EDT_Position_Actuelle_AR->setText(readableRa(ra)); });
}

Catalogue TFRM_Raquette::catalogue() const
{
    if (RDB_NGC->isChecked()) return Catalogue::NGC;
    if (RDB_Messier->isChecked()) return Catalogue::Messier;
    if (RDB_Etoile->isChecked()) return Catalogue::Etoile;
    return Catalogue::Planete;
}

void TFRM_Raquette::BTN_GOTOClick()
{
    // The planet's digit is its place in the list, whatever the language
    // calls it (items are "0-Soleil" .. "9-Pluton" in French).
    const int planet = std::max(0, CBX_Planete->currentIndex());
    const QByteArray object = HandPaddle::objectText(catalogue(), TNI_Numero->Value(), planet);
    const QByteArray reply = paddle_.BTN_GOTOClick(object);
    const QString said = gotoReplyText(reply, *texts_);
    EDT_Resultat->setText(said);
    EDT_Resultat->setToolTip(said);
    EDT_Resultat->setCursorPosition(0);
    report(said);
    // The position follows the slew until the mount says it has ended.
    if (gotoReplyKind(reply) == GotoReply::Accepted) {
        positionPolls_ = 0;
        TMR_Position->start(kPositionPollMs);
    }
}

void TFRM_Raquette::BTN_Demarrer_AutofocusClick()
{
    autofocus_.start(autofocusSettings ? autofocusSettings() : AutofocusSettings{}, RDB_AF_Rapide->isChecked());
}

void TFRM_Raquette::BTN_Arreter_AutofocusClick() { autofocus_.stop(); }

void TFRM_Raquette::TMR_AutofocusTimer() { autofocus_.TMR_AutofocusTimer(); }

void TFRM_Raquette::focuser_move(int direction, bool fast) { mount_.focuser_move(direction, fast); }
void TFRM_Raquette::focuser_stop(int direction) { mount_.focuser_stop(direction); }

void TFRM_Raquette::startMoveTimer(int ms)
{
    TMR_Autofocus->setInterval(ms);
    TMR_Autofocus->start();
}

void TFRM_Raquette::stopMoveTimer() { TMR_Autofocus->stop(); }

void TFRM_Raquette::setFocusMeasure(bool on)
{
    if (onFocusMeasure) onFocusMeasure(on);
}

void TFRM_Raquette::holdAutoThreshold(bool on)
{
    if (onAutoThreshold) onAutoThreshold(on);
}

void TFRM_Raquette::showAutofocus(bool running, int gauge)
{
    BTN_Demarrer_Autofocus->setEnabled(!running);
    BTN_Arreter_Autofocus->setEnabled(running);
    GAUGE_Autofocus->setValue(gauge);
}

void TFRM_Raquette::report(const QString& text)
{
    if (onMessage) onMessage(text);
}

void TFRM_Raquette::changeEvent(QEvent* event)
{
    // Another window took the activation: the button under the mouse may
    // never see its release.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) paddle_.releaseAll();
    QWidget::changeEvent(event);
}

void TFRM_Raquette::hideEvent(QHideEvent* event)
{
    paddle_.releaseAll();
    TMR_Position->stop();
    QWidget::hideEvent(event);
}

void TFRM_Raquette::closeEvent(QCloseEvent* event)
{
    paddle_.releaseAll();
    QWidget::closeEvent(event);
}

} // namespace velumbra
