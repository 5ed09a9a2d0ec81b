#include "core/text_codec.h"

#include <QStringDecoder>

namespace zepril {

// 0x80..0x9F of Windows-1252; 0 marks the five bytes the code page leaves undefined,
// which become the C1 control of the same value, so no byte of a name is lost.
static const char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString decodeWindows1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
            out.append(QChar(kHigh[b - 0x80]));
        else
            out.append(QChar(static_cast<char16_t>(b)));
    }
    return out;
}

// The one mark is dropped here; a second one belongs to the first name (a list
// written with a name that starts with U+FEFF), so the decoder must keep it.
static constexpr auto kFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

QString decodeText(const QByteArray& bytes)
{
    // No UTF-8 or Windows-1252 text of ours starts with FF FE or FE FF (both letters
    // "ÿþ" or "þÿ" in front of a list or a section), so the mark decides alone. Bad
    // surrogates become U+FFFD: the rest of the file is still worth reading.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             kFlags);
        QString text = utf16.decode(QByteArrayView(bytes).sliced(2));
        // The decoder passes a lone surrogate through; such a name could not be
        // written back as UTF-8, nor named on disk.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            else if (text.at(i).isSurrogate())
                text[i] = QChar::ReplacementCharacter;
        }
        return text;
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, kFlags);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    // A mark followed by a stray Windows-1252 byte: the mark is still no text, and
    // kept as three letters it would hide the first line (an INI file's first section).
    return decodeWindows1252(body);
}

}
