#include "results/SaveScheduler.h"
#include "results/ImageNaming.h"
#include "core/SafeFile.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace velumbra {
namespace {

// Message timers take an int period: longer ones run at the longest possible.
int timerMs(qint64 count, qint64 unitMs)
{
    return int(std::clamp<qint64>(std::max<qint64>(count, 1) * unitMs, 1, std::numeric_limits<int>::max()));
}

} // namespace

qint64 rateUnitMs(int CBX_Unite)
{
    switch (CBX_Unite) {
    case 2: return 60000;
    case 3: return 3600000;
    default: return 1000;
    }
}

qint64 periodUnitMs(int index) { return rateUnitMs(index + 1); }

namespace {
// "3 s", "2 min", "1 h": a count of the period lists' units (index 0..2).
QString periodText(int count, int index)
{
    static const char* const units[] = {"s", "min", "h"};
    return QStringLiteral("%1 %2").arg(std::max(count, 1)).arg(QLatin1String(units[std::clamp(index, 0, 2)]));
}
} // namespace

QString describeSchedule(const SavingControls& c, const NamedTexts& texts)
{
    const QString until = c.RDB_Arret ? QString() : periodText(c.SPED_Pendant, c.CBX_Pendant);
    if (c.RDB_Video_SER)
        return c.RDB_Arret ? texts.text(u"MSG_Sauve_Video_Arret") : texts.text(u"MSG_Sauve_Video_Pendant").arg(until);
    const QString rate = c.CBX_Unite == 0 ? texts.text(u"MSG_Sauve_Cadence_Images").arg(std::max(c.SPED_Freq_Sauve, 1))
                                          : texts.text(u"MSG_Sauve_Cadence").arg(periodText(c.SPED_Freq_Sauve, c.CBX_Unite - 1));
    if (c.RDB_Une_Fois)
        return c.RDB_Arret ? texts.text(u"MSG_Sauve_Une_Serie_Arret").arg(rate)
                           : texts.text(u"MSG_Sauve_Une_Serie_Pendant").arg(rate, until);
    const QString every = periodText(c.SPED_Toutes_les, c.CBX_Toutes_les);
    return c.RDB_Arret ? texts.text(u"MSG_Sauve_Series_Arret").arg(rate, every)
                       : texts.text(u"MSG_Sauve_Series_Pendant").arg(every, rate, until);
}

SaveScheduler::SaveScheduler(const Clock& clock, MessageSink& messages, Timers timers, QLocale locale)
    : clock_(clock), messages_(&messages), timers_(std::move(timers)), records_(std::move(locale))
{
    timers_.TMR_Sauve->onTimeout = [this] { BTN_Enregistrer_ImageClick(); };
    timers_.TMR_Toutes_les->onTimeout = [this] { burstStart(); };
    timers_.TMR_Pendant->onTimeout = [this] { TMR_PendantTimer(); };
}

SaveScheduler::~SaveScheduler()
{
    for (SaveTimer* t : {timers_.TMR_Sauve.get(), timers_.TMR_Toutes_les.get(), timers_.TMR_Pendant.get()}) {
        t->setEnabled(false);
        t->onTimeout = nullptr;
    }
}

void SaveScheduler::setImage(const QImage* image, int width, int height)
{
    image_ = image;
    setResultSize(width, height);
}

void SaveScheduler::setResultSize(int width, int height)
{
    width_ = width;
    height_ = height;
}

int SaveScheduler::number() const { return int(std::trunc(controls.TNI_Num_Suffixe)); }

QString SaveScheduler::BuildImageBaseName() const
{
    return velumbra::BuildImageBaseName(controls.EDT_Nom_Image, number(), controls.CKB_Longueur_Fixe,
                                        int(std::trunc(controls.TNI_Longueur_Sequence)));
}

void SaveScheduler::setNumber(int n)
{
    controls.TNI_Num_Suffixe = n;
    if (view_) view_->numberChanged(n);
}

QString SaveScheduler::basePath(int n) const
{
    return velumbra::BuildImageBaseName(controls.EDT_Nom_Image, n, controls.CKB_Longueur_Fixe,
                                        int(std::trunc(controls.TNI_Longueur_Sequence)));
}

QString SaveScheduler::imageExtension() const
{
    return controls.CBX_Format == kFormatFits ? QStringLiteral(".fits") : QStringLiteral(".bmp");
}

// A number is free when neither its image nor, when one goes with it, its
// own record exists: a save never replaces the files of an earlier one (a
// second night with the same prefix starts again at 1).
// An image of either format takes its number: a BMP and a FITS file under
// one number would share, and confuse, one record.
QStringList SaveScheduler::takenNames(int n, bool ownRecord, const QString& extension) const
{
    const QString base = basePath(n);
    QStringList names{base + extension};
    if (extension == QLatin1String(".bmp")) names << base + QStringLiteral(".fits");
    if (extension == QLatin1String(".fits")) names << base + QStringLiteral(".bmp");
    if (ownRecord) names << base + QStringLiteral(".par");
    return names;
}

int SaveScheduler::freeNumberFrom(int first, bool ownRecord, const QString& extension) const
{
    for (int n = std::max(first, 1); n <= kMaxImageNumber; ++n) {
        const QStringList names = takenNames(n, ownRecord, extension);
        if (std::none_of(names.cbegin(), names.cend(), [](const QString& name) { return pathInUse(name); })) return n;
    }
    return 0;
}

// Moves the number past existing files. False when none is left.
bool SaveScheduler::moveToFreeNumber(bool ownRecord, QString& taken, const QString& extension)
{
    taken.clear();
    const int asked = number();
    const int n = freeNumberFrom(asked, ownRecord, extension);
    if (n == 0) {
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Pas_De_Numero")
                                         .arg(basePath(asked) + extension));
        stopIfRunning();
        return false;
    }
    if (n != asked) {
        const QStringList names = takenNames(asked, ownRecord, extension);
        const auto first = std::find_if(names.cbegin(), names.cend(), [](const QString& name) { return pathInUse(name); });
        if (first != names.cend()) taken = *first;
        setNumber(n);
    }
    return true;
}

// A BMP keeps what the thresholds show; a FITS file the sums behind it.
bool SaveScheduler::writeImage(const QString& path, QString& error)
{
    error.clear();
    if (controls.CBX_Format != kFormatFits) {
        if (image_ && bmp_.writeNew(path, *image_, width_, height_)) return true;
        error = bmp_.errorString();
        return false;
    }
    return writeFits && writeFits(path, error);
}

// A timed run whose save failed (a full disk, a folder gone) stops at once
// rather than failing again at every tick; what it saved stays.
void SaveScheduler::stopAfterFailedSave(const QString& cause)
{
    if (!running_) return;
    messages_->showMessage(false, cause.isEmpty() ? texts_->text(u"MSG_Sauv_Arrete")
                                                  : texts_->text(u"MSG_Sauv_Arrete_Cause").arg(cause));
    BTN_Arreter_SauvClick();
}

bool SaveScheduler::BTN_Enregistrer_ImageClick()
{
    QString taken;
    if (!moveToFreeNumber(controls.CKB_Enreg_Params && !records_.runOpen(), taken, imageExtension())) return false;
    const QString base = BuildImageBaseName();
    const QString path = base + imageExtension();
    QString error;
    if (!writeImage(path, error)) {
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Ne_Peut_Creer").arg(path));
        stopAfterFailedSave(error);
        return false;
    }
    if (!taken.isEmpty())
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Image_Sous").arg(taken, path));
    if (controls.CKB_Enreg_Params) {
        const QString name = base + QStringLiteral(".par");
        const ParameterValues values = gatherParameters ? gatherParameters() : ParameterValues{};
        if (!records_.WriteParameterRecord(name, base, values, imageTime())) {
            messages_->showMessage(false, texts_->text(u"MSG_Sauv_Erreur_Ecriture").arg(name, records_.errorString()));
            stopAfterFailedSave(records_.errorString());
            return false;
        }
    }
    lastSaved_ = QFileInfo(path).absoluteFilePath(); // where it is, even for a prefix without a folder
    if (running_) ++savedInRun_; // told once, when the run stops
    else messages_->showMessage(false, texts_->text(u"MSG_Image_Enregistree").arg(lastSaved_));
    if (number() >= kMaxImageNumber)
        reachedLastNumber();
    else
        setNumber(number() + 1);
    return true;
}

// The number cannot go past 65535 and the file there is not replaced: a run
// stops here.
void SaveScheduler::reachedLastNumber()
{
    messages_->showMessage(false, texts_->text(u"MSG_Sauv_Numero_Limite").arg(kMaxImageNumber));
    if (running_) {
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Numero_Atteint")
                                         .arg(kMaxImageNumber));
        BTN_Arreter_SauvClick();
    }
}

bool SaveScheduler::BTN_Demarrer_SauvClick()
{
    if (running_) return false;
    if (controls.RDB_Video_SER) return startVideo();
    if (controls.CKB_Un_seul_fichier && controls.CKB_Enreg_Params) {
        // The list is named after the run's first image, which cannot take
        // the number of an existing one.
        QString taken;
        if (!moveToFreeNumber(false, taken, imageExtension())) return false;
        if (!taken.isEmpty())
            messages_->showMessage(false, texts_->text(u"MSG_Sauv_Images_A_Partir")
                                             .arg(taken, basePath(number()) + imageExtension()));
        const QString name = BuildImageBaseName() + QStringLiteral(".par");
        if (!records_.beginRun(name)) {
            messages_->showMessage(false, texts_->text(u"MSG_Sauv_Ne_Peut_Creer_Cause").arg(name, records_.errorString()));
            return false;
        }
    }
    running_ = true;
    savedFrameCounter_ = 0;
    savedInRun_ = 0;
    if (countsFrames()) {
        saveByFrameCount_ = controls.RDB_Une_Fois;
    } else {
        TMR_Sauve().setInterval(timerMs(controls.SPED_Freq_Sauve, rateUnitMs(controls.CBX_Unite)));
        TMR_Sauve().setEnabled(controls.RDB_Une_Fois);
    }
    // The burst below may start the duration timer: it needs its period first.
    TMR_Pendant().setInterval(timerMs(controls.SPED_Pendant, periodUnitMs(controls.CBX_Pendant)));
    if (view_) view_->runStateChanged();

    if (!controls.RDB_Une_Fois) {
        TMR_Toutes_les().setInterval(timerMs(controls.SPED_Toutes_les, periodUnitMs(controls.CBX_Toutes_les)));
        TMR_Toutes_les().setEnabled(true);
        burstStart();
    } else {
        BTN_Enregistrer_ImageClick();
    }
    if (!running_) return true; // the first save already ended the run

    if (!controls.RDB_Arret) TMR_Pendant().setEnabled(true);
    savedFrameCounter_ = 0;
    return true;
}

void SaveScheduler::burstStart()
{
    if (countsFrames())
        saveByFrameCount_ = true;
    else
        TMR_Sauve().setEnabled(true);
    BTN_Enregistrer_ImageClick();
    if (!running_) return;
    if (!controls.RDB_Arret) TMR_Pendant().setEnabled(true);
}

void SaveScheduler::TMR_PendantTimer()
{
    if (controls.RDB_Une_Fois || video_.recording() || !videoPath_.isEmpty()) {
        BTN_Arreter_SauvClick();
        return;
    }
    if (countsFrames())
        saveByFrameCount_ = false;
    else
        TMR_Sauve().setEnabled(false);
    TMR_Pendant().setEnabled(false);
}

void SaveScheduler::BTN_Arreter_SauvClick()
{
    TMR_Sauve().setEnabled(false);
    TMR_Toutes_les().setEnabled(false);
    TMR_Pendant().setEnabled(false);
    saveByFrameCount_ = false;
    records_.endRun();
    endVideo();
    const bool wasRunning = running_;
    running_ = false;
    if (wasRunning && savedInRun_ > 0)
        messages_->showMessage(false, texts_->text(u"MSG_Enregistrement_Termine").arg(savedInRun_).arg(lastSaved_));
    savedInRun_ = 0;
    if (view_) view_->runStateChanged();
    if (wasRunning && runStopped) runStopped();
}

void SaveScheduler::stopIfRunning()
{
    if (running_) BTN_Arreter_SauvClick();
}

// A SER run takes the next free number; the file opens with the first frame,
// whose size it records.
bool SaveScheduler::startVideo()
{
    QString taken;
    if (!moveToFreeNumber(false, taken, QStringLiteral(".ser"))) return false;
    videoPath_ = BuildImageBaseName() + QStringLiteral(".ser");
    if (!taken.isEmpty())
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Video_Sous").arg(taken, videoPath_));
    running_ = true;
    savedFrameCounter_ = 0;
    TMR_Pendant().setInterval(timerMs(controls.SPED_Pendant, periodUnitMs(controls.CBX_Pendant)));
    if (!controls.RDB_Arret) TMR_Pendant().setEnabled(true);
    if (view_) view_->runStateChanged();
    return true;
}

void SaveScheduler::endVideo()
{
    videoPath_.clear();
    if (!video_.recording()) return;
    const int frames = video_.frames();
    if (!video_.finish()) {
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Video_Reste")
                                         .arg(video_.target(), video_.errorString(), video_.temporaryName()));
        return;
    }
    messages_->showMessage(false, texts_->text(u"MSG_Sauv_Video_Enregistree").arg(video_.target()).arg(frames));
    if (number() < kMaxImageNumber) setNumber(number() + 1);
}

void SaveScheduler::frameArrived(const QImage& frame, int width, int height, const QDateTime& time)
{
    lastFrameTime_ = time.isValid() ? time : clock_.now();
    if (videoPath_.isEmpty()) return;
    if (!video_.recording()) {
        if (!video_.start(videoPath_, width, height, true, lastFrameTime_)) {
            messages_->showMessage(false, texts_->text(u"MSG_Sauv_Ne_Peut_Creer_Cause").arg(videoPath_, video_.errorString()));
            BTN_Arreter_SauvClick();
            return;
        }
    }
    if (width != video_.width() || height != video_.height()) {
        // One size per video: a new camera format ends it.
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Taille_Changee").arg(video_.target()));
        BTN_Arreter_SauvClick();
        return;
    }
    if (!video_.addFrame(frame, lastFrameTime_)) {
        messages_->showMessage(false, texts_->text(u"MSG_Sauv_Erreur_Ecriture").arg(video_.target(), video_.errorString()));
        BTN_Arreter_SauvClick();
        return;
    }
    ++savedFrameCounter_;
}

void SaveScheduler::frameCounted(bool Selected)
{
    if (!saveByFrameCount_ || !Selected) return;
    ++savedFrameCounter_;
    if (savedFrameCounter_ % std::max(1, controls.SPED_Freq_Sauve) == 0) BTN_Enregistrer_ImageClick();
}

} // namespace velumbra
