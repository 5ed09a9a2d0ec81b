#include "app/core/server_config.h"
#include "app/core/settings.h"

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

// Switches the default locale for one test and always puts the old one back.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

} // namespace

TEST(Settings, NoConfigFileGivesTheDefaults)
{
    test::TempTree tree;
    for (const QString& path : {tree.path("cfg/config.ini"), QString()}) {
        const Settings s = readSettings(path);
        EXPECT_EQ(s.cycle_phrase, "30");
        EXPECT_EQ(s.vitesse_affphrase, "10");
        EXPECT_EQ(s.majvid_heure, "02:00");
        EXPECT_EQ(s.majphr_heure, "60");
        EXPECT_EQ(s.ratio_taillebandeau, "6");
        EXPECT_EQ(s.taille_police, "40");
        EXPECT_EQ(s.nom_hotel, builtInHotelName());
        EXPECT_FALSE(s.nom_hotel.isEmpty());
        EXPECT_TRUE(isManualMode(s.mode_manuel));
        EXPECT_TRUE(s.couleur_texte);
        EXPECT_EQ(cycleIntervalMs(s.cycle_phrase), 30000);
    }
}

TEST(Settings, EveryKeyCanBeOverridden)
{
    test::TempTree tree;
    const Settings s = settingsWith(tree,
                                    "cycle_phrase=12\r\nvitesse_affphrase=25\r\nmajvid_heure=03:30\r\n"
                                    "majphr_heure=15\r\nratio_taillebandeau=8\r\ntaille_police=32\r\n"
                                    "nom_hotel=H\xF4tel du Port\r\nmode_manuel=False\r\ncouleur_texte=True\r\n");
    EXPECT_EQ(s.cycle_phrase, "12");
    EXPECT_EQ(cycleIntervalMs(s.cycle_phrase), 12000);
    EXPECT_EQ(s.vitesse_affphrase, "25");
    EXPECT_EQ(s.majvid_heure, "03:30");
    EXPECT_EQ(s.majvid_heure.left(2), "03");
    EXPECT_EQ(s.majvid_heure.right(2), "30");
    EXPECT_EQ(s.majphr_heure, "15");
    EXPECT_EQ(leadingNumber(s.majphr_heure), 15);
    EXPECT_EQ(s.ratio_taillebandeau, "8");
    EXPECT_EQ(s.taille_police, "32");
    EXPECT_EQ(s.nom_hotel, QStringLiteral("Hôtel du Port"));
    EXPECT_FALSE(isManualMode(s.mode_manuel));
    EXPECT_TRUE(s.couleur_texte);
}

TEST(Settings, ModeManuel)
{
    test::TempTree tree;
    EXPECT_FALSE(isManualMode(settingsWith(tree, "mode_manuel=False\r\n").mode_manuel));
    EXPECT_FALSE(isManualMode(settingsWith(tree, "mode_manuel=FALSE\r\n").mode_manuel));
    EXPECT_FALSE(isManualMode(settingsWith(tree, "mode_manuel=0\r\n").mode_manuel));
    EXPECT_TRUE(isManualMode(settingsWith(tree, "mode_manuel=True\r\n").mode_manuel));
    EXPECT_TRUE(isManualMode(settingsWith(tree, "mode_manuel=1\r\n").mode_manuel));
    EXPECT_TRUE(isManualMode(settingsWith(tree, "cycle_phrase=5\r\n").mode_manuel)) << "absent key";
    // Neither Boolean nor number: the player keeps the mode that never deletes videos.
    EXPECT_TRUE(isManualMode(settingsWith(tree, "mode_manuel=yes\r\n").mode_manuel));
    EXPECT_TRUE(isManualMode(settingsWith(tree, "mode_manuel=\r\n").mode_manuel));
}

TEST(Settings, CouleurTexte)
{
    test::TempTree tree;
    EXPECT_FALSE(settingsWith(tree, "couleur_texte=False\r\n").couleur_texte);
    EXPECT_FALSE(settingsWith(tree, "couleur_texte=0\r\n").couleur_texte);
    EXPECT_FALSE(settingsWith(tree, "couleur_texte=blanc\r\n").couleur_texte) << "no Boolean leaves the flag false";
    EXPECT_FALSE(settingsWith(tree, "couleur_texte=\r\n").couleur_texte);
    EXPECT_TRUE(settingsWith(tree, "couleur_texte=true\r\n").couleur_texte);
    EXPECT_TRUE(settingsWith(tree, "couleur_texte=-1\r\n").couleur_texte);
    EXPECT_TRUE(settingsWith(tree, "cycle_phrase=5\r\n").couleur_texte) << "absent key";
}

TEST(Settings, CyclePhraseThatIsNoNumberGivesNoInterval)
{
    test::TempTree tree;
    const Settings empty = settingsWith(tree, "cycle_phrase=\r\n");
    EXPECT_EQ(empty.cycle_phrase, "");
    EXPECT_EQ(cycleIntervalMs(empty.cycle_phrase), std::nullopt);
    EXPECT_EQ(cycleIntervalMs("abc"), std::nullopt);
    EXPECT_EQ(cycleIntervalMs("12abc"), std::nullopt);
    EXPECT_EQ(cycleIntervalMs("-3"), std::nullopt);
    EXPECT_EQ(cycleIntervalMs("1e12"), std::nullopt) << "beyond what a timer holds";
    EXPECT_EQ(cycleIntervalMs(" 7 "), 7000);
    EXPECT_EQ(cycleIntervalMs("0.0015"), 2) << "rounded to whole milliseconds";
}

TEST(Settings, NumbersFollowTheLocaleDecimalSeparator)
{
    EXPECT_EQ(cycleIntervalMs("2.5"), 2500);
    {
        const DefaultLocale french(QLocale(QLocale::French, QLocale::France));
        EXPECT_EQ(cycleIntervalMs("2,5"), 2500);
        EXPECT_EQ(cycleIntervalMs("2.5"), std::nullopt);
        EXPECT_EQ(parseSettingNumber("-1,25"), -1.25);
        EXPECT_EQ(parseSettingNumber("40"), 40.0);
        EXPECT_EQ(parseBoolean("0,0"), false);
    }
    EXPECT_EQ(QLocale().decimalPoint(), QLocale::c().decimalPoint()) << "the locale must be restored";
    EXPECT_EQ(parseSettingNumber("2,5"), std::nullopt);
}

TEST(Settings, LeadingNumber)
{
    EXPECT_EQ(leadingNumber("60"), 60);
    EXPECT_EQ(leadingNumber("02:00"), 2);
    EXPECT_EQ(leadingNumber("15min"), 15);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber(QStringLiteral("٣")), 0) << "only ASCII digits count";
}

TEST(ServerConfig, DefaultsWithoutConfigOrSection)
{
    test::TempTree tree;
    const ServerConfig def = defaultServerConfig();
    EXPECT_EQ(def.update.scheme, "http");
    EXPECT_EQ(def.content.scheme, "http");
    EXPECT_EQ(def.weather.scheme, "http");
    EXPECT_EQ(def.ftp.scheme, "ftp");
    for (const ServerAddress* a : {&def.update, &def.content, &def.weather, &def.ftp}) {
        EXPECT_FALSE(a->host.isEmpty());
        EXPECT_EQ(a->baseUrl(), a->scheme + "://" + a->hostPort());
    }
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

TEST(ServerConfig, ServeursSectionOverridesEachAddress)
{
    test::TempTree tree;
    const ServerConfig c = readServerConfig(tree.write("cfg/config.ini",
                                                       "[Serveurs]\r\n"
                                                       "maj=127.0.0.1:8080\r\n"
                                                       "videos=HTTPS://Cdn.Local:8443/\r\n"
                                                       "meteo=localhost\r\n"
                                                       "ftp=127.0.0.1:2121\r\n"
                                                       "ftp_user=kiosk\r\n"
                                                       "ftp_password=s3cret\r\n"
                                                       "[Systeme]\r\nreboot=/usr/local/bin/kiosk-reboot\r\n"));
    EXPECT_EQ(c.update.scheme, "http");
    EXPECT_EQ(c.update.host, "127.0.0.1");
    EXPECT_EQ(c.update.port, 8080);
    EXPECT_EQ(c.update.baseUrl(), "http://127.0.0.1:8080");
    EXPECT_EQ(c.content.baseUrl(), "https://cdn.local:8443");
    EXPECT_EQ(c.weather.baseUrl(), "http://localhost");
    EXPECT_EQ(c.weather.port, -1);
    EXPECT_EQ(c.ftp.scheme, "ftp");
    EXPECT_EQ(c.ftp.port, 2121);
    EXPECT_EQ(c.ftpUser, "kiosk");
    EXPECT_EQ(c.ftpPassword, "s3cret");
    EXPECT_EQ(c.rebootCommand, "/usr/local/bin/kiosk-reboot");
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

TEST(ServerConfig, MalformedOverrideKeepsTheBuiltInAddress)
{
    test::TempTree tree;
    const ServerConfig def = defaultServerConfig();
    const ServerConfig c = readServerConfig(tree.write("cfg/config.ini",
                                                       "[Serveurs]\r\nmaj=127.0.0.1:80800\r\nvideos=bad host\r\n"
                                                       "meteo=host:abc\r\nftp=\r\n"));
    EXPECT_EQ(c.update.baseUrl(), def.update.baseUrl()) << "a port out of range must not fall back to port 80";
    EXPECT_EQ(c.content.baseUrl(), def.content.baseUrl());
    EXPECT_EQ(c.weather.baseUrl(), def.weather.baseUrl());
    EXPECT_EQ(c.ftp.baseUrl(), def.ftp.baseUrl());
}
