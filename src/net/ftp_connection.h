#pragma once
// The libcurl side of the FTP session: the connection the transfer control's worker
// thread runs each command on, and the command, settings and result it passes.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include "net/curl_easy.h"
#include "net/transfer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QSaveFile;

namespace zepril {

enum class CommandKind { Cd, Ls, Pwd, Get };

struct FtpCommand {
    CommandKind kind = CommandKind::Ls;
    QString argument; // CD: the directory; GET: the remote name
    QString local;    // GET: the local path
};

struct FtpSettings {
    QString host;
    bool tls = false;
    int port = 21;
    QString user;
    QString password;
    int timeoutS = 4;
    friend bool operator==(const FtpSettings&, const FtpSettings&) = default;
};

struct FtpResult {
    bool ok = false;
    int replyCode = 0;
    QString error = {};
    QByteArray response = {}; // LS: one entry per line, directories with a trailing "/"; PWD: the directory
    QString workingDirectory = {};
};

// Everything that touches libcurl, on the worker thread only. One easy handle for the
// whole session: libcurl keeps the control connection open in it between commands and
// opens a new one by itself when the server has dropped it. Paths are always given
// absolute so that the server's own idea of the current directory never matters.
class FtpConnection final {
    Q_DISABLE_COPY_MOVE(FtpConnection)
public:
    using StateSink = std::function<void(TransferState)>;

    FtpConnection();
    ~FtpConnection();

    void abort() { m_abort = true; }

    FtpResult run(const FtpSettings& settings, const FtpCommand& command, const StateSink& sink);

private:
    struct Outcome {
        CURLcode code = CURLE_OK;
        QString error;
    };

    QString baseUrl() const;
    // URL of an absolute server path; a leading "%2F" makes libcurl address it from
    // the root instead of from the login directory.
    QString urlOf(const QString& absolutePath, bool directory) const;
    // Where a name given relative to the working directory lives; before the login
    // directory is known, libcurl's relative addressing does the same.
    QString urlOfName(const QString& name, bool directory) const;
    QString currentDirectoryUrl() const;

    void prepare(const QString& url);
    Outcome perform();
    FtpResult failed(const Outcome& o, const QString& what) const;

    FtpResult list();
    void logListing(const QString& url, const char* how, qsizetype bytes, const QByteArray& answer) const;
    Outcome listWith(const QString& url, const char* customCommand, bool namesOnly, QByteArray* body);
    // Runs raw commands on the control connection and transfers nothing.
    Outcome commands(const QList<QByteArray>& lines);
    FtpResult changeDirectory(const QString& directory);
    FtpResult printDirectory();
    // The final reply to the last time this command was sent in the request; 0 when
    // it was not sent or not answered.
    int replyTo(const QByteArray& command) const;
    QByteArray replyTextTo(const QByteArray& command) const;
    FtpResult fetch(const QString& remote, const QString& local);

    void emitState(TransferState state);

    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static size_t onListingData(char* data, size_t size, size_t count, void* self);
    static size_t onFileData(char* data, size_t size, size_t count, void* self);

    std::unique_ptr<curl::Easy> m_easy;
    FtpSettings m_settings;
    QString m_cwd;
    bool m_noMlsd = false;
    bool m_connected = false;
    std::atomic<bool> m_abort{false};

    // Per request.
    const StateSink* m_sink = nullptr;
    std::optional<TransferState> m_lastState;
    QByteArray m_url;
    QByteArray m_user;
    QByteArray m_password;
    struct Exchange {
        QByteArray command;
        int code = 0;
        QByteArray reply;
    };
    int m_replyCode = 0;
    QList<QByteArray> m_sentCommands; // waiting for their replies
    QList<Exchange> m_exchanges;      // this request's commands with their final replies
    QByteArray* m_body = nullptr;
    QSaveFile* m_file = nullptr;
    qint64 m_fileBytes = 0;
    QElapsedTimer m_lastDataSignal;
};

}
