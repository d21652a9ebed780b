#pragma once
#include <QString>

namespace velumbra {

// Help topic of an area of a window, by the area's object name; 0 when the
// area has no topic of its own.
int helpTopicForArea(const QString& windowName, const QString& areaName);
// File of a topic in the help folder; topic 0 is the contents ("Sommaire").
// The French pages are "topic-NN.html", their English twins "topic-NN-en.html".
QString helpFileForTopic(int topic, bool english = false);
// Whether the pages of a chosen language (a section of the language file)
// are the English ones: French for the built-in texts and a French section,
// English for any other language.
bool helpInEnglish(const QString& language);

} // namespace velumbra
