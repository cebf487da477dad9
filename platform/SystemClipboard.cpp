#include "SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

bool TSystemClipboard::ReplaceText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return false;
    }
    // A fresh item holding only the text: every other format goes.
    auto* item = new QMimeData;
    item->setText(QString::fromStdString(text));
    clipboard->setMimeData(item, QClipboard::Clipboard);
    return true;
}

const QMimeData* TSystemClipboard::Contents() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}
