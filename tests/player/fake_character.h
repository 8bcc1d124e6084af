// A stand-in character for the player's tests: it records what it was asked
// to do and numbers the words of every text the way the real controller
// does (a bookmark after each space, one more at the end, after trimming).
#pragma once

#include "base/kalo_error.h"
#include "player/player_character.h"

#include <QStringList>

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>

namespace kalo::test {

class FakeCharacter : public TPlayerCharacter {
public:
    QStringList calls; // "Stop", "Speak:<text>", "Read:<text>", "Load:<path>", ...
    QString lastText;  // last text given to Speak or Read
    int bookmarkCount = 0;
    bool failLoad = false;
    short loadedWidth = 128, loadedHeight = 128;
    QString defaultTone = QStringLiteral("{DEFAULT}");

    static int CountBookmarks(const QString& text) {
        const QString s = trimmed(text);
        return static_cast<int>(s.count(QLatin1Char(' '))) + 1;
    }
    void Stop() override {
        calls << QStringLiteral("Stop");
        queue.clear();
    }
    int Speak(const QString& text) override { return spoken(QStringLiteral("Speak:"), text); }
    int Read(const QString& text) override { return spoken(QStringLiteral("Read:"), text); }
    void PlayAnimation(const QString& name) override { calls << QStringLiteral("Play:") + name; }
    int BookmarkCount() const override { return bookmarkCount; }
    // Like the control, the character speaks its texts one after another:
    // the first one queued is the one whose bookmarks arrive.
    TSpokenText SpeakingNow() const override {
        return queue.empty() ? TSpokenText{} : queue.front().first;
    }
    bool Pending(int token) const override {
        return std::any_of(queue.begin(), queue.end(),
                           [token](const auto& q) { return q.first.token == token; });
    }
    // The text being spoken ended (after its last bookmark).
    void Finish(int token) {
        if (!queue.empty() && queue.front().first.token == token)
            queue.pop_front();
    }
    // The texts queued, the one being spoken first.
    QStringList Queued() const {
        QStringList texts;
        for (const auto& q : queue)
            texts << q.second;
        return texts;
    }
    void LoadCharacter(const QString& path) override {
        calls << QStringLiteral("Load:") + path;
        if (failLoad)
            throw KaloError(QStringLiteral("Cannot load ") + path);
        queue.clear(); // the character goes with everything it was to say
        shownWidth = loadedWidth;
        shownHeight = loadedHeight;
        width = height = 0;
        visible = false;
    }
    bool Visible() const override { return visible; }
    void SetVisible(bool v) override {
        if (v && !visible) {
            width = shownWidth;
            height = shownHeight;
        } else if (!v && visible) {
            if (width > 0 && height > 0) {
                shownWidth = width;
                shownHeight = height;
            }
            width = height = 0;
        }
        visible = v;
        calls << QStringLiteral("Visible:%1").arg(v);
    }
    short Left() const override { return left; }
    void SetLeft(short v) override { left = v; }
    short Top() const override { return top; }
    void SetTop(short v) override { top = v; }
    short Width() const override { return width; }
    void SetWidth(short v) override { width = v; }
    short Height() const override { return height; }
    void SetHeight(short v) override { height = v; }
    // Hidden, the fake is 0 by 0 and remembers the size it shows at.
    short ShownWidth() const override { return visible ? width : shownWidth; }
    void SetShownWidth(short v) override {
        if (visible)
            width = v;
        else if (v > 0)
            shownWidth = v;
    }
    short ShownHeight() const override { return visible ? height : shownHeight; }
    void SetShownHeight(short v) override {
        if (visible)
            height = v;
        else if (v > 0)
            shownHeight = v;
    }
    int Volume() const override { return volume; }
    void SetVolume(int v) override { volume = v; }
    int Pitch() const override { return pitch; }
    void SetPitch(int v) override { pitch = v; }
    int Speed() const override { return speed; }
    void SetSpeed(int v) override { speed = v; }
    QString VoiceType() const override { return voiceType; }
    void SetVoiceType(const QString& v) override { voiceType = v; }
    void SetBalloonVisible(bool v) override { balloon = v; }
    void SetAnimationOn(bool v) override { animation = v; }
    void SetSoundEffectsOn(bool v) override { soundEffects = v; }
    void SetTone(const QString& id) override {
        tone = id;
        calls << QStringLiteral("Tone:") + id;
    }
    QString DefaultTone() const override { return defaultTone; }

    bool visible = false;
    short left = 0, top = 0, width = 0, height = 0;
    short shownWidth = 0, shownHeight = 0;
    int volume = 65535, pitch = 50, speed = 150;
    QString voiceType = QStringLiteral("Normal");
    bool balloon = true, animation = true, soundEffects = true;
    QString tone;

private:
    static QString trimmed(const QString& text) {
        qsizetype b = 0, e = text.size();
        while (b < e && text.at(b).unicode() <= 32)
            ++b;
        while (e > b && text.at(e - 1).unicode() <= 32)
            --e;
        return text.mid(b, e - b);
    }
    int spoken(const QString& kind, const QString& text) {
        calls << kind + text;
        lastText = text;
        bookmarkCount = CountBookmarks(text);
        queue.push_back({{++lastToken, bookmarkCount}, text});
        return lastToken;
    }
    std::deque<std::pair<TSpokenText, QString>> queue;
    int lastToken = 0;
};

} // namespace kalo::test
