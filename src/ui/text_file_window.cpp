#include "ui/text_file_window.h"

#include "common/file_io.h"
#include "platform/qt_text.h"
#include "ui/object_names.h"
#include "ui/screen_fit.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace gw::ui {

void ShowTextFile(const std::string& path, const std::string& title, QWidget* parent) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);

    QDialog window(parent);
    window.setObjectName(object_names::text_file_window::kWindow);
    window.setWindowTitle(ToQString(title));
    window.setModal(true);

    auto* text = new QPlainTextEdit(&window);
    text->setObjectName(object_names::text_file_window::kText);
    text->setReadOnly(true);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(
        QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);

    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window.resize(640, 480);
    FitToScreen(window);
    window.exec();
}

} // namespace gw::ui
