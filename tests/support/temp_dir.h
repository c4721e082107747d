#pragma once
// A temporary folder for one test, removed with everything in it when the test ends.
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace quelm::test {

class TempDir {
public:
    TempDir()
        : dir_(QDir::tempPath() + "/quelm-test-XXXXXX") {}
    bool ok() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

} // namespace quelm::test
