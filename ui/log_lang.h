#pragma once
// The language strings the log window uses, by key, with their English defaults. The program's language
// table answers through the source set here; without one, the English defaults apply.
#include <QString>
#include <functional>

namespace quelm {

// Keys: LogOn, CleanLog, QuestionClearLog, QuelmLogHeader, Date, Time, LogRecord.
QString LogLangString(const char* key);

// The English default of a key, or an empty text for a key the log window does not use.
QString LogLangDefault(const char* key);

// source(key, englishDefault) gives the current text of a key. An empty function restores the defaults.
void SetLogLangSource(std::function<QString(const QString& key, const QString& englishDefault)> source);

} // namespace quelm
