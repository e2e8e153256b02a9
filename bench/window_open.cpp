// SPDX-License-Identifier: GPL-3.0-or-later
// Opens one capture in the main window, offscreen, as a user's open command
// does, and tells on standard output how long it took until the records
// showed and the longest time the window went without handling its events.
// bench/windowscale.sh runs it beside norvane-decode on the same capture for
// the peak memory of each.
//   build/bench/norvane-window-open CAPTURE

#include "app/form1.h"

#include <QApplication>
#include <QDir>

#include <algorithm>
#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: norvane-window-open CAPTURE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using Clock = std::chrono::steady_clock;
    Module1 m;
    Form1 form(m, QDir::tempPath());
    form.show();
    QCoreApplication::processEvents();
    auto last = Clock::now();
    double longestGap = 0;
    form.OnPendingEvents = [&] {
        const auto now = Clock::now();
        longestGap = std::max(longestGap, std::chrono::duration<double>(now - last).count());
        last = now;
    };
    const auto t0 = Clock::now();
    last = t0;
    form.OpenSelection(std::nullopt, {QString::fromLocal8Bit(argv[1])});
    QCoreApplication::processEvents(); // the records shown, the chart drawn
    const auto t1 = Clock::now();
    longestGap = std::max(longestGap, std::chrono::duration<double>(t1 - last).count());
    std::printf("open_ms %.1f\nlongest_gap_ms %.1f\nrecords %lld\n",
        1000 * std::chrono::duration<double>(t1 - t0).count(), 1000 * longestGap,
        static_cast<long long>(m.HighestRecord()));
    return 0;
}
