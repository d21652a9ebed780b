#pragma once
#include <QString>

namespace velumbra {

// Help topic of an area of a window, by the area's object name; 0 when the
// area has no topic of its own.
int helpTopicForArea(const QString& windowName, const QString& areaName);
// File of a topic in the help folder; topic 0 is the contents ("Sommaire").
QString helpFileForTopic(int topic);

} // namespace velumbra
