// What a grab of the screen costs: the player's thumbnail and picture check, made the
// way the running player makes them (the X root window grabbed while mpv draws a
// video into a native child window that fills the screen). Prints, per grab, the
// CPU time of the thread that grabs (getrusage RUSAGE_THREAD: the whole grab runs on
// it), the wall time it is busy, and the X server's extra CPU (its /proc utime+stime
// while grabbing, less what it uses over as long a time without grabs); then their
// sum as a share of one core at the default interval.
//   xvfb-run -a -s "-screen 0 1920x1080x24" bench_screen_grab [grabs] [--clip-size 1280x720]
#include "core/clock.h"
#include "core/timings.h"
#include "monitoring/picture_watch.h"
#include "monitoring/screen_grab.h"
#include "presentation/mpv_player.h"
#include "support/temp_tree.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zepril;

namespace {

double threadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The X server of this display: the process that listens on its socket.
qint64 xServerPid()
{
    const QString display = qEnvironmentVariable("DISPLAY").section(':', 1).section('.', 0, 0);
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile cmdline("/proc/" + pid + "/cmdline");
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = cmdline.readAll().split('\0');
        if (!args.isEmpty() && (args[0].endsWith("Xvfb") || args[0].endsWith("Xorg"))
            && args.contains(":" + display.toLatin1()))
            return pid.toLongLong();
    }
    return 0;
}

double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
    // After the name: state is field 3, utime 14 and stime 15 (counted from 1).
    return (fields.value(12).toDouble() + fields.value(13).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int grabs = args.size() > 1 && !args[1].startsWith('-') ? args[1].toInt() : 40;
    const QString clipSize = args.contains("--clip-size") ? args.value(args.indexOf("--clip-size") + 1) : "1280x720";

    test::TempTree tree;
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=" + clipSize + ":rate=25", "-t", "20",
                  "-pix_fmt", "yuv420p", tree.path("clip.mp4")});
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    QWidget screen;
    screen.setWindowFlags(Qt::FramelessWindowHint);
    screen.setGeometry(QGuiApplication::primaryScreen()->geometry());
    MpvPlayer player(&screen);
    player.videoWidget()->setGeometry(screen.rect());
    screen.show();
    player.setLoop(true);
    player.insertItem(0, tree.path("clip.mp4"));
    player.play();
    wait(3000);

    SystemClock clock;
    RootWindowGrabber grabber;
    PictureWatch watch(tree.path("screen.jpg"), 60000,
                       {grabber, clock, [&] { return player.playbackState(); }, {}, {}});
    const qint64 xPid = xServerPid();
    const int spacingMs = 250;

    // The X server without grabs, over as long as the grabs will take.
    const double xIdle0 = processCpuSeconds(xPid);
    QElapsedTimer idle;
    idle.start();
    wait(grabs * spacingMs);
    const double xIdlePerSecond = (processCpuSeconds(xPid) - xIdle0) / (idle.elapsed() / 1000.0);

    std::vector<double> cpuMs, wallMs;
    const double x0 = processCpuSeconds(xPid);
    QElapsedTimer span;
    span.start();
    for (int i = 0; i < grabs; ++i) {
        const double c0 = threadCpuSeconds();
        QElapsedTimer w;
        w.start();
        const QImage grabbed = watch.grabNow();
        wallMs.push_back(w.nsecsElapsed() / 1e6);
        cpuMs.push_back((threadCpuSeconds() - c0) * 1000);
        if (grabbed.isNull()) {
            std::fprintf(stderr, "the screen could not be grabbed\n");
            return 1;
        }
        wait(spacingMs);
    }
    const double xExtraMs =
        std::max(0.0, (processCpuSeconds(xPid) - x0) - xIdlePerSecond * (span.elapsed() / 1000.0)) * 1000 / grabs;
    const QSize size = QGuiApplication::primaryScreen()->geometry().size();
    const double perGrabMs = median(cpuMs) + xExtraMs;
    const double intervalS = Timings::production().screenGrabMs / 1000.0;
    std::printf("screen %dx%d, clip %s, %d grabs (grab, 320-px JPEG written, picture check)\n", size.width(),
                size.height(), qPrintable(clipSize), grabs);
    std::printf("grabbing thread CPU per grab: median %.1f ms, max %.1f ms\n", median(cpuMs),
                *std::max_element(cpuMs.begin(), cpuMs.end()));
    std::printf("wall time per grab (the UI thread busy): median %.1f ms, max %.1f ms\n", median(wallMs),
                *std::max_element(wallMs.begin(), wallMs.end()));
    std::printf("X server extra CPU per grab: %.1f ms%s\n", xExtraMs, xPid ? "" : " (X server not found: 0)");
    std::printf("thumbnail: %lld bytes\n", QFile(tree.path("screen.jpg")).size());
    std::printf("average cost at one grab every %.0f s: %.3f %% of a core (goal: below 1 %%)\n", intervalS,
                perGrabMs / (intervalS * 1000) * 100);
    return 0;
}
