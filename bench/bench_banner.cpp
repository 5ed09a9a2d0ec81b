// Runs the banner over a playing video and prints how evenly the scroll timer fires
// (every 15 ms tick, or every 6 ticks where the X server is handed the ticks ahead),
// what the whole process costs in CPU (the video alone, with the banner idle, with the
// banner scrolling), and how evenly the phrase moves on the screen: a 60 fps
// capture of the banner (ffmpeg's x11grab) where each frame's shift against the one
// before shows steps and stalls as a viewer sees them. Run it on a real display or
// under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x720x24" bench_banner [--seconds 10] [--null-video]
//            [--step 10] [--cycle-ms 30000] [--hold] [--capture-seconds 5] [--video-size 1280x720]
#include "app/phrase_state_source.h"
#include "core/clock.h"
#include "core/timings.h"
#include "presentation/banner_cycle.h"
#include "presentation/banner_window.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/mpv_player.h"
#include "presentation/window_raiser.h"
#include "support/temp_tree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

using namespace zepril;

namespace {

// The whole process, or the calling thread only: the GUI thread's share is the banner's
// without the noise of the video's own threads.
double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p / 100.0 * double(v.size() - 1) + 0.5));
    return v[i];
}

// Sleeps in the event loop, so that the measured CPU is the program's own.
void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Grabs `area` of the X display at 60 fps for `seconds` as 8-bit gray frames; the
// event loop keeps running meanwhile, so the banner goes on scrolling.
std::vector<QByteArray> captureFrames(const QRect& area, int seconds)
{
    QProcess ffmpeg;
    QByteArray raw;
    QObject::connect(&ffmpeg, &QProcess::readyReadStandardOutput, [&] { raw += ffmpeg.readAllStandardOutput(); });
    QEventLoop loop;
    QObject::connect(&ffmpeg, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&ffmpeg, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-framerate", "60", "-video_size",
                  QStringLiteral("%1x%2").arg(area.width()).arg(area.height()), "-i",
                  QStringLiteral("%1+%2,%3").arg(qEnvironmentVariable("DISPLAY")).arg(area.x()).arg(area.y()), "-t",
                  QString::number(seconds), "-pix_fmt", "gray", "-f", "rawvideo", "-"});
    loop.exec();
    ffmpeg.waitForFinished(2000);
    raw += ffmpeg.readAllStandardOutput();
    std::vector<QByteArray> frames;
    const qsizetype size = qsizetype(area.width()) * area.height();
    for (qsizetype at = 0; at + size <= raw.size(); at += size)
        frames.push_back(raw.mid(at, size));
    return frames;
}

// How far the content of `now` lies left of where it was in `before`, in pixels: the
// whole shift with the least mean absolute difference over the columns both frames
// show, refined between its neighbours (a V-shaped fit, as suits absolute differences),
// so that the sub-pixel steps of antialiased text are seen too.
double leftShift(const QByteArray& before, const QByteArray& now, int width, int maxShift)
{
    const int height = int(now.size() / width);
    constexpr int kBack = 2; // a shift to the right would be a fault worth seeing
    std::vector<double> cost;
    for (int s = -kBack; s <= maxShift; ++s) {
        long long sum = 0;
        for (int y = 0; y < height; ++y) {
            const auto* a = reinterpret_cast<const unsigned char*>(now.constData()) + qsizetype(y) * width;
            const auto* b = reinterpret_cast<const unsigned char*>(before.constData()) + qsizetype(y) * width;
            for (int x = std::max(0, -s); x + s < width && x < width; ++x)
                sum += std::abs(int(a[x]) - int(b[x + s]));
        }
        cost.push_back(double(sum) / double((width - std::abs(s)) * height));
    }
    const size_t i = size_t(std::min_element(cost.begin(), cost.end()) - cost.begin());
    double shift = double(i) - kBack;
    if (i > 0 && i + 1 < cost.size()) {
        const double rise = std::max(cost[i - 1], cost[i + 1]) - cost[i];
        if (rise > 0)
            shift += (cost[i - 1] - cost[i + 1]) / (2 * rise);
    }
    return shift;
}

std::array<QPixmap, 6> drawPictograms()
{
    std::array<QPixmap, 6> pictures;
    for (int i = 0; i < 6; ++i) {
        QImage img(80, 80, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(i == 1 ? QColor(255, 200, 0) : QColor(180, 180, 190));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(12, 12, 56, 56));
        pictures[size_t(i)] = QPixmap::fromImage(img);
    }
    return pictures;
}

}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char* name, double fallback) {
        const qsizetype i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toDouble() : fallback;
    };
    const int seconds = int(option("--seconds", 10));
    const bool nullVideo = args.contains(QLatin1String("--null-video"));
    const bool hold = args.contains(QLatin1String("--hold"));
    const int captureSeconds = int(option("--capture-seconds", 5));

    test::TempTree tree;
    const QString video = tree.path("clip.mp4");
    // The test videos are tiny; a channel's are not, and the video is what the banner's
    // cost is weighed against.
    const QString size = args.indexOf(QLatin1String("--video-size")) > 0
        ? args.value(args.indexOf(QLatin1String("--video-size")) + 1)
        : QString();
    const bool made = size.isEmpty()
        ? test::makeVideo(video, 10)
        : QProcess::execute(QStringLiteral("ffmpeg"),
                            {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=" + size + ":rate=25:duration=10",
                             "-pix_fmt", "yuv420p", video})
            == 0;
    if (!made) {
        std::fprintf(stderr, "ffmpeg could not make the sample video\n");
        return 1;
    }
    QImage back(640, 80, QImage::Format_RGB32);
    {
        QPainter p(&back);
        QLinearGradient g(0, 0, 640, 80);
        g.setColorAt(0, QColor(20, 40, 110));
        g.setColorAt(1, QColor(120, 20, 60));
        p.fillRect(back.rect(), g);
    }
    QImage logo(100, 100, QImage::Format_RGB32);
    logo.fill(QColor(230, 230, 230));
    {
        QPainter p(&logo);
        p.setFont(QFont(QStringLiteral("Arial"), 30, QFont::Bold));
        p.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("Z"));
    }
    tree.mkdir("skin");
    back.save(tree.path("skin/back.jpg"));
    logo.save(tree.path("skin/logo.jpg"));

    // The main window: the video full screen, as the main screen shows it.
    QWidget main(nullptr, Qt::Window | Qt::FramelessWindowHint);
    main.setObjectName(QStringLiteral("MainScreen"));
    main.setStyleSheet(QStringLiteral("background: black"));
    main.setGeometry(QGuiApplication::primaryScreen()->geometry());
    MpvPlayerOptions playerOptions;
    playerOptions.nullOutputs = nullVideo;
    MpvPlayer player(&main, playerOptions);
    player.videoWidget()->setGeometry(main.rect());
    main.show();
    player.setLoop(true);
    player.insertItem(0, video);
    player.play();

    const Timings timings = Timings::production();
    QtWindowRaiser raiser;
    BannerWindow banner;
    banner.load(resolveBannerSettings(QString::number(option("--step", 10)), "40", "6"));
    banner.setSkin(tree.path("skin/back.jpg"), tree.path("skin/logo.jpg"));
    banner.setTextColours(true);

    SystemClock clock;
    ClockWeatherStrip overlay(clock, timings);
    overlay.setStockPictures(drawPictograms());
    overlay.load();
    overlay.setTemperatureText(QStringLiteral("21°C"));

    raiser.setWindow(StackedWindow::Main, &main);
    raiser.setWindow(StackedWindow::Banner, &banner);
    raiser.setWindow(StackedWindow::Overlay, &overlay);
    raiser.raise(StackedWindow::Overlay);

    PhraseState phraseState{{QStringLiteral("BIENVENUE A L'HOTEL - WELCOME TO THE HOTEL - Petit déjeuner de 7h à 10h - "
                                            "Restaurant ouvert de 12h à 14h30 et de 19h à 22h"),
                             QStringLiteral("Piscine ouverte de 9h à 19h - Swimming pool open from 9 am to 7 pm")},
                            2,
                            0};
    PhraseStateSource phrases(phraseState);
    BannerCycle cycle(banner, raiser, phrases, clock, timings);
    cycle.setCycleIntervalMs(int(option("--cycle-ms", 30000)));

    QElapsedTimer clockNs;
    clockNs.start();
    std::vector<double> intervals;
    qint64 last = -1;
    QObject::connect(&cycle.scrollTimer(), &QTimer::timeout, [&] {
        const qint64 now = clockNs.nsecsElapsed();
        if (last >= 0)
            intervals.push_back(double(now - last) / 1e6);
        last = now;
    });
    QObject::connect(&cycle, &BannerCycle::passStarted, [&] { last = -1; });
    QObject::connect(&cycle, &BannerCycle::passStarted, [] {
        std::printf("pass started\n");
        std::fflush(stdout);
    });
    QObject::connect(&cycle, &BannerCycle::passEnded, [](int ticks) {
        std::printf("pass ended after %d ticks\n", ticks);
        std::fflush(stdout);
    });

    waitMs(1500); // let the player start and the windows settle
    if (hold) {
        cycle.start();
        std::printf("holding for %d s: passes every %d ms\n", seconds, cycle.pauseTimer().interval());
        std::fflush(stdout);
        waitMs(seconds * 1000);
        return 0;
    }

    std::vector<double> guiThread; // % of one core, one figure per phase
    const auto cpuPercentOver = [&](int ms) {
        const double cpu0 = cpuSeconds(), gui0 = cpuSeconds(RUSAGE_THREAD);
        QElapsedTimer wall;
        wall.start();
        waitMs(ms);
        const double seconds = double(wall.elapsed()) / 1000.0;
        guiThread.push_back((cpuSeconds(RUSAGE_THREAD) - gui0) / seconds * 100.0);
        return (cpuSeconds() - cpu0) / seconds * 100.0;
    };
    // The video alone, then with the banner shown between passes.
    banner.hide();
    waitMs(500);
    const double videoAlone = cpuPercentOver(seconds * 1000);
    raiser.raise(StackedWindow::Banner);
    raiser.raise(StackedWindow::Main);
    raiser.raise(StackedWindow::Overlay);
    waitMs(500);
    const double bannerIdle = cpuPercentOver(seconds * 1000);

    // The video with the banner scrolling: one pass started at once, and restarted if
    // it ends before the time is up.
    QObject::connect(&cycle, &BannerCycle::passEnded, &cycle, &BannerCycle::startPass, Qt::QueuedConnection);
    cycle.startPass();
    const double scrolling = cpuPercentOver(seconds * 1000);
    const std::vector<double> scrollIntervals = intervals;

    std::printf("video: %s %s, screen %dx%d, step %.1f twips (%.2f px) per tick\n", nullVideo ? "null output" : "shown",
                size.isEmpty() ? "160x120" : qPrintable(size), main.width(), main.height(), banner.scrollStep(),
                banner.scrollStep() / banner.twipsPerPixel());
    std::printf("scroll timer: %zu intervals over %d s\n", scrollIntervals.size(), seconds);
    std::printf("interval ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f  min %.2f\n", percentile(scrollIntervals, 50),
                percentile(scrollIntervals, 90), percentile(scrollIntervals, 99), percentile(scrollIntervals, 100),
                percentile(scrollIntervals, 0));
    std::printf("process CPU (%% of one core): video alone %.1f, banner idle %.1f (x%.3f), banner scrolling %.1f "
                "(x%.3f)\n",
                videoAlone, bannerIdle, bannerIdle / videoAlone, scrolling, scrolling / videoAlone);
    std::printf("GUI thread CPU (%% of one core): video alone %.2f, banner idle %.2f, banner scrolling %.2f\n",
                guiThread[0], guiThread[1], guiThread[2]);
    std::fflush(stdout);
    if (captureSeconds <= 0 || qEnvironmentVariableIsEmpty("DISPLAY"))
        return 0;

    // The capture: the right end of the phrase box's rows, from the moment the phrase
    // covers it wholly, so that every frame shows moving text and no still background.
    const QRect box = banner.phraseBox()->geometry();
    const int width = std::min(320, banner.width() / 2);
    const QRect area(banner.x() + banner.width() - width, banner.y() + std::max(0, box.y()), width,
                     std::min(box.height(), banner.height()) & ~1);
    cycle.startPass();
    while (cycle.passRunning() && banner.phraseLeft() > (banner.width() - width - 2) * banner.twipsPerPixel())
        waitMs(50);
    intervals.clear();
    last = -1;
    const std::vector<QByteArray> frames = captureFrames(area, captureSeconds);
    const bool covered =
        cycle.passRunning() && banner.phraseLeft() + banner.phraseWidth() > banner.width() * banner.twipsPerPixel();
    cycle.scrollTimer().stop();
    // A frame whose content moved less than a quarter of a pixel shows no step.
    std::map<double, int> steps; // by quarters of a pixel
    std::vector<double> shifts;
    int stillFrames = 0, longestStall = 0, stall = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
        const double shift = leftShift(frames[i - 1], frames[i], area.width(), 16);
        shifts.push_back(shift);
        ++steps[std::round(shift * 4) / 4];
        const bool still = shift < 0.25;
        stall = still ? stall + 1 : 0;
        stillFrames += still;
        longestStall = std::max(longestStall, stall);
    }
    std::printf("capture: %zu frames of %dx%d at 60 fps%s; expected %.2f px per frame\n", frames.size(), area.width(),
                area.height(), covered ? "" : " (the phrase did not cover the area throughout)",
                banner.scrollStep() / banner.twipsPerPixel() * (1000.0 / 60.0) / 15.0);
    std::printf("capture: frames with no step (under 0.25 px) %d, longest stall %d frames; shift px p10 %.2f p50 %.2f "
                "p90 %.2f\ncapture: steps (px: frames)",
                stillFrames, longestStall, percentile(shifts, 10), percentile(shifts, 50), percentile(shifts, 90));
    for (const auto& [px, count] : steps)
        std::printf("  %.2f: %d", px, count);
    std::printf("\ncapture: scroll timer interval ms p50 %.2f  p99 %.2f  max %.2f\n", percentile(intervals, 50),
                percentile(intervals, 99), percentile(intervals, 100));
    return 0;
}
