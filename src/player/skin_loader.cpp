#include "player/skin_loader.h"

#include "base/ini_image.h"
#include "base/kalo_error.h"
#include "player/jq_track_bar.h"
#include "player/skin_bitmap.h"

namespace kalo {

const SkinSource& TSkinLoader::source() const {
    static const FolderSkinSource none{QString()};
    if (source_)
        return *source_;
    return none;
}

QImage TSkinLoader::bitmap(SkinFile file) const {
    auto found = decoded_.find(file);
    if (found == decoded_.end()) {
        Decoded d;
        const QString name = skinFileName(file);
        try {
            const std::optional<QByteArray> bytes = source().read(name);
            if (!bytes)
                throw KaloError(QStringLiteral("The skin has no file %1.").arg(name));
            d.picture = decodeSkinBitmap(*bytes, name);
        } catch (const KaloError& e) {
            d.error = e.message();
        }
        found = decoded_.emplace(file, std::move(d)).first;
    }
    if (found->second.picture.isNull())
        throw KaloError(found->second.error);
    return found->second.picture;
}

QColor TSkinLoader::textColour(const std::optional<QByteArray>& pledit) {
    std::string value = DefaultSkinTextColour;
    if (pledit) {
        const IniImage ini =
            IniImage::parse(std::string_view(pledit->constData(), size_t(pledit->size())));
        if (auto current = ini.value("Text", "Current"))
            value = *current;
    }
    const auto rgb = parseSkinColour(QString::fromLatin1(value.data(), qsizetype(value.size())));
    if (!rgb)
        throw KaloError(QStringLiteral("The skin's text colour cannot be read."));
    return QColor(*rgb);
}

void TSkinLoader::ApplySkin(const QString& appPath, const QString& skinName) {
    ApplySkin(QStringList{appPath}, skinName);
}

void TSkinLoader::ApplySkin(const QStringList& appFolders, const QString& skinName) {
    try {
        decoded_.clear();
        source_.reset();
        source_ = openSkin(appFolders, skinName);
        applySteps();
    } catch (...) {
        // A broken skin shows nothing: the run ends at the failing step.
    }
    // Later repaints need only the face and the title strip.
    for (auto it = decoded_.begin(); it != decoded_.end();)
        it = it->first == SkinFile::Main || it->first == SkinFile::Titlebar ? std::next(it)
                                                                            : decoded_.erase(it);
}

void TSkinLoader::applySteps() {
    // 1. The labels' colour.
    window_.setLabelColour(textColour(source().read(skinFileName(SkinFile::Pledit))));
    // 2. The face.
    window_.setFacePicture(
        bitmap(SkinFile::Main).scaled(FaceSize, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    // 3. The face buttons.
    LoadButtonPictures();
    // 4.-6. The bars; SpeedBar falls back on Volume.bmp.
    const auto loadBar = [this](SkinBar bar, SkinFile file) {
        const QImage picture = bitmap(file);
        const TrackBarSpec& cut = trackBarSpec(bar);
        if (TJQTrackBar* control = window_.trackBar(bar)) {
            control->LoadSkin(picture, cut.background.x(), cut.background.y(), cut.slider.x(),
                              cut.slider.y(), cut.pressedSlider.x(), cut.pressedSlider.y());
            control->setSliderVisible(true);
        }
    };
    loadBar(SkinBar::Position, SkinFile::Posbar);
    loadBar(SkinBar::Volume, SkinFile::Volume);
    loadBar(SkinBar::Speed, source().contains(skinFileName(SkinFile::Balance)) ? SkinFile::Balance
                                                                               : SkinFile::Volume);
    // 7. The windowshade state, as it was.
    setShade(window_.windowShade());
}

void TSkinLoader::LoadButtonPictures() {
    const auto& specs = faceButtonSpecs();
    for (int i = 0; i < FaceButtonCount; ++i) {
        const FaceButtonSpec& cut = specs[size_t(i)];
        const QImage from = bitmap(cut.file);
        const QSize size = cut.place.size();
        window_.setFaceButtonPictures(i, FaceButtonPictures{
                                             cutPicture(from, QRect(cut.normal, size)),
                                             cutPicture(from, QRect(cut.disabled, size)),
                                             cutPicture(from, QRect(cut.pressed, size)),
                                             cutPicture(from, QRect(cut.latched, size)),
                                         });
    }
}

void TSkinLoader::SetShade(bool on) {
    try {
        setShade(on);
    } catch (...) {
        // As in ApplySkin: a broken skin is shown as far as it goes.
    }
}

void TSkinLoader::PaintTitleBar() {
    try {
        paintTitleBar();
    } catch (...) {
    }
}

void TSkinLoader::setShade(bool on) {
    window_.storeWindowShade(on);
    if (on) {
        window_.setClientSize(ShadeFaceSize);
        window_.setFacePicture(
            cutPicture(window_.facePicture(), QRect(QPoint(0, 0), ShadeFaceSize)));
    } else {
        window_.setClientSize(FaceSize);
        // The face may be left as the top rows of the strip until Main.bmp loads.
        window_.setFacePicture(cutPicture(window_.facePicture(), QRect(QPoint(0, 0), FaceSize)));
        window_.setFacePicture(
            bitmap(SkinFile::Main).scaled(FaceSize, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    paintTitleBar();
}

void TSkinLoader::paintTitleBar() {
    const QImage titlebar = bitmap(SkinFile::Titlebar);
    const bool active = window_.isApplicationActive();
    window_.setTitleButtonsVisible(active);
    QImage face = window_.facePicture();
    if (face.isNull()) {
        // No Main.bmp yet: the strip goes on an empty face of the window's size.
        face = QImage(window_.windowShade() ? ShadeFaceSize : FaceSize, QImage::Format_RGB32);
        face.fill(Qt::black);
    }
    drawClipped(face, QPoint(0, 0),
                cutPicture(titlebar, titleStripSource(active, window_.windowShade())));
    window_.setFacePicture(face);
}

void ShapeTrackBar(TJQTrackBar& bar, SkinBar which) {
    const TrackBarSpec& cut = trackBarSpec(which);
    bar.resize(cut.place.size());
    bar.setSliderWidth(cut.sliderSize.width());
    bar.setSliderHeight(cut.sliderSize.height());
}

} // namespace kalo
