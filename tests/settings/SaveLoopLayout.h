#pragma once
#include <QString>

#include <array>

namespace velumbra::test {

// The file the save loop writes: every key of a save carries its generation.
inline const std::array<QString, 9> kLoopSections = {
    QStringLiteral("Prefs"),        QStringLiteral("Exposure"),    QStringLiteral("Seuils"),
    QStringLiteral("Autoguide"),    QStringLiteral("AutoFocus"),   QStringLiteral("Mire"),
    QStringLiteral("Optique.C8"),   QStringLiteral("Monture.EQ6"), QStringLiteral("Camera.ToUcam")};
constexpr int kLoopKeysPerSection = 30;

// Odd and even generations differ in length too, so a torn file cannot pass.
inline QString loopValue(int generation, int key)
{
    return generation % 2 ? QStringLiteral("%1-%2-impair").arg(generation).arg(key)
                          : QStringLiteral("%1-%2").arg(generation).arg(key);
}

} // namespace velumbra::test
