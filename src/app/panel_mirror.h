#pragma once
// The operator panel only mirrors the run: its working lists, the phrases, the weather
// and the FTP session are shown on it when they change or when it opens.
#include <QString>
#include <QStringList>

namespace zepril {

class FtpSession;
class OperatorPanel;
class StartupSequence;
struct PhraseState;

class PanelMirror final {
public:
    PanelMirror(OperatorPanel& panel, const StartupSequence& sequence, const PhraseState& phrases,
                const QStringList& forecastValues, const QString& forecastText);

    void showLists();
    void showPhrases();
    void showWeather();
    // The session's listing, folder and status on the panel, and the panel's local
    // folder and double-clicks to the session.
    void followFtp(FtpSession& ftp);

private:
    OperatorPanel& m_panel;
    const StartupSequence& m_sequence;
    const PhraseState& m_phrases;
    const QStringList& m_forecastValues;
    const QString& m_forecastText;
};

}
