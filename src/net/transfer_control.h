#pragma once
// The HTTP transfer control's members as the video download uses them: a
// request runs in the background, StillExecuting stays true until it ends, the response
// is then read in chunks, and every change of state is signalled with its number (0 to 12).
#include <QByteArray>
#include <QObject>
#include <QString>

namespace zepril {

class TransferControl : public QObject {
    Q_OBJECT
public:
    enum Protocol { ProtocolDefault = 0, ProtocolHttp = 1, ProtocolFtp = 2, ProtocolHttps = 4 };

    using QObject::QObject;
    ~TransferControl() override = default;

    virtual void setProtocol(int protocol) = 0;
    virtual void setRemotePort(int port) = 0;
    virtual void setUrl(const QString& url) = 0;
    virtual QString url() const = 0;
    virtual void setUserName(const QString& user) = 0;
    virtual void setPassword(const QString& password) = 0;
    virtual void setRequestTimeout(int seconds) = 0;

    // Starts a request and returns at once. operation: "GET", with requestHeaders such
    // as "Range: bytes=0-\r\n". False, with lastError() set, when a request is still running.
    virtual bool execute(const QString& operation, const QString& requestHeaders = {}) = 0;
    virtual bool stillExecuting() const = 0;

    // Next piece of the response, at most maxBytes; empty when nothing is left.
    virtual QByteArray getChunk(int maxBytes) = 0;
    // Without a name: all response headers; with one: that header's value or "".
    virtual QString getHeader(const QString& name = {}) const = 0;

    // Outcome of the last request, for the callers that must not take an error for
    // content: the HTTP status (0 when none), whether the transfer completed, and why not.
    virtual int responseCode() const = 0;
    virtual bool succeeded() const = 0;
    virtual QString lastError() const = 0;

public slots:
    // Stops the request under way and drops what is left of its response; a control
    // that cannot stop one early lets it run out.
    virtual void cancel() {}

signals:
    void stateChanged(int state);
    // Emitted on the UI thread, so that waiters sleep in the event loop instead of
    // polling: new response bytes can be read with getChunk, or the request has ended.
    void dataAvailable();
    void requestFinished();
};

}
