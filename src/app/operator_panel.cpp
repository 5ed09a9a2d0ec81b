#include "app/operator_panel.h"

#include "core/categories.h"
#include "core/settings.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QVBoxLayout>

namespace zepril {

OperatorPanel::OperatorPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("p1"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(236, 236, 236));
    setPalette(pal);

    auto* grid = new QGridLayout(this);

    auto* working = new QGroupBox(tr("Listes"), this);
    auto* workingGrid = new QGridLayout(working);
    const char* workingLists[] = {"lstPlayList", "lstPhrase",       "lstTemp", "lstCat",
                                  "lstSyncSupp", "failedDownloads", "lstMeteo"};
    int column = 0;
    for (const char* name : workingLists) {
        workingGrid->addWidget(new QLabel(QLatin1String(name), working), 0, column);
        workingGrid->addWidget(addList(QLatin1String(name), working), 1, column);
        ++column;
    }
    grid->addWidget(working, 0, 0, 1, 2);

    auto* categories = new QGroupBox(tr("Rubriques (serveur / disque)"), this);
    auto* catGrid = new QGridLayout(categories);
    column = 0;
    for (const Category& c : kCategories) {
        catGrid->addWidget(new QLabel(QLatin1String(c.name), categories), 0, column);
        catGrid->addWidget(addList(QLatin1String(c.name), categories), 1, column);
        catGrid->addWidget(new QLabel(QLatin1String(c.playableList), categories), 2, column);
        catGrid->addWidget(addList(QLatin1String(c.playableList), categories), 3, column);
        ++column;
    }
    grid->addWidget(categories, 1, 0, 1, 2);

    auto* settingsBox = new QGroupBox(tr("Réglages"), this);
    settingsBox->setObjectName(QStringLiteral("Picture1"));
    auto* form = new QFormLayout(settingsBox);
    // Captions are the configuration keys, as the operator knows them from config.ini.
    const char* keys[] = {"vitesse_affphrase", "cycle_phrase",  "ratio_taillebandeau",
                          "majvid_heure",      "taille_police", "majphr_heure"};
    int labelNumber = 1;
    for (const char* key : keys) {
        auto* label = new QLabel(QLatin1String(key), settingsBox);
        label->setObjectName(QStringLiteral("Label%1").arg(labelNumber++));
        auto* edit = new QLineEdit(settingsBox);
        edit->setObjectName(QLatin1String(key));
        edit->setReadOnly(true);
        m_fields.insert(QLatin1String(key), edit);
        form->addRow(label, edit);
    }
    auto* hotel = new QLineEdit(settingsBox);
    hotel->setObjectName(QStringLiteral("txtNomHotel"));
    hotel->setReadOnly(true);
    m_fields.insert(QStringLiteral("txtNomHotel"), hotel);
    form->addRow(new QLabel(QStringLiteral("nom_hotel"), settingsBox), hotel);
    grid->addWidget(settingsBox, 2, 0);

    auto* ftpBox = new QGroupBox(tr("FTP"), this);
    ftpBox->setObjectName(QStringLiteral("Picture2"));
    auto* ftp = new QVBoxLayout(ftpBox);
    m_remoteDirectoryField = new QLineEdit(ftpBox);
    m_remoteDirectoryField->setObjectName(QStringLiteral("Text2"));
    m_remoteDirectoryField->setReadOnly(true);
    ftp->addWidget(m_remoteDirectoryField);
    ftp->addWidget(addList(QStringLiteral("List1"), ftpBox));
    m_localDirectoryField = new QLineEdit(ftpBox);
    m_localDirectoryField->setObjectName(QStringLiteral("Text1"));
    m_localDirectoryField->setPlaceholderText(tr("dossier local de réception"));
    ftp->addWidget(m_localDirectoryField);
    grid->addWidget(ftpBox, 2, 1);

    auto* meteo = new QWidget(this);
    auto* meteoLayout = new QVBoxLayout(meteo);
    auto* meteoCaption = new QLabel(QStringLiteral("Meteo"), meteo);
    meteoCaption->setObjectName(QStringLiteral("Label7"));
    meteoLayout->addWidget(meteoCaption);
    m_forecastText = new QPlainTextEdit(meteo);
    m_forecastText->setObjectName(QStringLiteral("txtMeteo"));
    m_forecastText->setReadOnly(true);
    meteoLayout->addWidget(m_forecastText);
    grid->addWidget(meteo, 0, 2, 3, 1);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    grid->addWidget(m_statusBar, 3, 0, 1, 3);
}

QListWidget* OperatorPanel::addList(const QString& name, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setMinimumWidth(110);
    m_lists.insert(name, list);
    return list;
}

QListWidget* OperatorPanel::list(const QString& name) const { return m_lists.value(name); }

void OperatorPanel::showList(const QString& name, const QStringList& items)
{
    QListWidget* w = list(name);
    if (!w)
        return;
    w->clear();
    w->addItems(items);
    if (!items.isEmpty())
        w->setCurrentRow(int(items.size() - 1));
}

QStringList OperatorPanel::items(const QString& name) const
{
    QStringList out;
    if (QListWidget* w = list(name)) {
        for (int i = 0; i < w->count(); ++i)
            out << w->item(i)->text();
    }
    return out;
}

QLineEdit* OperatorPanel::field(const QString& name) const { return m_fields.value(name); }

void OperatorPanel::showSettings(const Settings& s)
{
    m_fields.value(QStringLiteral("cycle_phrase"))->setText(s.cycle_phrase);
    m_fields.value(QStringLiteral("vitesse_affphrase"))->setText(s.vitesse_affphrase);
    m_fields.value(QStringLiteral("majvid_heure"))->setText(s.majvid_heure);
    m_fields.value(QStringLiteral("majphr_heure"))->setText(s.majphr_heure);
    m_fields.value(QStringLiteral("ratio_taillebandeau"))->setText(s.ratio_taillebandeau);
    m_fields.value(QStringLiteral("taille_police"))->setText(s.taille_police);
    m_fields.value(QStringLiteral("txtNomHotel"))->setText(s.nom_hotel);
}

}
