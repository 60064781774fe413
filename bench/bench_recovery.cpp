#include "document/recovery.h"
#include "imaging/raster.h"
#include "support/sample_images.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// The crash-recovery copy of a long pattern as the writer thread makes it: encoding, checksum
// and the atomic replace of the file, flushed to disk.
void recovery_write_200x4000_ms(benchmark::State& state) {
    QTemporaryDir dir;
    qorn::RecoverySession session(dir.path());
    if (!session.start()) {
        state.SkipWithError("no recovery folder");
        return;
    }
    const qorn::RecoveryContent content{qorn::test::photoLikeImage(200, 4000, 31), 20, 30, 15};
    for (auto _ : state) session.write(content);
}
BENCHMARK(recovery_write_200x4000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// What the editor's own thread pays for the same copy: handing the pattern over, and the next
// stroke, which copies the pattern because the writer still shares it.
void recovery_editor_wait_200x4000_ms(benchmark::State& state) {
    QTemporaryDir dir;
    qorn::RecoverySession session(dir.path());
    if (!session.start()) {
        state.SkipWithError("no recovery folder");
        return;
    }
    qorn::RecoveryWriter writer(session);
    qorn::Raster pattern;
    pattern.setImage(qorn::test::photoLikeImage(200, 4000, 32));
    int stitch = 0;
    for (auto _ : state) {
        writer.write({pattern.image(), 20, 30, 15});
        pattern.setPixel(stitch++ % 200, 0, 0x000000);
        state.PauseTiming();
        writer.wait();
        state.ResumeTiming();
    }
}
BENCHMARK(recovery_editor_wait_200x4000_ms)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace
