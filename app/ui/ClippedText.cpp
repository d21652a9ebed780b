#include "app/ui/ClippedText.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace velumbra {
namespace {

// A caption as drawn: the accelerator's ampersand takes no room.
int textWidth(const QWidget* w, QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, w->fontMetrics().horizontalAdvance(line));
    return widest;
}

// Room for the text inside a button: its width less the indicator or the
// bevel the style draws around the text.
int buttonRoom(const QAbstractButton* b)
{
    QStyleOptionButton option;
    option.initFrom(b);
    if (qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b)) {
        const bool check = qobject_cast<const QCheckBox*>(b) != nullptr;
        const QRect contents = b->style()->subElementRect(
            check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, b);
        return contents.width();
    }
    const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, b);
    const int frame = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, b);
    const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
    return b->width() - margin - 2 * frame - icon;
}

} // namespace

QStringList clippedTexts(QWidget* root)
{
    QStringList out;
    const auto report = [&out](const QWidget* w, const QString& text, int need, int room) {
        if (need > room) out << QStringLiteral("%1 \"%2\" (%3 > %4 px)").arg(w->objectName(), text).arg(need).arg(room);
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : std::as_const(widgets)) {
        if (!w->isVisible() || w->window() != root->window()) continue; // the tool windows are reported on their own
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->wordWrap() || l->text().isEmpty() || l->textFormat() == Qt::RichText) continue;
            const QRect room = l->contentsRect();
            report(l, l->text(), textWidth(l, l->text()), room.width() - 2 * l->margin() - 2 * l->indent() * (l->indent() > 0));
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (b->text().isEmpty()) continue;
            report(b, b->text(), textWidth(b, b->text()), buttonRoom(b));
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (g->title().isEmpty()) continue;
            report(g, g->title(), textWidth(g, g->title()), g->width() - 8);
        }
    }
    return out;
}

} // namespace velumbra
