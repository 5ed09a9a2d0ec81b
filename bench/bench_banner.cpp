// Runs the banner over a playing video and prints how evenly the 15 ms scroll tick
// fires and what the whole process costs in CPU, with the banner scrolling and with
// the video alone. Run it on a real display or under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x720x24" bench_banner [--seconds 10] [--null-video]
//            [--step 10] [--cycle-ms 30000] [--hold]
#include "app/phrase_state_source.h"
#include "core/clock.h"
#include "core/timings.h"
#include "presentation/banner_cycle.h"
#include "presentation/clock_weather_strip.h"
#include "presentation/banner_window.h"
#include "presentation/mpv_player.h"
#include "presentation/window_raiser.h"
#include "support/temp_tree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zepril;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
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

    test::TempTree tree;
    const QString video = tree.path("clip.mp4");
    if (!test::makeVideo(video, 10)) {
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

    PhraseState phraseState{{QStringLiteral("BIENVENUE A L'HOTEL - WELCOME TO THE HOTEL - Petit déjeuner de 7h à 10h"),
                             QStringLiteral("Piscine ouverte de 9h à 19h - Swimming pool open from 9 am to 7 pm")},
                            2, 0};
    PhraseStateSource phrases(phraseState);
    BannerCycle cycle(banner, raiser, phrases, timings);
    cycle.setCycleIntervalMs(int(option("--cycle-ms", 30000)));

    QElapsedTimer clockNs;
    clockNs.start();
    std::vector<double> intervals;
    qint64 last = -1;
    QObject::connect(&cycle.timerDefilant(), &QTimer::timeout, [&] {
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
        std::printf("holding for %d s: passes every %d ms\n", seconds, cycle.timeCycleBandeau().interval());
        std::fflush(stdout);
        waitMs(seconds * 1000);
        return 0;
    }

    // The video alone.
    double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    waitMs(seconds * 1000);
    const double baseline = (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0) * 100.0;

    // The video with the banner scrolling: one pass started at once, and restarted if
    // it ends before the time is up.
    QObject::connect(&cycle, &BannerCycle::passEnded, &cycle, &BannerCycle::TimeCycleBandeau_Timer, Qt::QueuedConnection);
    cpu0 = cpuSeconds();
    wall.restart();
    cycle.TimeCycleBandeau_Timer();
    waitMs(seconds * 1000);
    const double scrolling = (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0) * 100.0;
    cycle.timerDefilant().stop();

    std::printf("video: %s, screen %dx%d, step %.1f twips (%.2f px) per tick\n", nullVideo ? "null output" : "shown",
                main.width(), main.height(), banner.scrollStep(), banner.scrollStep() / banner.twipsPerPixel());
    std::printf("scroll ticks: %zu intervals over %d s\n", intervals.size(), seconds);
    std::printf("interval ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f  min %.2f\n", percentile(intervals, 50),
                percentile(intervals, 90), percentile(intervals, 99), percentile(intervals, 100),
                percentile(intervals, 0));
    std::printf("process CPU (%% of one core): video alone %.1f, video + scrolling banner %.1f\n", baseline, scrolling);
    return 0;
}
