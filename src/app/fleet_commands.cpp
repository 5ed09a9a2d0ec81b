#include "app/fleet_commands.h"

#include "core/file_helpers.h"
#include "core/program_paths.h"
#include "monitoring/control_socket.h"
#include "monitoring/metrics_export.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace zepril {

namespace {

// Why the player gave no answer, when it did not; "" when it did.
QString tellFailure(const ControlAnswer& answer, const QString& socketPath)
{
    switch (answer.kind) {
    case ControlAnswer::Answered:
        return {};
    case ControlAnswer::NoPlayer:
        return QStringLiteral("no player answers on %1").arg(socketPath);
    case ControlAnswer::NotAnswered:
        return QStringLiteral("the player on %1 did not answer (%2; run this as the player's user)")
            .arg(socketPath, answer.error);
    case ControlAnswer::Failed:
        return QStringLiteral("the player said: %1").arg(answer.error);
    }
    return {};
}

bool writeFile(const QString& path, const QByteArray& bytes, QTextStream& err)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    err << path << ": " << file.errorString() << '\n';
    return false;
}

}

std::optional<int> askRunningPlayer(const QStringList& arguments, const ProgramPaths& paths, QTextStream& out)
{
    QTextStream err(stderr);
    const QString socketPath = joinPath(paths.root(), QLatin1String(kControlSocketName));
    if (arguments.contains(QLatin1String("--status"))) {
        const ControlAnswer answer = askPlayer(socketPath, QStringLiteral("status"));
        if (answer.kind != ControlAnswer::Answered) {
            err << tellFailure(answer, socketPath) << ": the status file follows\n";
            return std::nullopt;
        }
        out << QString::fromUtf8(answer.body);
        return 0;
    }
    if (arguments.contains(QLatin1String("--metrics"))) {
        const ControlAnswer answer = askPlayer(socketPath, QStringLiteral("metrics"));
        if (answer.kind == ControlAnswer::Answered) {
            out << QString::fromUtf8(answer.body);
            return 0;
        }
        const QString file = joinPath(paths.root(), QLatin1String(kTreeMetricsName));
        QFile saved(file);
        if (!saved.open(QIODevice::ReadOnly)) {
            err << tellFailure(answer, socketPath) << ", and no metrics in " << file << '\n';
            return 1;
        }
        err << tellFailure(answer, socketPath) << ": the metrics of "
            << QFileInfo(file).lastModified().toString(Qt::ISODate) << " follow\n";
        out << QString::fromUtf8(saved.readAll());
        return 0;
    }
    const qsizetype at = arguments.indexOf(QLatin1String("--screenshot"));
    if (at < 0)
        return std::nullopt;
    const QString target = arguments.value(at + 1);
    if (target.isEmpty() || target.startsWith(QLatin1Char('-'))) {
        err << "--screenshot needs the name of the JPEG file to write\n";
        return 2;
    }
    const ControlAnswer answer = askPlayer(socketPath, QStringLiteral("screenshot"));
    if (answer.kind == ControlAnswer::Answered)
        return writeFile(target, answer.body, err) ? 0 : 1;
    const QString last = joinPath(paths.root(), QStringLiteral("screen.jpg"));
    QFile thumbnail(last);
    if (!thumbnail.open(QIODevice::ReadOnly)) {
        err << tellFailure(answer, socketPath) << ", and no thumbnail in " << last << '\n';
        return 1;
    }
    err << tellFailure(answer, socketPath) << ": " << target << " is its last thumbnail, of "
        << QFileInfo(last).lastModified().toString(Qt::ISODate) << '\n';
    return writeFile(target, thumbnail.readAll(), err) ? 0 : 1;
}

}
