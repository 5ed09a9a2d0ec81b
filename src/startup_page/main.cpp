// The start-up page helper: shows one page with the web engine, in a process of its
// own so that the engine's memory and processes go when the page goes.
//
//   zepril-startup-page [--into WID] [--size WxH] [URL]
//
// --into places the page inside that native window (the player's page area) instead
// of a window of its own. Lines read on stdin: "open URL", "size W H", "quit"; the end
// of stdin also quits, so a player that dies never leaves the page behind. Lines
// written on stdout: "loaded URL" or "failed URL" when a page has finished loading.
#include "startup_page/engine_flags.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <QUrl>
#include <QWebEngineView>
#include <QWindow>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

QSize parseSize(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return {};
    return QSize(parts.at(0).toInt(), parts.at(1).toInt());
}

void report(const char* what, const QUrl& url)
{
    std::printf("%s %s\n", what, url.toString().toUtf8().constData());
    std::fflush(stdout);
}

// Commands from the player, one a line; a line may arrive in pieces.
class CommandReader final : public QObject {
public:
    explicit CommandReader(QWebEngineView* view) : m_view(view), m_notifier(STDIN_FILENO, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { readAvailable(); });
    }

private:
    void readAvailable()
    {
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (got <= 0) {
            m_notifier.setEnabled(false);
            // exit(), not quit(): quit() first asks every window to close, and a page
            // window whose host window is already gone never answers.
            QCoreApplication::exit(0);
            return;
        }
        m_pending.append(chunk, int(got));
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            const QByteArray line = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            handle(QString::fromUtf8(line));
        }
    }

    void handle(const QString& line)
    {
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        const QString argument = line.section(QLatin1Char(' '), 1);
        if (command == QLatin1String("quit")) {
            m_notifier.setEnabled(false);
            QCoreApplication::exit(0);
        } else if (command == QLatin1String("open") && !argument.isEmpty()) {
            m_view->load(QUrl::fromUserInput(argument));
        } else if (command == QLatin1String("size")) {
            const QSize size(argument.section(QLatin1Char(' '), 0, 0).toInt(),
                             argument.section(QLatin1Char(' '), 1, 1).toInt());
            if (size.isValid() && !size.isEmpty())
                m_view->resize(size);
        }
    }

    QWebEngineView* m_view;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

}

int main(int argc, char** argv)
{
#ifdef Q_OS_LINUX
    // A player killed outright closes no pipe in time for a page that is mid-load.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    zepril::prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zepril-startup-page"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the start-up page of the hotel channel player."));
    parser.addHelpOption();
    const QCommandLineOption into(QStringLiteral("into"), QStringLiteral("native window to show the page in"),
                                  QStringLiteral("wid"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("size of the page, WxH"),
                                  QStringLiteral("size"));
    parser.addOption(into);
    parser.addOption(size);
    parser.addPositionalArgument(QStringLiteral("url"), QStringLiteral("page to open"));
    parser.process(app);

    QWebEngineView view;
    view.setWindowFlags(Qt::FramelessWindowHint);
    QObject::connect(&view, &QWebEngineView::loadFinished, &view,
                     [&view](bool ok) { report(ok ? "loaded" : "failed", view.url()); });

    if (const QSize wanted = parseSize(parser.value(size)); wanted.isValid() && !wanted.isEmpty())
        view.resize(wanted);
    if (parser.isSet(into)) {
        bool numeric = false;
        const WId host = parser.value(into).toULongLong(&numeric, 0);
        QWindow* hostWindow = numeric ? QWindow::fromWinId(host) : nullptr;
        if (!hostWindow) {
            std::fprintf(stderr, "zepril-startup-page: cannot use window %s\n", qPrintable(parser.value(into)));
            return 2;
        }
        // Made native first so that the page's window is created inside the host's
        // and never appears on screen as a window of its own.
        view.winId();
        view.windowHandle()->setParent(hostWindow);
        view.move(0, 0);
    }

    CommandReader commands(&view);
    if (!parser.positionalArguments().isEmpty())
        view.load(QUrl::fromUserInput(parser.positionalArguments().constFirst()));
    view.show();
    return app.exec();
}
