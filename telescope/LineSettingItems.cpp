#include "telescope/LineSettingItems.h"

namespace velumbra {

QStringList serialPortChoices()
{
    QStringList ports{QStringLiteral("$03F8 (COM1)"), QStringLiteral("$02F8 (COM2)")};
    // The port name sits at the same place in every item: after seven blanks.
    for (int n = 3; n <= 8; ++n) ports << QStringLiteral("       COM%1").arg(n);
    return ports;
}

QStringList baudRateChoices()
{
    return {QStringLiteral("150"),    QStringLiteral("300"),    QStringLiteral("600"),   QStringLiteral("1200"),
            QStringLiteral("2400"),   QStringLiteral("4800"),   QStringLiteral("9600"),  QStringLiteral("14400"),
            QStringLiteral("19200"),  QStringLiteral("38400"),  QStringLiteral("56000"), QStringLiteral("57600"),
            QStringLiteral("115200"), QStringLiteral("128000"), QStringLiteral("256000")};
}

QStringList parityChoices()
{
    return {QStringLiteral("Paire"), QStringLiteral("Impaire"), QStringLiteral("Marque"), QStringLiteral("Aucune")};
}

QStringList dataBitChoices()
{
    return {QStringLiteral("7"), QStringLiteral("8")};
}

QStringList stopBitChoices()
{
    return {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
}

QStringList parallelPortChoices()
{
    return {QStringLiteral("$378 (LPT1)"), QStringLiteral("$278 (LPT2)"), QStringLiteral("$3BC (LPT3)"),
            QStringLiteral("$2BC (LPT4)"), QStringLiteral("$368"),        QStringLiteral("$36C"),
            QStringLiteral("$358"),        QStringLiteral("$278"),        QStringLiteral("$26C"),
            QStringLiteral("$268"),        QStringLiteral("$258"),        QStringLiteral("$379"),
            QStringLiteral("$37A"),        QStringLiteral("$279"),        QStringLiteral("$27A")};
}

QString choiceAt(const QStringList& items, int index)
{
    if (index >= 0 && index < items.size()) return items.at(index);
    return items.isEmpty() ? QString() : items.first();
}

} // namespace velumbra
