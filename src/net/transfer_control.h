#pragma once
// The HTTP transfer control as the video download uses it: a request runs in the
// background, the response's status and headers come first, its body is then read in
// pieces, and every step is signalled.
#include "net/transfer.h"

#include <QByteArray>
#include <QObject>

namespace zepril {

class TransferControl : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TransferControl() override = default;

    // Starts the request and returns at once. False, with result().error set, while a
    // request is still running.
    virtual bool start(const TransferRequest& request) = 0;
    // True from start() until the response's status and headers are in or the request
    // has failed.
    virtual bool awaitingResponse() const = 0;
    // Next piece of the body, at most maxBytes; empty when nothing is left.
    virtual QByteArray readBody(int maxBytes) = 0;
    // What the last request got so far.
    virtual TransferResult result() const = 0;

public slots:
    // Stops the request under way and drops what is left of its response; a control
    // that cannot stop one early lets it run out.
    virtual void cancel() {}

signals:
    void stateReached(zepril::TransferState state);
    // Emitted on the UI thread, so that waiters sleep in the event loop instead of
    // polling: new body bytes can be read, or the request has ended.
    void dataAvailable();
    void requestFinished();
};

}
