#pragma once
// Shared by the fuzz targets: a property that fails stops the run with a trap, which
// libFuzzer reports as a crash and saves the input that caused it.
#include <QString>
#include <QtGlobal>

#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition))     \
            __builtin_trap(); \
    } while (0)

namespace zepril::fuzz {

// Valid UTF-16: every high surrogate followed by a low one, no low one alone.
inline bool isValidUtf16(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (c.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

inline bool hasLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

// The parsers log what they skip; millions of runs must not spend their time on it.
inline void silenceLogs()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

}
