#pragma once
#include <QStringList>

namespace velumbra {

// The items of the line-setting lists of the preferences, as they are shown
// and as the serial layer and the port layer read them back.

// "$03F8 (COM1)", "$02F8 (COM2)", then "COM3".."COM8" after seven blanks.
QStringList serialPortChoices();
// "150" .. "256000".
QStringList baudRateChoices();
// "Paire", "Impaire", "Marque", "Aucune".
QStringList parityChoices();
QStringList dataBitChoices();
QStringList stopBitChoices();
// "$378 (LPT1)" .. "$27A": the parallel port addresses.
QStringList parallelPortChoices();

// The item at a stored index, or the list's first item when the index names none.
QString choiceAt(const QStringList& items, int index);

} // namespace velumbra
