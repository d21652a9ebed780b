#include "telescope/ui/TFRM_ComTrafic.h"
#include "telescope/TrafficLog.h"
#include "widgets/Named.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

namespace velumbra {

TFRM_ComTrafic::TFRM_ComTrafic(TrafficLog& log, QWidget* parent)
    : QWidget(parent, Qt::Tool), log_(log)
{
    setObjectName(QStringLiteral("TFRM_ComTrafic"));
    setWindowTitle(QStringLiteral("Comm Trafic"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    MEMO_Historique_Comm = named(new QPlainTextEdit(this), "MEMO_Historique_Comm");
    MEMO_Historique_Comm->setReadOnly(true);
    MEMO_Historique_Comm->setLineWrapMode(QPlainTextEdit::NoWrap);
    MEMO_Historique_Comm->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MEMO_Historique_Comm->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MEMO_Historique_Comm->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(MEMO_Historique_Comm);
    resize(420, 300);

    MEMO_Historique_Comm->setPlainText(log_.lines().join(QLatin1Char('\n')));
    log_.onAppend = [this](const QString& entry, bool droppedFirst) {
        // A command's CR and LF show raw, so an entry may span several lines
        // of the memo: when the oldest go, the memo is rebuilt from the log.
        if (droppedFirst) {
            MEMO_Historique_Comm->setPlainText(log_.lines().join(QLatin1Char('\n')));
            MEMO_Historique_Comm->moveCursor(QTextCursor::End);
        } else {
            MEMO_Historique_Comm->appendPlainText(TrafficLog::windowLines(entry).join(QLatin1Char('\n')));
        }
    };
}

TFRM_ComTrafic::~TFRM_ComTrafic() { log_.onAppend = nullptr; }

void TFRM_ComTrafic::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (onClosed) onClosed();
}

} // namespace velumbra
