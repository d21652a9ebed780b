#pragma once
#include "aids/OperationSequencer.h"
#include "aids/PolarAlignment.h"

#include <QFile>
#include <QString>

namespace velumbra {

class MessageSink;

// What one frame of the periodic-error recording shows.
struct PeriodicErrorFrame {
    QString EDT_Senserreur;       // the drift's direction in sky axes, degrees
    bool point = false;           // three seconds had passed: a point of the chart
    double TNI_Duree_Pose = 0;    // seconds since "Executer"
    double drift = 0;             // East/West drift, arc seconds (negative toward +x unturned)
    double TNI_Erreur_Vitesse = 0; // arc seconds per second
    QString EDT_AngleTraineeEO;
};

class PeriodicErrorView {
public:
    virtual ~PeriodicErrorView() = default;
    virtual PolarSettings polarSettings() const = 0;
    virtual void showPeriodicError(const PeriodicErrorFrame& frame) = 0;
    // The measurement started or stopped: the file's controls follow.
    virtual void recordingStarted() {}
    virtual void recordingStopped() {}
};

// One text line of the output: seconds ";" arc seconds, each in the
// shortest general form (15 digits at most) with `decimalPoint`, CR LF.
QByteArray periodicErrorLine(double seconds, double arcsec, QChar decimalPoint);

// States 9/10: the star's East/West drift while the mount tracks, point by
// point, to the chart and to a text file. The file is created anew at each
// start and closed whenever the measurement stops, by "Arrêter" or because
// the star was lost.
class PeriodicErrorStep final : public OperationStep {
public:
    PeriodicErrorStep(PeriodicErrorView& view, MessageSink& messages, QChar decimalPoint);
    ~PeriodicErrorStep() override;

    // "Fichier sortant" and the file's name, read at each start.
    void setOutput(bool toFile, const QString& path);
    bool fileOpen() const { return file_.isOpen(); }

    bool begin(const OperationStart& start) override;
    bool frame(Point starPos, int elapsedMs, bool verdict) override;
    void leave(bool byAbort, int elapsedMs) override;

private:
    void closeFile();

    PeriodicErrorView& view_;
    MessageSink& messages_;
    QChar decimalPoint_;
    bool toFile_ = false;
    QString path_;
    QFile file_;
    OperationStart start_;
};

} // namespace velumbra
