#pragma once
// The player's settings: the nine keys of [Variables_Setup] in cfg/config.ini, held
// as the texts read (numbers are converted where they are used).
#include <QList>
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
    QString nom_hotel; // built-in name unless configured
    QString mode_manuel = QStringLiteral("True");
    bool couleur_texte = true; // true: white on black
};

QString builtInHotelName();

// A setting that cannot work as written, told to the technician who wrote it.
struct ConfigWarning {
    QString key;
    QString value;
    QString text;          // one line: the key, the value and what is used instead
    bool critical = false; // the setting silently disables something the hotel relies on
};

struct SettingsRead {
    Settings settings;
    QList<ConfigWarning> warnings;
};

// The banner's numbers are only taken inside these ranges; outside them (or when not
// a number) their default is used. cycle_phrase outside its range leaves the banner
// pause at its design interval.
struct SettingRange {
    const char* key;
    double lowest, highest;
};
inline constexpr SettingRange kCyclePhraseRange{"cycle_phrase", 0, 86400};
inline constexpr SettingRange kVitesseRange{"vitesse_affphrase", 1, 2000};
inline constexpr SettingRange kRatioRange{"ratio_taillebandeau", 1, 50};
inline constexpr SettingRange kTaillePoliceRange{"taille_police", 1, 400};
inline constexpr SettingRange kMajphrRange{"majphr_heure", 1, 1440};

// Reads the keys in their fixed order (a missing file, section or key gives the
// default) and checks every line of [Variables_Setup]. Logs nothing.
SettingsRead loadSettings(const QString& configIniPath);
// The same on the file's text.
SettingsRead settingsFromText(const QString& configText);

// What loadSettings would warn about, for a command that only checks a file.
QList<ConfigWarning> settingsWarnings(const QString& configIniPath);

// loadSettings, then one log line per warning and one with the values in use.
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
