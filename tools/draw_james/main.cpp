// Draws James, the default character, and writes him as an Agent character
// file. The build runs it to make chars/James.acs in the application folder:
//   kalo_draw_james OUTPUT.acs [FRAMES_FOLDER]
// With FRAMES_FOLDER, every frame of every animation (and every mouth overlay
// on its frame) is also saved there as a PNG, drawn from the file just
// written, to look at the result.
#include "james_character.h"

#include "agent/acs_file.h"
#include "base/kalo_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

namespace {

void saveFrames(const kalo::acs::Character& c, const QString& folder) {
    QDir().mkpath(folder);
    for (const auto& a : c.animations) {
        for (size_t i = 0; i < a.frames.size(); ++i) {
            const auto& f = a.frames[i];
            const QString base =
                QStringLiteral("%1/%2_%3").arg(folder, a.name).arg(i, 2, 10, QChar('0'));
            kalo::acs::ComposeFrame(c, f).save(base + QStringLiteral(".png"));
            for (const auto& o : f.overlays)
                kalo::acs::ComposeFrame(c, f, &o).save(base +
                                                       QStringLiteral("_mouth%1.png").arg(o.shape));
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: kalo_draw_james OUTPUT.acs [FRAMES_FOLDER]\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    try {
        const QByteArray bytes = kalo::acs::WriteAcs(james::BuildJames());
        // Read back what was written: the file must be one the loader takes.
        const kalo::acs::Character check = kalo::acs::ParseAcs(bytes, output);
        QDir().mkpath(QFileInfo(output).absolutePath());
        QSaveFile file(output);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
            return 1;
        }
        std::printf("%s (%lld bytes, %zu animations, %zu images)\n", qPrintable(output),
                    static_cast<long long>(bytes.size()), check.animations.size(),
                    check.images.size());
        if (argc == 3)
            saveFrames(check, QString::fromLocal8Bit(argv[2]));
    } catch (const kalo::KaloError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
