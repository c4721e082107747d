#include "ui/log_lang.h"

#include "core/lang_strings.h"

#include <utility>

namespace quelm {

namespace {

std::function<QString(const QString&, const QString&)>& Source() {
    static std::function<QString(const QString&, const QString&)> source;
    return source;
}

} // namespace

QString LogLangDefault(const char* key) {
    LangKey found;
    if (!FindLangKey(QString::fromLatin1(key), found))
        return {};
    return QString::fromUtf8(LangDefault(found));
}

// The program's language table answers unless a source was set.
QString LogLangString(const char* key) {
    if (Source())
        return Source()(QString::fromLatin1(key), LogLangDefault(key));
    return Lang(QString::fromLatin1(key));
}

void SetLogLangSource(std::function<QString(const QString& key, const QString& englishDefault)> source) {
    Source() = std::move(source);
}

} // namespace quelm
