#include "presentation/banner_cycle.h"

#include "core/clock.h"
#include "core/logging.h"
#include "core/timings.h"
#include "presentation/window_raiser.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zepril {

PassPosition passPosition(double startLeft, double width, double step, double tickMs, double elapsedMs)
{
    const double ticks = tickMs > 0 ? std::clamp(elapsedMs / tickMs, 0.0, double(std::numeric_limits<int>::max())) : 0;
    // A step that does not move the phrase left holds it in the banner for ever.
    if (!(step > 0))
        return {startLeft - ticks * step, int(ticks), false};
    // The tick on which the box is first wholly gone, found with the same test a
    // tick makes so that rounding cannot move the end by one.
    const double guess = std::floor((startLeft + width) / step) + 1;
    double last = std::isfinite(guess) ? std::clamp(guess, 1.0, double(std::numeric_limits<int>::max())) : 1.0;
    while (last > 1 && phraseHasLeft(startLeft - (last - 1) * step, width))
        --last;
    while (last < std::numeric_limits<int>::max() && !phraseHasLeft(startLeft - last * step, width))
        ++last;
    if (ticks >= last)
        return {startLeft - last * step, int(last), true};
    return {startLeft - ticks * step, int(ticks), false};
}

BannerCycle::BannerCycle(BannerSurface& banner, WindowRaiser& raiser, PhraseSource& phrases, const Clock& clock,
                         const Timings& timings, QObject* parent)
    : QObject(parent),
      m_banner(banner),
      m_raiser(raiser),
      m_phrases(phrases),
      m_clock(clock),
      m_tickMs(timings.scrollTickMs),
      m_aheadTicks(std::max(1, timings.scrollAheadTicks))
{
    m_pauseTimer.setObjectName(QStringLiteral("TimeCycleBandeau"));
    m_pauseTimer.setInterval(timings.bannerCycleDesignMs);
    m_scrollTimer.setObjectName(QStringLiteral("TimerDefilant"));
    // A coarse timer may fire up to 5 % late and in bunches; the scroll must look even.
    m_scrollTimer.setTimerType(Qt::PreciseTimer);
    m_scrollTimer.setInterval(timings.scrollTickMs);
    connect(&m_pauseTimer, &QTimer::timeout, this, &BannerCycle::startPass);
    connect(&m_scrollTimer, &QTimer::timeout, this, &BannerCycle::scrollTick);
}

void BannerCycle::setCycleIntervalMs(int ms) { m_pauseTimer.setInterval(ms); }

void BannerCycle::start() { m_pauseTimer.start(); }

void BannerCycle::startPass()
{
    int index = m_phrases.currentPhrase();
    std::optional<QString> text = m_phrases.selectPhrase(index);
    if (!text) {
        // Only an owner that changed the list without resetting the index gets here;
        // starting over from the first phrase keeps the banner going.
        qCWarning(lcBanner) << "phrase" << index << "does not exist; starting from the first";
        index = 0;
        text = m_phrases.selectPhrase(0);
        if (!text) {
            qCWarning(lcBanner) << "no phrase to show; pass skipped";
            return;
        }
    }

    m_banner.setPhraseText(*text);
    m_banner.setPhraseGeometry(m_banner.referenceGeometry());
    m_raiser.raise(StackedWindow::Banner);
    m_raiser.raise(StackedWindow::Overlay);

    int next = index + 1;
    if (next >= m_phrases.phraseTotal())
        next = 0;
    m_phrases.setCurrentPhrase(next);

    m_banner.setReferenceLeft(m_banner.screenWidth());
    m_banner.setPhraseLeft(m_banner.referenceGeometry().left);

    m_passTicks = 0;
    m_ticksDrawnAhead = 0;
    m_lastTickDrawnAhead = false;
    m_passStartLeft = m_banner.phraseLeft();
    m_passStartMs = m_clock.steadyMs();
    const bool ahead = m_banner.drawsPhraseAhead();
    m_scrollTimer.start(ahead ? m_tickMs * m_aheadTicks : m_tickMs);
    m_pauseTimer.stop();
    if (ahead)
        drawAhead(0);
    // A quote of the phrase only: a text of any length must not flood the log on every pass.
    qCDebug(lcBanner).nospace().noquote()
        << "pass " << index << " starts: \"" << phraseForLog(*text) << "\" " << m_banner.phraseWidth() << " twips wide";
    emit passStarted(*text);
}

void BannerCycle::scrollTick()
{
    m_raiser.raise(StackedWindow::Banner);
    const PassPosition at = passPosition(m_passStartLeft, m_banner.phraseWidth(), m_banner.scrollStep(), m_tickMs,
                                         m_clock.steadyMs() - m_passStartMs);
    m_passTicks = at.ticks;
    m_banner.setPhraseLeft(at.left);
    if (at.ended)
        endPass();
    else if (m_banner.drawsPhraseAhead())
        drawAhead(at.ticks);
}

void BannerCycle::drawAhead(int tick)
{
    // Twice the ticks to the next wake-up, so that a late wake-up finds the screen still
    // moving; each tick is handed over once, up to the one on which the pass ends.
    const double width = m_banner.phraseWidth(), step = m_banner.scrollStep();
    const double nowMs = m_clock.steadyMs() - m_passStartMs;
    std::vector<PhraseFrame> frames;
    for (int k = std::max(tick, m_ticksDrawnAhead) + 1; !m_lastTickDrawnAhead && k <= tick + 2 * m_aheadTicks; ++k) {
        const PassPosition at = passPosition(m_passStartLeft, width, step, m_tickMs, double(k) * m_tickMs);
        frames.push_back({double(k) * m_tickMs - nowMs, at.left});
        m_ticksDrawnAhead = k;
        m_lastTickDrawnAhead = at.ended;
    }
    if (!frames.empty())
        m_banner.drawPhraseAhead(frames);
}

void BannerCycle::endPass()
{
    m_banner.setPhraseLeft(m_banner.screenWidth());
    m_raiser.raise(StackedWindow::Main);
    m_raiser.raise(StackedWindow::Overlay);
    m_pauseTimer.start();
    m_scrollTimer.stop();
    qCDebug(lcBanner) << "pass ends after" << m_passTicks << "ticks";
    emit passEnded(m_passTicks);
}

}
