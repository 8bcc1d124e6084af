// The settings record and its file kalo.dll in the application folder.
#pragma once

#include "base/kalo_error.h"

#include <QSize>
#include <QString>

#include <functional>
#include <string>

namespace kalo {

// Every lasting setting of the program, one field per key of kalo.dll, named
// like the key. All fields are zero, false or empty until LoadSettings runs.
struct TSettings {
    // General
    bool GreetingWhenStart = false;
    int ActiveUI = 0;
    bool ShowSelector = false;
    bool AutoSpeak = false;
    int IgnoreLen = 0;
    bool ShowPrompt = false;
    int PromptDelay = 0;
    int DefAction = 0;
    // Char
    bool Char1Visible = false;
    bool BalloonVisible = false;
    bool AnimationOn = false;
    bool SoundEffectsOn = false;
    int Vol = 0;
    int Pit = 0;
    int Spd = 0;
    short Left = 0;
    short Top = 0;
    short Width = 0;
    short Height = 0;
    QString Char1;
    QString VoiceType;
    // MainWnd
    QString Skin;
    bool AppBar = false;
    int MainLeft = 0;
    int MainTop = 0;
    bool StayOnTop = false;
    // General, written after the keys above
    bool Shuffle = false;
    bool Repeat1 = false;
    bool ShowHint = false;
    int Tone = 0; // section Char
    bool RecordClipboard = false;
    int RecordNo = 0;
    int EngineIndex = 0;
    // Converter
    int TabIndex = 0;
    QString DefTxtPath;
    QString DefWavPath;
    QString DefMp3Path;
    int RealTime = 0;
    int ConvertMode = 0;
    int ConverterWidth = 0;
    int ConverterHeight = 0;
    int ConverterLeft = 0;
    int ConverterTop = 0;
    bool AutoNext = false;
    bool AutoName = false;
    bool Subtitles = false; // write <name>.srt beside every WAV and MP3 file
};

// The one settings record of the process; only the user-interface thread
// touches it.
extern TSettings Settings;

// The application folder with its trailing "/": the executable's folder, or
// the user's own folder under the XDG data home when the program is
// installed read-only (see base/app_folders.h). Set by LoadSettings.
extern QString AppPath;

// Sets AppPath (making the user's own folder on the first start of a
// read-only installation), then fills Settings from AppPath + "kalo.dll"; a
// missing file gives the defaults.
// A file that exists but cannot be read also leaves every key at its default,
// then throws KaloError naming the file.
void LoadSettings();

// Reads kalo.dll afresh (so unknown keys and other writers' keys survive),
// sets every key from Settings and replaces the file atomically. Throws
// KaloError("Cannot create file <path>") when it cannot be written; the old
// file is then left as it was.
void SaveSettings();

// Primary screen size used for the computed defaults; taken at the moment a
// key is read. Replaceable so the defaults can be checked for any screen.
using ScreenSizeProvider = std::function<QSize()>;
void SetScreenSizeProvider(ScreenSizeProvider provider);
QSize PrimaryScreenSize();

// The folder LoadSettings takes as AppPath; by default the executable's.
// Tests point it at a scratch folder. Empty restores the default.
void SetAppPathOverride(const QString& path);

} // namespace kalo
