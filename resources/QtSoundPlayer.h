#pragma once
#include "core/Messages.h"
#include "core/Sound.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class QSoundEffect;

namespace velumbra {

// The program's sound player: the cue sounds it carries (resources
// ":/sounds/NAME.wav") and the user's WAV files, played without waiting
// through Qt Multimedia. A new sound stops one still playing. A machine
// without a sound output plays nothing and says so once in the message
// panel; a cue name the program does not carry is said once too.
class QtSoundPlayer final : public SoundPlayer {
public:
    // hasOutput tells whether a sound output exists; by default the
    // system's list of audio outputs is asked, once.
    explicit QtSoundPlayer(MessageSink& messages, std::function<bool()> hasOutput = {});
    ~QtSoundPlayer() override;

    void playCue(const QString& name) override;
    void playFile(const QString& path) override;

    // The sounds the program carries.
    static const QStringList& cueNames();
    static QString cueResource(const QString& name) { return QStringLiteral(":/sounds/") + name + QStringLiteral(".wav"); }
    // Where a cue is played from: the installed sound file (share/velumbra/
    // sounds, or the sounds beside the build) when there is one, so a user
    // may replace it, else the copy the program carries.
    static QString cueSource(const QString& name);

private:
    bool outputReady();
    void play(QSoundEffect& effect);
    // The effect kept for a cue name or a file, made on its first use.
    QSoundEffect& effectFor(std::map<QString, std::unique_ptr<QSoundEffect>>& effects, const QString& key,
                            const QString& source);

    MessageSink& messages_;
    std::function<bool()> hasOutput_;
    int outputKnown_ = -1; // -1 not asked yet, 0 none, 1 present
    bool saidNoOutput_ = false;
    QSet<QString> saidUnknown_;
    std::map<QString, std::unique_ptr<QSoundEffect>> cueEffects_;
    std::map<QString, std::unique_ptr<QSoundEffect>> fileEffects_;
    QSoundEffect* playing_ = nullptr;
};

} // namespace velumbra
