#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace qorn {
class Form1;
}

namespace qorn::test {

// One random session of the real main window, offscreen: menus, tool bars, the canvas mouse,
// keys, the palette, dropped files and the clipboard, with every dialog, file dialog and
// message box answered at random. The window's state is checked after every step.
struct SoakRun {
    uint64_t seed = 1;
    int64_t maxSteps = 2000; // 0: no limit
    double maxSeconds = 0;   // 0: no limit
    // A folder of the session's own; it becomes the program folder, the temporary folder and
    // the place of every file the session opens or saves.
    QString folder;
    // Every step printed as it runs (QORN_SOAK_TRACE).
    bool trace = false;
    // Run on the window after that step, before the checks: how the checks are shown to bite.
    std::function<void(Form1&)> sabotage;
    int64_t sabotageStep = 0;
};

struct SoakOutcome {
    int64_t steps = 0;
    bool failed = false;
    // The seed, the step, what went wrong and the last steps before it.
    std::string report;
    // How often each kind of step, dialog and answer came up.
    std::map<std::string, int64_t> counts;
};

SoakOutcome runSoak(const SoakRun& run);

} // namespace qorn::test
