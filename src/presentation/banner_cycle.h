#pragma once
// The banner cycle: a pause of cycle_phrase seconds, then a pass in
// which one welcome phrase scrolls across the banner, and so on for
// the life of the program. Exactly one of the two timers runs once it is started.
#include "presentation/banner_layout.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <vector>

namespace zepril {

class Clock;
class WindowRaiser;
struct Timings;

// Where the phrase is `elapsedMs` into a pass that began at `startLeft`: `step` twips
// per tick of `tickMs`, from the time elapsed rather than the ticks counted, so that a
// late tick catches up instead of leaving a stall. The pass ends on the whole tick at
// which the box has wholly left the banner, at the left it had on that tick, however
// late the tick that notices it.
struct PassPosition {
    double left = 0;
    int ticks = 0; // whole ticks elapsed, the last one included when the pass ends
    bool ended = false;
};
PassPosition passPosition(double startLeft, double width, double step, double tickMs, double elapsedMs);

// The welcome texts as the main screen keeps them: the list, the current index, the count.
class PhraseSource {
public:
    virtual ~PhraseSource() = default;
    virtual int currentPhrase() const = 0;
    virtual void setCurrentPhrase(int index) = 0;
    virtual int phraseTotal() const = 0;
    // Selects item `index` of the list and gives its text; nothing when there is none.
    virtual std::optional<QString> selectPhrase(int index) = 0;
};

// Where the phrase box is to be `inMs` from now.
struct PhraseFrame {
    double inMs = 0;
    double left = 0;
};

// What the cycle moves on the banner window: the hidden reference label the
// phrase is measured and started from, and the phrase box that is seen, in twips.
class BannerSurface {
public:
    virtual ~BannerSurface() = default;
    // Caption of the reference label and text of the box; the label fits its width to the text.
    virtual void setPhraseText(const QString& text) = 0;
    virtual TwipsRect referenceGeometry() const = 0;
    virtual void setReferenceLeft(double left) = 0;
    virtual void setPhraseGeometry(const TwipsRect& rect) = 0;
    virtual double phraseLeft() const = 0;
    virtual void setPhraseLeft(double left) = 0;
    virtual double phraseWidth() const = 0;
    virtual double screenWidth() const = 0;
    virtual double scrollStep() const = 0;
    // A surface that can be told where the phrase will be on the coming ticks draws each
    // of them when due by itself, and the cycle need not wake for every tick.
    virtual bool drawsPhraseAhead() const { return false; }
    virtual void drawPhraseAhead(const std::vector<PhraseFrame>& /*frames*/) {}
};

class BannerCycle final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BannerCycle)
public:
    BannerCycle(BannerSurface& banner, WindowRaiser& raiser, PhraseSource& phrases, const Clock& clock,
                const Timings& timings, QObject* parent = nullptr);

    // The pause between passes; until set it is the design interval of the timings.
    void setCycleIntervalMs(int ms);
    // Arms the pause timer: the first pass starts one interval later.
    void start();

    QTimer& pauseTimer() { return m_pauseTimer; }
    // Fires once a tick, or once every scrollAheadTicks when the banner draws the coming
    // ticks by itself.
    QTimer& scrollTimer() { return m_scrollTimer; }
    bool passRunning() const { return m_scrollTimer.isActive(); }
    int passTicks() const { return m_passTicks; }

public slots:
    void startPass();  // starts one pass
    void scrollTick(); // moves the phrase to where the time says; ends the pass when it is gone

signals:
    void passStarted(const QString& text);
    void passEnded(int ticks);

private:
    void drawAhead(int tick);
    void endPass();

    BannerSurface& m_banner;
    WindowRaiser& m_raiser;
    PhraseSource& m_phrases;
    const Clock& m_clock;
    QTimer m_pauseTimer;
    QTimer m_scrollTimer;
    const int m_tickMs;
    const int m_aheadTicks;
    int m_ticksDrawnAhead = 0;
    bool m_lastTickDrawnAhead = false; // the one on which the pass ends
    int m_passTicks = 0;
    double m_passStartMs = 0;
    double m_passStartLeft = 0;
};

}
