#pragma once
#include "core/Clock.h"
#include "core/LanguageTable.h"
#include "core/Messages.h"
#include "processing/FrameCountHook.h"
#include "results/BmpWriter.h"
#include "results/ParameterRecord.h"
#include "results/SaveTimer.h"
#include "results/SerFile.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>

namespace velumbra {

// Values of the result window's saving controls; the window keeps them in
// step with its controls, the scheduler writes back only the number.
struct SavingControls {
    QString EDT_Nom_Image;
    double TNI_Num_Suffixe = 1;      // 1..65535
    bool CKB_Longueur_Fixe = false;
    double TNI_Longueur_Sequence = 4; // 1..5
    bool CKB_Enreg_Params = false;
    bool CKB_Un_seul_fichier = false;
    int SPED_Freq_Sauve = 1;         // rate R
    int CBX_Unite = 0;               // "Images", "Secondes", "Minutes", "Heures"
    bool RDB_Une_Fois = true;        // otherwise "Toutes les"
    int SPED_Toutes_les = 1;         // period P
    int CBX_Toutes_les = 0;          // "Secondes", "Minutes", "Heures"
    bool RDB_Arret = true;           // otherwise "Pendant"
    int SPED_Pendant = 1;            // duration D
    int CBX_Pendant = 0;
    // Format of the saved images: 0 "BMP" (what the thresholds show), 1
    // "FITS" (the corrected sums, unclipped).
    int CBX_Format = 0;
    // The third kind of sequence: instead of images, a SER video of the
    // frames as they arrive, from "Demarrer" to "Arrêter" (or the duration).
    bool RDB_Video_SER = false;
};

inline constexpr int kFormatBmp = 0, kFormatFits = 1;

// Milliseconds of one unit of the rate list (index 1..3) and of the
// period and duration lists (index 0..2).
qint64 rateUnitMs(int CBX_Unite);
qint64 periodUnitMs(int index);

// The schedule the controls ask for, in one sentence: how often an image is
// saved, whether in one series or in a series every period, and until when.
QString describeSchedule(const SavingControls& c, const NamedTexts& texts);

// What the scheduler tells the result window.
class SavingView {
public:
    virtual ~SavingView() = default;
    virtual void numberChanged(int /*number*/) {}
    virtual void runStateChanged() {}
};

// Saving of the result image: one save by hand, and timed saving with its
// three timers (one save per tick of TMR_Sauve, a burst every tick of
// TMR_Toutes_les, the end of a burst or of the run at TMR_Pendant) or by
// frame count through the frame sources.
class SaveScheduler final : public FrameCountHook {
public:
    struct Timers {
        std::unique_ptr<SaveTimer> TMR_Sauve;
        std::unique_ptr<SaveTimer> TMR_Toutes_les;
        std::unique_ptr<SaveTimer> TMR_Pendant;
    };
    SaveScheduler(const Clock& clock, MessageSink& messages, Timers timers, QLocale locale = QLocale::system());
    ~SaveScheduler() override;

    SavingControls controls;
    // The record's values, gathered at each save; defaults when unset.
    std::function<ParameterValues()> gatherParameters;
    // Writes the result's sums as a new FITS file (an existing one is left
    // as it was); unset, the FITS format saves nothing.
    std::function<bool(const QString& path, QString& error)> writeFits;
    // Runs after timed saving stopped (motion detection ends its action).
    std::function<void()> runStopped;
    void setView(SavingView* view) { view_ = view; }
    void setMessageSink(MessageSink& messages) { messages_ = &messages; }
    // The language of the reports of what was saved; never null.
    void setTexts(const NamedTexts* texts) { texts_ = texts ? texts : &NamedTexts::builtIn(); }
    void setTexts(const NamedTexts& texts) { texts_ = &texts; }

    // The shown result image: the top-left width x height of `image`.
    void setImage(const QImage* image, int width, int height);
    void setResultSize(int width, int height);

    QString BuildImageBaseName() const;

    // Saves one image now, under the first number from the current one
    // whose files do not exist yet; false when nothing was written.
    bool BTN_Enregistrer_ImageClick();
    // Timed saving; false when the run could not start.
    bool BTN_Demarrer_SauvClick();
    void BTN_Arreter_SauvClick();
    // Stops a run if one is going (motion detection off, long exposures closed).
    void stopIfRunning();

    void frameCounted(bool Selected) override;
    void frameArrived(const QImage& frame, int width, int height, const QDateTime& time) override;
    // When the image to save was taken: the last frame's time as its source
    // gave it, else its arrival; now when no frame arrived yet. The records,
    // the FITS header and the video carry it.
    QDateTime imageTime() const { return lastFrameTime_.isValid() ? lastFrameTime_.toLocalTime() : clock_.now(); }
    // The video being recorded, while a SER run goes.
    const SerRecorder& video() const { return video_; }

    bool running() const { return running_; }
    bool singleFileRun() const { return records_.runOpen(); }
    bool saveByFrameCount() const { return saveByFrameCount_; }
    int savedFrameCounter() const { return savedFrameCounter_; }
    int number() const;
    SaveTimer& TMR_Sauve() { return *timers_.TMR_Sauve; }
    SaveTimer& TMR_Toutes_les() { return *timers_.TMR_Toutes_les; }
    SaveTimer& TMR_Pendant() { return *timers_.TMR_Pendant; }

private:
    void burstStart();
    void TMR_PendantTimer();
    void reachedLastNumber();
    QString basePath(int number) const;
    QString imageExtension() const;
    QStringList takenNames(int n, bool ownRecord, const QString& extension) const;
    int freeNumberFrom(int first, bool ownRecord, const QString& extension) const;
    bool moveToFreeNumber(bool ownRecord, QString& taken, const QString& extension);
    bool writeImage(const QString& path, QString& error);
    void stopAfterFailedSave(const QString& cause);
    bool startVideo();
    void endVideo();
    void setNumber(int number);
    bool countsFrames() const { return controls.CBX_Unite == 0; }

    const Clock& clock_;
    MessageSink* messages_;
    const NamedTexts* texts_ = &NamedTexts::builtIn();
    Timers timers_;
    SavingView* view_ = nullptr;
    BmpWriter bmp_;
    SerRecorder video_;
    QString videoPath_; // the video's name while a SER run waits for its first frame
    ParameterRecordWriter records_;
    const QImage* image_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool running_ = false;
    bool saveByFrameCount_ = false;
    int savedFrameCounter_ = 0;
    QDateTime lastFrameTime_;
    int savedInRun_ = 0;  // images a timed run saved, told when it stops
    QString lastSaved_;   // the last image file written
};

// The three timers of a scheduler, driven by hand from a ManualClock.
inline SaveScheduler::Timers manualSaveTimers(ManualTimers& timers)
{
    SaveScheduler::Timers t;
    t.TMR_Sauve = timers.make();
    t.TMR_Toutes_les = timers.make();
    t.TMR_Pendant = timers.make();
    return t;
}

} // namespace velumbra
