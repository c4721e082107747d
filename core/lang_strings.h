#pragma once
// The language strings: every message text the program builds at run time, addressed by key, each
// holding its English default until a language file replaces it. Read and written on the GUI thread;
// other threads only read them after start-up.
#include <QString>

namespace quelm {

enum class LangKey {
    StopRec,
    StartRec,
    SMSFailed,
    CheckDevice,
    InitFailed,
    Terminated,
    Less,
    More,
    LogOn,
    LogOff,
    WatchOn,
    WatchOff,
    CleanLog,
    QuestionClearLog,
    QuelmLogHeader,
    Date,
    Time,
    LogRecord,
    DeviceLost,
    WrongPassword,
    WrongPassAttempt,
    FileDoesNotExists,
};

inline constexpr int kLangKeyCount = static_cast<int>(LangKey::FileDoesNotExists) + 1;

// The key as written in a language file's section "SpLangStr", and its English default.
const char* LangKeyName(LangKey key);
const char* LangDefault(LangKey key);

// The current text of a string.
const QString& Lang(LangKey key);
// The current text by key name (matched without regard to case); empty for an unknown name.
QString Lang(const QString& keyName);
// The key of a name (matched without regard to case); false for an unknown name.
bool FindLangKey(const QString& keyName, LangKey& key);

void SetLang(LangKey key, const QString& text);
// Every string back to its English default.
void ResetLangStrings();

} // namespace quelm
