// The list codec on any bytes: decoding gives valid UTF-16, no name holds a line
// break, and the names written then read back are the same names.
#include "core/list_file.h"
#include "core/text_codec.h"
#include "fuzz_common.h"


FUZZ_SILENCE_LOGS()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zepril;
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QString text = decodeText(bytes);
    FUZZ_CHECK(text.isValidUtf16());

    const QStringList names = parseListText(text);
    for (const QString& name : names)
        FUZZ_CHECK(!fuzz::hasLineBreak(name));

    const QByteArray written = encodeList(names);
    FUZZ_CHECK(parseListText(decodeText(written)) == names);
    // Written lists are UTF-8 with CR LF: read back through the same decoder, the
    // text is exactly the names and their line ends.
    FUZZ_CHECK(decodeText(written) == (names.isEmpty() ? QString() : names.join(QStringLiteral("\r\n")) + "\r\n"));
    return 0;
}
