#pragma once
// ServerPictureStrip: a native strip of a window that the X server draws from pictures
// it keeps. The client uploads each picture once and then sends only copy requests, so
// redrawing the strip many times a second costs the client almost nothing.
#include <QHash>
#include <QImage>
#include <QWidget>

#include <functional>

namespace zepril {

class ServerPictureStrip final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerPictureStrip)
public:
    // Null unless the application runs on X and `parent`'s screen takes 32-bit
    // little-endian pixels laid out as QImage::Format_RGB32 at a pixel ratio of 1;
    // elsewhere the caller paints through Qt as usual.
    static ServerPictureStrip* create(QWidget* parent);
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

protected:
    QPaintEngine* paintEngine() const override { return nullptr; }
    void paintEvent(QPaintEvent* event) override;

private:
    ServerPictureStrip(QWidget* parent, void* connection);
    void upload(quint32 drawable, const QImage& image, const QPoint& to);

    void* m_connection; // xcb_connection_t, kept opaque so that callers need no X headers
    quint32 m_window = 0;
    quint32 m_gc = 0;
    quint8 m_depth = 0;
    QHash<qint64, quint32> m_pictures; // pixmap ids
    std::function<void()> m_redraw;
};

}
