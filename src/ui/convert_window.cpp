#include "ui/convert_window.h"

#include "common/file_io.h"
#include "icons/icon_writer.h"
#include "icons/image_sources.h"
#include "platform/qt_text.h"
#include "ui/icon_preview.h"
#include "ui/named_widgets.h"

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

constexpr const char* kTitle = "Convert for Handhelds";
constexpr int kSizes[] = {16, 32};
constexpr int kDepths[] = {4, 8};
constexpr int kZoom = 3;                    // the enlarged previews show each pixel 3 x 3
constexpr int kSourceSide = 32 * kZoom + 8; // the source's box: as large as the largest preview
constexpr int kCellSide = 32 * kZoom + 8;

QCheckBox* checkBox(const QString& name, const QString& text, bool checked) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QPixmap pixmapOf(QImage picture, int side, Qt::TransformationMode mode) {
    if (picture.width() > side || picture.height() > side || mode == Qt::FastTransformation) {
        picture = picture.scaled(side, side, Qt::KeepAspectRatio, mode);
    }
    return QPixmap::fromImage(picture);
}

} // namespace

ConvertFrm::ConvertFrm(const WindowServices& services, const std::string& source, QWidget* parent)
    : QDialog(parent), services_(services), source_(source) {
    setObjectName(QStringLiteral("ConvertFrm"));
    setWindowTitle(QLatin1String(kTitle));

    SourceLbl = namedLabel(QStringLiteral("SourceLbl"), qs(source));
    SourceLbl->setWordWrap(true);
    SourceLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SourceImg =
        pictureBox(QStringLiteral("SourceImg"), QStringLiteral("The source picture"), kSourceSide);

    // The previews: a row per size, a column per depth, each at real size and enlarged.
    auto* previews = new QGridLayout;
    for (std::size_t d = 0; d < std::size(kDepths); ++d) {
        auto* box = checkBox(arrayName("DepthChk", d),
                             kDepths[d] == 4 ? QStringLiteral("16 colours (4 bits)")
                                             : QStringLiteral("256 colours (8 bits)"),
                             true);
        DepthChk.push_back(box);
        previews->addWidget(box, 0, int(1 + 2 * d), 1, 2, Qt::AlignCenter);
    }
    for (std::size_t s = 0; s < std::size(kSizes); ++s) {
        auto* box =
            checkBox(arrayName("SizeChk", s), QStringLiteral("%1 x %1").arg(kSizes[s]), true);
        SizeChk.push_back(box);
        previews->addWidget(box, int(1 + s), 0);
        for (std::size_t d = 0; d < std::size(kDepths); ++d) {
            const std::size_t cell = s * std::size(kDepths) + d;
            const QString what =
                QStringLiteral("%1 x %1, %2 bits per pixel").arg(kSizes[s]).arg(kDepths[d]);
            PreviewImg.push_back(pictureBox(arrayName("PreviewImg", cell), what, kSizes[s] + 8));
            ZoomImg.push_back(pictureBox(arrayName("ZoomImg", cell),
                                         what + QStringLiteral(", enlarged"),
                                         kSizes[s] * kZoom + 8));
            previews->addWidget(PreviewImg.back(), int(1 + s), int(1 + 2 * d), Qt::AlignCenter);
            previews->addWidget(ZoomImg.back(), int(1 + s), int(2 + 2 * d), Qt::AlignCenter);
        }
    }
    previews->setRowMinimumHeight(2, kCellSide);

    DitherChk = checkBox(QStringLiteral("DitherChk"),
                         QStringLiteral("&Dither (spread the colour error over the pixels)"), true);
    StandardChk = checkBox(QStringLiteral("StandardChk"),
                           QStringLiteral("16 colours from the &standard Windows palette"), false);
    for (QCheckBox* box : SizeChk) {
        connect(box, &QCheckBox::toggled, this, [this] { Option_Click(); });
    }
    for (QCheckBox* box : DepthChk) {
        connect(box, &QCheckBox::toggled, this, [this] { Option_Click(); });
    }
    connect(DitherChk, &QCheckBox::toggled, this, [this] { Option_Click(); });
    connect(StandardChk, &QCheckBox::toggled, this, [this] { Option_Click(); });

    auto* saveCmd = new QPushButton(QStringLiteral("&Save…"));
    saveCmd->setObjectName(QStringLiteral("SaveCmd"));
    saveCmd->setToolTip(QStringLiteral("Save the checked sizes and depths as a new icon file"));
    saveCmd->setDefault(true);
    connect(saveCmd, &QPushButton::clicked, this, [this] { SaveCmd_Click(); });
    auto* cancelCmd = new QPushButton(QStringLiteral("Cancel"));
    cancelCmd->setObjectName(QStringLiteral("CancelCmd"));
    connect(cancelCmd, &QPushButton::clicked, this, &QDialog::reject);

    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(SourceImg);
    sourceRow->addWidget(SourceLbl, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(saveCmd);
    buttons->addWidget(cancelCmd);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sourceRow);
    layout->addWidget(separatorLine(QStringLiteral("Line1_0")));
    layout->addLayout(previews);
    layout->addWidget(DitherChk);
    layout->addWidget(StandardChk);
    layout->addWidget(separatorLine(QStringLiteral("Line1_1")));
    layout->addLayout(buttons);
}

std::optional<std::string> ConvertFrm::Run() {
    try {
        pictures_ = LoadSourceImages(PathFromUtf8(source_));
    } catch (const std::exception& e) {
        services_.showFailure(e.what(), kTitle);
        return std::nullopt;
    }
    // The largest picture stands for the source.
    const auto largest = std::max_element(
        pictures_.begin(), pictures_.end(), [](const RgbaImage& a, const RgbaImage& b) {
            return std::int64_t{a.Width} * a.Height < std::int64_t{b.Width} * b.Height;
        });
    if (largest != pictures_.end()) {
        SourceImg->setPixmap(
            pixmapOf(PictureImage(*largest), kSourceSide - 8, Qt::SmoothTransformation));
    }
    showPreviews();
    exec();
    return saved_;
}

ConvertOptions ConvertFrm::options() const {
    ConvertOptions options;
    options.Sizes.clear();
    options.Depths.clear();
    for (std::size_t s = 0; s < SizeChk.size(); ++s) {
        if (SizeChk[s]->isChecked()) {
            options.Sizes.push_back(kSizes[s]);
        }
    }
    for (std::size_t d = 0; d < DepthChk.size(); ++d) {
        if (DepthChk[d]->isChecked()) {
            options.Depths.push_back(kDepths[d]);
        }
    }
    options.Dither = DitherChk->isChecked();
    options.StandardPalette = StandardChk->isChecked();
    return options;
}

void ConvertFrm::Option_Click() {
    showPreviews();
}

void ConvertFrm::showPreviews() {
    // Every size and depth is shown, so that a choice can be seen before it is made; the
    // unchecked ones are greyed.
    ConvertOptions all = options();
    all.Sizes.assign(std::begin(kSizes), std::end(kSizes));
    all.Depths.assign(std::begin(kDepths), std::end(kDepths));
    std::vector<IconImage> images;
    try {
        images = ConvertForHandhelds(pictures_, all);
    } catch (const std::exception& e) {
        services_.showFailure(e.what(), kTitle);
    }
    for (std::size_t cell = 0; cell < PreviewImg.size(); ++cell) {
        const QImage picture = cell < images.size() ? IconPreview(images[cell]) : QImage();
        const bool chosen = SizeChk[cell / DepthChk.size()]->isChecked() &&
                            DepthChk[cell % DepthChk.size()]->isChecked();
        for (QLabel* box : {PreviewImg[cell], ZoomImg[cell]}) {
            box->setEnabled(chosen);
            if (picture.isNull()) {
                box->clear();
            }
        }
        if (!picture.isNull()) {
            PreviewImg[cell]->setPixmap(QPixmap::fromImage(picture));
            ZoomImg[cell]->setPixmap(
                pixmapOf(picture, picture.width() * kZoom, Qt::FastTransformation));
        }
    }
}

void ConvertFrm::SaveCmd_Click() {
    const ConvertOptions chosen = options();
    if (chosen.Sizes.empty() || chosen.Depths.empty()) {
        services_.showFailure("Check at least one size and one number of colours.", kTitle);
        return;
    }
    try {
        const std::filesystem::path source = PathFromUtf8(source_);
        platform::FileDialogRequest request;
        request.title = "Save the Icon for Handhelds";
        request.filter = "Icon Files (*.ico)";
        request.defaultExtension = "ico";
        request.initialName = PathToUtf8(source.stem()) + "-handheld.ico";
        request.initialDirectory = displayPath(source.parent_path());
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
    } catch (const std::exception& e) {
        services_.showFailure(e.what(), kTitle);
    }
}

} // namespace gw::ui
