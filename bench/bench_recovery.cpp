#include "document/recovery.h"
#include "support/sample_images.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// The crash-recovery copy of a long pattern, written while the editor waits between strokes:
// encoding, checksum and the atomic replace of the file, flushed to disk.
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

} // namespace
