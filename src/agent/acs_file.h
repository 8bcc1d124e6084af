// Agent 2.0 character files (.acs): the in-memory model, the reader, the
// writer, and the drawing and sound helpers built on them. Nothing here needs
// widgets; the control, the tools and the tests share it.
//
// Reading checks every offset, size and count against the bytes at hand and
// throws kalo::KaloError with a message naming the file for anything it cannot
// trust. Writing produces a genuine file in the usual layout (header,
// animation blocks, image blocks, sound blocks, the three lists, character
// info) with compressed pixels and regions.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUuid>
#include <QVector>

#include <optional>
#include <vector>

namespace kalo::acs {

// Character flags (Character::flags).
enum CharacterFlag : quint32 {
    kVoiceDisabled = 0x10,
    kVoiceEnabled = 0x20, // a Voice block is present
    kBalloonDisabled = 0x100,
    kBalloonEnabled = 0x200, // a Balloon block is present
    kBalloonSizeToText = 0x10000,
    kBalloonAutoHideDisabled = 0x20000,
    kBalloonAutoPaceDisabled = 0x40000,
    kStandardAnimationSet = 0x100000,
};

// Exit field values of a frame besides a frame number.
constexpr qint16 kExitNextFrame = -1;
constexpr qint16 kExitEnd = -2;

// Transition types of an animation.
enum Transition : quint8 {
    kTransitionReturnAnimation = 0,
    kTransitionExitBranches = 1,
    kTransitionNone = 2,
};

// Default speed/pitch values: all bits set means "the engine's default".
constexpr quint32 kDefaultSpeed = 0xFFFFFFFFu;
constexpr quint16 kDefaultPitch = 0xFFFF;

struct Voice {
    QUuid ttsEngine;
    QUuid ttsMode;
    quint32 speed = kDefaultSpeed; // words per minute
    quint16 pitch = kDefaultPitch; // Hz
    bool hasExtra = false;         // the fields below are stored only when set
    quint16 languageId = 0;
    QString dialect;
    quint16 gender = 0; // 1 female, 2 male
    quint16 age = 0;
    QString style;
};

struct Balloon {
    quint8 lines = 2;
    quint8 charsPerLine = 32;
    QColor text = QColor(0, 0, 0);
    QColor background = QColor(0xFF, 0xFF, 0xE1);
    QColor border = QColor(0, 0, 0);
    QString fontName;
    qint32 fontHeight = -13; // LOGFONT style: negative is a pixel height
    qint32 fontWeight = 400;
    bool italic = false;
    quint8 unknown = 0; // kept for writing back
};

struct FrameImage {
    quint32 imageIndex = 0;
    qint16 x = 0; // top-left inside the frame
    qint16 y = 0;
};

struct Branch {
    quint16 frame = 0;
    quint16 percent = 0;
};

struct MouthOverlay {
    quint8 shape = 0;     // 0 closed, 1-4 wide open 1-4, 5 medium, 6 narrow
    bool replace = false; // the overlay replaces the frame's top image
    quint16 imageIndex = 0;
    qint16 x = 0;
    qint16 y = 0;
    quint8 unknown = 0;
    std::optional<QByteArray> regionData; // rarely present; kept as stored
    quint16 centerX = 0;                  // centre of the closed mouth's region bounds
    quint16 centerY = 0;
};

struct Frame {
    std::vector<FrameImage> images; // the first listed is drawn on top
    qint16 sound = -1;              // sound index, -1 none
    quint16 duration = 0;           // hundredths of a second
    qint16 exitFrame = kExitNextFrame;
    std::vector<Branch> branches;
    std::vector<MouthOverlay> overlays;
};

struct Animation {
    QString name; // as in the animation list (mixed case)
    quint8 transition = kTransitionNone;
    QString returnAnimation;
    std::vector<Frame> frames;
};

struct Image {
    quint16 width = 0;
    quint16 height = 0;
    QByteArray pixels;         // 8-bit palette indices, top-down, tightly packed width*height
    std::vector<QRect> region; // opaque pixels, image-relative, banded (see RegionFromPixels)
};

struct Sound {
    QByteArray wav; // the whole RIFF file as stored
};

struct State {
    QString name;
    QStringList animations;
};

struct Localized {
    quint16 languageId = 0;
    QString name;
    QString description;
    QString extra;
};

struct Character {
    QUuid guid;
    quint16 width = 0; // frame size
    quint16 height = 0;
    quint8 transparentIndex = 0;
    quint32 flags = 0;
    quint16 versionMinor = 1; // file version 2.1
    quint16 versionMajor = 2;
    quint32 animationSetVersion = 2;
    std::optional<Voice> voice;     // written (and kVoiceEnabled set) only when present
    std::optional<Balloon> balloon; // written (and kBalloonEnabled set) only when present
    QVector<QRgb> palette;          // opaque colours; transparency comes from the index
    std::optional<QImage> trayIcon;
    std::vector<State> states;
    std::vector<Localized> localized;
    std::vector<Animation> animations;
    std::vector<Image> images;
    std::vector<Sound> sounds;

    // Animation by name without regard to case; nullptr when there is none.
    const Animation* FindAnimation(QStringView name) const;
    // The animations of a state (matched without regard to case); empty when none.
    QStringList StateAnimations(QStringView state) const;
    // Localized info for a language: exact id first, then the primary language
    // (id & 0x3FF), then the first entry; nullptr when there is none.
    const Localized* FindLocalized(quint16 languageId) const;

    bool BalloonEnabled() const { return (flags & kBalloonEnabled) != 0; }
    bool BalloonAutoHideDisabled() const { return (flags & kBalloonAutoHideDisabled) != 0; }
    bool BalloonAutoPaceDisabled() const { return (flags & kBalloonAutoPaceDisabled) != 0; }
    bool BalloonSizeToText() const { return (flags & kBalloonSizeToText) != 0; }
    bool VoiceEnabled() const { return (flags & kVoiceEnabled) != 0; }
};

// Largest character file ReadAcsFile accepts.
constexpr qint64 kMaxAcsFileSize = 64LL * 1024 * 1024;

// What a parsed character may hold in memory: its pictures, regions (read or
// computed from the pixels), frames and sounds together. Real characters
// hold a few megabytes.
constexpr qsizetype kMaxHeldBytes = 256LL * 1024 * 1024;

// Parses a whole character file held in memory. Throws KaloError naming
// fileNameForMessages when the bytes are not a usable Agent 2.0 character,
// or would hold more than maxHeldBytes.
Character ParseAcs(const QByteArray& bytes, const QString& fileNameForMessages,
                   qsizetype maxHeldBytes = kMaxHeldBytes);

// Reads and parses a character file; also rejects unreadable or oversized files.
Character ReadAcsFile(const QString& path);

// A genuine character file for the model. Throws KaloError when the model
// cannot be written (image pixels of the wrong size, an index out of range).
QByteArray WriteAcs(const Character& character);

// An image as ARGB32: palette colours, the transparent index fully transparent.
QImage ImageToQImage(const Character& character, const Image& image);

// A frame drawn at the character's frame size on a transparent background,
// images from the last listed to the first. With an overlay its image is
// drawn on top at (x, y); a replacing overlay takes the top image's place.
// Images or indices that do not exist are skipped.
QImage ComposeFrame(const Character& character, const Frame& frame,
                    const MouthOverlay* overlay = nullptr);

// The opaque area of a frame (for window shaping and hit-testing), from the
// images' stored regions, clipped to the frame size.
QRegion FrameRegion(const Character& character, const Frame& frame,
                    const MouthOverlay* overlay = nullptr);

// The opaque pixels of top-down, tightly packed 8-bit pixels as rectangles,
// banded the Windows way: one rectangle per opaque run of a row, consecutive
// rows with the same runs merged into one band.
std::vector<QRect> RegionFromPixels(const QByteArray& pixels, int width, int height,
                                    quint8 transparentIndex);

// The same, but nothing (and *over set) once the rectangles would number
// more than maxRects: a picture of alternating pixels has a rectangle for
// every other pixel.
std::vector<QRect> RegionFromPixelsCapped(const QByteArray& pixels, int width, int height,
                                          quint8 transparentIndex, size_t maxRects, bool* over);

// An image from top-down, tightly packed pixels, with its region computed.
// Throws KaloError when pixels does not hold width*height bytes.
Image MakeImage(quint16 width, quint16 height, const QByteArray& pixels, quint8 transparentIndex);

// Sample rates of the sounds decoded; real character sounds have 8 to
// 22.05 kHz.
constexpr int kMinSoundRate = 2000;
constexpr int kMaxSoundRate = 384000;

struct DecodedSound {
    std::vector<qint16> samples; // mono (multi-channel sounds are mixed down)
    int sampleRate = 0;
};

// Decodes a character sound (PCM or MS-ADPCM WAV) from memory. Throws
// KaloError when the bytes are not a sound libsndfile can read.
DecodedSound DecodeSound(const Sound& sound);

// CRC-32 (the zlib polynomial), the checksum the writer stores.
quint32 Crc32(const QByteArray& bytes);

} // namespace kalo::acs
