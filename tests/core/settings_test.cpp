#include "core/ini_file.h"
#include "core/program_folder.h"
#include "core/program_settings.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using quelm::IniFile;
using quelm::LoadSettings;
using quelm::test::TempDir;

// Writes a settings file of the given body and reads it back.
quelm::LoadedSettings Load(const TempDir& dir, const QByteArray& body) {
    const QString fn = dir.file("quelm_parrin.ini");
    QFile f(fn);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(body);
    f.close();
    return LoadSettings(IniFile(fn));
}

TEST(SettingsLoad, MissingFileGivesEveryDefault) {
    TempDir dir;
    const auto r = LoadSettings(IniFile(dir.file("absent.ini")));
    const quelm::ProgramSettings& p = r.Settings;
    EXPECT_EQ(p.savefolder, "");
    EXPECT_TRUE(p.manual);
    EXPECT_TRUE(p.rtvideo);
    EXPECT_TRUE(p.UseExtDets);
    EXPECT_TRUE(p.showalerts);
    EXPECT_FALSE(p.PlayWAV);
    EXPECT_EQ(p.PlayWAVFileName, "");
    EXPECT_FALSE(p.SendSMS);
    EXPECT_EQ(p.PhoneComPort, 0);
    EXPECT_EQ(p.PhoneNumber, "");
    EXPECT_EQ(p.PhoneLang, 0);
    EXPECT_EQ(p.SMSText, "Warning message!");
    EXPECT_FALSE(p.SendEmail);
    EXPECT_EQ(p.EmailTo, "");
    EXPECT_EQ(p.EmailServer, "");
    EXPECT_EQ(p.EmailPort, 25);
    EXPECT_EQ(p.EmailFrom, "");
    EXPECT_EQ(p.EmailUserName, "");
    EXPECT_EQ(p.EmailPass, "");
    EXPECT_EQ(p.LangFile, "");
    EXPECT_FALSE(p.UsePass);
    EXPECT_EQ(p.Pass, "");
    EXPECT_EQ(r.MinVidLength, 15);
    EXPECT_EQ(r.Skin, "MacOS2");
}

TEST(SettingsLoad, EveryKeyIsReadFromSectionQuelm) {
    TempDir dir;
    const auto r = Load(dir, "[other]\r\nmanual=1\r\n"
                             "[QUELM]\r\n"
                             "savefolder=/srv/rec\r\nMANUAL=0\r\nrtvideo=0\r\nminvidlength=30\r\n"
                             "UseExtDets=0\r\nshowalerts=0\r\nPlayWAV=1\r\nPlayWAVFileName=/a/b.wav\r\n"
                             "SendSMS=1\r\nPhoneComPort=3\r\nPhoneNumber=79001234567\r\nPhoneLang=2\r\n"
                             "SMSText=Hello\r\nSendEmail=1\r\nEmailTo=to@x\r\nEmailServer=smtp.x\r\n"
                             "EmailPort=0x19\r\nEmailFrom=from@x\r\nEmailUserName=u\r\nEmailPass=p\r\n"
                             "LangFile=Deutsch\r\nUsePass=1\r\nPass=abc\r\nSkin=Other\r\n");
    const quelm::ProgramSettings& p = r.Settings;
    EXPECT_EQ(p.savefolder, "/srv/rec/");
    EXPECT_FALSE(p.manual);
    EXPECT_FALSE(p.rtvideo);
    EXPECT_EQ(r.MinVidLength, 30);
    EXPECT_FALSE(p.UseExtDets);
    EXPECT_FALSE(p.showalerts);
    EXPECT_TRUE(p.PlayWAV);
    EXPECT_EQ(p.PlayWAVFileName, "/a/b.wav");
    EXPECT_TRUE(p.SendSMS);
    EXPECT_EQ(p.PhoneComPort, 3);
    EXPECT_EQ(p.PhoneNumber, "79001234567");
    EXPECT_EQ(p.PhoneLang, 2); // any nonzero value selects EN
    EXPECT_EQ(p.SMSText, "Hello");
    EXPECT_TRUE(p.SendEmail);
    EXPECT_EQ(p.EmailTo, "to@x");
    EXPECT_EQ(p.EmailServer, "smtp.x");
    EXPECT_EQ(p.EmailPort, 25); // hexadecimal 0x19
    EXPECT_EQ(p.EmailFrom, "from@x");
    EXPECT_EQ(p.EmailUserName, "u");
    EXPECT_EQ(p.EmailPass, "p");
    EXPECT_EQ(p.LangFile, "Deutsch");
    EXPECT_TRUE(p.UsePass);
    EXPECT_EQ(p.Pass, "abc");
    EXPECT_EQ(r.Skin, "Other");
}

TEST(SettingsLoad, RecordsFolderEndsWithOneSeparatorInMemory) {
    const struct {
        const char* stored;
        const char* memory;
    } cases[] = {
        {"", ""},
        {"/srv/rec", "/srv/rec/"},
        {"/srv/rec/", "/srv/rec/"},
        {"D:\\rec\\", "D:\\rec/"},
        {"rec", "rec/"},
        {"/", "/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quelm::RecordsFolderInMemory(QString::fromUtf8(c.stored)), QString::fromUtf8(c.memory))
            << c.stored;
    TempDir dir;
    EXPECT_EQ(Load(dir, "[quelm]\nsavefolder=/srv/rec\n").Settings.savefolder, "/srv/rec/");
}

TEST(SettingsLoad, ValuesThatDoNotParseReadAsDefaultsAndBytesKeepLowBits) {
    TempDir dir;
    const auto r = Load(dir, "[quelm]\nmanual=yes\nrtvideo=\nminvidlength=abc\nEmailPort=25x\n"
                             "PhoneComPort=259\nPhoneLang=-1\n");
    EXPECT_TRUE(r.Settings.manual);
    EXPECT_TRUE(r.Settings.rtvideo);
    EXPECT_EQ(r.MinVidLength, 15);
    EXPECT_EQ(r.Settings.EmailPort, 25);
    EXPECT_EQ(r.Settings.PhoneComPort, 3); // 259 & 0xFF
    EXPECT_EQ(r.Settings.PhoneLang, 0xFF); // -1 keeps its low 8 bits
}

TEST(ProgramFolder, HomeVariableThenWritableExecutableFolderThenDataHome) {
    using quelm::ProgramFolderInputs;
    const struct {
        ProgramFolderInputs in;
        const char* folder;
    } cases[] = {
        {{"/opt/demo/", "/usr/bin", true, "/x", "/home/u"}, "/opt/demo"},
        {{"", "/srv/quelm", true, "/x", "/home/u"}, "/srv/quelm"},
        {{"", "/usr/bin", false, "/var/data", "/home/u"}, "/var/data/quelm"},
        {{"", "/usr/bin", false, "", "/home/u"}, "/home/u/.local/share/quelm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(quelm::ResolveProgramFolder(c.in), QString::fromUtf8(c.folder)) << c.folder;
}

TEST(ProgramFolder, EnvironmentHomeIsCreatedAndUsed) {
    TempDir dir;
    const QString home = dir.file("sub/home");
    const QByteArray old = qgetenv("QUELM_HOME");
    qputenv("QUELM_HOME", home.toUtf8());
    EXPECT_EQ(quelm::ProgramFile("log.log"), home + "/log.log");
    EXPECT_TRUE(QFileInfo(home).isDir());
    if (old.isNull())
        qunsetenv("QUELM_HOME");
    else
        qputenv("QUELM_HOME", old);
}

} // namespace
