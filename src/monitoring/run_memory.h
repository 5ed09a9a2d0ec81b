#pragma once
// What the metrics must remember from one run to the next, since the player ends at
// every daily reboot and after every crash: how often it started since the machine
// booted, and when a synchronization last fully succeeded. Kept in a small JSON file
// in the program tree.
#include <QDateTime>
#include <QString>

namespace zepril {

struct RunMemory {
    QString bootId; // the kernel's id of the boot the count belongs to
    int startsThisBoot = 0;
    QDateTime lastSuccessfulSync;
};

// The memory after one more start: the count goes on within a boot and starts over
// after a reboot.
RunMemory countStart(RunMemory memory, const QString& bootId);

// A missing or damaged file reads as an empty memory.
RunMemory readRunMemory(const QString& path);
bool writeRunMemory(const QString& path, const RunMemory& memory);

}
