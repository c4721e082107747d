#pragma once
// The program folder: where the settings file, the log, the temporary capture files and the "Lang"
// folder live. $QUELM_HOME when set, else the executable's folder when it is writable, else
// $XDG_DATA_HOME/quelm (by default ~/.local/share/quelm).
#include <QString>

namespace quelm {

struct ProgramFolderInputs {
    QString QuelmHome;        // $QUELM_HOME, empty when unset
    QString ExecutableFolder; // the running executable's folder
    bool ExecutableFolderWritable = false;
    QString XdgDataHome; // $XDG_DATA_HOME, empty when unset
    QString HomeFolder;  // the user's home folder
};

// The choice alone, without touching the disk.
QString ResolveProgramFolder(const ProgramFolderInputs& in);

// The program folder of this process, created when missing, as an absolute path without a final "/".
QString ProgramFolder();

// A file name inside the program folder.
QString ProgramFile(const QString& name);

} // namespace quelm
