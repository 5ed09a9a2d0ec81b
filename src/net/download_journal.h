#pragma once
// The failed-downloads journal cfg/error.ini: the partial files of the downloads that
// failed in the previous run are deleted at start-up, then the journal starts empty.
#include "core/program_paths.h"

#include <QStringList>

namespace zepril {

// True when path names a place the downloads could have written: somewhere below
// <root>/videos-man or <root>/videos-auto, links resolved.
bool isInVideoStore(const ProgramPaths& paths, const QString& path);

// Reads cfg/error.ini into failedDownloads, deletes each listed file that exists and lies
// inside <root>/videos-man or <root>/videos-auto (others logged and dropped), then
// empties the list and rewrites the file empty.
void clearFailedDownloads(const ProgramPaths& paths, QStringList& failedDownloads);

}
