#include "resources/QtSoundPlayer.h"
#include "core/DataFiles.h"

#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace velumbra {

QtSoundPlayer::QtSoundPlayer(MessageSink& messages, std::function<bool()> hasOutput)
    : messages_(messages), hasOutput_(std::move(hasOutput))
{
    if (!hasOutput_) hasOutput_ = [] { return !QMediaDevices::audioOutputs().isEmpty(); };
}

QtSoundPlayer::~QtSoundPlayer() = default;

const QStringList& QtSoundPlayer::cueNames()
{
    static const QStringList names{QStringLiteral("TOP"), QStringLiteral("OUI"), QStringLiteral("NON"),
                                   QStringLiteral("YES"), QStringLiteral("NO")};
    return names;
}

QString QtSoundPlayer::cueSource(const QString& name)
{
    const QString installed = findDataFile(QStringLiteral("sounds/") + name + QStringLiteral(".wav"));
    return installed.isEmpty() ? cueResource(name) : installed;
}

bool QtSoundPlayer::outputReady()
{
    if (outputKnown_ < 0) outputKnown_ = hasOutput_() ? 1 : 0;
    if (outputKnown_ == 1) return true;
    if (!saidNoOutput_) {
        saidNoOutput_ = true;
        messages_.showMessage(false, QStringLiteral("Aucune sortie son sur cette machine : les sons ne seront pas joués."));
    }
    return false;
}

QSoundEffect& QtSoundPlayer::effectFor(std::map<QString, std::unique_ptr<QSoundEffect>>& effects,
                                       const QString& key, const QString& source)
{
    auto& effect = effects[key];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        const QUrl url = source.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + source)
                                                              : QUrl::fromLocalFile(source);
        QSoundEffect* e = effect.get();
        QObject::connect(e, &QSoundEffect::statusChanged, e, [this, e, source] {
            if (e->status() != QSoundEffect::Error || saidUnknown_.contains(source)) return;
            saidUnknown_.insert(source);
            messages_.showMessage(false, QStringLiteral("Son illisible : ") + QFileInfo(source).fileName());
        });
        e->setSource(url);
    }
    return *effect;
}

void QtSoundPlayer::play(QSoundEffect& effect)
{
    if (playing_ && playing_ != &effect) playing_->stop();
    playing_ = &effect;
    effect.play();
}

void QtSoundPlayer::playCue(const QString& name)
{
    if (!cueNames().contains(name)) {
        if (!saidUnknown_.contains(name)) {
            saidUnknown_.insert(name);
            messages_.showMessage(false, QStringLiteral("Le programme n'a pas de son nommé \"%1\".").arg(name));
        }
        return;
    }
    if (!outputReady()) return;
    // Looked up by name: a cue played on every frame builds no path each time.
    auto found = cueEffects_.find(name);
    play(found != cueEffects_.end() ? *found->second : effectFor(cueEffects_, name, cueSource(name)));
}

void QtSoundPlayer::playFile(const QString& path)
{
    if (!outputReady()) return;
    if (!QFileInfo(path).isFile()) {
        if (!saidUnknown_.contains(path)) {
            saidUnknown_.insert(path);
            messages_.showMessage(false, QStringLiteral("Fichier son introuvable : ") + path);
        }
        return;
    }
    play(effectFor(fileEffects_, path, path));
}

} // namespace velumbra
