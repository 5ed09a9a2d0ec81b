#include "core/settings.h"

#include "core/ini_reader.h"
#include "core/logging.h"

#include <QLocale>

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

bool isManualMode(const QString& modeManuel)
{
    return parseBoolean(modeManuel).value_or(true);
}

std::optional<int> cycleIntervalMs(const QString& cyclePhrase)
{
    const auto seconds = parseSettingNumber(cyclePhrase);
    if (!seconds)
        return std::nullopt;
    const double ms = std::nearbyint(*seconds * 1000.0);
    if (ms < 0 || ms > 2147483647.0)
        return std::nullopt;
    return static_cast<int>(ms);
}

Settings readSettings(const QString& configIniPath)
{
    Settings s;
    const auto read = [&](const char* key, const QString& def) {
        return ReadIniValue(kSection, QLatin1String(key), configIniPath, def);
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
    qCInfo(lcConfig).noquote() << "settings from" << (configIniPath.isEmpty() ? QStringLiteral("(defaults)") : configIniPath)
                               << "cycle_phrase=" + s.cycle_phrase << "vitesse_affphrase=" + s.vitesse_affphrase
                               << "majvid_heure=" + s.majvid_heure << "majphr_heure=" + s.majphr_heure
                               << "ratio_taillebandeau=" + s.ratio_taillebandeau << "taille_police=" + s.taille_police
                               << "nom_hotel=" + s.nom_hotel << "mode_manuel=" + s.mode_manuel
                               << "couleur_texte=" + QString(s.couleur_texte ? "true" : "false");
    return s;
}

}
