#pragma once

#include <QListWidget>
#include <QStringList>

namespace gw::ui {

// The icon list: a list with a check box per entry that also takes .ico files (and .png and .bmp
// pictures, to be converted) dropped on it from a file manager.
class IconListWidget : public QListWidget {
    Q_OBJECT
public:
    explicit IconListWidget(QWidget* parent = nullptr);

    // The local .ico, .png and .bmp files among the dropped addresses, in the order dropped.
    [[nodiscard]] static QStringList iconFiles(const QList<QUrl>& urls);

signals:
    void iconFilesDropped(const QStringList& files);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace gw::ui
