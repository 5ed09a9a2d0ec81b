#pragma once
// Shared by the fuzz targets: a property that fails stops the run with a trap, which
// libFuzzer reports as a crash and saves the input that caused it.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition))     \
            __builtin_trap(); \
    } while (0)

// The targets whose code logs: the log would slow every run and bury the report.
#define FUZZ_SILENCE_LOGS()                              \
    extern "C" int LLVMFuzzerInitialize(int*, char***) \
    {                                                   \
        zepril::fuzz::silenceLogs();                    \
        return 0;                                       \
    }

namespace zepril::fuzz {

inline bool hasLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

// The parsers log what they skip; millions of runs must not spend their time on it.
inline void silenceLogs()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

// The fuzzer's input as bytes, copied so that a target may keep or change them.
inline QByteArray inputBytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

}
