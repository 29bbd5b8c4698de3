#include "ui/icon_list_widget.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QMimeData>
#include <QSignalBlocker>
#include <QUrl>

namespace gw::ui {

IconListWidget::IconListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::DropOnly); // takes drops, starts no drag
}

QStringList IconListWidget::iconFiles(const QList<QUrl>& urls) {
    QStringList files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QFileInfo info(url.toLocalFile());
        // Icons, and pictures that can be converted for handhelds as they are added.
        const QString suffix = info.suffix().toLower();
        if (info.isFile() && (suffix == QStringLiteral("ico") || suffix == QStringLiteral("png") ||
                              suffix == QStringLiteral("bmp"))) {
            files << QDir::toNativeSeparators(info.absoluteFilePath());
        }
    }
    return files;
}

void IconListWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !iconFiles(event->mimeData()->urls()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void IconListWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void IconListWidget::dropEvent(QDropEvent* event) {
    const QStringList files =
        event->mimeData()->hasUrls() ? iconFiles(event->mimeData()->urls()) : QStringList();
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit iconFilesDropped(files);
}

void IconListWidget::focusInEvent(QFocusEvent* event) {
    // An item view makes its first entry current when it gets the focus without one. Here the
    // commands hand the focus back to the list after every change, and which entry is current
    // stays the user's choice.
    // Reached with the keyboard, though, the list shows the entry the keys act on: the first
    // one when none is current.
    const bool hadCurrent = currentIndex().isValid();
    const bool byKeyboard =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    {
        const QSignalBlocker quiet(this);
        QListWidget::focusInEvent(event);
        if (!hadCurrent && currentIndex().isValid()) {
            setCurrentIndex(QModelIndex());
            clearSelection();
        }
    }
    if (!hadCurrent && byKeyboard && count() > 0) {
        setCurrentRow(0);
    }
}

} // namespace gw::ui
