#pragma once
// The program settings of section "quelm" of the settings file, read once at start-up into one record
// that the rest of the program reads.
#include <QString>
#include <cstdint>

namespace quelm {

class IniFile;

// Fields carry the key names of the settings file; each starts with its default.
struct ProgramSettings {
    QString savefolder;  // records folder; in memory empty or ending with "/"
    bool manual = true;  // true: the watch starts only from the camera's button
    bool rtvideo = true; // camera pictures shown, grabbed frames copied to the screen
    bool UseExtDets = true;
    bool showalerts = true;
    bool PlayWAV = false;
    QString PlayWAVFileName;
    bool SendSMS = false;
    std::uint8_t PhoneComPort = 0;
    QString PhoneNumber;
    std::uint8_t PhoneLang = 0; // 0 RU, any other value EN
    QString SMSText = QStringLiteral("Warning message!");
    bool SendEmail = false;
    QString EmailTo;
    QString EmailServer;
    std::int32_t EmailPort = 25;
    QString EmailFrom;
    QString EmailUserName;
    QString EmailPass;
    QString LangFile;
    bool UsePass = false;
    QString Pass;
};

inline constexpr char kSettingsFileName[] = "quelm_parrin.ini";
inline constexpr char kSettingsSection[] = "quelm";
inline constexpr int kDefaultMinVidLength = 15;
inline constexpr char kDefaultSkin[] = "MacOS2";

// What one read of section "quelm" gives: the record, and the two keys that are handed on instead of
// being kept in it.
struct LoadedSettings {
    ProgramSettings Settings;
    int MinVidLength = kDefaultMinVidLength; // for camera 1's alerter only
    QString Skin = QString::fromLatin1(kDefaultSkin);
};

// Reads every key of section "quelm" in file order, each with its default. A value that does not parse
// reads as the default; byte-sized keys keep their low 8 bits.
LoadedSettings LoadSettings(const IniFile& ini);

// The records folder as kept in memory: empty stays empty; otherwise it ends with exactly one "/", a
// stored value ending with "/" or "\" being accepted as it is (the backslash becomes "/").
QString RecordsFolderInMemory(const QString& stored);

} // namespace quelm
