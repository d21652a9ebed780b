#include "telescope/GuidePlot.h"

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

// The grid, its numbers, the frame and the axis name; the time axis in
// `timeUnit`s.
void drawAxes(QPainter& p, const Panel& panel, const QString& axisName, double nameOffset = 66)
{
    const double vStep = tickStep(2 * panel.limit, panel.area.height() > 200 ? 8 : 4);
    for (double v = -std::floor(panel.limit / vStep) * vStep; v <= panel.limit + 1e-9; v += vStep) {
        const QPointF a = panel.at(0, v), b = panel.at(panel.minutes, v);
        p.setPen(std::fabs(v) < 1e-9 ? QColor(120, 120, 120) : QColor(215, 215, 215));
        p.drawLine(a, b);
        p.setPen(Qt::black);
        p.drawText(QRectF(a.x() - 60, a.y() - 8, 54, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::fabs(v) < 1e-9 ? 0.0 : v, 'g', 3));
    }
    const double mStep = tickStep(panel.minutes, panel.area.width() > 500 ? 10 : 5);
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
    p.translate(panel.area.left() - nameOffset, panel.area.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-120, -10, 240, 20), Qt::AlignCenter, axisName);
    p.restore();
}

// One series: n points given as (time, value) by pointAt.
template <class PointAt>
void drawSeries(QPainter& p, const Panel& panel, int n, PointAt pointAt, const QColor& colour)
{
    if (n <= 0) return;
    p.save();
    p.setClipRect(panel.area);
    QPainterPath path;
    for (int i = 0; i < n; ++i) {
        const QPointF tv = pointAt(i);
        const QPointF q = panel.at(tv.x(), tv.y());
        if (i == 0) path.moveTo(q);
        else path.lineTo(q);
    }
    p.setPen(QPen(colour, 1.4));
    p.drawPath(path);
    p.restore();
}

void drawPanel(QPainter& p, const Panel& panel, const QString& axisName, const std::vector<GuidePlotRun>& runs,
               double GuideLogPoint::*value)
{
    drawAxes(p, panel, axisName);
    for (const GuidePlotRun& r : runs) {
        const std::vector<GuideLogPoint>& pts = r.run.points;
        drawSeries(
            p, panel, int(pts.size()),
            [&](int i) { return QPointF(pts[size_t(i)].seconds / 60.0, pts[size_t(i)].*value); }, r.colour);
    }
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

namespace velumbra {

void drawGuideTrace(QPainter& p, const QRectF& area, const GuideTrace& trace, const GuideTraceTexts& texts)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(area, Qt::white);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);

    // The time since the oldest point held, in seconds; the scale covers
    // every value held, at least one arc second.
    const double t0 = trace.empty() ? 0 : trace.at(0).seconds;
    double span = 60, limit = 1;
    for (int i = 0; i < trace.size(); ++i) {
        const GuideTracePoint& pt = trace.at(i);
        span = std::max(span, pt.seconds - t0);
        limit = std::max({limit, std::fabs(pt.raArcsec), std::fabs(pt.decArcsec)});
    }
    limit = std::ceil(limit * 1.1);
    const double left = 46, right = 8, top = 22, bottom = 34;
    const Panel panel{QRectF(area.left() + left, area.top() + top, area.width() - left - right,
                             area.height() - top - bottom),
                      span, limit};
    drawAxes(p, panel, texts.axis, 40);
    p.drawText(QRectF(panel.area.left(), panel.area.bottom() + 16, panel.area.width(), 16), Qt::AlignCenter,
               texts.time);
    const QColor raColour(200, 60, 40), decColour(30, 90, 200);
    drawSeries(
        p, panel, trace.size(), [&](int i) { return QPointF(trace.at(i).seconds - t0, trace.at(i).raArcsec); },
        raColour);
    drawSeries(
        p, panel, trace.size(), [&](int i) { return QPointF(trace.at(i).seconds - t0, trace.at(i).decArcsec); },
        decColour);

    // The legend: each axis with its RMS.
    double x = panel.area.left();
    const struct {
        QColor colour;
        QString text;
    } legend[] = {{raColour, guideRmsText(texts.ra, trace.raRms())}, {decColour, guideRmsText(texts.dec, trace.decRms())}};
    for (const auto& l : legend) {
        p.setPen(QPen(l.colour, 3));
        p.drawLine(QPointF(x, area.top() + 11), QPointF(x + 18, area.top() + 11));
        p.setPen(Qt::black);
        p.drawText(QPointF(x + 23, area.top() + 15), l.text);
        x += 36 + p.fontMetrics().horizontalAdvance(l.text);
    }
    p.restore();
}

QString guideRmsText(const QString& axis, double rms)
{
    return QStringLiteral("%1 RMS %2\u2033").arg(axis, QString::number(rms, 'f', 2));
}

} // namespace velumbra
