#include "aids/PolarAlignment.h"

#include "core/Angles.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velumbra {
namespace {

constexpr double kSiderealRadPerSecond = 7.29209081940111e-5; // one turn in 86164.09 s
constexpr double kRadPerDegree = std::numbers::pi / 180.0;
constexpr double kRadPerArcsec = 4.84813681109536e-6;
constexpr double kArcsecPerRad = 206264.80624709636;
constexpr int kFirstResultsMs = 3000;
constexpr double kKingLine = 100;            // pixels from the star toward the centre
constexpr int kKingCircle = 15;              // pixels
constexpr int kKingLineMaxX = 640, kKingLineMaxY = 480;
constexpr double kSmallestPitch = 0.001;     // mm

} // namespace

QString direction_word(AdjustAxis axis, bool flag, const NamedTexts& texts)
{
    if (axis == AdjustAxis::Azimuth) return texts.text(flag ? u"Est" : u"Ouest");
    return texts.text(flag ? u"Lebas" : u"Lehaut");
}

QString general4(double v)
{
    return QString::number(v, 'g', 4);
}

double driftAngle(const PolarSettings& s, int imageWidth, int imageHeight, double trailX, double trailY)
{
    // Angle of one image pixel: the sensor's pixel scaled to the image width.
    const double width = imageWidth > 0 ? imageWidth : s.TNI_NbPix_X;
    const double height = imageHeight > 0 ? imageHeight : s.TNI_NbPix_Y;
    const double sx = s.TNI_Larg_Pix / width * s.TNI_NbPix_X;
    const double sy = s.TNI_Haut_Pix / height * s.TNI_NbPix_Y;
    const double px = std::atan(sx * 0.001 / s.effectiveFocal);
    const double py = std::atan(sy * 0.001 / s.effectiveFocal);
    return std::hypot(trailX * px, trailY * py);
}

BigourdanResult bigourdanComputation(const PolarSettings& s, const BigourdanDrift& d)
{
    BigourdanResult r;
    const double drift =
        driftAngle(s, d.imageWidth, d.imageHeight, d.TNI_Long_Trainee_X, d.TNI_Long_Trainee_Y);
    r.northSouth = std::fabs(d.driftNS) * drift;
    r.eastWest = d.driftEW * drift;
    // The mount turns the star by H about its own axis while the sky turns
    // it by H about the pole; P apart, the two positions lie A apart with
    // cos A = cos² H + sin² H cos P. Seen from the star, the error moves it
    // in declination by P sin H whatever its declination (a star on the
    // meridian for an azimuth error, at the East or West horizon for an
    // altitude error), so the declination does not enter.
    const double hourAngle = kSiderealRadPerSecond * d.TNI_Duree_Pose;
    // (cos A − cos² H) / sin² H written as 1 − 2 sin²(A/2) / sin² H: the same
    // value, exactly 1 when the star did not drift.
    const double sinH = std::sin(hourAngle);
    const double halfDrift = std::sin(0.5 * r.northSouth);
    double c = 1.0 - 2.0 * halfDrift * halfDrift / (sinH * sinH);
    // No time elapsed leaves no defined angle: no error shown.
    if (!std::isfinite(c)) c = 1;
    r.polarError = std::acos(std::clamp(c, -1.0, 1.0));

    if (s.RDB_Sud) {
        r.mm = s.TNI_Rayon_Az * r.polarError;
        r.turns = r.mm / s.TNI_Fil_Az;
    } else {
        r.mm = s.TNI_Rayon_Alt * r.polarError;
        r.turns = r.mm / s.TNI_Fil_Alt;
    }
    r.EDT_Deplacement = general4(r.mm);
    r.EDT_Tours = general4(r.turns);
    r.TNI_Erreur_Vitesse = d.TNI_Duree_Pose > 0 ? r.eastWest * kArcsecPerRad / d.TNI_Duree_Pose : 0;
    r.EDT_AngleTraineeNS = FormatDMS(r.northSouth * kArcsecPerRad);
    r.EDT_AngleTraineeEO = FormatDMS(r.eastWest * kArcsecPerRad);
    r.EDT_Erreur_polaire = FormatDMS(r.polarError * kArcsecPerRad);
    return r;
}

bool BigourdanStep::begin(const OperationStart& start)
{
    start_ = start;
    last_ = {};
    view_.bigourdanStarted();
    return true;
}

bool BigourdanStep::frame(Point starPos, int elapsedMs, bool /*verdict*/)
{
    const PolarSettings s = view_.polarSettings();
    const double dx = starPos.x - start_.position.x;
    const double dy = starPos.y - start_.position.y;
    BigourdanFrame f;
    f.drift = last_.drift;
    f.result = last_.result;
    f.drift.imageWidth = start_.imageWidth;
    f.drift.imageHeight = start_.imageHeight;
    f.drift.TNI_Long_Trainee_X = std::max(1.0, std::fabs(dx));
    f.drift.TNI_Long_Trainee_Y = std::max(1.0, std::fabs(dy));
    const double theta = reducedDegrees(vectorAngleDegrees(dx, dy) - s.TNI_Orient + 360.0);
    f.drift.driftEW = std::cos(theta * kRadPerDegree);
    f.drift.driftNS = std::sin(theta * kRadPerDegree);
    const AdjustAxis axis = s.RDB_Sud ? AdjustAxis::Azimuth : AdjustAxis::Altitude;
    const bool inverse = s.RDB_Sud ? s.CKB_Inverse_Az : s.CKB_Inverse_Alt;
    f.EDT_Correct = direction_word(axis, theta < 180 ? inverse : !inverse, *s.texts);
    if (elapsedMs >= kFirstResultsMs) {
        f.drift.TNI_Duree_Pose = elapsedMs * 0.001;
        f.result = bigourdanComputation(s, f.drift);
        f.computed = true;
    }
    last_ = f;
    view_.showBigourdan(last_);
    return true;
}

bool KingStep::begin(const OperationStart& start)
{
    start_ = start;
    last_ = {};
    view_.kingStarted();
    return true;
}

bool KingStep::frame(Point starPos, int elapsedMs, bool /*verdict*/)
{
    const PolarSettings s = view_.polarSettings();
    KingDrawing drawing;
    if (elapsedMs > kFirstResultsMs) {
        const double t = elapsedMs * 0.001;
        const double dx = starPos.x - start_.position.x;
        const double dy = starPos.y - start_.position.y;
        last_.TNI_Duree_Pose_King = std::max(t, 3.0);
        if (!paused_) {
            // The star turned by ω t about the centre: the centre lies on the
            // chord's perpendicular through its middle, chord / (ω t) away.
            // A diagonal mirror turns the image the other way round.
            const double turn = kSiderealRadPerSecond * t;
            const double side = s.CKB_RenvoiCoude ? -1.0 : 1.0;
            const double midX = start_.position.x + 0.5 * dx, midY = start_.position.y + 0.5 * dy;
            last_.centre = {int(std::trunc(midX - side * dy / turn)), int(std::trunc(midY + side * dx / turn))};
        }
        const double toX = last_.centre.x - starPos.x;
        const double toY = last_.centre.y - starPos.y;
        last_.radius = std::hypot(toX, toY);
        last_.bearing = vectorAngleDegrees(toX, toY);

        drawing.star = starPos;
        drawing.centre = last_.centre;
        drawing.circle = last_.centre.x >= 0 && last_.centre.x < start_.imageWidth && last_.centre.y >= 0 &&
                         last_.centre.y < start_.imageHeight;
        const double b = last_.bearing * kRadPerDegree;
        drawing.lineEnd = {std::clamp(int(std::trunc(starPos.x + kKingLine * std::cos(b))), 0, kKingLineMaxX),
                           std::clamp(int(std::trunc(starPos.y + kKingLine * std::sin(b))), 0, kKingLineMaxY)};
        drawing.label = FormatDMS(std::fabs(s.TNI_Echantillonnage * last_.radius));

        if (!paused_) {
            const double theta = reducedDegrees(last_.bearing - s.TNI_Orient + 360.0) * kRadPerDegree;
            last_.kingDX = int(std::trunc(last_.radius * std::cos(theta)));
            last_.kingDY = int(std::trunc(last_.radius * std::sin(theta)));
        }
    }
    last_.EDT_CorrectKingEO =
        direction_word(AdjustAxis::Azimuth, last_.kingDX > 0 ? s.CKB_Inverse_Az : !s.CKB_Inverse_Az, *s.texts);
    last_.EDT_CorrectKingNS =
        direction_word(AdjustAxis::Altitude, last_.kingDY > 0 ? s.CKB_Inverse_Alt : !s.CKB_Inverse_Alt, *s.texts);
    const double ex = std::fabs(last_.kingDX * s.TNI_Echantillonnage);
    const double ey = std::fabs(last_.kingDY * s.TNI_Echantillonnage);
    const double mmX = ex * kRadPerArcsec * s.TNI_Rayon_Az;
    const double mmY = ey * kRadPerArcsec * s.TNI_Rayon_Alt;
    last_.EDT_DistanceX_DMS = FormatDMS(ex);
    last_.EDT_DistanceY_DMS = FormatDMS(ey);
    last_.EDT_Deplacement_EstOuest = general4(mmX);
    last_.EDT_Deplacement_NordSud = general4(mmY);
    last_.EDT_Deplacement_EstOuest_Tours = general4(mmX / std::max(kSmallestPitch, s.TNI_Fil_Az));
    last_.EDT_Deplacement_NordSud_Tours = general4(mmY / std::max(kSmallestPitch, s.TNI_Fil_Alt));
    view_.showKing(last_, drawing);
    return true;
}

void KingStep::leave(bool byAbort, int /*elapsedMs*/)
{
    if (!byAbort) return;
    paused_ = false;
    view_.kingPauseEnded();
}

void drawKing(QImage& image, const KingDrawing& d)
{
    QPainter p(&image);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    QPen pen(QColor(255, 0, 255));
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (d.circle) p.drawEllipse(QPoint(d.centre.x, d.centre.y), kKingCircle, kKingCircle);
    p.drawLine(d.star.x, d.star.y, d.lineEnd.x, d.lineEnd.y);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QColor(0, 255, 0));
    p.drawText(d.lineEnd.x, d.lineEnd.y, d.label);
}

} // namespace velumbra
