#pragma once
#include <QImage>
#include <QString>

namespace velumbra {

class SoundPlayer;

// What one comparison with the reference image found.
struct MotionResult {
    bool detected = false;
    int changedPixels = 0;
    int fraction = 0; // changed pixels in 1/10000 of the frame ("Actuel")
};

// Counts the pixels of the top-left width x height of two 32-bit images
// whose channel sums differ by more than 3 x level (level is a mean change
// per channel, 0..255); detected when more than
// RoundDown(countThreshold x 0.0001 x pixels) changed (countThreshold in
// 1/10000 of the frame, 0..10000).
MotionResult motionMeasure(const QImage& live, const QImage& reference, int width, int height, int level,
                           int countThreshold);

// Interval of the automatic redefinition of the reference: a count of
// seconds (unit 0), minutes (1) or hours (2), in milliseconds; 0 when the
// count or the unit gives no interval.
long long referenceIntervalMs(int count, int unit);

// The choices of the action dialog TFRM_Prg_Action.
struct DetectionActions {
    bool CKB_Action_Pose_longue = false; // "Lancer une pose longue"
    bool CKB_Action_Sauvegarder = false; // "Demarrer l'enregistrement automatique"
    bool CKB_Jouer_un_son = false;       // "Jouer un fichier son"
    QString EDT_Son_a_jouer;
};

// What an action asks of the other windows.
class DetectionActionHooks {
public:
    virtual ~DetectionActionHooks() = default;
    // One long exposure; false while the program has no long exposure to
    // start (the action then leaves detection running).
    virtual bool startSingleLongExposure() { return false; }
    // The result window's automatic saving ("Demarrer").
    virtual void startAutomaticSaving() {}
};

// Motion detection: the reference image, the measure against it and the
// action run once when motion is found.
class MotionDetection {
public:
    // The reference is the working frame as it is now, at its size.
    void defineReference(const QImage& frame, int width, int height);
    // A source's first start or a new video format: no reference until one is defined again.
    void forgetReference() { referencePresent_ = false; }
    bool referencePresent() const { return referencePresent_; }
    const QImage& reference() const { return reference_; }
    int referenceWidth() const { return referenceWidth_; }
    int referenceHeight() const { return referenceHeight_; }

    // Detection runs while a reference is present and no action is in progress.
    bool ready() const { return referencePresent_ && !singleShot_; }
    // Measures the live frame; with a detection and `act`, the action runs.
    bool detectMotion(const QImage& live, int width, int height, double levelField, double countField, bool act);
    int TNI_Diff_actuel() const { return fraction_; }

    DetectionActions actions;
    void setHooks(DetectionActionHooks* hooks) { hooks_ = hooks ? hooks : &noHooks_; }
    void setSound(SoundPlayer* sound) { sound_ = sound; }
    void runDetectionAction();

    // An action in progress: detection waits, every frame is selected.
    bool singleShot() const { return singleShot_; }
    // The single long exposure ended.
    void longExposureDone() { singleShot_ = false; }
    // The result window's automatic saving stopped.
    void automaticSavingStopped()
    {
        if (actions.CKB_Action_Sauvegarder) singleShot_ = false;
    }

private:
    QImage reference_;
    int referenceWidth_ = 0;
    int referenceHeight_ = 0;
    bool referencePresent_ = false;
    bool singleShot_ = false;
    int fraction_ = 0;
    DetectionActionHooks noHooks_;
    DetectionActionHooks* hooks_ = &noHooks_;
    SoundPlayer* sound_ = nullptr;
};

} // namespace velumbra
