// Storing a camera's capture configuration as one value of the settings file.
#include "capture/graph_config.h"
#include "core/ini_file.h"

namespace quelm {

namespace {

const QString kConfigKey = QStringLiteral("config");

} // namespace

bool ReadGraphConfig(const IniFile& ini, int camera, TGraphConfig& config) {
    QString text = ini.ReadString(GraphConfigSection(camera), kConfigKey, QString());
    const bool stored = !text.isEmpty();
    // The reader cuts a value at its length limit (one character earlier where the cut would split a
    // surrogate pair). A text that long may end inside an item, which would then read as a wrong value (a
    // width of 64 for 640, a shortened device name): that item reads as missing instead, like every item
    // beyond the cut.
    if (text.size() >= ini::MaxValueLength - 1) {
        QStringList items = SplitCommaText(text);
        if (!items.isEmpty())
            items.removeLast();
        text = JoinCommaText(items);
    }
    config.RestoreGraph(text);
    return stored;
}

void WriteGraphConfig(IniFile& ini, int camera, const TGraphConfig& config) {
    // A value is one line of the file: a line break or NUL inside a name (possible only inside a quoted
    // item) would end the line and spill the rest of the text into the file as lines of its own.
    QString text = config.SaveGraph();
    for (QChar& c : text)
        if (c == u'\r' || c == u'\n' || c == QChar(u'\0'))
            c = u' ';
    ini.WriteString(GraphConfigSection(camera), kConfigKey, text);
}

} // namespace quelm
