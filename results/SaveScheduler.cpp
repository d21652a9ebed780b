#include "results/SaveScheduler.h"
#include "results/ImageNaming.h"

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

void SaveScheduler::numberEdited() { lastNumberPath_.clear(); }

bool SaveScheduler::BTN_Enregistrer_ImageClick()
{
    const QString base = BuildImageBaseName();
    const QString path = base + QStringLiteral(".bmp");
    if (!lastNumberPath_.isEmpty() && path == lastNumberPath_) {
        messages_->showMessage(false, QStringLiteral("Le fichier %1 porte le dernier numéro (%2) et ne sera pas "
                                                    "remplacé : changer le numéro ou le préfixe")
                                         .arg(path)
                                         .arg(kMaxImageNumber));
        stopIfRunning();
        return false;
    }
    if (!image_ || !bmp_.write(path, *image_, width_, height_)) {
        messages_->showMessage(false, QStringLiteral("Ne peut créer le fichier %1").arg(path));
        return false;
    }
    if (controls.CKB_Enreg_Params) {
        const QString name = base + QStringLiteral(".par");
        const ParameterValues values = gatherParameters ? gatherParameters() : ParameterValues{};
        if (!records_.WriteParameterRecord(name, base, values, clock_.now())) {
            messages_->showMessage(false, QStringLiteral("Erreur d'écriture de %1 : %2").arg(name, records_.errorString()));
            return false;
        }
    }
    if (number() >= kMaxImageNumber)
        reachedLastNumber(path);
    else
        setNumber(number() + 1);
    return true;
}

// The number cannot go past 65535. Saving on would replace that file again and
// again, so a run stops here and the file stays as written.
void SaveScheduler::reachedLastNumber(const QString& path)
{
    lastNumberPath_ = path;
    messages_->showMessage(false, QStringLiteral("La valeur doit être comprise entre 1 and %1").arg(kMaxImageNumber));
    if (running_) {
        messages_->showMessage(false, QStringLiteral("Enregistrement automatique arrêté : le numéro %1 est atteint")
                                         .arg(kMaxImageNumber));
        BTN_Arreter_SauvClick();
    }
}

bool SaveScheduler::BTN_Demarrer_SauvClick()
{
    if (running_) return false;
    if (controls.CKB_Un_seul_fichier && controls.CKB_Enreg_Params) {
        const QString name = BuildImageBaseName() + QStringLiteral(".par");
        if (!records_.beginRun(name)) {
            messages_->showMessage(false, QStringLiteral("Ne peut créer le fichier %1 : %2").arg(name, records_.errorString()));
            return false;
        }
    }
    running_ = true;
    savedFrameCounter_ = 0;
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
    if (controls.RDB_Une_Fois) {
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
    const bool wasRunning = running_;
    running_ = false;
    if (view_) view_->runStateChanged();
    if (wasRunning && runStopped) runStopped();
}

void SaveScheduler::stopIfRunning()
{
    if (running_) BTN_Arreter_SauvClick();
}

void SaveScheduler::frameCounted(bool Selected)
{
    if (!saveByFrameCount_ || !Selected) return;
    ++savedFrameCounter_;
    if (savedFrameCounter_ % std::max(1, controls.SPED_Freq_Sauve) == 0) BTN_Enregistrer_ImageClick();
}

} // namespace velumbra
