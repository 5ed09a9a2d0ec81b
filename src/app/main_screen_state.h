#pragma once
// The main screen's working state: the members the start-up sets and the timers and
// buttons use afterwards, and the working lists the operator panel shows.
#include "core/playlist.h"
#include "core/settings.h"
#include "system/texts_refresh.h"

#include <QString>
#include <QStringList>

#include <array>

namespace zepril {

struct MainScreenState {
    Settings settings;             // the settings fields
    QString activeVideoDir;        // "videos-man" or "videos-auto"
    int weatherTickCount = 0;
    qint16 panelClickCount = 0;
    QString connectionKind;
    PhraseState phrases;           // lstPhrase, phraseCount, phraseIndex
    int playlistInsertIndex = 0;
    bool textColourFlag = true;

    QStringList lstPlayList, lstTemp, lstCat, lstSyncSupp, lstMeteo;
    QStringList failedDownloads;   // this run's failed paths, as the panel shows them
    std::array<QStringList, 6> serverLists;   // restaurants … documentaires
    std::array<bool, 6> serverListFetched{};  // whether this start-up got each list
    std::array<QStringList, 6> playable;      // l1_restaurants … l6_docs
    IndexSlots indexSlots;
    QString txtMeteo;
};

}
