#include "telescope/ui/TFRM_Prg_Suivi.h"
#include "telescope/ui/GuideGraph.h"
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace velumbra {
namespace {

QLineEdit* shownText(const char* name)
{
    auto* e = named(new QLineEdit, name);
    e->setReadOnly(true);
    // The window keeps the keyboard: the arrows drive the mount.
    e->setFocusPolicy(Qt::NoFocus);
    e->setFixedWidth(70);
    return e;
}

TNumInp* shownPixels(const char* name)
{
    auto* f = named(new TNumInp, name);
    f->setDatatype(TDataType::dtLongint);
    f->setRange(-1000000, 1000000);
    f->setReadOnly(true);
    f->setFocusPolicy(Qt::NoFocus);
    f->setFixedWidth(70);
    return f;
}

} // namespace

TFRM_Prg_Suivi::TFRM_Prg_Suivi(MountRequests& mount, std::function<bool()> linkUp, QWidget* parent)
    : QWidget(parent, Qt::Tool), mount_(mount), linkUp_(std::move(linkUp))
{
    setObjectName(QStringLiteral("TFRM_Prg_Suivi"));
    setWindowTitle(QStringLiteral("Autoguidage"));
    setFocusPolicy(Qt::StrongFocus);
    auto* grid = new QGridLayout(this);
    EDT_Sens_Erreur = shownText("EDT_Sens_Erreur");
    EDT_Dir_AD = shownText("EDT_Dir_AD");
    EDT_Dir_Dec = shownText("EDT_Dir_Dec");
    TNI_TR_AD = shownPixels("TNI_TR_AD");
    TNI_TR_Dec = shownPixels("TNI_TR_Dec");
    EDT_Duree_AD = shownText("EDT_Duree_AD");
    EDT_Duree_Dec = shownText("EDT_Duree_Dec");
    grid->addWidget(named(new QLabel(QStringLiteral("Direction :")), "LBL_Sens_Erreur"), 0, 0);
    grid->addWidget(EDT_Sens_Erreur, 0, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("A.D.")), "LBL_AD"), 1, 1, Qt::AlignCenter);
    grid->addWidget(named(new QLabel(QStringLiteral("Dec")), "LBL_Dec"), 1, 2, Qt::AlignCenter);
    grid->addWidget(named(new QLabel(QStringLiteral("Direction")), "LBL_Dir"), 2, 0);
    grid->addWidget(EDT_Dir_AD, 2, 1);
    grid->addWidget(EDT_Dir_Dec, 2, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("Pixels")), "LBL_Pixels"), 3, 0);
    grid->addWidget(TNI_TR_AD, 3, 1);
    grid->addWidget(TNI_TR_Dec, 3, 2);
    grid->addWidget(named(new QLabel(QStringLiteral("Duree(Ms:)")), "LBL_Duree_Ms"), 4, 0);
    grid->addWidget(EDT_Duree_AD, 4, 1);
    grid->addWidget(EDT_Duree_Dec, 4, 2);
    LBL_Vitesses = named(new QLabel, "LBL_Vitesses");
    grid->addWidget(LBL_Vitesses, 5, 0, 1, 4);
    PBX_Graphe_Guidage = new GuideGraph(this);
    grid->addWidget(PBX_Graphe_Guidage, 6, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(6, 1);
    setToolTip(QStringLiteral("Flèches du clavier : déplacer le télescope"));
}

void TFRM_Prg_Suivi::showCorrection(const Correction& c)
{
    EDT_Sens_Erreur->setText(QString::number(c.theta, 'g', 4));
    TNI_TR_AD->setValue(c.pxRA);
    TNI_TR_Dec->setValue(c.pxDec);
}

void TFRM_Prg_Suivi::showTrace(const GuideTrace& trace)
{
    PBX_Graphe_Guidage->showTrace(trace);
    showSpeeds();
}

void TFRM_Prg_Suivi::setTexts(const NamedTexts* texts)
{
    texts_ = texts ? texts : &NamedTexts::builtIn();
    PBX_Graphe_Guidage->setTexts(texts_);
    showSpeeds();
}

void TFRM_Prg_Suivi::showSpeeds()
{
    if (!speedsSource) return;
    const std::array<double, 4> v = speedsSource();
    const auto digits = [](double x) { return QString::number(x, 'f', x < 10 ? 2 : x < 100 ? 1 : 0); };
    LBL_Vitesses->setText(texts_->text(u"MSG_Vitesses_Guidage").arg(digits(v[0]), digits(v[1]), digits(v[2]), digits(v[3])));
}

void TFRM_Prg_Suivi::showEvent(QShowEvent* event)
{
    showSpeeds();
    QWidget::showEvent(event);
}

void TFRM_Prg_Suivi::showAxisMove(Axis axis, const QString& direction, int durationMs)
{
    (axis == Axis::RA ? EDT_Dir_AD : EDT_Dir_Dec)->setText(direction);
    (axis == Axis::RA ? EDT_Duree_AD : EDT_Duree_Dec)->setText(QString::number(durationMs));
}

bool TFRM_Prg_Suivi::arrowDirection(int key, MoveDirection& d) const
{
    switch (key) {
    case Qt::Key_Left: d = East; return true;
    case Qt::Key_Right: d = West; return true;
    case Qt::Key_Up: d = North; return true;
    case Qt::Key_Down: d = South; return true;
    default: return false;
    }
}

void TFRM_Prg_Suivi::keyPressEvent(QKeyEvent* event)
{
    MoveDirection d;
    if (!arrowDirection(event->key(), d)) return QWidget::keyPressEvent(event);
    // A key held down repeats: the move is already under way.
    if (!event->isAutoRepeat() && linkIsUp()) {
        mount_.mount_move(d, false, CONTINUOUS_MOVE);
        held_[d] = true;
    }
    event->accept();
}

void TFRM_Prg_Suivi::keyReleaseEvent(QKeyEvent* event)
{
    MoveDirection d;
    if (!arrowDirection(event->key(), d)) return QWidget::keyReleaseEvent(event);
    if (!event->isAutoRepeat()) {
        held_[d] = false;
        if (linkIsUp()) mount_.mount_stop(d);
    }
    event->accept();
}

void TFRM_Prg_Suivi::releaseAll()
{
    for (MoveDirection d : {East, West, North, South}) {
        if (!held_[d]) continue;
        held_[d] = false;
        // A link gone down has stopped its moves already.
        if (linkIsUp()) mount_.mount_stop(d);
    }
}

void TFRM_Prg_Suivi::closeEvent(QCloseEvent* event)
{
    releaseAll();
    QWidget::closeEvent(event);
    if (onClosed) onClosed();
}

void TFRM_Prg_Suivi::hideEvent(QHideEvent* event)
{
    releaseAll();
    QWidget::hideEvent(event);
}

void TFRM_Prg_Suivi::focusOutEvent(QFocusEvent* event)
{
    releaseAll();
    QWidget::focusOutEvent(event);
}

void TFRM_Prg_Suivi::changeEvent(QEvent* event)
{
    // Another window took the activation: the arrow's release goes there.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) releaseAll();
    QWidget::changeEvent(event);
}

} // namespace velumbra
