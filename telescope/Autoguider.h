#pragma once
#include "processing/TrackingHandOffs.h"
#include "telescope/GuideCorrector.h"
#include "telescope/GuideLog.h"
#include "telescope/GuideTrace.h"

#include <functional>
#include <memory>

namespace velumbra {

class Clock;
class MessageSink;
class Pause;
class SteadyClock;

// What the autoguiding window shows of each correction.
class GuideView {
public:
    virtual ~GuideView() = default;
    // EDT_Sens_Erreur (θ), TNI_TR_AD and TNI_TR_Dec.
    virtual void showCorrection(const Correction&) {}
    // The corrections of the run so far, for the live graph.
    virtual void showTrace(const GuideTrace&) {}
};

// Autoguiding as the frame routine drives it: fed one tracking pass per
// guiding frame, it sends the correction of the star's offset while the
// star is seen, and logs it.
//
// A star is lost when its detection zone touches the frame border, or when
// it stands out of the zone's mean by less than a third of what it did when
// guiding began (or by less than kFaintestStar grey levels): a cloud, a
// star gone out of the zone. Corrections then stop rather than chase noise;
// this is said once, and said again when the star is back and corrections
// resume.
class Autoguider final : public GuideCorrection {
public:
    static constexpr int kFaintestStar = 8;

    struct Devices {
        MountRequests& mount;
        Pause& pause;
        MessageSink& messages;
        const Clock& clock;
        const SteadyClock& steady;
    };
    explicit Autoguider(Devices devices);
    ~Autoguider() override;

    // The controls a correction reads, asked at every correction.
    std::function<GuideSettings()> settingsSource;
    void setView(GuideView* view) { view_ = view ? view : &noView_; }

    // Guiding is switched on: the alternation and the star watch start
    // afresh; with a log setup, a guide log is opened in `logFolder`.
    void start(const GuideLogSetup* logSetup = nullptr, const QString& logFolder = {});
    // Guiding is switched off: the log is closed.
    void stop();
    bool running() const { return running_; }
    bool starLost() const { return lost_; }
    int referenceBrightness() const { return reference_; }
    const GuideLog& log() const { return *log_; }

    // The correction itself (also the Shift+Ctrl click, with the offset
    // from the guiding reference to the clicked point).
    void guide_correct(int dx, int dy) override;
    // One tracking pass while guiding: the star is checked, then corrected.
    void guideStar(const GuideStar& star) override;

    const Correction& lastCorrection() const { return last_; }
    // The run's last corrections on the sky, cleared at each start.
    const GuideTrace& trace() const { return trace_; }

private:
    enum class Loss { None, Border, Faint };
    Loss lossOf(const GuideStar& star) const;
    void correct(int dx, int dy, int brightness);

    MountRequests& mount_;
    MessageSink& messages_;
    const SteadyClock& steady_;
    qint64 startMs_ = 0;
    GuideTrace trace_;
    GuideCorrector corrector_;
    std::unique_ptr<GuideLog> log_;
    GuideView noView_;
    GuideView* view_ = &noView_;
    Correction last_;
    bool running_ = false;
    bool lost_ = false;
    int reference_ = 0; // the star's brightness when guiding began
};

} // namespace velumbra
