#include "ui/convert_window.h"

#include "common/file_io.h"
#include "icons/icon_writer.h"
#include "icons/image_sources.h"
#include "platform/qt_text.h"
#include "ui/icon_preview.h"
#include "ui/named_widgets.h"
#include "ui/object_names.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace gw::ui {

namespace {

namespace name = object_names::convert_window;

constexpr const char* kTitle = "Convert for Handhelds";
constexpr int kSizes[] = {16, 32};
constexpr int kDepths[] = {4, 8};
constexpr int kZoom = 3;                    // the enlarged previews show each pixel 3 x 3
constexpr int kSourceSide = 32 * kZoom + 8; // the source's box: as large as the largest preview
constexpr int kCellSide = 32 * kZoom + 8;

QCheckBox* CheckBox(const QString& objectName, const QString& text, bool checked) {
    auto* box = Named<QCheckBox>(objectName, text);
    box->setChecked(checked);
    return box;
}

QPixmap PixmapOf(QImage picture, int side, Qt::TransformationMode mode) {
    if (picture.width() > side || picture.height() > side || mode == Qt::FastTransformation) {
        picture = picture.scaled(side, side, Qt::KeepAspectRatio, mode);
    }
    return QPixmap::fromImage(picture);
}

} // namespace

ConvertWindow::ConvertWindow(const WindowServices& services, const std::string& source,
                             QWidget* parent)
    : QDialog(parent), services_(services), source_(source) {
    setObjectName(name::kWindow);
    setWindowTitle(QLatin1String(kTitle));

    auto* sourcePath = Named<QLabel>(name::kSourcePath, ToQString(source));
    sourcePath->setWordWrap(true);
    sourcePath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sourcePicture_ =
        PictureBox(name::kSourcePicture, QStringLiteral("The source picture"), kSourceSide);

    QGridLayout* previews = createPreviews();

    ditherBox_ =
        CheckBox(name::kDitherBox,
                 QStringLiteral("&Dither (spread the colour error over the pixels)"), true);
    standardPaletteBox_ =
        CheckBox(name::kStandardPaletteBox,
                 QStringLiteral("16 colours from the &standard Windows palette"), false);
    std::vector<QCheckBox*> options = sizeBoxes_;
    options.insert(options.end(), depthBoxes_.begin(), depthBoxes_.end());
    options.insert(options.end(), {ditherBox_, standardPaletteBox_});
    for (QCheckBox* box : options) {
        connect(box, &QCheckBox::toggled, this, [this] { showPreviews(); });
    }

    auto* save = Named<QPushButton>(name::kSaveButton, QStringLiteral("&Save…"));
    save->setToolTip(QStringLiteral("Save the checked sizes and depths as a new icon file"));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, [this] { saveIcon(); });
    auto* cancel = Named<QPushButton>(name::kCancelButton, QStringLiteral("Cancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(sourcePicture_);
    sourceRow->addWidget(sourcePath, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sourceRow);
    layout->addWidget(SeparatorLine(ArrayName(name::kLines, 0)));
    layout->addLayout(previews);
    layout->addWidget(ditherBox_);
    layout->addWidget(standardPaletteBox_);
    layout->addWidget(SeparatorLine(ArrayName(name::kLines, 1)));
    layout->addLayout(buttons);
}

// The previews: a row per size, a column per depth, each at real size and enlarged, under the
// check boxes of the depths and beside those of the sizes.
QGridLayout* ConvertWindow::createPreviews() {
    auto* previews = new QGridLayout;
    for (std::size_t d = 0; d < std::size(kDepths); ++d) {
        auto* box = CheckBox(ArrayName(name::kDepthBoxes, d),
                             kDepths[d] == 4 ? QStringLiteral("16 colours (4 bits)")
                                             : QStringLiteral("256 colours (8 bits)"),
                             true);
        depthBoxes_.push_back(box);
        previews->addWidget(box, 0, int(1 + 2 * d), 1, 2, Qt::AlignCenter);
    }
    for (std::size_t s = 0; s < std::size(kSizes); ++s) {
        auto* box = CheckBox(ArrayName(name::kSizeBoxes, s),
                             QStringLiteral("%1 x %1").arg(kSizes[s]), true);
        sizeBoxes_.push_back(box);
        previews->addWidget(box, int(1 + s), 0);
        for (std::size_t d = 0; d < std::size(kDepths); ++d) {
            const std::size_t cell = s * std::size(kDepths) + d;
            const QString what =
                QStringLiteral("%1 x %1, %2 bits per pixel").arg(kSizes[s]).arg(kDepths[d]);
            previews_.push_back(PictureBox(ArrayName(name::kPreviews, cell), what, kSizes[s] + 8));
            enlarged_.push_back(PictureBox(ArrayName(name::kEnlarged, cell),
                                           what + QStringLiteral(", enlarged"),
                                           kSizes[s] * kZoom + 8));
            previews->addWidget(previews_.back(), int(1 + s), int(1 + 2 * d), Qt::AlignCenter);
            previews->addWidget(enlarged_.back(), int(1 + s), int(2 + 2 * d), Qt::AlignCenter);
        }
    }
    previews->setRowMinimumHeight(2, kCellSide);
    return previews;
}

std::optional<std::string> ConvertWindow::run() {
    const bool read = services_.runOrShowFailure(
        [this] { pictures_ = LoadSourceImages(PathFromUtf8(source_)); }, kTitle);
    if (!read) {
        return std::nullopt;
    }
    // The largest picture stands for the source.
    const auto largest = std::max_element(
        pictures_.begin(), pictures_.end(), [](const RgbaImage& a, const RgbaImage& b) {
            return std::int64_t{a.Width} * a.Height < std::int64_t{b.Width} * b.Height;
        });
    if (largest != pictures_.end()) {
        sourcePicture_->setPixmap(
            PixmapOf(PictureImage(*largest), kSourceSide - 8, Qt::SmoothTransformation));
    }
    showPreviews();
    exec();
    return saved_;
}

ConvertOptions ConvertWindow::options() const {
    ConvertOptions options;
    options.Sizes.clear();
    options.Depths.clear();
    for (std::size_t s = 0; s < sizeBoxes_.size(); ++s) {
        if (sizeBoxes_[s]->isChecked()) {
            options.Sizes.push_back(kSizes[s]);
        }
    }
    for (std::size_t d = 0; d < depthBoxes_.size(); ++d) {
        if (depthBoxes_[d]->isChecked()) {
            options.Depths.push_back(kDepths[d]);
        }
    }
    options.Dither = ditherBox_->isChecked();
    options.StandardPalette = standardPaletteBox_->isChecked();
    return options;
}

void ConvertWindow::showPreviews() {
    // Every size and depth is shown, so that a choice can be seen before it is made; the
    // unchecked ones are greyed.
    ConvertOptions all = options();
    all.Sizes.assign(std::begin(kSizes), std::end(kSizes));
    all.Depths.assign(std::begin(kDepths), std::end(kDepths));
    std::vector<IconImage> images;
    services_.runOrShowFailure([&] { images = ConvertForHandhelds(pictures_, all); }, kTitle);
    for (std::size_t cell = 0; cell < previews_.size(); ++cell) {
        const QImage picture = cell < images.size() ? IconPreview(images[cell]) : QImage();
        const bool chosen = sizeBoxes_[cell / depthBoxes_.size()]->isChecked() &&
                            depthBoxes_[cell % depthBoxes_.size()]->isChecked();
        for (QLabel* box : {previews_[cell], enlarged_[cell]}) {
            box->setEnabled(chosen);
            if (picture.isNull()) {
                box->clear();
            }
        }
        if (!picture.isNull()) {
            previews_[cell]->setPixmap(QPixmap::fromImage(picture));
            enlarged_[cell]->setPixmap(
                PixmapOf(picture, picture.width() * kZoom, Qt::FastTransformation));
        }
    }
}

void ConvertWindow::saveIcon() {
    const ConvertOptions chosen = options();
    if (chosen.Sizes.empty() || chosen.Depths.empty()) {
        services_.showFailure("Check at least one size and one number of colours.", kTitle);
        return;
    }
    services_.runOrShowFailure(
        [&] {
            const std::filesystem::path source = PathFromUtf8(source_);
            services::FileDialogRequest request;
            request.title = "Save the Icon for Handhelds";
            request.filter = "Icon Files (*.ico)";
            request.defaultExtension = "ico";
            request.initialName = PathToUtf8(source.stem()) + "-handheld.ico";
            request.initialDirectory = DisplayPath(source.parent_path());
            request.overwritePrompt = true;
            const std::optional<std::string> chosenName = services_.dialogs.saveFile(request);
            if (!chosenName) {
                return;
            }
            const std::filesystem::path target = PathFromUtf8(*chosenName);
            RefuseOutputThatIsInput(target, {source});
            WriteIconFile(target, ConvertForHandhelds(pictures_, chosen), services_.pumpEvents());
            saved_ = *chosenName;
            accept();
        },
        kTitle);
}

} // namespace gw::ui
