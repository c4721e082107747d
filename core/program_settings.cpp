#include "core/program_settings.h"

#include "core/ini_file.h"

namespace quelm {

QString RecordsFolderInMemory(const QString& stored) {
    if (stored.isEmpty())
        return stored;
    if (stored.endsWith(QLatin1Char('/')))
        return stored;
    if (stored.endsWith(QLatin1Char('\\')))
        return stored.left(stored.size() - 1) + QLatin1Char('/');
    return stored + QLatin1Char('/');
}

LoadedSettings LoadSettings(const IniFile& ini) {
    const QString s = QString::fromLatin1(kSettingsSection);
    const auto str = [&](const char* key, const QString& def) {
        return ini.ReadString(s, QString::fromLatin1(key), def);
    };
    const auto flag = [&](const char* key, bool def) {
        return ini.ReadBool(s, QString::fromLatin1(key), def);
    };
    const auto byte = [&](const char* key, std::uint8_t def) {
        return static_cast<std::uint8_t>(ini.ReadInteger(s, QString::fromLatin1(key), def) & 0xFF);
    };

    LoadedSettings out;
    ProgramSettings& p = out.Settings;
    const ProgramSettings d;
    p.savefolder = RecordsFolderInMemory(str("savefolder", d.savefolder));
    p.manual = flag("manual", d.manual);
    p.rtvideo = flag("rtvideo", d.rtvideo);
    out.MinVidLength = ini.ReadInteger(s, QStringLiteral("minvidlength"), kDefaultMinVidLength);
    p.UseExtDets = flag("UseExtDets", d.UseExtDets);
    p.showalerts = flag("showalerts", d.showalerts);
    p.PlayWAV = flag("PlayWAV", d.PlayWAV);
    p.PlayWAVFileName = str("PlayWAVFileName", d.PlayWAVFileName);
    p.SendSMS = flag("SendSMS", d.SendSMS);
    p.PhoneComPort = byte("PhoneComPort", d.PhoneComPort);
    p.PhoneNumber = str("PhoneNumber", d.PhoneNumber);
    p.PhoneLang = byte("PhoneLang", d.PhoneLang);
    p.SMSText = str("SMSText", d.SMSText);
    p.SendEmail = flag("SendEmail", d.SendEmail);
    p.EmailTo = str("EmailTo", d.EmailTo);
    p.EmailServer = str("EmailServer", d.EmailServer);
    p.EmailPort = ini.ReadInteger(s, QStringLiteral("EmailPort"), d.EmailPort);
    p.EmailFrom = str("EmailFrom", d.EmailFrom);
    p.EmailUserName = str("EmailUserName", d.EmailUserName);
    p.EmailPass = str("EmailPass", d.EmailPass);
    p.LangFile = str("LangFile", d.LangFile);
    p.UsePass = flag("UsePass", d.UsePass);
    p.Pass = str("Pass", d.Pass);
    out.Skin = str("Skin", QString::fromLatin1(kDefaultSkin));
    return out;
}

} // namespace quelm
