#include "ui/log_lang.h"

#include <cstring>
#include <utility>

namespace quelm {

namespace {

struct KeyText {
    const char* key;
    const char* english;
};

constexpr KeyText kTexts[] = {
    {"LogOn", "Quelm logged on."},
    {"CleanLog", "Log clear."},
    {"QuestionClearLog", "Do you really want to clear log?"},
    {"QuelmLogHeader", "Quelm Log"},
    {"Date", "Date"},
    {"Time", "Time"},
    {"LogRecord", "Record"},
};

std::function<QString(const QString&, const QString&)>& Source() {
    static std::function<QString(const QString&, const QString&)> source;
    return source;
}

} // namespace

QString LogLangDefault(const char* key) {
    for (const KeyText& t : kTexts)
        if (std::strcmp(t.key, key) == 0)
            return QString::fromUtf8(t.english);
    return {};
}

QString LogLangString(const char* key) {
    const QString english = LogLangDefault(key);
    if (Source())
        return Source()(QString::fromLatin1(key), english);
    return english;
}

void SetLogLangSource(std::function<QString(const QString& key, const QString& englishDefault)> source) {
    Source() = std::move(source);
}

} // namespace quelm
