#include "app/panel_mirror.h"

#include "app/operator_panel.h"
#include "app/startup_sequence.h"
#include "core/categories.h"
#include "net/ftp_session.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStatusBar>

namespace zepril {

PanelMirror::PanelMirror(OperatorPanel& panel, const StartupSequence& sequence, const PhraseState& phrases,
                         const QStringList& forecastValues, const QString& forecastText)
    : m_panel(panel),
      m_sequence(sequence),
      m_phrases(phrases),
      m_forecastValues(forecastValues),
      m_forecastText(forecastText)
{}

void PanelMirror::followFtp(FtpSession& ftp)
{
    OperatorPanel* panel = &m_panel;
    QObject::connect(&ftp, &FtpSession::listedEntriesChanged, panel,
                     [panel](const QStringList& entries) { panel->showList(QStringLiteral("List1"), entries); });
    QObject::connect(&ftp, &FtpSession::remoteDirectoryChanged, panel->remoteDirectoryField(), &QLineEdit::setText);
    QObject::connect(&ftp, &FtpSession::statusTextChanged, panel,
                     [panel](const QString& text) { panel->statusBar()->showMessage(text); });
    QObject::connect(panel->localDirectoryField(), &QLineEdit::textChanged, &ftp, &FtpSession::setLocalDirectory);
    QObject::connect(panel->list(QStringLiteral("List1")), &QListWidget::itemDoubleClicked, &ftp,
                     [&ftp](QListWidgetItem* item) {
                         if (item)
                             ftp.activateEntry(item->text());
                     });
}

void PanelMirror::showPhrases() { m_panel.showList(QStringLiteral("lstPhrase"), m_phrases.texts); }

void PanelMirror::showWeather()
{
    m_panel.showList(QStringLiteral("lstMeteo"), m_forecastValues);
    m_panel.forecastText()->setPlainText(m_forecastText);
}

void PanelMirror::showLists()
{
    const StartupSequence& s = m_sequence;
    m_panel.showList(QStringLiteral("lstPlayList"), s.playlist());
    showPhrases();
    m_panel.showList(QStringLiteral("lstTemp"), s.categoryWork());
    m_panel.showList(QStringLiteral("lstCat"), s.lastCategoryListing());
    m_panel.showList(QStringLiteral("lstSyncSupp"), s.removedBySync());
    m_panel.showList(QStringLiteral("failedDownloads"), s.failedDownloads());
    m_panel.showList(QStringLiteral("lstMeteo"), m_forecastValues);
    for (size_t i = 0; i < kCategories.size(); ++i) {
        m_panel.showList(QLatin1String(kCategories[i].name), s.serverLists()[i]);
        m_panel.showList(QLatin1String(kCategories[i].playableList), s.playable()[i]);
    }
}

}
