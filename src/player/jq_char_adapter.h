// The window's character controller seen through TPlayerCharacter.
#pragma once

#include "agent/jq_agent.h"
#include "player/player_character.h"

namespace kalo {

class TJQCharAdapter : public TPlayerCharacter {
public:
    explicit TJQCharAdapter(TJQChar& character) : c(character) {}
    TJQChar& target() const { return c; }

    void Stop() override { c.Stop(); }
    int Speak(const QString& text) override { return c.Speak(text, true); }
    int Read(const QString& text) override { return c.Read(text); }
    void PlayAnimation(const QString& name) override { c.PlayAnimation(name); }
    int BookmarkCount() const override { return c.BookmarkCount(); }
    TSpokenText SpeakingNow() const override {
        const TJQChar::SpokenText now = c.SpeakingNow();
        return {now.token, now.bookmarkCount};
    }
    bool Pending(int token) const override { return c.Pending(token); }
    void LoadCharacter(const QString& path) override { c.LoadCharacter(path); }
    bool Visible() const override { return c.Visible(); }
    void SetVisible(bool visible) override { c.SetVisible(visible); }
    short Left() const override { return c.Left(); }
    void SetLeft(short left) override { c.SetLeft(left); }
    short Top() const override { return c.Top(); }
    void SetTop(short top) override { c.SetTop(top); }
    short Width() const override { return c.Width(); }
    void SetWidth(short width) override { c.SetWidth(width); }
    short Height() const override { return c.Height(); }
    void SetHeight(short height) override { c.SetHeight(height); }
    short ShownWidth() const override { return c.ShownWidth(); }
    void SetShownWidth(short width) override { c.SetShownWidth(width); }
    short ShownHeight() const override { return c.ShownHeight(); }
    void SetShownHeight(short height) override { c.SetShownHeight(height); }
    int Volume() const override { return c.Volume; }
    void SetVolume(int volume) override { c.Volume = volume; }
    int Pitch() const override { return c.Pitch; }
    void SetPitch(int pitch) override { c.Pitch = pitch; }
    int Speed() const override { return c.Speed; }
    void SetSpeed(int speed) override { c.Speed = speed; }
    QString VoiceType() const override { return c.VoiceType; }
    void SetVoiceType(const QString& voiceType) override { c.VoiceType = voiceType; }
    void SetBalloonVisible(bool on) override { c.BalloonVisible = on; }
    void SetAnimationOn(bool on) override { c.AnimationOn = on; }
    void SetSoundEffectsOn(bool on) override { c.SetSoundEffectsOn(on); }
    void SetTone(const QString& modeId) override { c.SetTone(modeId); }
    QString DefaultTone() const override { return c.DefaultTone(); }

private:
    TJQChar& c;
};

} // namespace kalo
