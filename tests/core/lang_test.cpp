#include "core/lang_strings.h"

#include <gtest/gtest.h>

namespace {

using quelm::Lang;
using quelm::LangKey;

TEST(LangStrings, EveryKeyHasItsEnglishDefault) {
    quelm::ResetLangStrings();
    const struct {
        LangKey key;
        const char* name;
        const char* text;
    } table[] = {
        {LangKey::StopRec, "StopRec", "Stop record."},
        {LangKey::StartRec, "StartRec", "Warning! Start record."},
        {LangKey::SMSFailed, "SMSFailed", "Unable to send SMS."},
        {LangKey::CheckDevice, "CheckDevice", "Please, check device connection and try again."},
        {LangKey::InitFailed, "InitFailed", "Can't init video device."},
        {LangKey::Terminated, "Terminated", "Program terminated."},
        {LangKey::Less, "Less", "<< Less"},
        {LangKey::More, "More", "More >>"},
        {LangKey::LogOn, "LogOn", "Quelm logged on."},
        {LangKey::LogOff, "LogOff", "Quelm logged off."},
        {LangKey::WatchOn, "WatchOn", "Watch enabled."},
        {LangKey::WatchOff, "WatchOff", "Watch disabled."},
        {LangKey::CleanLog, "CleanLog", "Log clear."},
        {LangKey::QuestionClearLog, "QuestionClearLog", "Do you really want to clear log?"},
        {LangKey::QuelmLogHeader, "QuelmLogHeader", "Quelm Log"},
        {LangKey::Date, "Date", "Date"},
        {LangKey::Time, "Time", "Time"},
        {LangKey::LogRecord, "LogRecord", "Record"},
        {LangKey::DeviceLost, "DeviceLost", "Error! Video device lost!"},
        {LangKey::WrongPassword, "WrongPassword", "Wrong password!"},
        {LangKey::WrongPassAttempt, "WrongPassAttempt", "Attempt to enter wrong password!"},
        {LangKey::FileDoesNotExists, "FileDoesNotExists", "File does not exists."},
    };
    ASSERT_EQ(std::size(table), static_cast<size_t>(quelm::kLangKeyCount));
    for (int i = 0; i < quelm::kLangKeyCount; ++i) {
        const auto& row = table[i];
        EXPECT_EQ(static_cast<int>(row.key), i) << row.name; // the table's order is the reading order
        EXPECT_STREQ(quelm::LangKeyName(row.key), row.name);
        EXPECT_STREQ(quelm::LangDefault(row.key), row.text);
        EXPECT_EQ(Lang(row.key), QString::fromUtf8(row.text));
        EXPECT_EQ(Lang(QString::fromUtf8(row.name)), QString::fromUtf8(row.text));
    }
}

TEST(LangStrings, LookupByNameIgnoresCaseAndUnknownNamesGiveNothing) {
    quelm::ResetLangStrings();
    EXPECT_EQ(Lang(QStringLiteral("watchon")), "Watch enabled.");
    EXPECT_EQ(Lang(QStringLiteral("WATCHOFF")), "Watch disabled.");
    LangKey key;
    EXPECT_FALSE(quelm::FindLangKey(QStringLiteral("NoSuchKey"), key));
    EXPECT_EQ(Lang(QStringLiteral("NoSuchKey")), "");
    EXPECT_EQ(Lang(QString()), "");
}

TEST(LangStrings, ReplacedTextHoldsUntilReset) {
    quelm::ResetLangStrings();
    quelm::SetLang(LangKey::LogOn, QStringLiteral("Quelm angemeldet."));
    EXPECT_EQ(Lang(LangKey::LogOn), "Quelm angemeldet.");
    EXPECT_EQ(Lang(LangKey::LogOff), "Quelm logged off."); // the others stay English
    quelm::ResetLangStrings();
    EXPECT_EQ(Lang(LangKey::LogOn), "Quelm logged on.");
}

} // namespace
