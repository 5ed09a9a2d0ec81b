// The INI reader on any bytes: it never crashes, a value never holds a line break or
// more than 254 characters, and the value read for a key is that of its first line.
#include "core/ini_reader.h"
#include "core/settings.h"
#include "core/text_codec.h"
#include "fuzz_common.h"


FUZZ_SILENCE_LOGS()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zepril;
    const QByteArray bytes = fuzz::inputBytes(data, size);
    const QString text = decodeText(bytes);
    const QString section = QStringLiteral("Variables_Setup");
    const QString absent = QStringLiteral("\n absent \n");

    const QList<IniEntry> entries = iniEntries(text, section);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const IniEntry& entry = entries[i];
        FUZZ_CHECK(!fuzz::hasLineBreak(entry.key) && !fuzz::hasLineBreak(entry.value));
        if (entry.key.isEmpty())
            continue;
        FUZZ_CHECK(entry.value.size() <= 254);
        // The first match wins: the value read is that of the first line whose key
        // equals this one as the reader compares names.
        qsizetype first = 0;
        while (entries[first].key.isEmpty() || entries[first].key.compare(entry.key, Qt::CaseInsensitive) != 0)
            ++first;
        FUZZ_CHECK(iniValueFromText(text, section, entry.key, absent) == entries[first].value);
    }
    // A key can never hold "=", so this one is never found and gives the default.
    FUZZ_CHECK(iniValueFromText(text, section, QStringLiteral("no=key"), absent) == absent);

    // Whatever the file says, the banner is only ever given numbers it can draw, and
    // every warning starts with the key it is about.
    const SettingsRead read = settingsFromText(text);
    for (const auto& [value, range] : {std::pair{read.settings.vitesse_affphrase, kVitesseRange},
                                       {read.settings.ratio_taillebandeau, kRatioRange},
                                       {read.settings.taille_police, kTaillePoliceRange}}) {
        const auto number = parseSettingNumber(value);
        FUZZ_CHECK(number && *number >= range.lowest && *number <= range.highest);
    }
    for (const ConfigWarning& warning : read.warnings)
        FUZZ_CHECK(warning.text.startsWith(warning.key + u'='));
    return 0;
}
