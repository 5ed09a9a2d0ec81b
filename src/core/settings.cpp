#include "core/settings.h"

#include "core/ini_reader.h"
#include "core/logging.h"
#include "core/reboot_time.h"
#include "core/timings.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#ifndef ZEPRIL_HOTEL_NAME
#define ZEPRIL_HOTEL_NAME "azure"
#endif

namespace zepril {

static const QString kSection = QStringLiteral("Variables_Setup");

QString builtInHotelName() { return QStringLiteral(ZEPRIL_HOTEL_NAME); }

std::optional<double> parseSettingNumber(const QString& text)
{
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

long long leadingNumber(const QString& text)
{
    long long value = 0;
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > 127)
            break;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 1000000000000LL)
            break;
    }
    return value;
}

std::optional<bool> parseBoolean(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = parseSettingNumber(t))
        return *number != 0.0;
    return std::nullopt;
}

bool isManualMode(const QString& modeManuel) { return parseBoolean(modeManuel).value_or(true); }

std::optional<int> cycleIntervalMs(const QString& cyclePhrase)
{
    const auto seconds = parseSettingNumber(cyclePhrase);
    if (!seconds)
        return std::nullopt;
    if (*seconds < kCyclePhraseRange.lowest || *seconds > kCyclePhraseRange.highest)
        return std::nullopt;
    return static_cast<int>(std::nearbyint(*seconds * 1000.0));
}

namespace {

const char* const kKeys[] = {"cycle_phrase", "vitesse_affphrase",   "majvid_heure",
                             "majphr_heure", "ratio_taillebandeau", "taille_police",
                             "nom_hotel",    "mode_manuel",         "couleur_texte"};

ConfigWarning warn(const QString& key, const QString& value, const QString& what, bool critical = false)
{
    return {key, value, QStringLiteral("%1=\"%2\" %3").arg(key, value, what), critical};
}

bool inRange(const QString& text, const SettingRange& range)
{
    const auto value = parseSettingNumber(text);
    return value && *value >= range.lowest && *value <= range.highest;
}

QString rangeText(const SettingRange& range) { return QStringLiteral("%1..%2").arg(range.lowest).arg(range.highest); }

// The banner must never be laid out with a number it cannot draw, so such a value
// is replaced here, where the technician is told, rather than deep in the layout.
void checkBannerNumber(QString& value, const QString& fallback, const SettingRange& range,
                       QList<ConfigWarning>& warnings)
{
    if (inRange(value, range))
        return;
    warnings.append(warn(QLatin1String(range.key), value,
                         QStringLiteral("is not a number in %1; using %2").arg(rangeText(range), fallback)));
    value = fallback;
}

// Levenshtein distance, for naming the key a misspelt one was probably meant to be.
qsizetype editDistance(const QString& a, const QString& b)
{
    QList<qsizetype> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

void checkKeys(const QString& text, QList<ConfigWarning>& warnings)
{
    QStringList seen;
    for (const IniEntry& entry : iniEntries(text, kSection)) {
        if (entry.key.isEmpty()) {
            warnings.append(warn(QStringLiteral("[Variables_Setup]"), entry.value,
                                 QStringLiteral("is no key=value line; ignored")));
            continue;
        }
        // Compared as the reader compares names, so what it reads is what is checked.
        const auto known = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const char* k) {
            return entry.key.compare(QLatin1String(k), Qt::CaseInsensitive) == 0;
        });
        if (known == std::end(kKeys)) {
            QString what = QStringLiteral("is no known key; ignored");
            for (const char* k : kKeys) {
                if (editDistance(entry.key.toLower(), QLatin1String(k)) <= 2)
                    what += QStringLiteral(" (%1 meant?)").arg(QLatin1String(k));
            }
            warnings.append(warn(entry.key, entry.value, what));
        } else if (seen.contains(QLatin1String(*known))) {
            warnings.append(warn(entry.key, entry.value, QStringLiteral("is given again; the first value is used")));
        } else {
            seen.append(QLatin1String(*known));
        }
    }
}

void checkValues(const QString& text, Settings& s, QList<ConfigWarning>& warnings)
{
    // Absent keys give their defaults, which always pass.
    if (!inRange(s.cycle_phrase, kCyclePhraseRange))
        warnings.append(warn(QLatin1String(kCyclePhraseRange.key), s.cycle_phrase,
                             QStringLiteral("is not a number of seconds in %1; the banner pause stays %2 ms")
                                 .arg(rangeText(kCyclePhraseRange))
                                 .arg(Timings{}.bannerCycleDesignMs)));
    const Settings defaults;
    checkBannerNumber(s.vitesse_affphrase, defaults.vitesse_affphrase, kVitesseRange, warnings);

    const QString& reboot = s.majvid_heure;
    static const QRegularExpression plainHhMm(QStringLiteral("^([01][0-9]|2[0-3]):[0-5][0-9]$"));
    if (const std::optional<QTime> rebootAt = rebootTimeOfDay(reboot); !rebootAt) {
        warnings.append(warn(QStringLiteral("majvid_heure"), reboot,
                             QStringLiteral("names no time of day (HH:MM, 00:00..23:59); "
                                            "the daily reboot never happens"),
                             true));
    } else if (!plainHhMm.match(reboot).hasMatch()) {
        // Another reader of the file (a script, an older player) may take only HH:MM,
        // or only the first and the last two characters.
        warnings.append(warn(QStringLiteral("majvid_heure"), reboot,
                             QStringLiteral("is not HH:MM; the daily reboot is at %1 "
                                            "(write %1 so that every reader agrees)")
                                 .arg(rebootAt->toString(QStringLiteral("hh:mm")))));
    }

    const long long every = leadingNumber(s.majphr_heure);
    const bool allDigits = !s.majphr_heure.isEmpty() && every == s.majphr_heure.toLongLong();
    if ((!allDigits || every < kMajphrRange.lowest || every > kMajphrRange.highest)) {
        warnings.append(warn(QLatin1String(kMajphrRange.key), s.majphr_heure,
                             QStringLiteral("is not a whole number of minutes in %1; %2")
                                 .arg(rangeText(kMajphrRange),
                                      every > 0 ? QStringLiteral("the texts are refreshed every %1 minutes").arg(every)
                                                : QStringLiteral("the texts are only fetched at start-up"))));
    }
    checkBannerNumber(s.ratio_taillebandeau, defaults.ratio_taillebandeau, kRatioRange, warnings);
    checkBannerNumber(s.taille_police, defaults.taille_police, kTaillePoliceRange, warnings);

    if (s.nom_hotel.isEmpty())
        warnings.append(warn(QStringLiteral("nom_hotel"), s.nom_hotel,
                             QStringLiteral("is empty; the texts are fetched as \"_txt.ini\"")));
    if (!parseBoolean(s.mode_manuel))
        warnings.append(warn(QStringLiteral("mode_manuel"), s.mode_manuel,
                             QStringLiteral("is neither True nor False; manual mode is used (no video is deleted)")));
    const QString colour = iniValueFromText(text, kSection, QStringLiteral("couleur_texte"), QStringLiteral("True"));
    if (!parseBoolean(colour))
        warnings.append(warn(QStringLiteral("couleur_texte"), colour,
                             QStringLiteral("is neither True nor False; black text on white is used")));
}

} // namespace

SettingsRead loadSettings(const QString& configIniPath) { return settingsFromText(readIniText(configIniPath)); }

SettingsRead settingsFromText(const QString& text)
{
    SettingsRead result;
    Settings& s = result.settings;
    const auto read = [&](const char* key, const QString& def) {
        return iniValueFromText(text, kSection, QLatin1String(key), def);
    };
    s.cycle_phrase = read("cycle_phrase", s.cycle_phrase);
    s.vitesse_affphrase = read("vitesse_affphrase", s.vitesse_affphrase);
    s.majvid_heure = read("majvid_heure", s.majvid_heure);
    s.majphr_heure = read("majphr_heure", s.majphr_heure);
    s.ratio_taillebandeau = read("ratio_taillebandeau", s.ratio_taillebandeau);
    s.taille_police = read("taille_police", s.taille_police);
    s.nom_hotel = read("nom_hotel", builtInHotelName());
    s.mode_manuel = read("mode_manuel", s.mode_manuel);
    s.couleur_texte = parseBoolean(read("couleur_texte", QStringLiteral("True"))).value_or(false);

    checkKeys(text, result.warnings);
    checkValues(text, s, result.warnings);
    return result;
}

QList<ConfigWarning> settingsWarnings(const QString& configIniPath) { return loadSettings(configIniPath).warnings; }

Settings readSettings(const QString& configIniPath)
{
    const SettingsRead read = loadSettings(configIniPath);
    for (const ConfigWarning& w : read.warnings) {
        if (w.critical)
            qCCritical(lcConfig).noquote() << w.text;
        else
            qCWarning(lcConfig).noquote() << w.text;
    }
    const Settings& s = read.settings;
    qCInfo(lcConfig).noquote() << "settings from"
                               << (configIniPath.isEmpty() ? QStringLiteral("(defaults)") : configIniPath)
                               << "cycle_phrase=" + s.cycle_phrase << "vitesse_affphrase=" + s.vitesse_affphrase
                               << "majvid_heure=" + s.majvid_heure << "majphr_heure=" + s.majphr_heure
                               << "ratio_taillebandeau=" + s.ratio_taillebandeau << "taille_police=" + s.taille_police
                               << "nom_hotel=" + s.nom_hotel << "mode_manuel=" + s.mode_manuel
                               << "couleur_texte=" + QString(s.couleur_texte ? "true" : "false");
    return s;
}

}
