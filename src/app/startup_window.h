#pragma once
// The start-up window: the page the update server publishes, and the status line,
// download progress, connection warning and nine stage marks through which the
// main screen's start-up reports. Its timer asks for the main screen.
#include "core/program_paths.h"
#include "core/server_config.h"
#include "core/startup_reporter.h"
#include "core/timings.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QProgressBar;

namespace zepril {

class WebView;

class StartupWindow final : public QWidget, public StartupReporter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartupWindow)
public:
    StartupWindow(ProgramPaths paths, ServerConfig servers, Timings timings, std::unique_ptr<WebView> webView,
                  QWidget* parent = nullptr);
    ~StartupWindow() override;

    // The load handler: starts m_pageTimer, fetches the URL list into cfg/url.dat, opens the
    // page of its first line and resets the progress bar. Blocks during the fetch.
    void load();

    // Stops m_pageTimer and destroys the page at once (its renderer process exits), then
    // closes the window, which deletes itself: hold it in a QPointer.
    void unload();

    const QStringList& urlList() const { return m_urls; }
    bool timerActive() const { return m_pageTimer.isActive(); }

    void setStatus(const QString& text) override;
    void showStage(int index) override;
    void setFileSize(const QString& text) override;
    void setProgressRange(double minimum, double maximum) override;
    void setProgressValue(double value) override;
    void showConnectionWarning() override;
    bool connectionWarningShown() const override;

    // The progress as last given, before it is scaled onto the bar.
    double progressMaximum() const { return m_progressMax; }
    double progressValue() const { return m_progressValue; }

    // The bar counts in steps of this many per whole range, so that byte counts
    // beyond the range of int still show.
    static constexpr int kProgressSteps = 1000;

signals:
    // Every tick of m_pageTimer until the window is unloaded; the receiver makes sure the
    // main screen's start-up runs only once.
    void showMainScreenRequested();
    void unloaded();

private:
    void updateBar();

    ProgramPaths m_paths;
    ServerConfig m_servers;
    Timings m_timings;
    std::unique_ptr<WebView> m_webView;

    QLabel* m_infoLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QLabel* m_fileSizeLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_connectionWarning = nullptr;
    std::array<QLabel*, 9> m_stageMarks{};
    QStringList m_urls;
    QTimer m_pageTimer;

    double m_progressMin = 0;
    double m_progressMax = 1;
    double m_progressValue = 0;
};

}
