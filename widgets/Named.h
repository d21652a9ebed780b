#pragma once
#include <QString>

namespace velumbra {

// Gives a control the design's name as its objectName (tests, the language
// file and the help areas find it by that name), with an optional caption
// and hint.
template <typename W>
W* named(W* widget, const char* name, const QString& text = {}, const QString& hint = {})
{
    widget->setObjectName(QString::fromLatin1(name));
    if constexpr (requires { widget->setText(text); })
        if (!text.isEmpty()) widget->setText(text);
    if (!hint.isEmpty()) widget->setToolTip(hint);
    return widget;
}

} // namespace velumbra
