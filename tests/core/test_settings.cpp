#include "core/server_config.h"
#include "core/settings.h"

#include "qt_print.h"
#include "support/temp_tree.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace zepril;

namespace {

// Settings read from a config.ini holding the given [Variables_Setup] lines.
Settings settingsWith(test::TempTree& tree, const QByteArray& lines)
{
    return readSettings(tree.write("cfg/config.ini", "[Variables_Setup]\r\n" + lines));
}

} // namespace

TEST(Settings, DefaultsWithoutAConfigFileAndEveryKeyOverridden)
{
    test::TempTree tree;
    for (const QString& path : {tree.path("cfg/config.ini"), QString()}) {
        const Settings s = readSettings(path);
        const QStringList values{s.cycle_phrase, s.vitesse_affphrase, s.majvid_heure, s.majphr_heure,
                                 s.ratio_taillebandeau, s.taille_police};
        EXPECT_EQ(values, QStringList({"30", "10", "02:00", "60", "6", "40"}));
        EXPECT_EQ(s.nom_hotel, builtInHotelName());
        EXPECT_FALSE(s.nom_hotel.isEmpty());
        EXPECT_TRUE(isManualMode(s.mode_manuel));
        EXPECT_TRUE(s.couleur_texte);
    }
    const Settings s = settingsWith(tree, "cycle_phrase=12\r\nvitesse_affphrase=25\r\nmajvid_heure=03:30\r\n"
                                          "majphr_heure=15\r\nratio_taillebandeau=8\r\ntaille_police=32\r\n"
                                          "nom_hotel=H\xF4tel du Port\r\nmode_manuel=False\r\ncouleur_texte=False\r\n");
    const QStringList values{s.cycle_phrase, s.vitesse_affphrase, s.majvid_heure, s.majphr_heure,
                             s.ratio_taillebandeau, s.taille_police, s.nom_hotel};
    EXPECT_EQ(values, QStringList({"12", "25", "03:30", "15", "8", "32", QStringLiteral("Hôtel du Port")}));
    EXPECT_FALSE(isManualMode(s.mode_manuel));
    EXPECT_FALSE(s.couleur_texte);
}

TEST(Settings, BooleanKeys)
{
    test::TempTree tree;
    // Neither Boolean nor number: the player keeps the mode that never deletes videos,
    // while the colour flag turns false.
    const struct {
        const char* value;
        bool manual, white;
    } rows[] = {
        {"False", false, false}, {"FALSE", false, false}, {"0", false, false}, {"True", true, true},
        {"1", true, true},       {"-1", true, true},      {"yes", true, false}, {"", true, false},
    };
    for (const auto& row : rows) {
        const QByteArray value(row.value);
        EXPECT_EQ(isManualMode(settingsWith(tree, "mode_manuel=" + value + "\r\n").mode_manuel), row.manual) << row.value;
        EXPECT_EQ(settingsWith(tree, "couleur_texte=" + value + "\r\n").couleur_texte, row.white) << row.value;
    }
    const Settings absent = settingsWith(tree, "cycle_phrase=5\r\n");
    EXPECT_TRUE(isManualMode(absent.mode_manuel));
    EXPECT_TRUE(absent.couleur_texte);
}

TEST(Settings, NumbersAndTheLocaleDecimalSeparator)
{
    const struct {
        const char* text;
        std::optional<int> ms;
    } cycles[] = {
        {"30", 30000}, {" 7 ", 7000}, {"2.5", 2500}, {"0.0015", 2}, // rounded to whole milliseconds
        {"", std::nullopt}, {"abc", std::nullopt}, {"12abc", std::nullopt}, {"-3", std::nullopt},
        {"1e12", std::nullopt}, // beyond what a timer holds
    };
    for (const auto& row : cycles)
        EXPECT_EQ(cycleIntervalMs(row.text), row.ms) << row.text;
    EXPECT_EQ(parseSettingNumber("2,5"), std::nullopt);

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(cycleIntervalMs("2,5"), 2500);
    EXPECT_EQ(cycleIntervalMs("2.5"), std::nullopt);
    EXPECT_EQ(parseSettingNumber("-1,25"), -1.25);
    EXPECT_EQ(parseBoolean("0,0"), false);
    QLocale::setDefault(saved);

    for (const auto& [text, n] : {std::pair{"60", 60}, {"02:00", 2}, {"15min", 15}, {"abc", 0}, {"", 0}})
        EXPECT_EQ(leadingNumber(text), n) << text;
    EXPECT_EQ(leadingNumber(QStringLiteral("٣")), 0) << "only ASCII digits count";
}

TEST(ServerConfig, DefaultsWithoutConfigOrSection)
{
    test::TempTree tree;
    const ServerConfig def = defaultServerConfig();
    EXPECT_EQ(QStringList({def.update.scheme, def.content.scheme, def.weather.scheme, def.ftp.scheme}),
              QStringList({"http", "http", "http", "ftp"}));
    for (const ServerAddress* a : {&def.update, &def.content, &def.weather, &def.ftp})
        EXPECT_FALSE(a->host.isEmpty());
    EXPECT_FALSE(def.ftpUser.isEmpty());
    EXPECT_TRUE(def.rebootCommand.isEmpty());

    const QString onlySetup = tree.write("cfg/config.ini", "[Variables_Setup]\r\ncycle_phrase=5\r\n");
    for (const QString& path : {tree.path("cfg/none.ini"), onlySetup}) {
        const ServerConfig c = readServerConfig(path);
        EXPECT_EQ(c.update.baseUrl(), def.update.baseUrl());
        EXPECT_EQ(c.content.baseUrl(), def.content.baseUrl());
        EXPECT_EQ(c.weather.baseUrl(), def.weather.baseUrl());
        EXPECT_EQ(c.ftp.baseUrl(), def.ftp.baseUrl());
        EXPECT_EQ(c.ftpUser, def.ftpUser);
        EXPECT_EQ(c.ftpPassword, def.ftpPassword);
    }
}

TEST(ServerConfig, ServeursSectionOverridesEachAddressAndAMalformedOneKeepsTheBuiltIn)
{
    test::TempTree tree;
    const ServerConfig c = readServerConfig(tree.write("cfg/config.ini",
                                                       "[Serveurs]\r\nmaj=127.0.0.1:8080\r\n"
                                                       "videos=HTTPS://Cdn.Local:8443/\r\nmeteo=localhost\r\n"
                                                       "ftp=127.0.0.1:2121\r\nftp_user=kiosk\r\nftp_password=s3cret\r\n"
                                                       "[Systeme]\r\nreboot=/usr/local/bin/kiosk-reboot\r\n"));
    EXPECT_EQ(c.update.host, "127.0.0.1");
    EXPECT_EQ(c.update.port, 8080);
    EXPECT_EQ(c.update.baseUrl(), "http://127.0.0.1:8080");
    EXPECT_EQ(c.content.baseUrl(), "https://cdn.local:8443");
    EXPECT_EQ(c.weather.baseUrl(), "http://localhost");
    EXPECT_EQ(c.weather.port, -1);
    EXPECT_EQ(c.ftp.baseUrl(), "ftp://127.0.0.1:2121");
    EXPECT_EQ(c.ftpUser, "kiosk");
    EXPECT_EQ(c.ftpPassword, "s3cret");
    EXPECT_EQ(c.rebootCommand, "/usr/local/bin/kiosk-reboot");

    const ServerConfig def = defaultServerConfig();
    const ServerConfig bad = readServerConfig(tree.write(
        "cfg/config.ini", "[Serveurs]\r\nmaj=127.0.0.1:80800\r\nvideos=bad host\r\nmeteo=host:abc\r\nftp=\r\n"));
    EXPECT_EQ(bad.update.baseUrl(), def.update.baseUrl()) << "a port out of range must not fall back to port 80";
    EXPECT_EQ(bad.content.baseUrl(), def.content.baseUrl());
    EXPECT_EQ(bad.weather.baseUrl(), def.weather.baseUrl());
    EXPECT_EQ(bad.ftp.baseUrl(), def.ftp.baseUrl());
}

TEST(ServerConfig, ParseAddressForms)
{
    EXPECT_EQ(parseServerAddress("ftps://files.local", "ftp").baseUrl(), "ftps://files.local");
    EXPECT_EQ(parseServerAddress("files.local:990", "ftp").baseUrl(), "ftp://files.local:990");
    EXPECT_EQ(parseServerAddress("  maj.local  ", "http").baseUrl(), "http://maj.local");
    const ServerAddress v6 = parseServerAddress("[::1]:8080", "http");
    EXPECT_EQ(v6.host, "::1");
    EXPECT_EQ(v6.baseUrl(), "http://[::1]:8080");
    for (const char* bad : {"host:abc", "host:70000", "host:0", "two words", "http://host/videos"})
        EXPECT_TRUE(parseServerAddress(bad, "http").host.isEmpty()) << bad;
}
