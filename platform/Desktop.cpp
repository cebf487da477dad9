#include "Desktop.h"

#include "FileSystem.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QStandardPaths>

std::string TDesktop::ExecutablePath() const {
    return QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
}

QPoint TDesktop::CursorPos() const {
    return QCursor::pos();
}

bool TDesktop::FolderWritable(const std::string& folder) const {
    return ::FolderWritable(folder);
}

std::string TDesktop::UserConfigFolder() const {
    return QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .toStdString();
}
