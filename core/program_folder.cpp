#include "core/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quelm {

QString ResolveProgramFolder(const ProgramFolderInputs& in) {
    if (!in.QuelmHome.isEmpty())
        return QDir::cleanPath(QDir(in.QuelmHome).absolutePath());
    if (!in.ExecutableFolder.isEmpty() && in.ExecutableFolderWritable)
        return QDir::cleanPath(in.ExecutableFolder);
    const QString data =
        in.XdgDataHome.isEmpty() ? in.HomeFolder + QStringLiteral("/.local/share") : in.XdgDataHome;
    return QDir::cleanPath(data + QStringLiteral("/quelm"));
}

QString ProgramFolder() {
    ProgramFolderInputs in;
    in.QuelmHome = qEnvironmentVariable("QUELM_HOME");
    in.ExecutableFolder = QCoreApplication::applicationDirPath();
    in.ExecutableFolderWritable =
        !in.ExecutableFolder.isEmpty() && QFileInfo(in.ExecutableFolder).isWritable();
    in.XdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    in.HomeFolder = QDir::homePath();
    const QString folder = ResolveProgramFolder(in);
    QDir().mkpath(folder);
    return folder;
}

QString ProgramFile(const QString& name) {
    return ProgramFolder() + QLatin1Char('/') + name;
}

} // namespace quelm
