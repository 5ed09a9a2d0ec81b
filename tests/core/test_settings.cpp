#include "core/server_config.h"
#include "core/settings.h"

#include <QLocale>
#include <QStringEncoder>

#include "core_test.h"

#include <tuple>

namespace {

Settings settingsWith(TempTree& tree, const QByteArray& lines)
{
    return readSettings(tree.write("cfg/config.ini", "[Variables_Setup]\r\n" + lines));
}

} // namespace

TEST(Settings, DefaultsEveryKeyOverriddenAndBooleans)
{
    TempTree tree;
    const auto values = [](const Settings& s) {
        return QStringList{s.cycle_phrase, s.vitesse_affphrase, s.majvid_heure, s.majphr_heure, s.ratio_taillebandeau,
                           s.taille_police, s.nom_hotel, s.mode_manuel, s.couleur_texte ? "white" : "black"};
    };
    EXPECT_EQ(values(readSettings(tree.path("cfg/config.ini"))),
              QStringList({"30", "10", "02:00", "60", "6", "40", builtInHotelName(), "True", "white"}));
    EXPECT_FALSE(builtInHotelName().isEmpty());
    EXPECT_EQ(values(settingsWith(tree, "cycle_phrase=12\r\nvitesse_affphrase=25\r\nmajvid_heure=03:30\r\n"
                                        "majphr_heure=15\r\nratio_taillebandeau=8\r\ntaille_police=32\r\n"
                                        "nom_hotel=H\xF4tel du Port\r\nmode_manuel=False\r\ncouleur_texte=False\r\n")),
              QStringList({"12", "25", "03:30", "15", "8", "32", QStringLiteral("Hôtel du Port"), "False", "black"}));
    // Neither Boolean nor number: the player keeps the mode that never deletes videos,
    // while the colour flag turns false.
    for (const auto& [value, manual, white] : {std::tuple{"FALSE", false, false}, {"0", false, false},
                                               {"True", true, true}, {"-1", true, true}, {"yes", true, false}}) {
        EXPECT_EQ(isManualMode(settingsWith(tree, "mode_manuel=" + QByteArray(value)).mode_manuel), manual) << value;
        EXPECT_EQ(settingsWith(tree, "couleur_texte=" + QByteArray(value)).couleur_texte, white) << value;
    }
}

TEST(Settings, NumbersAndTheLocaleDecimalSeparator)
{
    const std::pair<const char*, std::optional<int>> cycles[] = {
        {"30", 30000}, {" 7 ", 7000}, {"2.5", 2500}, {"0.0015", 2}, {"0", 0}, {"86400", 86400000}, {"", std::nullopt},
        {"abc", std::nullopt}, {"12abc", std::nullopt}, {"-3", std::nullopt}, {"86401", std::nullopt},
        {"1e12", std::nullopt}};
    for (const auto& [text, ms] : cycles)
        EXPECT_EQ(cycleIntervalMs(text), ms) << text;
    EXPECT_EQ(parseSettingNumber("2,5"), std::nullopt);

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(cycleIntervalMs("2,5"), 2500);
    EXPECT_EQ(cycleIntervalMs("2.5"), std::nullopt);
    EXPECT_EQ(parseSettingNumber("-1,25"), -1.25);
    EXPECT_EQ(parseBoolean("0,0"), false);
    QLocale::setDefault(saved);

    EXPECT_EQ(leadingNumber("02:00"), 2);
    EXPECT_EQ(leadingNumber(QStringLiteral("٣0")), 0) << "only ASCII digits count";
}

TEST(Settings, EverySettingThatCannotWorkIsToldOnceWithWhatIsUsedInstead)
{
    QLocale::setDefault(QLocale::c());
    TempTree tree;
    const struct {
        QByteArray lines;
        QStringList warnings; // "!" in front: told as critical
        const char* taillePolice = "40";
    } rows[] = {
        {"cycle_phrase=0\r\nvitesse_affphrase=2000\r\nmajvid_heure=23:59\r\nmajphr_heure=1440\r\n"
         "ratio_taillebandeau=1\r\ntaille_police=400\r\nmode_manuel=0\r\ncouleur_texte=true\r\n",
         {}, "400"},
        {"taille_police=1000000\r\nvitesse_affphrase=-5\r\nratio_taillebandeau=0\r\n",
         {"vitesse_affphrase=\"-5\" is not a number in 1..2000; using 10",
          "ratio_taillebandeau=\"0\" is not a number in 1..50; using 6",
          "taille_police=\"1000000\" is not a number in 1..400; using 40"}},
        {"cycle_phrase=\r\ntaille_police=grand\r\n",
         {"cycle_phrase=\"\" is not a number of seconds in 0..86400; the banner pause stays 5000 ms",
          "taille_police=\"grand\" is not a number in 1..400; using 40"}},
        {"majvid_heure=99:99\r\n",
         {"!majvid_heure=\"99:99\" names no time of day (HH:MM, 00:00..23:59); the daily reboot never happens"}},
        {"majphr_heure=15min\r\n",
         {"majphr_heure=\"15min\" is not a whole number of minutes in 1..1440; the texts are refreshed every 15 minutes"}},
        {"majphr_heure=0\r\n",
         {"majphr_heure=\"0\" is not a whole number of minutes in 1..1440; the texts are only fetched at start-up"}},
        {"nom_hotel=\r\nmode_manuel=oui\r\ncouleur_texte=blanc\r\n",
         {"nom_hotel=\"\" is empty; the texts are fetched as \"_txt.ini\"",
          "mode_manuel=\"oui\" is neither True nor False; manual mode is used (no video is deleted)",
          "couleur_texte=\"blanc\" is neither True nor False; black text on white is used"}},
        {"cycle_phrse=5\r\nCycle_Phrase=7\r\ncycle_phrase=8\r\nvolume=3\r\njust words\r\n",
         {"cycle_phrse=\"5\" is no known key; ignored (cycle_phrase meant?)",
          "cycle_phrase=\"8\" is given again; the first value is used", "volume=\"3\" is no known key; ignored",
          "[Variables_Setup]=\"just words\" is no key=value line; ignored"}},
    };
    for (const auto& row : rows) {
        const SettingsRead read = loadSettings(tree.write("cfg/config.ini", "[Variables_Setup]\r\n" + row.lines));
        QStringList told;
        for (const ConfigWarning& w : read.warnings)
            told << (w.critical ? "!" : "") + w.text;
        EXPECT_EQ(told, row.warnings) << row.lines.toStdString();
        EXPECT_EQ(read.settings.taille_police, row.taillePolice) << row.lines.toStdString();
    }
    EXPECT_EQ(loadSettings(tree.path("cfg/missing.ini")).warnings.size(), 0);
    const Settings fallback = settingsWith(tree, "vitesse_affphrase=-5\r\nratio_taillebandeau=0\r\nmajvid_heure=3:00\r\n");
    EXPECT_EQ(fallback.vitesse_affphrase, "10") << "the banner never sees a number it cannot draw";
    EXPECT_EQ(fallback.ratio_taillebandeau, "6");
    EXPECT_EQ(fallback.majvid_heure, "3:00") << "a reboot time written loosely keeps its text";
}

TEST(Settings, Utf16ConfigWithItsMarkIsRead)
{
    TempTree tree;
    const QString text = QStringLiteral("[Variables_Setup]\r\nnom_hotel=Hôtel Été\r\nmode_manuel=False\r\n"
                                        "[Serveurs]\r\nmaj=127.0.0.1:8080\r\n");
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        const QString path =
            tree.write("cfg/config.ini", QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text));
        const SettingsRead read = loadSettings(path);
        EXPECT_EQ(read.settings.nom_hotel, QStringLiteral("Hôtel Été"));
        EXPECT_FALSE(isManualMode(read.settings.mode_manuel));
        EXPECT_TRUE(read.warnings.isEmpty());
        EXPECT_EQ(readServerConfig(path).update.baseUrl(), "http://127.0.0.1:8080");
    }
}

TEST(ServerConfig, ServeursSectionOverridesEachAddressAndAMalformedOneKeepsTheBuiltIn)
{
    TempTree tree;
    const auto urls = [](const ServerConfig& c) {
        return QStringList{c.update.baseUrl(), c.content.baseUrl(), c.weather.baseUrl(), c.ftp.baseUrl(), c.ftpUser};
    };
    const QStringList builtIn = urls(defaultServerConfig());
    EXPECT_EQ(urls(readServerConfig(tree.path("cfg/none.ini"))), builtIn);

    const ServerConfig c = readServerConfig(tree.write(
        "cfg/config.ini", "[Serveurs]\r\nmaj=127.0.0.1:8080\r\nvideos=HTTPS://Cdn.Local:8443/\r\nmeteo=localhost\r\n"
                          "ftp=127.0.0.1:2121\r\nftp_user=kiosk\r\nftp_password=s3cret\r\ndebit_max=4000\r\n"
                          "[Systeme]\r\nreboot=/usr/local/bin/kiosk-reboot\r\n"));
    EXPECT_EQ(urls(c), QStringList({"http://127.0.0.1:8080", "https://cdn.local:8443", "http://localhost",
                                    "ftp://127.0.0.1:2121", "kiosk"}));
    EXPECT_EQ(c.ftpPassword, "s3cret");
    EXPECT_EQ(c.rebootCommand, "/usr/local/bin/kiosk-reboot");
    EXPECT_EQ(c.downloadRateLimit, 500000) << "4000 kbit/s in bytes per second";
    EXPECT_EQ(defaultServerConfig().downloadRateLimit, 0);
    EXPECT_EQ(readServerConfig(tree.write("cfg/config.ini", "[Serveurs]\r\ndebit_max=4 Mbit\r\n")).downloadRateLimit, 0);
    EXPECT_EQ(urls(readServerConfig(tree.write(
                  "cfg/config.ini", "[Serveurs]\r\nmaj=127.0.0.1:80800\r\nvideos=bad host\r\nmeteo=host:abc\r\nftp=\r\n"))),
              builtIn)
        << "a port out of range must not fall back to port 80";

    EXPECT_EQ(parseServerAddress("ftps://files.local", "ftp").baseUrl(), "ftps://files.local");
    EXPECT_EQ(parseServerAddress("  files.local:990 ", "ftp").baseUrl(), "ftp://files.local:990");
    EXPECT_EQ(parseServerAddress("[::1]:8080", "http").baseUrl(), "http://[::1]:8080");
    for (const char* bad : {"host:abc", "host:70000", "host:0", "two words", "http://host/videos"})
        EXPECT_TRUE(parseServerAddress(bad, "http").host.isEmpty()) << bad;
}
