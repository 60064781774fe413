#pragma once

#include <QByteArray>
#include <QFile>

// Resident and peak resident memory from /proc, in MB. The peak can be reset, so that what
// came before (start-up, making the test data) does not hide what is measured.
inline double statusMb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Resets the peak to the current resident size and returns that size.
inline double resetPeakMb() {
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly)) reset.write("5");
    reset.close();
    return statusMb("VmRSS:");
}
