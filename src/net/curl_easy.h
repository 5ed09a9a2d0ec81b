#pragma once
// The one way this program talks to libcurl: the library set up once per process, an
// easy handle owned by RAII with the options every transfer shares (one User-Agent,
// no signals, an error text), and one rule for giving up on a server: nothing received
// for the idle time, or the whole request past its deadline.
#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <optional>

namespace zepril::curl {

inline constexpr char kUserAgent[] = "ZEPRIL_Client";

// Bounds of one request, in milliseconds; 0 leaves the deadline open.
struct Limits {
    int connectTimeoutMs = 5000;
    int idleTimeoutMs = 10000; // longest silence of the server once asked
    int deadlineMs = 0;        // the whole request, from the first byte sent to the last received
};

struct Outcome {
    CURLcode code = CURLE_OK;
    QString error; // empty on success
    bool idleExpired = false;
    bool deadlineExpired = false;
    bool aborted = false;
    bool ok() const { return code == CURLE_OK; }
};

// A libcurl string list (request headers, raw commands), freed with its owner.
class StringList final {
public:
    StringList() = default;
    ~StringList() { curl_slist_free_all(m_list); }
    StringList(const StringList&) = delete;
    StringList& operator=(const StringList&) = delete;

    void append(const QByteArray& line)
    {
        if (curl_slist* longer = curl_slist_append(m_list, line.constData()))
            m_list = longer;
    }
    curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

// Safe to call from any thread, any number of times; every Easy calls it.
void globalInit();

class Easy final {
public:
    Easy();
    ~Easy();
    Easy(const Easy&) = delete;
    Easy& operator=(const Easy&) = delete;

    explicit operator bool() const { return m_handle != nullptr; }
    CURL* handle() const { return m_handle; }

    template <typename T>
    void set(CURLoption option, T value)
    {
        curl_easy_setopt(m_handle, option, value);
    }

    // The web requests' URL and redirect rules: HTTP(S) only, at most five redirects, so
    // a redirect can never lead a fetch to a file or another protocol.
    void setWebUrl(const QByteArray& url);

    // Forgets the previous request's options (the shared ones are set again) but keeps
    // the open connections, so a session goes on on the same control connection.
    void reset();

    // Runs the request on this thread. Gives up when the server has sent nothing for
    // limits.idleTimeoutMs, when limits.deadlineMs has passed, or as soon as *abort
    // becomes true (checked at least every 50 ms).
    Outcome perform(const Limits& limits, const std::atomic<bool>* abort = nullptr);

    // For exchanges that the byte counters do not see (an FTP server's replies on the
    // control connection): call from a callback when the server has said something.
    void noteActivity() { m_activity = true; }

    // Called on the performing thread as a connection to the server is being opened
    // (not for an FTP data connection, nor when an open one is reused); kept by reset().
    void onConnecting(std::function<void()> hook);

    // The value of a header of the latest response (the last of a redirect chain);
    // nullopt when it has none. Only on the thread that performs, during or after it.
    std::optional<QByteArray> header(const char* name) const;

private:
    void applyShared();
    static int onSocketOpened(void* self, curl_socket_t, curlsocktype purpose);

    CURL* m_handle = nullptr;
    CURLM* m_multi = nullptr; // keeps the connections between requests
    bool m_activity = false;
    std::function<void()> m_connecting;
    char m_errorText[CURL_ERROR_SIZE] = {};
};

}
