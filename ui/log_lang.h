#pragma once
// The language strings the log window uses, by key, with their English defaults. The program's language
// table answers through the source set here; without one, the English defaults apply.
#include <QString>
#include <functional>

namespace quelm {

// Keys: LogOn, CleanLog, QuestionClearLog, QuelmLogHeader, Date, Time, LogRecord.
QString LogLangString(const char* key);

// The English default of a key, or an empty text for a key the language table does not hold.
QString LogLangDefault(const char* key);

// source(key, englishDefault) gives the current text of a key. An empty function returns to the program's
// language table.
void SetLogLangSource(std::function<QString(const QString& key, const QString& englishDefault)> source);

} // namespace quelm
