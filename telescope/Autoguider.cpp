#include "telescope/Autoguider.h"
#include "core/Messages.h"
#include "core/SteadyClock.h"

namespace velumbra {

Autoguider::Autoguider(Devices d)
    : mount_(d.mount), messages_(d.messages), steady_(d.steady), corrector_(d.mount, d.pause),
      log_(std::make_unique<GuideLog>(d.messages, d.clock, d.steady))
{
}

Autoguider::~Autoguider() = default;

void Autoguider::start(const GuideLogSetup* logSetup, const QString& logFolder)
{
    running_ = true;
    lost_ = false;
    reference_ = 0;
    corrector_.restart();
    trace_.clear();
    startMs_ = steady_.nowMs();
    view_->showTrace(trace_);
    log_->close();
    if (logSetup) log_->open(logFolder, *logSetup);
}

void Autoguider::stop()
{
    running_ = false;
    lost_ = false;
    log_->close();
}

Autoguider::Loss Autoguider::lossOf(const GuideStar& star) const
{
    if (star.clamped) return Loss::Border;
    if (star.brightness < kFaintestStar) return Loss::Faint;
    if (reference_ > 0 && 3 * star.brightness < reference_) return Loss::Faint;
    return Loss::None;
}

void Autoguider::guideStar(const GuideStar& star)
{
    const Loss loss = lossOf(star);
    if (loss != Loss::None) {
        if (!lost_) {
            lost_ = true;
            const bool border = loss == Loss::Border;
            messages_.showMessage(false, border ? QStringLiteral("Autoguidage : l'étoile atteint le bord de l'image, "
                                                                 "corrections suspendues.")
                                                : QStringLiteral("Autoguidage : étoile perdue (trop faible), "
                                                                 "corrections suspendues."));
            log_->note(border ? "etoile perdue : bord de l'image, corrections suspendues"
                              : "etoile perdue : trop faible, corrections suspendues");
        }
        return;
    }
    if (lost_) {
        lost_ = false;
        messages_.showMessage(false, QStringLiteral("Autoguidage : étoile retrouvée, corrections reprises."));
        log_->note("etoile retrouvee, corrections reprises");
    }
    if (reference_ == 0) reference_ = star.brightness;
    correct(star.dx, star.dy, star.brightness);
}

void Autoguider::guide_correct(int dx, int dy) { correct(dx, dy, 0); }

void Autoguider::correct(int dx, int dy, int brightness)
{
    const GuideSettings s = settingsSource ? settingsSource() : GuideSettings{};
    const quint64 raBefore = mount_.lastPulse(Axis::RA).count;
    const quint64 decBefore = mount_.lastPulse(Axis::Dec).count;
    last_ = corrector_.guide_correct(dx, dy, s);
    // The pulses that went out: a move already under way is not sent again.
    const MountRequests::Pulse ra = mount_.lastPulse(Axis::RA);
    const MountRequests::Pulse dec = mount_.lastPulse(Axis::Dec);
    view_->showCorrection(last_);
    if (running_) {
        trace_.add(guideTracePoint(double(steady_.nowMs() - startMs_) / 1000.0, last_.dx, last_.dy, last_.theta,
                                   s.TNI_Echantillonnage));
        view_->showTrace(trace_);
    }
    if (running_)
        log_->correction(last_, ra.count != raBefore ? ra.ms : 0, dec.count != decBefore ? dec.ms : 0, brightness);
}

} // namespace velumbra
