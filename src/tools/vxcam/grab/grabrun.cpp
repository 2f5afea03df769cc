#include "grabrun.h"

#include "cameraconnections.h"
#include "camerahandle.h"
#include "camerarun.h"
#include "failurelines.h"
#include "filenameclash.h"
#include "grabhost.h"
#include "interrupt.h"
#include "pngpreview.h"
#include "printabletext.h"
#include "progressdisplay.h"
#include "savefolder.h"
#include "sdkdiscovery.h"
#include "terminal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = GrabHost::Clock;

// How often the main thread prints failure lines and redraws the progress.
constexpr std::chrono::milliseconds kTick {50};
constexpr int kTicksPerRedraw = 4;
// How often a camera that is not there yet is looked for again.
constexpr std::chrono::seconds kLookForCameraEvery {1};

// With --reconnect, cameras asked for by key that are not there yet (a
// station that boots before its cameras) are waited for: one line, then a
// look about once a second until all are there, the deadline or an
// interrupt. The keys present then.
QStringList waitForCameras(CameraRun &lister, const GrabOptions &options, QStringList present,
                           Clock::time_point deadline)
{
    QStringList missing;
    for (const QString &key : options.cameras) {
        if (!present.contains(key))
            missing.append(QLatin1Char('"') + printableText(key) + QLatin1Char('"'));
    }
    if (missing.isEmpty() || options.allCameras || !options.reconnect)
        return present;
    printFailure(QStringLiteral("waiting for camera %1 to answer (looking about once a second)")
                     .arg(missing.join(QStringLiteral(", "))));
    for (Clock::time_point next = Clock::now() + kLookForCameraEvery;; next += kLookForCameraEvery) {
        while (Clock::now() < next && Clock::now() < deadline && !interrupted())
            std::this_thread::sleep_for(kTick);
        if (Clock::now() >= deadline || interrupted())
            return present;
        present = lister.cameraList();
        if (std::all_of(options.cameras.begin(), options.cameras.end(),
                        [&present](const QString &key) { return present.contains(key); }))
            return present;
    }
}

// Why a camera list is empty: the system looked and found none, or it could not look.
// The keys to run, or an empty list after printing why not.
QStringList chooseCameras(const GrabOptions &options, const QStringList &present)
{
    if (options.allCameras) {
        if (present.isEmpty())
            printFailure(noCameraText(sdkDiscoveryFailed()));
        return present;
    }
    bool missing = false;
    for (const QString &key : options.cameras) {
        if (!present.contains(key)) {
            printFailure(missingCameraText(key, present));
            missing = true;
        }
    }
    return missing ? QStringList() : options.cameras;
}

// Runs every camera on a thread of its own; the calling thread prints the
// failure lines and the progress until all have ended.
void driveAll(const std::vector<std::unique_ptr<CameraRun>> &runs, const CameraConnections &connections,
              FailureLines &failures, const GrabOptions &options, Clock::time_point deadline)
{
    std::vector<std::thread> threads;
    threads.reserve(runs.size());
    for (const std::unique_ptr<CameraRun> &run : runs) {
        const QString png
            = options.png.isEmpty() ? QString() : pngFileName(options.png, run->shownKey(), runs.size() > 1);
        threads.emplace_back([&run, &connections, &failures, png, deadline] {
            run->run(connections, failures, png, deadline);
        });
    }
    ProgressDisplay progress(!options.quiet && standardErrorIsTerminal());
    const auto allProgress = [&runs] {
        QList<CameraProgress> all;
        for (const std::unique_ptr<CameraRun> &run : runs)
            all.append(run->progress());
        return all;
    };
    for (int tick = 0;; ++tick) {
        bool finished = true;
        for (const std::unique_ptr<CameraRun> &run : runs)
            finished = finished && run->finished();
        if (failures.pending()) {
            progress.clear();
            failures.print();
        }
        if (finished)
            break;
        if (tick % kTicksPerRedraw == 0)
            progress.show(allProgress());
        std::this_thread::sleep_for(kTick);
    }
    for (std::thread &thread : threads)
        thread.join();
    progress.show(allProgress());
    progress.finish();
    failures.print();
}

} // namespace

int runList(const GrabOptions &options)
{
    PluginLoader plugin;
    if (!plugin.load(options.plugin)) {
        printFailure(plugin.errorString());
        return 1;
    }
    tagVX_CAMERA_OPTION option;
    GrabHost host(false, 0, &option);
    CameraHandle camera(plugin, false, &option, &host);
    if (!camera) {
        printFailure(QStringLiteral("the plug-in made no camera object"));
        return 1;
    }
    const QStringList keys = camera->IGetCameraList();
    for (const QString &key : keys)
        std::printf("%s\n", qPrintable(printableText(key)));
    if (keys.isEmpty()) {
        const bool failed = sdkDiscoveryFailed();
        printFailure(noCameraText(failed));
        return failed ? 1 : 0;
    }
    return 0;
}

int runGrab(const GrabOptions &options)
{
    catchInterrupts();
    // --seconds bounds the whole run, from here.
    const Clock::time_point deadline = Clock::now()
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
    QString why;
    if ((!options.savePrefix.isEmpty() && !checkSaveFolder(options.savePrefix, &why))
        || (!options.png.isEmpty()
            && !checkOutputFolder(options.png, QStringLiteral("the PNG preview"), &why))) {
        printFailure(why);
        return 1;
    }
    PluginLoader plugin;
    if (!options.earlierDriver && !plugin.load(options.plugin)) {
        printFailure(plugin.errorString());
        return 1;
    }
    // The first object lists the cameras; it then runs the first of them.
    std::vector<std::unique_ptr<CameraRun>> runs;
    runs.push_back(std::make_unique<CameraRun>(options, plugin));
    if (!runs.front()->created()) {
        printFailure(QStringLiteral("the plug-in made no camera object"));
        return 1;
    }
    const QStringList present = waitForCameras(*runs.front(), options, runs.front()->cameraList(), deadline);
    if (interrupted())
        return kInterruptedStatus;
    const QStringList keys = chooseCameras(options, present);
    if (keys.isEmpty())
        return interrupted() ? kInterruptedStatus : 1;
    const QString clash = fileNameClash(keys, options);
    if (!clash.isEmpty()) {
        printFailure(clash);
        return 1;
    }
    runs.front()->setKey(keys.front());
    for (qsizetype i = 1; i < keys.size(); ++i) {
        runs.push_back(std::make_unique<CameraRun>(options, plugin));
        if (!runs.back()->created()) {
            printFailure(QStringLiteral("the plug-in made no camera object for camera \"")
                         + printableText(keys[i]) + QLatin1Char('"'));
            return 1;
        }
        runs.back()->setKey(keys[i]);
    }
    const CameraConnections connections(keys);
    FailureLines failures;
    driveAll(runs, connections, failures, options, deadline);

    bool failed = false;
    bool leftUnderWay = false;
    for (const std::unique_ptr<CameraRun> &run : runs) {
        if (run->started())
            std::printf("%s\n", qPrintable(summaryLine(run->summary())));
        failed = failed || run->failed();
        leftUnderWay = leftUnderWay || run->leftCallUnderWay();
    }
    std::fflush(stdout);
    const int status = interrupted() ? kInterruptedStatus : failed ? 1 : 0;
    if (leftUnderWay) {
        // A call into the plug-in is still under way on a thread of its own:
        // unloading the plug-in or deleting its objects would pull them from
        // under it. The process ends here; the operating system closes its
        // sockets, and a GigE Vision camera lets go of its control when the
        // heartbeat lapses.
        std::fflush(stderr);
        std::_Exit(status);
    }
    return status;
}
