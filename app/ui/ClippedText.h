#pragma once
#include <QStringList>

class QWidget;

namespace velumbra {

// The visible captions under `root` that do not fit their control: labels,
// buttons, check boxes and radio buttons whose text is wider than the room
// their control gives it, and group boxes whose title is. Each entry names
// the control and its text. Used to check that a language's longer
// captions fit the layouts.
QStringList clippedTexts(QWidget* root);

} // namespace velumbra
