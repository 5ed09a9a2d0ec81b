#include "app/web_view.h"

#include "core/logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

namespace zepril {

namespace {

const char* const kHelperName = "zepril-startup-page";

class BlankWebView final : public WebView {
public:
    explicit BlankWebView(QWidget* parent) : m_area(new QWidget(parent)) {}
    ~BlankWebView() override { delete m_area.data(); }

    void navigate(const QString& url) override
    {
        if (!m_told) {
            qCInfo(lcStartup) << "built without a web engine: the page area stays blank";
            m_told = true;
        }
        qCInfo(lcStartup).noquote() << "page not shown:" << url;
    }
    QWidget* widget() override { return m_area.data(); }

private:
    QPointer<QWidget> m_area;
    bool m_told = false;
};

bool isRunnable(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// Another process's window can be nested in ours only where the windowing system has
// native child windows that any client may parent to (X11); offscreen has none.
bool canHostForeignWindow() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Once the view is gone nobody waits for the helper: it is asked to quit, and ended
// if it has not within the grace periods. The process object then deletes itself; it
// belongs to the application meanwhile, so an exit before that still ends the helper.
void retire(QProcess* process, const Timings& timings)
{
    if (process->state() == QProcess::NotRunning) {
        delete process;
        return;
    }
    process->setParent(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->write("quit\n");
    process->closeWriteChannel();
    const int terminateGraceMs = timings.startupPageTerminateGraceMs;
    QTimer::singleShot(timings.startupPageQuitGraceMs, process, [process, terminateGraceMs] {
        qCWarning(lcStartup) << "start-up page helper did not quit: terminating it";
        process->terminate();
        QTimer::singleShot(terminateGraceMs, process, [process] { process->kill(); });
    });
}

}

QString findStartupPageHelper()
{
    const QString named = qEnvironmentVariable("ZEPRIL_STARTUP_PAGE");
    if (!named.isEmpty())
        return isRunnable(named) ? named : QString();
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(QLatin1String(kHelperName));
    if (isRunnable(beside))
        return beside;
#ifdef ZEPRIL_STARTUP_PAGE_FROM_BIN
    // Where the package puts it, relative to the player so that any prefix works.
    const QString installed = QDir::cleanPath(programDir.filePath(QStringLiteral(ZEPRIL_STARTUP_PAGE_FROM_BIN)));
    if (isRunnable(installed))
        return installed;
#endif
    return {};
}

StartupPageView::StartupPageView(QString helperPath, QWidget* parent, Timings timings)
    : m_helperPath(std::move(helperPath)), m_timings(timings), m_area(new QWidget(parent))
{
    m_area->installEventFilter(this);
}

StartupPageView::~StartupPageView()
{
    if (m_process) {
        m_process->disconnect(this);
        retire(m_process, m_timings);
        m_process = nullptr;
    }
    // After the quit request: the helper's window goes with this area's.
    delete m_area.data();
}

QWidget* StartupPageView::widget() { return m_area.data(); }

qint64 StartupPageView::helperPid() const { return m_process ? m_process->processId() : 0; }

void StartupPageView::navigate(const QString& url)
{
    if (m_process) {
        qCInfo(lcStartup).noquote() << "opening page" << url;
        m_process->write("open " + url.toUtf8() + '\n');
        return;
    }
    if (m_warned)
        return; // the helper failed once already: the area stays blank
    start(url);
}

void StartupPageView::start(const QString& url)
{
    if (m_helperPath.isEmpty()) {
        helperGone(QStringLiteral("no %1 found (ZEPRIL_STARTUP_PAGE, beside the player, or installed)")
                       .arg(QLatin1String(kHelperName)));
        return;
    }
    QStringList arguments;
    if (m_area && canHostForeignWindow())
        arguments << QStringLiteral("--into") << QString::number(m_area->winId());
    if (m_area)
        arguments << QStringLiteral("--size") << QStringLiteral("%1x%2").arg(m_area->width()).arg(m_area->height());
    arguments << url;

    m_process = new QProcess;
    // The engine's own complaints belong in the player's log; stdout is the protocol.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &StartupPageView::readHelperOutput);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            helperGone(QStringLiteral("could not start: ") + m_process->errorString());
    });
    connect(m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        helperGone(status == QProcess::CrashExit ? QStringLiteral("crashed")
                                                 : QStringLiteral("exited with status %1").arg(exitCode));
    });
    qCInfo(lcStartup).noquote() << "opening page" << url << "with" << m_helperPath;
    m_process->start(m_helperPath, arguments);
}

void StartupPageView::readHelperOutput()
{
    while (m_process && m_process->canReadLine()) {
        const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
        const QString what = line.section(QLatin1Char(' '), 0, 0);
        const QString url = line.section(QLatin1Char(' '), 1);
        if (what == QLatin1String("loaded")) {
            qCInfo(lcStartup).noquote() << "page shown:" << url;
            emit pageLoaded(url, true);
        } else if (what == QLatin1String("failed")) {
            qCWarning(lcStartup).noquote() << "page failed to load:" << url;
            emit pageLoaded(url, false);
        }
    }
}

// The start-up goes on without the page: one warning, a blank area, no second try.
void StartupPageView::helperGone(const QString& why)
{
    if (!m_warned) {
        qCWarning(lcStartup).noquote() << "start-up page helper" << why << "- the page area stays blank";
        m_warned = true;
    }
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
}

void StartupPageView::sendSize()
{
    if (m_process && m_area)
        m_process->write(QStringLiteral("size %1 %2\n").arg(m_area->width()).arg(m_area->height()).toUtf8());
}

bool StartupPageView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_area && event->type() == QEvent::Resize)
        sendSize();
    return QObject::eventFilter(watched, event);
}

std::unique_ptr<WebView> makeWebView(QWidget* parent)
{
#ifdef ZEPRIL_WITH_WEBENGINE
    return std::make_unique<StartupPageView>(findStartupPageHelper(), parent);
#else
    return std::make_unique<BlankWebView>(parent);
#endif
}

}
