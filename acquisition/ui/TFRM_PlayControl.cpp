#include "acquisition/ui/TFRM_PlayControl.h"
#include "acquisition/control/VideoSource.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace velumbra {
namespace {

struct ButtonLook {
    const char* name;
    const char* glyph;
    const char* hint;
};
constexpr ButtonLook kLooks[kPlayButtonCount] = {
    {"SPDB_REW", "|<<", "Premiere image (Debut)"},
    {"SPDB_BACK1", "|<", "Image precedente (Bas)"},
    {"SPDB_PlayBackwards", "<", "Lecture arriere (Gauche)"},
    {"SPDB_Stop", "[]", "Pause (Espace)"},
    {"SPDB_PlayForward", ">", "Lecture (Droite)"},
    {"SPDB_Forw1", ">|", "Image suivante (Haut)"},
    {"SPDB_FF", ">>|", "Derniere image (Fin)"},
};

} // namespace

TFRM_PlayControl::TFRM_PlayControl(VideoSource& source, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      source_(source)
{
    setObjectName(QStringLiteral("TFRM_PlayControl"));
    setWindowTitle(QStringLiteral("Contrôle de lecture"));
    auto* layout = new QGridLayout(this);
    auto* row = new QHBoxLayout;
    for (int i = 0; i < kPlayButtonCount; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(kLooks[i].name));
        b->setText(QString::fromLatin1(kLooks[i].glyph));
        b->setToolTip(QString::fromLatin1(kLooks[i].hint));
        b->setCheckable(true);
        b->setFocusPolicy(Qt::NoFocus);
        const auto which = PlayButton(i);
        connect(b, &QToolButton::clicked, this, [this, which] { source_.playButtonPressed(which); });
        buttons_[size_t(i)] = b;
        row->addWidget(b);
    }
    SPDB_Loop = new QToolButton(this);
    SPDB_Loop->setObjectName(QStringLiteral("SPDB_Loop"));
    SPDB_Loop->setText(QStringLiteral("Boucle"));
    SPDB_Loop->setCheckable(true);
    SPDB_Loop->setFocusPolicy(Qt::NoFocus);
    connect(SPDB_Loop, &QToolButton::toggled, this, [this](bool down) { source_.setLoop(down); });
    row->addSpacing(8);
    row->addWidget(SPDB_Loop);
    BTN_Ajouter = new QPushButton(QStringLiteral("Ajouter"), this);
    BTN_Ajouter->setObjectName(QStringLiteral("BTN_Ajouter"));
    BTN_Ajouter->setFocusPolicy(Qt::NoFocus);
    connect(BTN_Ajouter, &QPushButton::clicked, this, [this] { source_.BTN_AjouterClick(); });
    row->addWidget(BTN_Ajouter);
    layout->addLayout(row, 0, 0);
    EDT_Fichier = new QLineEdit(this);
    EDT_Fichier->setObjectName(QStringLiteral("EDT_Fichier"));
    EDT_Fichier->setReadOnly(true);
    EDT_Fichier->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(EDT_Fichier, 1, 0);
    refresh();
}

void TFRM_PlayControl::refresh()
{
    const PlayButtons& state = source_.playButtons;
    for (int i = 0; i < kPlayButtonCount; ++i) {
        QToolButton* b = buttons_[size_t(i)];
        const QSignalBlocker block(b);
        b->setEnabled(state.group[size_t(i)].enabled);
        b->setChecked(state.group[size_t(i)].down);
    }
    {
        const QSignalBlocker block(SPDB_Loop);
        SPDB_Loop->setChecked(state.SPDB_Loop);
    }
    EDT_Fichier->setText(source_.EDT_Fichier);
    if (source_.playControlVisible() != isVisible()) setVisible(source_.playControlVisible());
}

void TFRM_PlayControl::keyPressEvent(QKeyEvent* event)
{
    if (const auto b = playButtonForKey(event->key())) {
        source_.playButtonPressed(*b);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFRM_PlayControl::closeEvent(QCloseEvent* event)
{
    // The user cannot close it; the playback hides it.
    if (source_.playControlVisible()) event->ignore();
    else QWidget::closeEvent(event);
}

} // namespace velumbra
