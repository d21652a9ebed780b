#include "core/Clock.h"
#include "core/Messages.h"
#include "acquisition/control/VideoSource.h"
#include "processing/ImageCore.h"
#include "results/ResultClicks.h"
#include "results/SaveScheduler.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <vector>

namespace velumbra::bench {
namespace {

struct Key {
    QString section;
    QString name;
    int value;
};

// A full settings file: the fixed sections with as many keys as the program
// stores in each, and ten profiles of each kind. 312 keys.
std::vector<Key> fullSettings()
{
    const std::pair<const char*, int> sections[] = {{"Prefs", 17}, {"Exposure", 18}, {"Seuils", 7},
                                                    {"Autoguide", 40}, {"AutoFocus", 2}, {"Mire", 8}};
    const std::pair<const char*, int> profiles[] = {{"Optique.", 6}, {"Monture.", 6}, {"Camera.", 10}};
    std::vector<Key> keys;
    for (const auto& [section, count] : sections)
        for (int k = 0; k < count; ++k)
            keys.push_back({QString::fromLatin1(section), QStringLiteral("Reglage_%1").arg(k), 1000 + k});
    for (const auto& [prefix, count] : profiles)
        for (int p = 0; p < 10; ++p)
            for (int k = 0; k < count; ++k)
                keys.push_back({QString::fromLatin1(prefix) + QStringLiteral("Profil %1").arg(p),
                                QStringLiteral("Valeur_%1").arg(k), 7400 + k});
    return keys;
}

// SaveSettings then LoadSettings of a whole file: every key written in one
// session (one file replacement), then the file opened again and every key
// read back. The file is removed outside the timing, so each save starts
// from nothing.
void BM_SettingsSaveLoad(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Velumbra.ini"));
    const std::vector<Key> keys = fullSettings();
    SystemClock clock;
    RecordingMessages messages;
    for (auto _ : state) {
        IniFile save(path, IniFile::Mode::Session, clock, messages);
        for (const Key& k : keys) save.WriteInteger(k.section, k.name, k.value);
        save.close();
        const IniFile load(path, IniFile::Mode::Session, clock, messages);
        long long sum = 0;
        for (const Key& k : keys) sum += load.ReadInteger(k.section, k.name, 0);
        if (sum == 0) state.SkipWithError("nothing read back");
        benchmark::DoNotOptimize(sum);
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
    }
    state.counters["keys"] = double(keys.size());
}
BENCHMARK(BM_SettingsSaveLoad)->Unit(benchmark::kMicrosecond);

// What a user's close and next start do: SaveSettings of every control,
// then LoadSettings of the file, which also holds ten profiles of each kind.
void BM_SaveSettingsLoadSettings(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Velumbra.ini"));
    SystemClock clock;
    RecordingMessages messages;
    ImageCore core(clock);
    SavingControls saving;
    VideoSourceControls video;
    ResultClickLinks links;
    PrefsValues prefs;
    const SettingsTargets targets{core, saving, video, links, prefs};
    {
        SettingsFile file(path, clock, messages);
        IniFile& ini = file.open();
        for (int p = 0; p < 10; ++p) {
            const QString name = QStringLiteral("Profil %1").arg(p);
            WriteOpticsProfile(ini, name, prefs.optics);
            WriteMountProfile(ini, name, prefs.mount);
            WriteCameraProfile(ini, name, prefs.camera);
        }
        file.close();
    }
    for (auto _ : state) {
        SettingsFile file(path, clock, messages);
        SaveSettings(file, targets);
        LoadSettings(file, QStringLiteral("/"), targets);
        if (prefs.cameraProfiles.size() != 11) state.SkipWithError("profiles not read back");
    }
}
BENCHMARK(BM_SaveSettingsLoadSettings)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench
