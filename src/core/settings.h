#pragma once
// The player's settings: the nine keys of [Variables_Setup] in cfg/config.ini, held
// as the texts read (numbers are converted where they are used).
#include <QString>

#include <optional>

namespace zepril {

struct Settings {
    QString cycle_phrase = QStringLiteral("30");
    QString vitesse_affphrase = QStringLiteral("10");
    QString majvid_heure = QStringLiteral("02:00");
    QString majphr_heure = QStringLiteral("60");
    QString ratio_taillebandeau = QStringLiteral("6");
    QString taille_police = QStringLiteral("40");
    QString nom_hotel;        // built-in name unless configured
    QString mode_manuel = QStringLiteral("True");
    bool couleur_texte = true; // true: white on black
};

QString builtInHotelName();

// Reads the keys in their fixed order; a missing file, section or key gives the default.
Settings readSettings(const QString& configIniPath);

// A setting used as a number: digits, optional sign, the locale's decimal separator.
std::optional<double> parseSettingNumber(const QString& text);

// The leading digits of a text as a number ("02:00" -> 2, "abc" -> 0).
long long leadingNumber(const QString& text);

// Boolean texts: "True"/"False" in any letter case, or a number (non-zero is true).
std::optional<bool> parseBoolean(const QString& text);

// Manual mode unless the value says false (a value that is no Boolean keeps manual).
bool isManualMode(const QString& modeManuel);

// Interval of the banner pause in ms, or nothing when cycle_phrase is no number.
std::optional<int> cycleIntervalMs(const QString& cyclePhrase);

}
