#include "base/settings_store.h"

#include "base/app_folders.h"
#include "base/ini_image.h"
#include "base/regular_file.h"
#include "base/text_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <map>
#include <optional>
#include <variant>
#include <vector>

namespace kalo {

TSettings Settings;
QString AppPath;

namespace {

ScreenSizeProvider g_screenSize;
// String values that were not valid UTF-8, by key: the bytes read and the
// text they were read as. Written back as those bytes while unchanged.
std::map<std::string, std::pair<std::string, QString>> g_rawStrings;
QString g_appPathOverride;

using Field = std::variant<bool TSettings::*, int TSettings::*, short TSettings::*,
                           QString TSettings::*>;
using IntDefault = int (*)(QSize screen);
using StringDefault = QString (*)();

struct KeyDef {
    const char* section;
    const char* key;
    Field field;
    IntDefault intDefault = nullptr;       // bool, int, short
    StringDefault stringDefault = nullptr; // string
};

// Every key in the order SaveSettings writes them.
const std::vector<KeyDef>& keyTable() {
    using S = TSettings;
    static const std::vector<KeyDef> table = {
        {"General", "GreetingWhenStart", &S::GreetingWhenStart, [](QSize) { return 1; }},
        {"General", "ActiveUI", &S::ActiveUI, [](QSize) { return 0; }},
        {"General", "ShowSelector", &S::ShowSelector, [](QSize) { return 1; }},
        {"General", "AutoSpeak", &S::AutoSpeak, [](QSize) { return 1; }},
        {"General", "IgnoreLen", &S::IgnoreLen, [](QSize) { return 10; }},
        {"General", "ShowPrompt", &S::ShowPrompt, [](QSize) { return 1; }},
        {"General", "PromptDelay", &S::PromptDelay, [](QSize) { return 3; }},
        {"General", "DefAction", &S::DefAction, [](QSize) { return 0; }},
        {"Char", "Char1Visible", &S::Char1Visible, [](QSize) { return 1; }},
        {"Char", "BalloonVisible", &S::BalloonVisible, [](QSize) { return 1; }},
        {"Char", "AnimationOn", &S::AnimationOn, [](QSize) { return 1; }},
        {"Char", "SoundEffectsOn", &S::SoundEffectsOn, [](QSize) { return 1; }},
        {"Char", "Vol", &S::Vol, [](QSize) { return 65535; }},
        {"Char", "Pit", &S::Pit, [](QSize) { return 50; }},
        {"Char", "Spd", &S::Spd, [](QSize) { return 150; }},
        {"Char", "Left", &S::Left, [](QSize s) { return s.width() - 150; }},
        {"Char", "Top", &S::Top, [](QSize s) { return s.height() - 327; }},
        {"Char", "Width", &S::Width, [](QSize) { return 150; }},
        {"Char", "Height", &S::Height, [](QSize) { return 187; }},
        {"Char", "Char1", &S::Char1, nullptr, [] { return QStringLiteral("James"); }},
        {"Char", "VoiceType", &S::VoiceType, nullptr, [] { return QStringLiteral("Normal"); }},
        {"MainWnd", "Skin", &S::Skin, nullptr, [] { return QStringLiteral("Topaz"); }},
        {"MainWnd", "AppBar", &S::AppBar, [](QSize) { return 0; }},
        {"MainWnd", "MainLeft", &S::MainLeft, [](QSize s) { return s.width() - 275; }},
        {"MainWnd", "MainTop", &S::MainTop, [](QSize s) { return s.height() - 140; }},
        {"MainWnd", "StayOnTop", &S::StayOnTop, [](QSize) { return 0; }},
        {"General", "Shuffle", &S::Shuffle, [](QSize) { return 0; }},
        {"General", "Repeat1", &S::Repeat1, [](QSize) { return 0; }},
        {"General", "ShowHint", &S::ShowHint, [](QSize) { return 1; }},
        {"Char", "Tone", &S::Tone, [](QSize) { return -1; }},
        {"General", "RecordClipboard", &S::RecordClipboard, [](QSize) { return 1; }},
        {"General", "RecordNo", &S::RecordNo, [](QSize) { return 0; }},
        {"General", "EngineIndex", &S::EngineIndex, [](QSize) { return 0; }},
        {"Converter", "TabIndex", &S::TabIndex, [](QSize) { return 0; }},
        {"Converter", "DefTxtPath", &S::DefTxtPath, nullptr, [] { return AppPath + "txt/"; }},
        {"Converter", "DefWavPath", &S::DefWavPath, nullptr, [] { return AppPath + "wav/"; }},
        {"Converter", "DefMp3Path", &S::DefMp3Path, nullptr, [] { return AppPath + "mp3/"; }},
        {"Converter", "RealTime", &S::RealTime, [](QSize) { return 2048; }},
        {"Converter", "ConvertMode", &S::ConvertMode, [](QSize) { return 0; }},
        {"Converter", "ConverterWidth", &S::ConverterWidth, [](QSize) { return 603; }},
        {"Converter", "ConverterHeight", &S::ConverterHeight, [](QSize) { return 400; }},
        {"Converter", "ConverterLeft", &S::ConverterLeft, [](QSize s) { return (s.width() - 603) / 2; }},
        {"Converter", "ConverterTop", &S::ConverterTop, [](QSize s) { return (s.height() - 400) / 2; }},
        {"Converter", "AutoNext", &S::AutoNext, [](QSize) { return 1; }},
        {"Converter", "AutoName", &S::AutoName, [](QSize) { return 0; }},
        {"Converter", "Subtitles", &S::Subtitles, [](QSize) { return 0; }},
    };
    return table;
}

QString settingsPath() {
    return AppPath + QStringLiteral("kalo.dll");
}

// Reads the settings file into an image. A missing file is an empty image;
// an unreadable one is an empty image plus the error text.
IniImage readImage(QString* error) {
    // Only a regular file is read: a FIFO in its place would hold start-up
    // and shut-down for ever, and a device such as /dev/zero never ends.
    constexpr qint64 kMaxSettingsBytes = 64 * 1024 * 1024;
    const RegularFileRead read = ReadRegularFile(settingsPath(), kMaxSettingsBytes);
    if (read.ok())
        return IniImage::parse(
            std::string_view(read.bytes.constData(), static_cast<size_t>(read.bytes.size())));
    if (error && QFileInfo::exists(settingsPath())) // a missing file is no error
        *error = read.failure(settingsPath());
    return {};
}

} // namespace

void SetScreenSizeProvider(ScreenSizeProvider provider) {
    g_screenSize = std::move(provider);
}

QSize PrimaryScreenSize() {
    if (g_screenSize)
        return g_screenSize();
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* screen = QGuiApplication::primaryScreen())
            return screen->size();
    return QSize(1024, 768);
}

void SetAppPathOverride(const QString& path) {
    g_appPathOverride = path;
    if (!g_appPathOverride.isEmpty() && !g_appPathOverride.endsWith('/'))
        g_appPathOverride += '/';
}

void LoadSettings() {
    QString error;
    if (!g_appPathOverride.isEmpty()) {
        AppPath = g_appPathOverride;
        DataPath = g_appPathOverride;
    } else {
        const AppFolders folders = LocateAppFolders();
        AppPath = folders.user;
        DataPath = folders.data;
        // The user's own folder beside a read-only installation is made on
        // the first start; the settings still load (as defaults) without it.
        if (AppPath != folders.program) {
            try {
                MakeUserFolder(AppPath);
            } catch (const KaloError& e) {
                error = e.message();
            }
        }
    }

    const IniImage image = readImage(error.isEmpty() ? &error : nullptr);
    g_rawStrings.clear();
    for (const KeyDef& def : keyTable()) {
        const std::optional<std::string> raw = image.value(def.section, def.key);
        const std::string* value = raw ? &*raw : nullptr;
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(Settings.*member)>;
                if constexpr (std::is_same_v<T, QString>) {
                    if (value) {
                        const QByteArrayView raw(value->data(),
                                                 static_cast<qsizetype>(value->size()));
                        Settings.*member = DecodeUtf8Or1252(raw);
                        if ((Settings.*member).toUtf8() != raw)
                            g_rawStrings[std::string(def.section) + '\n' + def.key] = {
                                *value, Settings.*member};
                    } else {
                        Settings.*member = def.stringDefault();
                    }
                } else {
                    const int fallback = def.intDefault(PrimaryScreenSize());
                    const int read = ReadIniInt(value, fallback);
                    if constexpr (std::is_same_v<T, bool>)
                        Settings.*member = read != 0;
                    else if constexpr (std::is_same_v<T, short>)
                        Settings.*member = static_cast<short>(static_cast<uint16_t>(read & 0xFFFF));
                    else
                        Settings.*member = read;
                }
            },
            def.field);
    }
    if (!error.isEmpty())
        throw KaloError(error);
}

void SaveSettings() {
    // Unknown keys and sections, and what another copy wrote meanwhile, are
    // kept; a failed read still lets every known key be written.
    IniImage image = readImage(nullptr);
    for (const KeyDef& def : keyTable()) {
        std::string text;
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(Settings.*member)>;
                if constexpr (std::is_same_v<T, QString>) {
                    const auto raw = g_rawStrings.find(std::string(def.section) + '\n' + def.key);
                    text = raw != g_rawStrings.end() && raw->second.second == Settings.*member
                               ? raw->second.first
                               : (Settings.*member).toStdString();
                } else if constexpr (std::is_same_v<T, bool>)
                    text = (Settings.*member) ? "1" : "0";
                else
                    text = std::to_string(static_cast<int>(Settings.*member));
            },
            def.field);
        image.setValue(def.section, def.key, text);
    }

    // A temporary file beside kalo.dll, renamed over it once complete: a crash
    // or a full disk never leaves a truncated settings file. A FIFO or device
    // in its place is left alone and reported.
    const std::string bytes = image.serialize();
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (!SaveRegularFile(settingsPath(), view, nullptr))
        throw KaloError(QStringLiteral("Cannot create file %1").arg(settingsPath()));
}

} // namespace kalo
