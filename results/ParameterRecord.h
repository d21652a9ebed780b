#pragma once
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace velumbra {

// Tracking method of the main window, as the record names it.
enum class TrackingMethod { PixelBrillant, SommeAxes, Other };

// Everything a parameter record tells, gathered from the windows at the
// moment of the save. Names are those of the controls they come from; a
// value whose window does not fill it keeps the control's default.
struct ParameterValues {
    int imageWidth = 0;
    int imageHeight = 0;
    int resultWidth = 0;
    int resultHeight = 0;
    int displayZoneLeft = 0;
    int displayZoneTop = 0;

    bool CKB_Integration = false;
    QString EDT_NBCaps = QStringLiteral("0");
    bool RDB_Boucle = false;
    int SPED_Nb_Bitmap = 1;
    bool CKB_Longuepose_Active = false;
    double SPED_Vesta_Pose = 5000;

    double TNI_Min = 0;
    double TNI_Max = 0;
    double TNI_Seuil_Min = 0;
    double TNI_Seuil_Max = 2500;
    double TNI_Dark = 0;
    double TNI_MaxDark = 0;
    bool CKB_Active_Flat = false;

    bool RDB_NB = false;
    bool CKB_Red = true;
    bool CKB_Green = true;
    bool CKB_Blue = true;

    bool CKB_Suivi = false;
    TrackingMethod tracking = TrackingMethod::PixelBrillant;
    double TNI_Taille_ZDetect = 40;
    bool CKB_Inversion_Video = false;

    bool CKB_Selection = false;
    double selectedQuality = 0;
    double selectedBest = 0;
    double selectedWorst = 0;
    double TNI_Seuil_Selection = 0;
};

// Date and time as the records write them: short date, time, the decimal
// separator and the milliseconds on three digits.
QString formatRecordDateTime(const QDateTime& when, const QLocale& locale);
// Shortest general form, 15 significant digits at most, locale separator.
QString formatReal(double value, const QLocale& locale);

// The header lines of a record (labels 34 characters wide).
QStringList parameterHeader(const ParameterValues& v, const QDateTime& when, const QLocale& locale);

// Writes parameter records: one file per image, or, during a run started in
// single-file mode, one list file for the whole run.
class ParameterRecordWriter {
public:
    explicit ParameterRecordWriter(QLocale locale = QLocale::system()) : locale_(std::move(locale)) {}
    ~ParameterRecordWriter() { endRun(); }

    // Opens the run's list file; an existing one is added to, never
    // replaced. The run's header is written with its first record.
    bool beginRun(const QString& name);
    bool runOpen() const { return parameterFile_.isOpen(); }
    bool singleFileHeaderPending() const { return singleFileHeaderPending_; }
    void endRun();

    // With a run file open, appends the record of `base` to it (header
    // first when still pending); otherwise writes the header alone to a new
    // file `name`: an existing one is kept and the call fails with
    // existed() true, unless replacing was asked for.
    bool WriteParameterRecord(const QString& name, const QString& base, const ParameterValues& values,
                              const QDateTime& now);
    // The record goes beside an output the user named: it replaces an old one.
    void setReplaceExisting(bool replace) { replaceExisting_ = replace; }
    bool existed() const { return existed_; }

    const QString& errorString() const { return error_; }

private:
    QLocale locale_;
    QFile parameterFile_;
    bool singleFileHeaderPending_ = false;
    bool replaceExisting_ = false;
    bool existed_ = false;
    QString error_;
};

} // namespace velumbra
