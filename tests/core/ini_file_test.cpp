#include "core/ini_file.h"

#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using quelm::IniError;
using quelm::IniFile;
namespace ini = quelm::ini;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(IniRead, NamesMatchWithoutRegardToCase) {
    const QByteArray text = "[Quelm]\r\nEmailPort=587\r\n[movedalg1]\r\nThreshold1 = 40\r\n";
    EXPECT_EQ(ini::FindValue(text, "quelm", "emailport"), QString("587"));
    EXPECT_EQ(ini::FindValue(text, "QUELM", "EMAILPORT"), QString("587"));
    EXPECT_EQ(ini::FindValue(text, "MoveDAlg1", "threshold1"), QString("40"));
    EXPECT_EQ(ini::FindValue(text, "quelm", "threshold1"), std::nullopt) << "keys belong to their section";
}

TEST(IniRead, MissingFileSectionOrKeyGiveTheDefault) {
    quelm::test::TempDir dir;
    IniFile missing(dir.file("absent.ini"));
    EXPECT_EQ(missing.ReadString("quelm", "SMSText", "Warning message!"), "Warning message!");
    EXPECT_EQ(missing.ReadInteger("quelm", "EmailPort", 25), 25);
    EXPECT_TRUE(missing.ReadBool("quelm", "manual", true));

    WriteAll(dir.file("q.ini"), "[quelm]\nrtvideo=0\n");
    IniFile file(dir.file("q.ini"));
    EXPECT_EQ(file.ReadInteger("other", "rtvideo", 7), 7);
    EXPECT_TRUE(file.ReadBool("quelm", "manual", true));
    EXPECT_FALSE(file.ReadBool("quelm", "rtvideo", true));

    IniFile folder(dir.path()); // a folder where the file should be reads as missing
    EXPECT_EQ(folder.ReadString("quelm", "x", "d"), "d");
}

TEST(IniRead, LineRules) {
    const QByteArray text = "\xEF\xBB\xBF"
                            "orphan=before any section\n"
                            "[  quelm  ]\n"
                            "; savefolder=commented out\n"
                            "# Skin=commented out too\n"
                            "just some words\n"
                            "  savefolder  =   /home/me/records  \t\n"
                            "empty=\n"
                            "eq=a=b\n"
                            "quoted=\"  padded  \"\n"
                            "halfquote=\"x\n"
                            "SAVEFOLDER=second one loses\n"
                            "[QUELM]\n"
                            "late=in a repeated section\n"
                            "[cam1]\n"
                            "config=cam one\n";
    const struct {
        const char* section;
        const char* key;
        std::optional<QString> value;
    } cases[] = {
        {"quelm", "savefolder", QString("/home/me/records")},
        {"quelm", "empty", QString("")},
        {"quelm", "eq", QString("a=b")},
        {"quelm", "quoted", QString("  padded  ")},
        {"quelm", "halfquote", QString("\"x")},
        {"quelm", "; savefolder", std::nullopt},
        {"quelm", "just some words", std::nullopt},
        {"quelm", "late", std::nullopt}, // only the first matching section counts
        {"", "orphan", std::nullopt},
        {"cam1", "config", QString("cam one")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini::FindValue(text, c.section, c.key), c.value) << c.section << "/" << c.key;
}

TEST(IniRead, ValuesAreUtf8AndCutAt2047Characters) {
    quelm::test::TempDir dir;
    const QString path = dir.file("q.ini");
    const QString exact(2047, u'a');
    const QString umlaut = QString::fromUtf8("M\xC3\xBCller");
    // A pair that would straddle the limit is dropped whole rather than split.
    const QString astral = QString(2046, u'b') + QString::fromUtf8("\xF0\x9F\x98\x80") + "tail";
    WriteAll(path, "[s]\nexact=" + exact.toUtf8() + "\nlong=" + exact.toUtf8() +
                       "xyz\nname=" + umlaut.toUtf8() + "\nastral=" + astral.toUtf8() + "\n");
    IniFile file(path);
    EXPECT_EQ(file.ReadString("s", "exact", ""), exact);
    EXPECT_EQ(file.ReadString("s", "long", ""), exact);
    EXPECT_EQ(file.ReadString("s", "name", ""), umlaut);
    EXPECT_EQ(file.ReadString("s", "astral", ""), QString(2046, u'b'));
}

TEST(IniRead, IntegerParsing) {
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"25", 25},
        {"0x19", 25},
        {"0X19", 25},
        {"0xff", 255},
        {"007", 7},
        {"+5", 5},
        {"-5", -5},
        {" 12 ", 12},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"0x7FFFFFFF", 2147483647},
        {"0xFFFFFFFF", -1}, // a hexadecimal value is a 32-bit pattern
        {"-0x10", -16},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"0x100000000", std::nullopt},
        {"", std::nullopt},
        {"0x", std::nullopt},
        {"-", std::nullopt},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"1.5", std::nullopt},
        {"1e3", std::nullopt},
        {"0x1g", std::nullopt},
        {"$19", std::nullopt},
        {"--1", std::nullopt},
        {"true", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini::ParseInteger(QString(c.text)), c.value) << '"' << c.text << '"';

    quelm::test::TempDir dir;
    WriteAll(dir.file("q.ini"), "[quelm]\nEmailPort=0x19\nPhoneLang=2\nmanual=abc\nrtvideo=0x0\n");
    IniFile file(dir.file("q.ini"));
    EXPECT_EQ(file.ReadInteger("quelm", "EmailPort", 0), 25);
    EXPECT_EQ(file.ReadInteger("quelm", "PhoneLang", 0), 2);
    EXPECT_TRUE(file.ReadBool("quelm", "PhoneLang", false)) << "any nonzero integer is true";
    EXPECT_TRUE(file.ReadBool("quelm", "manual", true)) << "not an integer: the default";
    EXPECT_FALSE(file.ReadBool("quelm", "manual", false));
    EXPECT_FALSE(file.ReadBool("quelm", "rtvideo", true));
}

TEST(IniWrite, ReplacesOneValueAndKeepsEveryOtherByte) {
    const QByteArray before = "; Quelm settings\r\n"
                              "\r\n"
                              "[quelm]\r\n"
                              "savefolder = /old/place   \r\n"
                              "odd line without equals\n"
                              "SaveFolder=duplicate stays\r\n"
                              "\tEmailPort\t=\t25\r\n"
                              "[cam1]\r\n"
                              "config=x";
    const struct {
        const char* section;
        const char* key;
        const char* value;
        QByteArray after;
    } cases[] = {
        {"QUELM", "SAVEFOLDER", "/new", QByteArray(before).replace("= /old/place   ", "= /new   ")},
        {"quelm", "EmailPort", "0x19", QByteArray(before).replace("=\t25\r", "=\t0x19\r")},
        {"cam1", "config", "y", QByteArray(before).replace("config=x", "config=y")},
        // A new key goes after the section's last entry, in the file's own line end.
        {"quelm", "manual", "0", QByteArray(before).replace("\t25\r\n", "\t25\r\nmanual=0\r\n")},
        {"cam1", "extra", "1", before + "\r\nextra=1"},
        {"MoveDAlg1", "qZones", "12", before + "\r\n\r\n[MoveDAlg1]\r\nqZones=12\r\n"},
        // Surrounding blanks and quote pairs survive by quoting.
        {"quelm", "EmailPort", " 25 ", QByteArray(before).replace("=\t25\r", "=\t\" 25 \"\r")},
        {"cam1", "config", "\"q\"", QByteArray(before).replace("config=x", "config=\"\"q\"\"")},
    };
    for (const auto& c : cases) {
        const QByteArray after = ini::WithValue(before, c.section, c.key, c.value);
        EXPECT_EQ(after, c.after) << c.section << "/" << c.key;
        EXPECT_EQ(ini::FindValue(after, c.section, c.key), QString(c.value)) << c.key;
    }
}

TEST(IniWrite, ALastLineEndingInALoneCarriageReturnGetsItsLineFeed) {
    // Found by the fuzzer: the key appended after "[M5\r" used to join that line and read back as missing.
    const struct {
        QByteArray before;
        const char* section;
        QByteArray after;
    } cases[] = {
        {"[quelm]\r\nmanual=0\r\n[M5\r", "M5", "[quelm]\r\nmanual=0\r\n[M5\r\nsavefolder=0x20"},
        {"[M5]\r\nx=1\r", "M5", "[M5]\r\nx=1\r\nsavefolder=0x20"},
        {"[M5]\r\nx=1\r", "other", "[M5]\r\nx=1\r\n\r\n[other]\r\nsavefolder=0x20\r\n"},
    };
    for (const auto& c : cases) {
        const QByteArray after = ini::WithValue(c.before, c.section, "savefolder", "0x20");
        EXPECT_EQ(after, c.after) << c.before.toStdString();
        EXPECT_EQ(ini::FindValue(after, c.section, "savefolder"), QString("0x20"));
    }
}

TEST(IniWrite, EmptyAndBlankValuesAndNewFiles) {
    EXPECT_EQ(ini::WithValue("", "quelm", "Skin", "MacOS2"), "[quelm]\nSkin=MacOS2\n");
    EXPECT_EQ(ini::WithValue("\xEF\xBB\xBF", "s", "k", "v"), "\xEF\xBB\xBF[s]\nk=v\n");
    EXPECT_EQ(ini::WithValue("[s]\nk=\n", "s", "k", "v"), "[s]\nk=v\n");
    EXPECT_EQ(ini::WithValue("[s]\nk  =  \n", "s", "k", "v"), "[s]\nk  =v  \n");
    EXPECT_EQ(ini::WithValue("[s]\nk=v\n", "s", "k", ""), "[s]\nk=\n");
    EXPECT_EQ(ini::WithValue("[s]", "s", "k", "v"), "[s]\nk=v");
    EXPECT_EQ(ini::WithValue("[a]\nx=1\n\n; about b\n[b]\n", "a", "y", "2"),
              "[a]\nx=1\ny=2\n\n; about b\n[b]\n");
    // The first matching section takes the key, where reads will look for it.
    EXPECT_EQ(ini::WithValue("[a]\nx=1\n[A]\ny=old\n", "a", "y", "new"), "[a]\nx=1\ny=new\n[A]\ny=old\n");
}

TEST(IniWrite, NamesAndValuesThatCannotBeStoredAreRefused) {
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"quelm", "SMSText", "two\nlines"},
        {"quelm", "SMSText", "cr\rhere"},
        {"", "k", "v"},
        {"a]b", "k", "v"},
        {"quelm", "", "v"},
        {"quelm", "a=b", "v"},
        {"quelm", "[x", "v"},
        {"quelm", ";x", "v"},
        {"quelm", "#x", "v"},
        {"two\nlines", "k", "v"},
    };
    quelm::test::TempDir dir;
    const QString path = dir.file("q.ini");
    WriteAll(path, "[quelm]\nSMSText=old\n");
    IniFile file(path);
    for (const auto& c : cases) {
        EXPECT_FALSE(ini::EntryError(c.section, c.key, c.value).isEmpty()) << c.section << "/" << c.key;
        EXPECT_THROW(file.WriteString(c.section, c.key, c.value), IniError) << c.section << "/" << c.key;
    }
    EXPECT_EQ(ReadAll(path), "[quelm]\nSMSText=old\n");
}

TEST(IniWrite, CreatesTheFileAndReadsBackEveryType) {
    quelm::test::TempDir dir;
    const QString path = dir.file("quelm_parrin.ini");
    IniFile file(path);
    file.WriteString("quelm", "savefolder", "/srv/records");
    file.WriteInteger("quelm", "EmailPort", -587);
    file.WriteBool("quelm", "manual", false);
    file.WriteBool("quelm", "rtvideo", true);
    file.WriteString("MoveDAlg1", "ControlZone", "1,2,3");
    EXPECT_EQ(ReadAll(path), "[quelm]\nsavefolder=/srv/records\nEmailPort=-587\nmanual=0\nrtvideo=1\n\n"
                             "[MoveDAlg1]\nControlZone=1,2,3\n");
    EXPECT_EQ(file.ReadString("quelm", "savefolder", ""), "/srv/records");
    EXPECT_EQ(file.ReadInteger("quelm", "EmailPort", 0), -587);
    EXPECT_FALSE(file.ReadBool("quelm", "manual", true));
    EXPECT_TRUE(file.ReadBool("quelm", "rtvideo", false));

    // Nothing but the written files is left in the folder: the temporary file went by the rename.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"quelm_parrin.ini"});
}

TEST(IniWrite, FailuresNameTheFileAndLeaveItWhole) {
    quelm::test::TempDir dir;
    WriteAll(dir.file("plain"), "not a folder");
    const QString paths[] = {dir.file("missing/q.ini"), dir.file("plain/q.ini"), dir.path()};
    for (const QString& path : paths) {
        IniFile file(path);
        try {
            file.WriteString("quelm", "k", "v");
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const IniError& e) {
            EXPECT_NE(std::string(e.what()).find(path.toStdString()), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ReadAll(dir.file("plain")), "not a folder");
    EXPECT_FALSE(QFileInfo::exists(dir.file("missing")));
}

// The disk fills up during the write (a file-size limit stands in for it, and holds for root too): the old
// file stays as it was and no temporary file is left behind.
TEST(IniWrite, AFullDiskLeavesTheOldFileWhole) {
    quelm::test::TempDir dir;
    const QString path = dir.file("q.ini");
    const QByteArray before = "[quelm]\r\nSMSText=old\r\n; keep me\r\n";
    WriteAll(path, before);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    IniFile file(path);
    std::string message;
    try {
        file.WriteString("quelm", "SMSText", QString(10000, u'x'));
    } catch (const IniError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_NE(message.find(path.toStdString()), std::string::npos) << "no error naming the file: " << message;
    EXPECT_NE(message.find("only part of it could be written"), std::string::npos) << message;
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"q.ini"});
}

} // namespace
