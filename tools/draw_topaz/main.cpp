// Draws Topaz, the program's default player skin, with QPainter only. Run by
// hand after changing the drawing, and commit the output:
//   kalo_draw_topaz data/skins/Topaz
//   kalo_draw_topaz --wsz tests/data/skins/Sapphire.wsz
// The second form packs a sapphire-blue version into a zip archive, its files
// inside a folder and named in lower case, as a skin archive may hold them.
#include "preview.h"
#include "skin_drawing.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>

#include <zip.h>

#include <cstdio>
#include <list>

namespace {

bool writeFolder(const QString& folder, const std::vector<topaz::SkinFileData>& files) {
    if (!QDir().mkpath(folder))
        return false;
    for (const auto& f : files) {
        QFile out(QDir(folder).filePath(f.name));
        if (!out.open(QIODevice::WriteOnly) || out.write(f.bytes) != f.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return false;
        }
        std::printf("%s\n", qPrintable(out.fileName()));
    }
    return true;
}

bool writeArchive(const QString& path, const QString& folderInside,
                  const std::vector<topaz::SkinFileData>& files) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (zip == nullptr) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
        return false;
    }
    for (const auto& f : files) {
        zip_source_t* source = zip_source_buffer(zip, f.bytes.constData(), f.bytes.size(), 0);
        const QByteArray name = (folderInside + QLatin1Char('/') + f.name.toLower()).toUtf8();
        if (source == nullptr ||
            zip_file_add(zip, name.constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(zip);
            std::fprintf(stderr, "cannot add %s\n", name.constData());
            return false;
        }
    }
    if (zip_close(zip) != 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        zip_discard(zip);
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !(argc > 1 && QByteArray(argv[1]) == "--window"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 2)
        return writeFolder(QString::fromLocal8Bit(argv[1]), topaz::drawSkin(topaz::topazPalette()))
                   ? 0
                   : 1;
    if (argc == 3 && QByteArray(argv[1]) == "--wsz")
        return writeArchive(QString::fromLocal8Bit(argv[2]), QStringLiteral("Sapphire"),
                            topaz::drawSkin(topaz::sapphirePalette()))
                   ? 0
                   : 1;
    if (argc == 4 && QByteArray(argv[1]) == "--preview") {
        // A sheet of the skin's looks, enlarged three times, to look at.
        const QString app = QString::fromLocal8Bit(argv[2]);
        const QString skin = QString::fromLocal8Bit(argv[3]);
        QImage sheet(275 * 2 + 10, 116 * 2 + 14 * 2 + 30, QImage::Format_RGB32);
        sheet.fill(QColor(0x60, 0x60, 0x60));
        QPainter g(&sheet);
        g.drawImage(0, 0, topaz::previewSkin(app, skin, true, false, false, -1));
        g.drawImage(285, 0, topaz::previewSkin(app, skin, false, false, true, 12));
        g.drawImage(0, 126, topaz::previewSkin(app, skin, true, false, true, -1));
        g.drawImage(285, 126, topaz::previewSkin(app, skin, true, false, false, 17));
        g.drawImage(0, 252, topaz::previewSkin(app, skin, true, true, false, -1));
        g.drawImage(285, 252, topaz::previewSkin(app, skin, false, true, false, -1));
        g.end();
        return sheet.scaled(sheet.size() * 3)
                       .save(QString::fromLocal8Bit(argv[4 - 1]) + QStringLiteral(".png"))
                   ? 0
                   : 1;
    }
    if (argc == 4 && QByteArray(argv[1]) == "--window")
        return topaz::runSkinWindow(QString::fromLocal8Bit(argv[2]),
                                    QString::fromLocal8Bit(argv[3]));
    std::fprintf(stderr, "usage: kalo_draw_topaz OUTPUT_FOLDER\n"
                         "       kalo_draw_topaz --wsz ARCHIVE\n"
                         "       kalo_draw_topaz --preview APP_FOLDER SKIN (writes SKIN.png)\n"
                         "       kalo_draw_topaz --window APP_FOLDER SKIN\n");
    return 2;
}
