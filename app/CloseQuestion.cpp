#include "app/CloseQuestion.h"

#include <QStringList>

namespace velumbra {

QString closeQuestion(const RunningWork& work, const NamedTexts& texts)
{
    QStringList running;
    if (work.saving) running << texts.text(u"MSG_Fermer_Enregistrement");
    if (work.stacking) running << texts.text(u"MSG_Fermer_Integration");
    if (work.guiding) running << texts.text(u"MSG_Fermer_Autoguidage");
    if (work.longExposure) running << texts.text(u"MSG_Fermer_Poselongue");
    if (work.measuring) running << texts.text(u"MSG_Fermer_Mesure");
    if (running.isEmpty()) return {};
    return texts.text(u"MSG_Fermer_Question").arg(running.join(QStringLiteral(", ")));
}

} // namespace velumbra
