#include "core/lang_strings.h"

#include <array>

namespace quelm {

namespace {

struct Entry {
    const char* name;
    const char* english;
};

// In the order in which a language file's strings are read.
constexpr std::array<Entry, kLangKeyCount> kTable{{
    {"StopRec", "Stop record."},
    {"StartRec", "Warning! Start record."},
    {"SMSFailed", "Unable to send SMS."},
    {"CheckDevice", "Please, check device connection and try again."},
    {"InitFailed", "Can't init video device."},
    {"Terminated", "Program terminated."},
    {"Less", "<< Less"},
    {"More", "More >>"},
    {"LogOn", "Quelm logged on."},
    {"LogOff", "Quelm logged off."},
    {"WatchOn", "Watch enabled."},
    {"WatchOff", "Watch disabled."},
    {"CleanLog", "Log clear."},
    {"QuestionClearLog", "Do you really want to clear log?"},
    {"QuelmLogHeader", "Quelm Log"},
    {"Date", "Date"},
    {"Time", "Time"},
    {"LogRecord", "Record"},
    {"DeviceLost", "Error! Video device lost!"},
    {"WrongPassword", "Wrong password!"},
    {"WrongPassAttempt", "Attempt to enter wrong password!"},
    {"FileDoesNotExists", "File does not exists."},
}};

std::array<QString, kLangKeyCount> MakeDefaults() {
    std::array<QString, kLangKeyCount> texts;
    for (int i = 0; i < kLangKeyCount; ++i)
        texts[i] = QString::fromUtf8(kTable[i].english);
    return texts;
}

std::array<QString, kLangKeyCount>& Texts() {
    static std::array<QString, kLangKeyCount> texts = MakeDefaults();
    return texts;
}

int Index(LangKey key) {
    return static_cast<int>(key);
}

} // namespace

const char* LangKeyName(LangKey key) {
    return kTable[Index(key)].name;
}

const char* LangDefault(LangKey key) {
    return kTable[Index(key)].english;
}

const QString& Lang(LangKey key) {
    return Texts()[Index(key)];
}

bool FindLangKey(const QString& keyName, LangKey& key) {
    for (int i = 0; i < kLangKeyCount; ++i) {
        if (keyName.compare(QLatin1String(kTable[i].name), Qt::CaseInsensitive) == 0) {
            key = static_cast<LangKey>(i);
            return true;
        }
    }
    return false;
}

QString Lang(const QString& keyName) {
    LangKey key;
    return FindLangKey(keyName, key) ? Lang(key) : QString();
}

void SetLang(LangKey key, const QString& text) {
    Texts()[Index(key)] = text;
}

void ResetLangStrings() {
    Texts() = MakeDefaults();
}

} // namespace quelm
