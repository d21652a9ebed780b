#include "results/ParameterRecord.h"
#include "results/ImageNaming.h"
#include "core/SafeFile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace velumbra {
namespace {

QString yesNo(bool on) { return on ? QStringLiteral("O") : QStringLiteral("N"); }

QString line(const char* label, const QString& value) { return QString::fromUtf8(label) + value; }

} // namespace

QString formatRecordDateTime(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           when.time().toString(QStringLiteral("HH:mm:ss")) + locale.decimalPoint() +
           QStringLiteral("%1").arg(when.time().msec(), 3, 10, QLatin1Char('0'));
}

QString formatReal(double value, const QLocale& locale)
{
    QString text = QString::number(value, 'g', 15);
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

QStringList parameterHeader(const ParameterValues& v, const QDateTime& when, const QLocale& locale)
{
    const auto real = [&](double x) { return formatReal(x, locale); };
    const bool on = v.CKB_Integration;
    const QString na = QStringLiteral("N/A");
    QStringList h;
    h << line("Date/heure                      : ", formatRecordDateTime(when, locale));
    h << line("Resolution video                : ",
              QStringLiteral("%1 x %2 pixels").arg(v.imageWidth).arg(v.imageHeight));
    h << line("Dimensions de l'image           : ",
              QStringLiteral("%1 x %2 pixels").arg(v.resultWidth).arg(v.resultHeight));
    h << line("Position (X,Y) de l'image       : ",
              QStringLiteral("(%1,%2)").arg(v.displayZoneLeft).arg(v.displayZoneTop));
    h << line("Nombre d'images indiv.          : ", on ? v.EDT_NBCaps : QStringLiteral("1"));
    h << line("Mode Boucle                     : ",
              on && v.RDB_Boucle ? QStringLiteral("%1 images").arg(v.SPED_Nb_Bitmap) : QStringLiteral("N"));
    h << line("Durée (poses longues uniquement): ",
              v.CKB_Longuepose_Active ? real(v.SPED_Vesta_Pose) + QStringLiteral(" millisecondes") : na);
    h << QString();
    h << line("Intensité Minimale              : ", on ? real(v.TNI_Min) : QString());
    h << line("Intensité Maximale              : ", on ? real(v.TNI_Max) : QString());
    h << line("Seuil Bas                       : ", on ? real(v.TNI_Seuil_Min) : na);
    h << line("Seuil Haut                      : ", on ? real(v.TNI_Seuil_Max) : na);
    h << line("Dark appliqué (Nb Img)          : ",
              on ? real(v.TNI_Dark) + QStringLiteral(" / ") + real(v.TNI_MaxDark) : na);
    h << line("Flat appliqué   (O/N)           : ", on ? yesNo(v.CKB_Active_Flat) : na);
    h << QString();
    h << line("Noir et Blanc   (O/N)           : ", on ? yesNo(v.RDB_NB) : QStringLiteral("N"));
    h << line("Rouge           (O/N)           : ", on ? yesNo(v.CKB_Red) : QStringLiteral("O"));
    h << line("Vert            (O/N)           : ", on ? yesNo(v.CKB_Green) : QStringLiteral("O"));
    h << line("Bleu            (O/N)           : ", on ? yesNo(v.CKB_Blue) : QStringLiteral("O"));
    h << QString();

    QString type = QStringLiteral("Aucun");
    QString size = na;
    QString inversion = QStringLiteral("N");
    if (v.CKB_Suivi) {
        if (v.tracking == TrackingMethod::Other) {
            type = QStringLiteral("Derive");
            inversion = na;
        } else {
            type = v.tracking == TrackingMethod::PixelBrillant ? QStringLiteral("Pixel Brillant")
                                                               : QStringLiteral("Somme Axes");
            size = real(v.TNI_Taille_ZDetect) + QStringLiteral(" pixels");
            inversion = yesNo(v.CKB_Inversion_Video);
        }
    }
    h << line("Type de suivi                   : ", type);
    h << line("Taille zone de detect°          : ", size);
    h << line("Inversion video/suivi           : ", inversion);
    h << QString();
    const bool sel = v.CKB_Selection;
    h << line("Qualité de l'image              : ", sel ? real(v.selectedQuality) : na);
    h << line("Meilleure image                 : ", sel ? real(v.selectedBest) : na);
    h << line("Plus mauvaise image             : ", sel ? real(v.selectedWorst) : na);
    h << line("Seuil de selection              : ", sel ? real(v.TNI_Seuil_Selection) : na);
    return h;
}

bool ParameterRecordWriter::beginRun(const QString& name)
{
    endRun();
    error_.clear();
    const QFileInfo info(name);
    if (info.isSymLink() || (info.exists() && !info.isFile())) {
        error_ = QCoreApplication::translate("ParameterRecord", "not a regular file");
        return false;
    }
    parameterFile_.setFileName(name);
    if (!parameterFile_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        error_ = parameterFile_.errorString();
        return false;
    }
    singleFileHeaderPending_ = true;
    return true;
}

void ParameterRecordWriter::endRun()
{
    if (parameterFile_.isOpen()) parameterFile_.close();
    singleFileHeaderPending_ = false;
}

bool ParameterRecordWriter::WriteParameterRecord(const QString& name, const QString& base,
                                                 const ParameterValues& values, const QDateTime& now)
{
    error_.clear();
    existed_ = false;
    QString text;
    if (!runOpen() || singleFileHeaderPending_) text = parameterHeader(values, now, locale_).join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (!runOpen()) {
        const QByteArray bytes = text.toUtf8();
        if (replaceExisting_) return replaceFile(name, bytes.constData(), bytes.size(), error_);
        return createNewFile(name, bytes.constData(), bytes.size(), error_, existed_);
    }
    if (singleFileHeaderPending_) {
        text += QStringLiteral("\nListe des images enregistrées\n=============================\nNom,Date/Heure \n");
        singleFileHeaderPending_ = false;
    }
    text += fileNamePart(base) + QStringLiteral("    ") + formatRecordDateTime(now, locale_) + QLatin1Char('\n');
    const QByteArray bytes = text.toUtf8();
    // Flushed at once: a record already listed survives a crash of the program.
    if (parameterFile_.write(bytes) != bytes.size() || !parameterFile_.flush()) {
        error_ = parameterFile_.errorString();
        return false;
    }
    return true;
}

} // namespace velumbra
