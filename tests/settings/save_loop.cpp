// Saves a settings file over and over until killed: every save writes the
// same generation number into every key, one more than the file held.
// Says "saved" once, after its first save, so the killer knows saves are
// under way. Used by test_settings_kill.
#include "core/Clock.h"
#include "core/Messages.h"
#include "settings/IniFile.h"
#include "SaveLoopLayout.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    using namespace velumbra;
    const QString path = QString::fromLocal8Bit(argv[1]);
    SystemClock clock;
    RecordingMessages messages;
    for (bool first = true;; first = false) {
        IniFile ini(path, IniFile::Mode::Session, clock, messages);
        const int generation = ini.ReadInteger(test::kLoopSections[0], QStringLiteral("Generation"), 0) + 1;
        for (const QString& section : test::kLoopSections) {
            ini.WriteInteger(section, QStringLiteral("Generation"), generation);
            for (int k = 0; k < test::kLoopKeysPerSection; ++k)
                ini.WriteString(section, QStringLiteral("Cle_%1").arg(k), test::loopValue(generation, k));
        }
        ini.close();
        if (first) {
            std::puts("saved");
            std::fflush(stdout);
        }
    }
}
