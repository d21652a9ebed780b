#include "app/GuidePlot.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace velumbra {
namespace {

double rmsOf(const GuideLogRun& run, double GuideLogPoint::*value)
{
    if (run.points.empty()) return 0;
    double sum = 0;
    for (const GuideLogPoint& p : run.points) sum += (p.*value) * (p.*value);
    return std::sqrt(sum / double(run.points.size()));
}

// A tick step of 1, 2 or 5 times a power of ten giving about `count` ticks.
double tickStep(double span, int count)
{
    const double raw = span / std::max(count, 1);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

struct Panel {
    QRectF area;
    double minutes;
    double limit; // ± arc seconds
    QPointF at(double m, double v) const
    {
        return {area.left() + area.width() * m / minutes, area.center().y() - area.height() / 2 * v / limit};
    }
};

void drawPanel(QPainter& p, const Panel& panel, const QString& axisName, const std::vector<GuidePlotRun>& runs,
               double GuideLogPoint::*value)
{
    p.setPen(QColor(200, 200, 200));
    const double vStep = tickStep(2 * panel.limit, 8);
    for (double v = -std::floor(panel.limit / vStep) * vStep; v <= panel.limit + 1e-9; v += vStep) {
        const QPointF a = panel.at(0, v), b = panel.at(panel.minutes, v);
        p.setPen(v == 0 ? QColor(120, 120, 120) : QColor(215, 215, 215));
        p.drawLine(a, b);
        p.setPen(Qt::black);
        p.drawText(QRectF(a.x() - 60, a.y() - 8, 54, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v, 'g', 3));
    }
    const double mStep = tickStep(panel.minutes, 10);
    for (double m = 0; m <= panel.minutes + 1e-9; m += mStep) {
        const QPointF a = panel.at(m, -panel.limit);
        p.setPen(QColor(215, 215, 215));
        p.drawLine(panel.at(m, panel.limit), a);
        p.setPen(Qt::black);
        p.drawText(QRectF(a.x() - 30, a.y() + 2, 60, 16), Qt::AlignHCenter | Qt::AlignTop, QString::number(m));
    }
    p.setPen(Qt::black);
    p.drawRect(panel.area);
    p.save();
    p.translate(panel.area.left() - 66, panel.area.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-120, -10, 240, 20), Qt::AlignCenter, axisName);
    p.restore();

    p.save();
    p.setClipRect(panel.area);
    for (const GuidePlotRun& r : runs) {
        QPainterPath path;
        bool first = true;
        for (const GuideLogPoint& pt : r.run.points) {
            const QPointF q = panel.at(pt.seconds / 60.0, pt.*value);
            if (first) path.moveTo(q);
            else path.lineTo(q);
            first = false;
        }
        p.setPen(QPen(r.colour, 1.4));
        p.drawPath(path);
    }
    p.restore();
}

} // namespace

double raRms(const GuideLogRun& run) { return rmsOf(run, &GuideLogPoint::raArcsec); }

QImage plotGuideRuns(const std::vector<GuidePlotRun>& runs, const QString& title, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(13);
    p.setFont(font);

    double minutes = 1, limit = 1;
    for (const GuidePlotRun& r : runs)
        for (const GuideLogPoint& pt : r.run.points) {
            minutes = std::max(minutes, pt.seconds / 60.0);
            limit = std::max({limit, std::fabs(pt.raArcsec), std::fabs(pt.decArcsec)});
        }
    limit = std::ceil(limit * 1.1);

    const double left = 90, right = 20, top = 60, gap = 40, bottom = 50;
    const double h = (size.height() - top - gap - bottom) / 2;
    const QRectF ra(left, top, size.width() - left - right, h);
    const QRectF dec(left, top + h + gap, ra.width(), h);

    QFont bold = font;
    bold.setPixelSize(16);
    bold.setBold(true);
    p.setFont(bold);
    p.drawText(QRectF(0, 8, size.width(), 24), Qt::AlignCenter, title);
    p.setFont(font);
    drawPanel(p, {ra, minutes, limit}, QStringLiteral("A.D. (Sec.Arc)"), runs, &GuideLogPoint::raArcsec);
    drawPanel(p, {dec, minutes, limit}, QStringLiteral("Dec (Sec.Arc)"), runs, &GuideLogPoint::decArcsec);
    p.drawText(QRectF(dec.left(), dec.bottom() + 20, dec.width(), 18), Qt::AlignCenter, QStringLiteral("minutes"));

    // The legend, with each run's RMS along right ascension.
    double x = left + 10;
    for (const GuidePlotRun& r : runs) {
        const QString text =
            QStringLiteral("%1 : RMS A.D. %2\"").arg(r.label).arg(raRms(r.run), 0, 'f', 2);
        p.setPen(QPen(r.colour, 3));
        p.drawLine(QPointF(x, 42), QPointF(x + 24, 42));
        p.setPen(Qt::black);
        p.drawText(QPointF(x + 30, 47), text);
        x += 40 + p.fontMetrics().horizontalAdvance(text);
    }
    return image;
}

} // namespace velumbra
