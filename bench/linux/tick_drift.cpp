// How far 60 one-second ticks of the program's timer drift from 60 seconds
// of the monotonic clock, beside a plain repeating QTimer for comparison.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "frontend/tray_qt/PreciseTicker.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 60;
    QElapsedTimer clock;
    qint64 beatDone = -1, plainDone = -1;
    int beatCount = 0, plainCount = 0;

    dormix::tray_qt::PreciseTicker beat(1000, [&] {
        if (++beatCount == ticks) beatDone = clock.nsecsElapsed();
    });
    QTimer plain;
    plain.setInterval(1000);  // Qt's default, a coarse timer
    QObject::connect(&plain, &QTimer::timeout, [&] {
        if (++plainCount == ticks) plainDone = clock.nsecsElapsed();
    });
    QTimer done;
    done.setInterval(50);
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (beatDone >= 0 && plainDone >= 0) app.quit();
    });
    clock.start();
    beat.Start();
    plain.start();
    done.start();
    app.exec();

    auto report = [&](const char* name, qint64 ns) {
        const double s = ns / 1e9;
        std::printf("linux %-22s %d ticks in %9.4f s  drift %+7.3f %%\n", name, ticks, s,
                    (s - ticks) / ticks * 100.0);
    };
    report("beat timer (program)", beatDone);
    report("plain QTimer", plainDone);
    return 0;
}
