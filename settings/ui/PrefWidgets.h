#pragma once
#include "widgets/Named.h"
#include "widgets/TNumInp.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <QStringList>

// Small makers for the controls of the preferences tabs: each control gets
// its name, caption or range at once, so a tab builder reads as its layout.
namespace velumbra::pref {

inline TNumInp* numField(const char* name, double lo, double hi)
{
    auto* field = named(new TNumInp, name);
    field->setRange(lo, hi);
    return field;
}

// A field the program fills and the user only reads.
inline TNumInp* shownField(const char* name)
{
    auto* field = named(new TNumInp, name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

inline QSpinBox* spinField(const char* name, int lo, int hi, int step = 1)
{
    auto* spin = named(new QSpinBox, name);
    spin->setRange(lo, hi);
    spin->setSingleStep(step);
    return spin;
}

inline QLabel* caption(const char* name, const QString& text) { return named(new QLabel(text), name); }
inline QLabel* caption(const QString& text) { return new QLabel(text); }

// "...": the button beside a field that opens a chooser.
inline QToolButton* browseButton(const char* name, const QString& hint)
{
    return named(new QToolButton, name, QStringLiteral("..."), hint);
}

inline QComboBox* choiceList(const char* name, const QStringList& items)
{
    auto* box = named(new QComboBox, name);
    box->addItems(items);
    return box;
}

// A control whose action comes with the hardware it drives: shown, named and
// captioned, but not clickable, with a hint that says why.
template <typename W>
W* awaitingHardware(W* widget, const QString& hint)
{
    widget->setEnabled(false);
    widget->setToolTip(hint);
    return widget;
}

inline const QString& telescopeHint()
{
    static const QString hint = QStringLiteral("Disponible avec l'interface du télescope");
    return hint;
}
inline const QString& portHint()
{
    static const QString hint = QStringLiteral("Disponible avec l'accès au port parallèle");
    return hint;
}

} // namespace velumbra::pref
