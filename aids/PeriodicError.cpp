#include "aids/PeriodicError.h"

#include "core/Angles.h"
#include "core/Messages.h"
#include "core/SafeFile.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velumbra {
namespace {

constexpr double kArcsecPerRadian = 206264.80624709636;
constexpr int kFirstPointMs = 3000;

QByteArray number(double v, QChar decimalPoint)
{
    QString text = QString::number(v, 'g', 15);
    if (decimalPoint != QLatin1Char('.')) text.replace(QLatin1Char('.'), decimalPoint);
    return text.toUtf8();
}

} // namespace

QByteArray periodicErrorLine(double seconds, double arcsec, QChar decimalPoint)
{
    return number(seconds, decimalPoint) + ';' + number(arcsec, decimalPoint) + "\r\n";
}

PeriodicErrorStep::PeriodicErrorStep(PeriodicErrorView& view, MessageSink& messages, QChar decimalPoint)
    : view_(view), messages_(messages), decimalPoint_(decimalPoint)
{
}

PeriodicErrorStep::~PeriodicErrorStep()
{
    closeFile();
}

void PeriodicErrorStep::setOutput(bool toFile, const QString& path)
{
    toFile_ = toFile;
    path_ = path;
}

bool PeriodicErrorStep::begin(const OperationStart& start)
{
    start_ = start;
    if (!toFile_) {
        view_.recordingStarted();
        return true;
    }
    // The name may be a link: the file it names is written. Anything but a
    // plain file (a folder, a device) is not written over.
    QString why;
    const QString target = linkTarget(path_, why);
    const QFileInfo info(target);
    if (path_.trimmed().isEmpty() || target.isEmpty() || (info.exists() && !info.isFile())) {
        messages_.showMessage(false, QStringLiteral("Ne peut écrire dans ") + path_);
        return false;
    }
    file_.setFileName(target);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        messages_.showMessage(false, QStringLiteral("Ne peut écrire dans ") + path_ + QStringLiteral(" : ") +
                                         file_.errorString());
        return false;
    }
    view_.recordingStarted();
    return true;
}

bool PeriodicErrorStep::frame(Point starPos, int elapsedMs, bool /*verdict*/)
{
    const PolarSettings s = view_.polarSettings();
    const double dx = starPos.x - start_.position.x;
    const double dy = starPos.y - start_.position.y;
    const double trailX = std::max(1.0, std::fabs(dx));
    const double trailY = std::max(1.0, std::fabs(dy));
    double theta = vectorAngleDegrees(dx, dy) - s.TNI_Orient + 360.0;
    theta -= 360.0 * std::floor(theta / 360.0);
    const double driftEW = std::cos(theta * std::numbers::pi / 180.0);

    PeriodicErrorFrame f;
    f.EDT_Senserreur = QString::number(theta, 'g', 3);
    if (elapsedMs >= kFirstPointMs) {
        f.point = true;
        f.TNI_Duree_Pose = elapsedMs * 0.001;
        const double D = driftAngle(s, start_.imageWidth, start_.imageHeight, trailX, trailY);
        f.drift = -driftEW * D * kArcsecPerRadian;
        f.TNI_Erreur_Vitesse = f.drift / f.TNI_Duree_Pose;
        f.EDT_AngleTraineeEO = FormatDMS(f.drift);
        if (file_.isOpen()) {
            const QByteArray line = periodicErrorLine(f.TNI_Duree_Pose, f.drift, decimalPoint_);
            if (file_.write(line) != line.size() || !file_.flush()) {
                // One message; the chart goes on without the file.
                messages_.showMessage(false, QStringLiteral("Ne peut écrire dans ") + path_ + QStringLiteral(" : ") +
                                                 file_.errorString());
                file_.close();
            }
        }
    }
    view_.showPeriodicError(f);
    return true;
}

void PeriodicErrorStep::leave(bool /*byAbort*/, int /*elapsedMs*/)
{
    closeFile();
    view_.recordingStopped();
}

void PeriodicErrorStep::closeFile()
{
    if (file_.isOpen()) file_.close();
}

} // namespace velumbra
