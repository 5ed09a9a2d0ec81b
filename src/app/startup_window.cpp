#include "app/startup_window.h"

#include "app/web_view.h"
#include "core/event_wait.h"
#include "core/file_helpers.h"
#include "core/list_file.h"
#include "core/logging.h"
#include "net/http_fetch.h"
#include "net/update_server.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zepril {

namespace {

const QString kTypeface = QStringLiteral("Century Gothic");

// The green "OK" badge of a completed start-up stage, 50 x 21 pixels.
QPixmap stageMark()
{
    QPixmap badge(50, 21);
    badge.fill(Qt::transparent);
    QPainter p(&badge);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 110, 0), 1));
    p.setBrush(QColor(40, 170, 40));
    p.drawRoundedRect(QRectF(0.5, 0.5, 49, 20), 4, 4);
    QFont font(kTypeface);
    font.setBold(true);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(badge.rect(), Qt::AlignCenter, QStringLiteral("OK"));
    return badge;
}

QLabel* label(const QString& name, const QString& caption, int pointSize, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    QFont font(kTypeface);
    font.setPointSize(pointSize);
    l->setFont(font);
    return l;
}

}

StartupWindow::StartupWindow(ProgramPaths paths, ServerConfig servers, Timings timings,
                             std::unique_ptr<WebView> webView, QWidget* parent)
    : QWidget(parent),
      m_paths(std::move(paths)),
      m_servers(std::move(servers)),
      m_timings(timings),
      m_webView(std::move(webView))
{
    setObjectName(QStringLiteral("StartupWindow"));
    setWindowTitle(QStringLiteral("ZEPRIL"));
    resize(800, 600);

    m_infoLabel = label(QStringLiteral("Label2"), QStringLiteral("Informations: "), 10, this);
    m_statusLabel = label(QStringLiteral("lblStatus"), QString(), 10, this);
    m_fileSizeLabel = label(QStringLiteral("lblFilesize"), QStringLiteral("0"), 9, this);
    m_connectionWarning =
        label(QStringLiteral("lblConnected"), QStringLiteral("CONNEXION INTERNET INACTIVE"), 12, this);
    QFont warningFont = m_connectionWarning->font();
    warningFont.setBold(true);
    m_connectionWarning->setFont(warningFont);
    m_connectionWarning->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_connectionWarning->hide();

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("pb1"));
    m_progressBar->setRange(0, kProgressSteps);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_infoLabel);
    if (m_webView && m_webView->widget()) {
        m_webView->widget()->setObjectName(QStringLiteral("w1"));
        m_webView->widget()->setMinimumSize(320, 240);
        layout->addWidget(m_webView->widget(), 1);
    } else {
        layout->addStretch(1);
    }
    layout->addWidget(m_statusLabel);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progressBar, 1);
    progressRow->addWidget(m_fileSizeLabel);
    layout->addLayout(progressRow);
    layout->addWidget(m_connectionWarning);

    auto* marks = new QHBoxLayout;
    const QPixmap badge = stageMark();
    for (int k = 0; k < int(m_stageMarks.size()); ++k) {
        auto* mark = new QLabel(this);
        mark->setObjectName(QStringLiteral("img1_%1").arg(k));
        mark->setPixmap(badge);
        mark->setFixedSize(badge.size());
        // Hidden but still holding its place, so the row does not shift as marks appear.
        QSizePolicy policy = mark->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        mark->setSizePolicy(policy);
        mark->hide();
        m_stageMarks[k] = mark;
        marks->addWidget(mark);
    }
    marks->addStretch(1);
    layout->addLayout(marks);

    // Precise: a coarse timer may fire a little early, and the main screen must not
    // start before its time.
    m_pageTimer.setTimerType(Qt::PreciseTimer);
    m_pageTimer.setInterval(m_timings.startupWindowMs);
    connect(&m_pageTimer, &QTimer::timeout, this, [this] {
        qCInfo(lcStartup) << "start-up window timer: main screen requested";
        emit showMainScreenRequested();
    });
}

StartupWindow::~StartupWindow() = default;

void StartupWindow::load()
{
    m_pageTimer.start();
    // The fetch and the repaints below run the event loop, in which m_pageTimer may already
    // have asked for the main screen, whose start-up closes and deletes this window.
    const QPointer<StartupWindow> alive(this);

    const QString url = urlListUrl(m_servers.update);
    const FetchResult fetched = fetchUrlList(m_servers.update, m_paths.urlDat(), HttpOptions::fromTimings(m_timings));
    if (!alive)
        return;
    if (!fetched.ok)
        qCWarning(lcStartup).noquote() << "URL list not fetched from" << url << "-" << fetched.error << "- using"
                                       << m_paths.urlDat() << "as it is";
    letEventsRun();
    if (!alive)
        return;

    m_urls.clear();
    if (ordinaryFileMatches(m_paths.urlDat()))
        readListFile(m_paths.urlDat(), m_urls);
    letEventsRun();
    if (!alive)
        return;

    if (m_urls.isEmpty()) {
        qCInfo(lcStartup).noquote() << "URL list" << m_paths.urlDat() << "is missing or empty: no page shown";
    } else if (m_webView) {
        m_webView->navigate(m_urls.first());
    }

    setProgressRange(0, 1);
    setProgressValue(0);
}

void StartupWindow::unload()
{
    m_pageTimer.stop();
    qCInfo(lcStartup) << "start-up window closed";
    // The page goes now rather than with the deferred deletion, so the browser's
    // renderer stops while the rest of the start-up still runs.
    m_webView.reset();
    emit unloaded();
    hide();
    deleteLater();
}

void StartupWindow::setStatus(const QString& text)
{
    m_statusLabel->setText(text);
    qCInfo(lcStartup).noquote() << "status:" << text;
}

void StartupWindow::showStage(int index)
{
    if (index < 0 || index >= int(m_stageMarks.size())) {
        qCWarning(lcStartup) << "no stage mark" << index;
        return;
    }
    m_stageMarks[index]->show();
    qCInfo(lcStartup) << "stage mark" << index << "OK";
}

void StartupWindow::setFileSize(const QString& text) { m_fileSizeLabel->setText(text); }

void StartupWindow::setProgressRange(double minimum, double maximum)
{
    m_progressMin = minimum;
    m_progressMax = maximum;
    updateBar();
}

void StartupWindow::setProgressValue(double value)
{
    m_progressValue = value;
    updateBar();
}

void StartupWindow::updateBar()
{
    const double span = m_progressMax - m_progressMin;
    int steps = 0;
    if (span > 0 && std::isfinite(span) && std::isfinite(m_progressValue)) {
        const double fraction = std::clamp((m_progressValue - m_progressMin) / span, 0.0, 1.0);
        steps = int(std::lround(fraction * kProgressSteps));
    }
    m_progressBar->setValue(steps);
}

void StartupWindow::showConnectionWarning()
{
    m_connectionWarning->show();
    qCWarning(lcStartup) << "CONNEXION INTERNET INACTIVE";
}

bool StartupWindow::connectionWarningShown() const { return !m_connectionWarning->isHidden(); }

}
