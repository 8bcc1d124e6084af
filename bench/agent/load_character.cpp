// Loading a large character: a file of about the given size (megabytes,
// default 2) written by our writer, many frames over many images, read with
// ReadAcsFile. Prints the best and median of several loads and the time to
// draw every frame; never fails on the figures.
#include "acs_sample.h"

#include "agent/acs_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    using namespace kalo;
    QCoreApplication app(argc, argv);
    const double megabytes = argc > 1 ? atof(argv[1]) : 2.0;

    QTemporaryDir dir;
    const QString path = dir.path() + "/large.acs";
    const QByteArray bytes =
        acs::WriteAcs(test::LargeCharacter(qsizetype(megabytes * 1024 * 1024)));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
    }

    std::vector<qint64> times;
    acs::Character ch;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        ch = acs::ReadAcsFile(path);
        times.push_back(t.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());

    size_t frames = 0;
    QElapsedTimer t;
    t.start();
    for (const acs::Animation& a : ch.animations)
        for (const acs::Frame& f : a.frames) {
            (void)acs::ComposeFrame(ch, f);
            (void)acs::FrameRegion(ch, f);
            ++frames;
        }
    const qint64 drawAll = t.nsecsElapsed();

    std::printf("Character load: %.2f MB file, %zu images, %zu animations, %zu frames\n",
                double(bytes.size()) / (1024 * 1024), ch.images.size(), ch.animations.size(),
                frames);
    std::printf("Character load: best %.1f ms, median %.1f ms (target under 200 ms)\n",
                double(times.front()) / 1e6, double(times[times.size() / 2]) / 1e6);
    std::printf("Character frames: %zu drawn with their regions in %.1f ms (%.3f ms each)\n",
                frames, double(drawAll) / 1e6,
                double(drawAll) / 1e6 / double(std::max<size_t>(1, frames)));
    return 0;
}
