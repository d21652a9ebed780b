#pragma once
#include <QString>
#include <QStringList>

namespace velumbra {

// Sounds are hardware: logic asks for them through this interface and never
// waits for them. The program's player (resources/) plays asynchronously,
// a new sound replacing one still playing; tests record what was asked.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // One of the sounds the program carries ("TOP", "OUI", "NON", "YES", "NO").
    virtual void playCue(const QString& name) = 0;
    // A WAV file the user chose.
    virtual void playFile(const QString& path) = 0;
};

class SilentSound final : public SoundPlayer {
public:
    void playCue(const QString&) override {}
    void playFile(const QString&) override {}
};

class RecordingSound final : public SoundPlayer {
public:
    void playCue(const QString& name) override { played << name; }
    void playFile(const QString& path) override { played << QStringLiteral("file:") + path; }
    QStringList played;
};

} // namespace velumbra
