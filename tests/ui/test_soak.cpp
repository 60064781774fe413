// The random session of the main window. In the suite it runs a fixed seed for a fixed number
// of steps. QORN_SOAK_SECONDS=N runs sessions one after another for N seconds, each with a seed
// of its own (from QORN_SOAK_SEED on, or from the clock) and at most a minute long; a failing
// session prints its seed and step, and QORN_SOAK_SEED=S QORN_SOAK_STEPS=K replays it.
// QORN_SOAK_TRACE=1 prints every step as it runs.
#include "soak_driver.h"

#include "app/Form1.h"
#include "app/app_paths.h"
#include "document/qrnobj.h"
#include "imaging/raster.h"
#include "support/sample_images.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace qorn::test;

namespace {

std::optional<long long> numberVariable(const char* name) {
    bool ok = false;
    const long long v = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? std::optional<long long>(v) : std::nullopt;
}

int64_t count(const SoakOutcome& o, const std::string& key) {
    const auto it = o.counts.find(key);
    return it == o.counts.end() ? 0 : it->second;
}

int64_t countPrefix(const SoakOutcome& o, const std::string& prefix) {
    int64_t n = 0;
    for (const auto& [k, v] : o.counts)
        if (k.rfind(prefix, 0) == 0) n += v;
    return n;
}

} // namespace

TEST(Soak, ShortRandomSession) {
    const bool trace = qEnvironmentVariableIntValue("QORN_SOAK_TRACE") != 0;
    if (const auto seconds = numberVariable("QORN_SOAK_SECONDS"); seconds && *seconds > 0) {
        const uint64_t first = numberVariable("QORN_SOAK_SEED")
                                   ? uint64_t(*numberVariable("QORN_SOAK_SEED"))
                                   : uint64_t(QDateTime::currentMSecsSinceEpoch());
        QElapsedTimer clock;
        clock.start();
        int64_t steps = 0;
        int sessions = 0;
        for (uint64_t seed = first; clock.elapsed() < *seconds * 1000; ++seed) {
            SoakRun run;
            run.seed = seed;
            run.maxSteps = 0;
            run.maxSeconds = std::min(60.0, *seconds - clock.elapsed() / 1000.0);
            run.folder = freshTempDir(QStringLiteral("soak-%1").arg(seed));
            run.trace = trace;
            const SoakOutcome o = runSoak(run);
            steps += o.steps;
            ++sessions;
            ASSERT_FALSE(o.failed) << o.report;
        }
        std::printf("soak: %d sessions, seeds %llu to %llu, %lld steps in %.0f s\n", sessions,
                    static_cast<unsigned long long>(first), static_cast<unsigned long long>(first + sessions - 1),
                    static_cast<long long>(steps), clock.elapsed() / 1000.0);
        RecordProperty("steps", std::to_string(steps));
        return;
    }

    SoakRun run;
    run.seed = numberVariable("QORN_SOAK_SEED").value_or(20240611);
    run.maxSteps = numberVariable("QORN_SOAK_STEPS").value_or(2000);
    run.folder = freshTempDir(QStringLiteral("soak"));
    run.trace = trace;
    const SoakOutcome o = runSoak(run);
    ASSERT_FALSE(o.failed) << o.report;
    EXPECT_EQ(o.steps, run.maxSteps);
    // The session reached every part of the window it is meant to: a soak that silently stops
    // reaching the dialogs or the canvas proves nothing.
    if (run.maxSteps >= 2000) {
        for (const char* dialog : {"dialog gauge", "dialog size", "dialog import", "dialog print", "dialog text",
                                   "dialog reduce", "dialog frmAll", "dialog colour 0", "dialog colour 1"})
            EXPECT_GT(count(o, dialog), 0) << dialog;
        for (const char* service : {"open dialog", "save dialog", "msgbox", "printer dialog", "help"})
            EXPECT_GT(count(o, service), 0) << service;
        EXPECT_GT(count(o, "gesture"), 200);
        EXPECT_GT(count(o, "exit done"), 0);
        EXPECT_GT(count(o, "drop"), 0);
        EXPECT_GT(countPrefix(o, "menu ") - count(o, "menu disabled"), 300);
        EXPECT_GT(countPrefix(o, "toolbar "), 50);
        EXPECT_EQ(count(o, "dialog unknown"), 0);
    }
    std::printf("soak: seed %llu, %lld steps\n", static_cast<unsigned long long>(run.seed),
                static_cast<long long>(o.steps));
    if (qEnvironmentVariableIntValue("QORN_SOAK_COUNTS"))
        for (const auto& [k, v] : o.counts) std::printf("  %s: %lld\n", k.c_str(), static_cast<long long>(v));
}

// The checks bite: a window broken on purpose in the middle of a session fails it at that step,
// with the seed, the step and what is wrong in the report.
TEST(Soak, ChecksCatchABrokenWindow) {
    struct Case {
        const char* what;
        std::function<void(qorn::Form1&)> sabotage;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"status", [](qorn::Form1& f) { f.Label3->setText(QStringLiteral("1×1")); }, "status line"},
        {"selection",
         [](qorn::Form1& f) {
             qorn::qrnobj& q = *f.state().qrnobj;
             q.selected = true;
             q.smpx = q.smpy = 0;
             q.empx = static_cast<int16_t>(f.state().LeadSrc.width() + 3);
             q.empy = 1;
         },
         "lies outside the pattern"},
        {"indexed", [](qorn::Form1& f) { f.state().LeadSrc.colorRes(8, qorn::PaletteOptimized, 0, 16); },
         "not 24-bit RGB"},
        {"tools", [](qorn::Form1& f) { f.mnuTool->menuAction()->setEnabled(false); }, "tools are disabled"},
        {"temporary file", [](qorn::Form1&) { writeFile(QDir::tempPath() + QStringLiteral("/qorn.tmp"), "x"); },
         "temporary folder"},
        {"program folder", [](qorn::Form1&) { writeFile(qorn::AppFile(QStringLiteral("qrntmp.bmp")), "x"); },
         "program folder"},
        {"stray file", [](qorn::Form1&) { writeFile(QDir::tempPath() + QStringLiteral("/../files/stray.bmp"), "x"); },
         "nobody asked for"},
    };
    for (const Case& c : cases) {
        SoakRun run;
        run.seed = 77;
        run.maxSteps = 60;
        run.sabotageStep = 40;
        run.sabotage = c.sabotage;
        run.folder = freshTempDir(QStringLiteral("soak-broken"));
        const SoakOutcome o = runSoak(run);
        EXPECT_TRUE(o.failed) << c.what;
        EXPECT_EQ(o.steps, 39) << c.what; // the step that broke it is not counted as done
        EXPECT_NE(o.report.find(c.expected), std::string::npos) << c.what << "\n" << o.report;
        EXPECT_NE(o.report.find("seed 77 failed at step 40"), std::string::npos) << o.report;
        EXPECT_NE(o.report.find("#40 "), std::string::npos) << o.report;
    }
}
