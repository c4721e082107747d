#pragma once
// Whole-file reads and writes for tests that compare files byte for byte.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace quelm::test {

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace quelm::test
