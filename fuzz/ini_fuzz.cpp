// Reads arbitrary bytes as a settings file, reads values from it, writes one value and checks that the
// written value reads back, that every other value reads as before and that only one line changed.
#include "core/ini_file.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <stdexcept>

namespace {

namespace ini = quelm::ini;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Section and key names as a careless reader would pick them out of the text, to aim the probes and the
// write at names the file really holds.
void CollectNames(const QByteArray& text, QList<QString>& sections, QList<QString>& keys) {
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            if (sections.size() < 5)
                sections.append(QString::fromUtf8(line.mid(1, close < 0 ? -1 : close - 1)));
        } else if (const qsizetype eq = line.indexOf('='); eq >= 0 && keys.size() < 5) {
            keys.append(QString::fromUtf8(line.left(eq)));
        }
    }
}

QString PickName(FuzzedDataProvider& data, const QList<QString>& names) {
    if (!names.isEmpty() && data.ConsumeBool())
        return names[data.ConsumeIntegralInRange<qsizetype>(0, names.size() - 1)];
    return QString::fromStdString(data.ConsumeRandomLengthString(24));
}

bool SameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

void CheckInteger(const QString& value) {
    if (const auto n = ini::ParseInteger(value))
        Check(ini::ParseInteger(QString::number(*n)) == n, "an integer read back from its decimal text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const std::string head = data.ConsumeRandomLengthString(64);
    const std::vector<std::uint8_t> rest = data.ConsumeRemainingBytes<std::uint8_t>();
    const QByteArray text(reinterpret_cast<const char*>(rest.data()), static_cast<qsizetype>(rest.size()));

    QList<QString> sections{QString()};
    QList<QString> keys;
    CollectNames(text, sections, keys);

    // Reading never fails; every value found obeys the integer and length rules.
    for (const QString& section : sections)
        for (const QString& key : keys)
            if (const auto value = ini::FindValue(text, section, key)) {
                CheckInteger(*value);
                const QString cut = ini::Truncated(*value);
                Check(cut.size() <= ini::MaxValueLength && value->startsWith(cut),
                      "a value cut to the limit");
            }

    FuzzedDataProvider choice(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
    const QString section = PickName(choice, sections);
    const QString key = PickName(choice, keys);
    const QString value = QString::fromStdString(choice.ConsumeRemainingBytesAsString());
    CheckInteger(value);

    if (!ini::EntryError(section, key, value).isEmpty()) {
        try {
            (void)ini::WithValue(text, section, key, value);
            Check(false, "a refused entry written");
        } catch (const std::invalid_argument&) {
        }
        return 0;
    }

    const QByteArray after = ini::WithValue(text, section, key, value);
    Check(ini::FindValue(after, section, key) == value, "the written value reads back");
    Check(ini::WithValue(after, section, key, value) == after,
          "writing the same value again changes nothing");
    for (const QString& s : sections)
        for (const QString& k : keys)
            if (!(SameName(s, section) && SameName(k, key)))
                Check(ini::FindValue(after, s, k) == ini::FindValue(text, s, k), "another value unchanged");

    // One edit in one place: what was taken out lies within a single line.
    qsizetype prefix = 0;
    while (prefix < text.size() && prefix < after.size() && text[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < text.size() - prefix && suffix < after.size() - prefix &&
           text[text.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    Check(!text.mid(prefix, text.size() - prefix - suffix).contains('\n'), "only one line replaced");
    return 0;
}
