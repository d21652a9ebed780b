#include "core/Clock.h"
#include "core/ImageBuffers.h"
#include "bench/JpegReference.h"
#include "results/BmpWriter.h"
#include "results/SaveScheduler.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace velumbra::bench {
namespace {

// One 640 x 480 result image written as the next numbered BMP file of a
// sequence in a temporary folder (temporary name, then rename). The file of
// the previous round is removed outside the timing so the folder stays small.
void BM_SaveResultImage(benchmark::State& state)
{
    QTemporaryDir dir;
    const QImage& image = referenceFrame();
    BmpWriter writer;
    int number = 0;
    QString previous;
    for (auto _ : state) {
        const QString path = dir.path() + QStringLiteral("/jup%1.bmp").arg(++number);
        if (!writer.write(path, image, 640, 480)) state.SkipWithError("write failed");
        state.PauseTiming();
        if (!previous.isEmpty()) QFile::remove(previous);
        previous = path;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveResultImage)->Unit(benchmark::kMicrosecond);

// The whole save of the result window: name, image, parameter record, number.
void BM_SaveResultImageWithRecord(benchmark::State& state)
{
    QTemporaryDir dir;
    ManualClock clock;
    ManualTimers timers(clock);
    RecordingMessages messages;
    SaveScheduler::Timers t;
    t.TMR_Sauve = timers.make();
    t.TMR_Toutes_les = timers.make();
    t.TMR_Pendant = timers.make();
    SaveScheduler saver(clock, messages, std::move(t));
    saver.setImage(&referenceFrame(), 640, 480);
    saver.controls.EDT_Nom_Image = dir.path() + QStringLiteral("/jup");
    saver.controls.CKB_Enreg_Params = true;
    QString previous;
    for (auto _ : state) {
        if (!saver.BTN_Enregistrer_ImageClick()) state.SkipWithError("save failed");
        state.PauseTiming();
        if (saver.number() >= 65000) saver.controls.TNI_Num_Suffixe = 1;
        if (!previous.isEmpty()) {
            QFile::remove(previous + QStringLiteral(".bmp"));
            QFile::remove(previous + QStringLiteral(".par"));
        }
        previous = dir.path() + QStringLiteral("/jup%1").arg(saver.number() - 1);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveResultImageWithRecord)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velumbra::bench
