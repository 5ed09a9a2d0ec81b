#pragma once
// ServerPictureStrip: a native strip of a window that the X server draws from pictures
// it keeps. The client uploads each picture once and then sends only copy requests, so
// redrawing the strip many times a second costs the client almost nothing; where the
// server can wait on its own clock, drawings are handed over ahead of the time they
// are due, so the client need not wake for each of them.
#include <QHash>
#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

struct xcb_connection_t;

namespace zepril {

class Clock;

class ServerPictureStrip final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerPictureStrip)
public:
    // Null unless the application runs on X and `parent`'s screen takes 32-bit
    // little-endian pixels laid out as QImage::Format_RGB32 at a pixel ratio of 1;
    // elsewhere the caller paints through Qt as usual. `clock` (the system's when null)
    // must outlive the strip.
    static ServerPictureStrip* create(QWidget* parent, const Clock* clock = nullptr);
    ~ServerPictureStrip() override;

    // Called whenever the X server asks for the strip to be drawn again (exposure).
    void setRedraw(std::function<void()> redraw) { m_redraw = std::move(redraw); }

    // Keeps `image` in the server under `key`, replacing what was kept under it.
    void keep(qint64 key, const QImage& image);
    bool holds(qint64 key) const { return m_pictures.contains(key); }
    qsizetype pictureCount() const { return m_pictures.size(); }
    void forget(qint64 key);
    void forgetAll();
    // Server-side copy of `source` of a kept picture to `to` in the strip.
    void copy(qint64 key, const QRect& source, const QPoint& to);
    // Client pixels, for the few that change every time (32-bit formats only).
    void put(const QImage& image, const QPoint& to);
    // Sends what was asked so far.
    void flush();

    // Whether the server can be told to carry out requests later (on a connection of the
    // strip's own, which the waits hold up; Qt's connection is never held up).
    bool drawsAhead() const { return m_serverClockOffsetMs.has_value(); }
    // The clock the strip's times are read on.
    const Clock& clock() const { return m_clock; }
    // The drawings that follow wait in the server until clock() reads `dueMs`.
    // Every few seconds the server's clock is read again; once it no longer keeps pace
    // with ours, the strip stops drawing ahead for good (drawsAhead() turns false).
    void waitUntil(double dueMs);
    // Whether requests sent so far still wait in the server.
    bool waiting() const;
    // Returns once the server has carried out everything sent so far.
    void finish();

protected:
    QPaintEngine* paintEngine() const override { return nullptr; }
    void paintEvent(QPaintEvent* event) override;

private:
    ServerPictureStrip(QWidget* parent, const Clock& clock);
    bool serverClockKeepsPace();
    void upload(quint32 drawable, const QImage& image, const QPoint& to, xcb_connection_t* connection, quint32 gc);

    // Qt's connection, for the pictures, and the strip's own for the drawings when the
    // server can wait on its clock (Qt's otherwise).
    xcb_connection_t* m_uploads = nullptr;
    xcb_connection_t* m_draws = nullptr;
    quint32 m_uploadGc = 0;
    quint32 m_drawGc = 0;    // the upload one when both connections are Qt's
    bool m_uploaded = false; // pictures went up that the drawing connection may not see yet
    const Clock& m_clock;
    std::optional<qint64> m_serverClockOffsetMs; // the server's clock less the steady clock
    quint32 m_serverClock = 0;                   // the server's counter of milliseconds
    double m_clockCheckedAtMs = 0;               // steady clock
    double m_waitsUntilMs = 0;                   // steady clock
    bool m_errorSeen = false;
    quint32 m_window = 0;
    quint8 m_depth = 0;
    QHash<qint64, quint32> m_pictures; // pixmap ids
    std::function<void()> m_redraw;
};

}
