#pragma once
// The Internet transfer control of the main screen (Inet1, Inet2): one object with the
// control's members that hands each request to its HTTP or its FTP engine, chosen by
// the Protocol property or by the scheme of the URL, as the original control did.
#include "net/transfer_control.h"

#include <memory>

namespace zepril {

class InetControl final : public TransferControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InetControl)
public:
    InetControl(std::unique_ptr<TransferControl> http, std::unique_ptr<TransferControl> ftp, QObject* parent = nullptr);
    ~InetControl() override;

    void setProtocol(int protocol) override;
    void setRemotePort(int port) override;
    void setUrl(const QString& url) override;
    QString url() const override;
    void setUserName(const QString& user) override;
    void setPassword(const QString& password) override;
    void setRequestTimeout(int seconds) override;
    bool execute(const QString& operation, const QString& requestHeaders = {}) override;
    bool stillExecuting() const override;
    QByteArray getChunk(int maxBytes) override;
    QString getHeader(const QString& name = {}) const override;
    int responseCode() const override;
    bool succeeded() const override;
    QString lastError() const override;
    void cancel() override;

    int protocol() const { return m_protocol; }

private:
    TransferControl& active() const;

    std::unique_ptr<TransferControl> m_http;
    std::unique_ptr<TransferControl> m_ftp;
    int m_protocol = ProtocolHttp;
};

}
