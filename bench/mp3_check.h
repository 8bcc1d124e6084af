// Checks an MP3 file against the WAV file it was made from, through a
// decoder that is not ours (sox): where each stretch of speech lies in the
// decoded audio (a join that added or lost samples shifts everything after
// it), and how loud the decoded audio is inside the silences of the WAV
// file (a click at a join would show there). Works on files of any length:
// the WAV file is read in blocks, the decoded audio from a scratch file.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <vector>

namespace kalo::bench {

struct Mp3Check {
    bool ok = false;
    QString error;
    int anchors = 0;             // stretches of speech found again
    int steps = 0;               // places where the shift changed
    double largestStepMs = 0;    // the largest change
    double driftMs = 0;          // shift at the end minus shift at the start
    int silences = 0;            // silences of 150 ms or more looked into
    double silencePeakDb = -120; // loudest decoded sample inside them (50 ms from their edges)
};

namespace detail {

// Samples of 16-bit PCM from a file at a byte offset.
inline std::vector<qint16> readSamples(QFile& f, qint64 dataStart, qint64 at, qint64 count) {
    std::vector<qint16> out;
    if (at < 0 || count <= 0 || !f.seek(dataStart + 2 * at))
        return out;
    const QByteArray b = f.read(2 * count);
    out.resize(size_t(b.size() / 2));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<qint16>(b.constData() + 2 * i);
    return out;
}

// Byte offset of the data of a WAV file (after its "data" chunk header).
inline qint64 wavDataStart(QFile& f, int* rate) {
    const QByteArray head = f.read(4096);
    if (!head.startsWith("RIFF"))
        return -1;
    for (qsizetype p = 12; p + 8 <= head.size();) {
        const quint32 size = qFromLittleEndian<quint32>(head.constData() + p + 4);
        if (head.mid(p, 4) == "fmt " && p + 16 <= head.size())
            *rate = int(qFromLittleEndian<quint32>(head.constData() + p + 12));
        if (head.mid(p, 4) == "data")
            return p + 8;
        p += 8 + qsizetype(size);
    }
    return -1;
}

inline double differenceAt(const std::vector<qint16>& wav, const std::vector<qint16>& mp3,
                           qint64 offset) {
    double e = 0;
    for (size_t i = 0; i < wav.size(); ++i) {
        const double d = double(wav[i]) - mp3[size_t(offset) + i];
        e += d * d;
    }
    return e;
}

} // namespace detail

inline Mp3Check CheckMp3AgainstWav(const QString& wavPath, const QString& mp3Path,
                                   const QString& scratchRaw) {
    using namespace detail;
    Mp3Check r;
    QFile wav(wavPath);
    int rate = 22050;
    if (!wav.open(QIODevice::ReadOnly)) {
        r.error = "cannot read " + wavPath;
        return r;
    }
    const qint64 wavStart = wavDataStart(wav, &rate);
    if (wavStart < 0) {
        r.error = wavPath + " is no WAV file";
        return r;
    }
    if (QProcess::execute("sox", {mp3Path, "-t", "raw", "-e", "signed", "-b", "16", "-c", "1", "-r",
                                  QString::number(rate), scratchRaw}) != 0) {
        r.error = "sox cannot decode " + mp3Path;
        return r;
    }
    QFile raw(scratchRaw);
    if (!raw.open(QIODevice::ReadOnly)) {
        r.error = "cannot read " + scratchRaw;
        return r;
    }

    // Silences of the WAV file (its silence is digital: |x| <= 64).
    struct Silence {
        qint64 start, end;
    };
    std::vector<Silence> silences;
    const qint64 minSilence = rate * 150 / 1000;
    {
        wav.seek(wavStart);
        qint64 at = 0, start = -1;
        for (;;) {
            const QByteArray b = wav.read(1 << 20);
            if (b.isEmpty())
                break;
            for (qsizetype i = 0; i + 1 < b.size(); i += 2, ++at) {
                const int v = qFromLittleEndian<qint16>(b.constData() + i);
                if (std::abs(v) <= 64) {
                    if (start < 0)
                        start = at;
                } else {
                    if (start >= 0 && at - start >= minSilence)
                        silences.push_back({start, at});
                    start = -1;
                }
            }
        }
    }

    // The shift at the speech after a silence, at most every ten seconds.
    const qint64 window = 2048;
    qint64 shift = -1, firstShift = -1, lastAnchor = -10 * qint64(rate);
    std::vector<std::pair<qint64, qint64>> shifts; // (sample, shift from there on)
    for (const Silence& s : silences) {
        if (s.end - lastAnchor < 10 * qint64(rate))
            continue;
        const std::vector<qint16> w = readSamples(wav, wavStart, s.end - 256, window);
        if (qint64(w.size()) < window)
            break;
        auto search = [&](qint64 from, qint64 to) {
            from = std::max<qint64>(from, -(s.end - 256));
            const std::vector<qint16> m =
                readSamples(raw, 0, s.end - 256 + from, window + (to - from));
            if (qint64(m.size()) < window + (to - from))
                return std::pair<qint64, bool>{-1, false};
            qint64 best = from;
            double bestError = -1;
            for (qint64 o = from; o <= to; ++o) {
                const double e = differenceAt(w, m, o - from);
                if (bestError < 0 || e < bestError) {
                    bestError = e;
                    best = o;
                }
            }
            return std::pair<qint64, bool>{best, best != from && best != to};
        };
        auto [found, inside] = shift < 0 ? search(0, 4000) : search(shift - 100, shift + 100);
        if (shift >= 0 && !inside)
            std::tie(found, inside) = search(shift - 4000, shift + 4000);
        if (found < 0)
            break;
        if (shift >= 0 && std::abs(found - shift) >= 2) {
            ++r.steps;
            r.largestStepMs = std::max(r.largestStepMs, 1000.0 * std::abs(found - shift) / rate);
        }
        if (firstShift < 0)
            firstShift = found;
        shift = found;
        shifts.push_back({s.end, shift});
        lastAnchor = s.end;
        ++r.anchors;
    }
    if (shifts.empty()) {
        r.error = "no speech found again in " + mp3Path;
        return r;
    }
    r.driftMs = 1000.0 * (shift - firstShift) / rate;

    // How loud the decoded audio is well inside each silence.
    const qint64 margin = rate * 50 / 1000;
    int peak = 0;
    size_t k = 0;
    for (const Silence& s : silences) {
        while (k + 1 < shifts.size() && shifts[k + 1].first <= s.start)
            ++k;
        const qint64 from = s.start + margin, to = s.end - margin;
        const std::vector<qint16> m = readSamples(raw, 0, from + shifts[k].second, to - from);
        for (qint16 v : m)
            peak = std::max(peak, std::abs(int(v)));
        ++r.silences;
    }
    r.silencePeakDb = peak > 0 ? 20 * std::log10(peak / 32768.0) : -120;
    raw.close();
    QFile::remove(scratchRaw);
    r.ok = true;
    return r;
}

inline void PrintMp3Check(const char* what, const Mp3Check& c) {
    if (!c.ok) {
        std::printf("  %-22s check failed: %s\n", what, qPrintable(c.error));
        return;
    }
    std::printf("  %-22s %d stretches of speech: %d shifts (largest %.1f ms), drift %.1f ms; "
                "loudest inside %d silences %.1f dBFS\n",
                what, c.anchors, c.steps, c.largestStepMs, c.driftMs, c.silences, c.silencePeakDb);
}

} // namespace kalo::bench
