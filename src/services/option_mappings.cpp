#include "services/option_mappings.h"

#include <cstdint>

namespace kalo {

QStringList WriteSpeedItems() {
    return {QStringLiteral("1 X"),  QStringLiteral("2 X"),  QStringLiteral("4 X"),
            QStringLiteral("8 X"),  QStringLiteral("16 X"), QStringLiteral("32 X"),
            QStringLiteral("64 X"), QStringLiteral("128 X")};
}

int WriteSpeedItemFor(int realTime, const QStringList& items) {
    const unsigned shifted = static_cast<unsigned>(realTime) >> 8;
    const int found = items.indexOf(QString::number(shifted) + QStringLiteral(" X"));
    return found >= 0 ? found : 3;
}

int RealTimeForWriteSpeed(const QString& itemText) {
    QString rest = itemText;
    rest.remove(QStringLiteral(" X"), Qt::CaseInsensitive);
    bool ok = false;
    const int n = rest.toInt(&ok, 10);
    if (!ok)
        return 256;
    return static_cast<int>(static_cast<unsigned>(n) << 8);
}

QStringList VoiceTypeItems() {
    return {QStringLiteral("Normal"), QStringLiteral("Monotone"), QStringLiteral("Whisper")};
}

int VoiceTypeItemFor(const QString& voiceType) {
    if (voiceType == QLatin1String("Monotone"))
        return 1;
    if (voiceType == QLatin1String("Whisper"))
        return 2;
    return 0;
}

QString VoiceTypeForItem(int item) {
    if (item == 1)
        return QStringLiteral("Monotone");
    if (item == 2)
        return QStringLiteral("Whisper");
    return QStringLiteral("Normal");
}

QString FolderSetting(const QString& editText) {
    if (editText.isEmpty() || editText.endsWith('/'))
        return editText;
    return editText + '/';
}

QString FolderEditText(const QString& pickedPath) {
    if (pickedPath.size() > 1 && pickedPath.endsWith('/'))
        return pickedPath.chopped(1);
    return pickedPath;
}

short CutTo16Bits(int value) {
    return static_cast<short>(static_cast<std::uint16_t>(value));
}

QStringList EngineDownloadItems() {
    return {QStringLiteral("Spanish ( Male & Female )"),
            QStringLiteral("British English ( Male & Female )"),
            QStringLiteral("Dutch ( Male & Female )"),
            QStringLiteral("French ( Male & Female )"),
            QStringLiteral("German ( Male & Female )"),
            QStringLiteral("Italian ( Male & Female )"),
            QStringLiteral("Portuguese ( Male & Female )")};
}

QStringList EngineDownloadPages() {
    const QString base =
        QStringLiteral("https://speech-engines.example.com/activex/controls/agent2/");
    QStringList pages;
    for (const char* file : {"lhttsspe.exe", "lhttseng.exe", "lhttsdun.exe", "lhttsfrf.exe",
                             "lhttsged.exe", "lhttsiti.exe", "lhttsptb.exe"})
        pages << base + QLatin1String(file);
    return pages;
}

} // namespace kalo
