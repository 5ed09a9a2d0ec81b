// The player's media player alone: the same MpvPlayer, in a plain black window the size
// of the screen, playing the given files in a loop, with no banner, strip, start-up
// window or synchronization. A side of tools/bench_vs_mpv.py --bare, not a bench of its
// own: beside the player and mpv it splits a gap between them into what the rest of the
// player costs (player against this) and what libmpv embedded costs (this against mpv).
//   bare_player FILE...
#include "core/logging.h"
#include "presentation/mpv_player.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <malloc.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bare_player FILE...\n");
        return 2;
    }
    // As the player does before its threads start, so both allocate alike.
    mallopt(M_ARENA_MAX, 2);
    zepril::installLogFormat();
    QApplication app(argc, argv);
    QWidget screen(nullptr, Qt::FramelessWindowHint);
    QPalette pal = screen.palette();
    pal.setColor(QPalette::Window, Qt::black);
    screen.setPalette(pal);
    screen.setAutoFillBackground(true);
    if (QScreen* s = QGuiApplication::primaryScreen())
        screen.setGeometry(s->geometry());
    zepril::MpvPlayer player(&screen);
    player.videoWidget()->setGeometry(screen.rect());
    screen.show();
    for (int i = 1; i < argc; ++i)
        player.insertItem(i - 1, QString::fromLocal8Bit(argv[i]));
    player.setLoop(true);
    player.play();
    return app.exec();
}
