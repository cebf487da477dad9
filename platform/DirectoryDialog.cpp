#include "DirectoryDialog.h"

#include "Desktop.h"
#include "DisplayName.h"
#include "Exceptions.h"
#include "FileSystem.h"

#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QStyle>
#include <unistd.h>

namespace {

// The design's client area at 96 pixels per inch.
constexpr int DesignWidth = 424;
constexpr int DesignHeight = 255;
constexpr int IndentPerLevel = 2;

QString Text(const std::string& name) {
    return QString::fromStdString(DisplayName(name));
}

QString PathText(const std::string& path) {
    return QString::fromStdString(DisplayPath(path));
}

std::string ProcessCurrentFolder() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

// "/", "/home", "/home/me" for "/home/me".
std::vector<std::string> Ancestors(const std::string& folder) {
    std::vector<std::string> chain{"/"};
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        chain.push_back(folder.substr(0, slash));
    }
    if (folder.size() > 1) {
        chain.push_back(folder);
    }
    return chain;
}

std::string Child(const std::string& folder, const std::string& name) {
    return folder + (folder.back() == '/' ? "" : "/") + name;
}

} // namespace

TDirectoryDialog::TDirectoryDialog(const std::string& folder, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("ディレクトリの選択"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    CreateControls();
    // The start is shown, and returned, written plainly. A folder that cannot
    // be entered gives the process's current folder; should that be gone too,
    // the root.
    if (folder.empty() || folder[0] != '/' || !Enter(NormalFolderPath(folder))) {
        if (!Enter(ProcessCurrentFolder())) {
            Enter("/");
        }
    }
    FillDrives();
    FFolderList->setFocus();
}

void TDirectoryDialog::CreateControls() {
    const double scale = logicalDpiX() / 96.0;
    auto place = [scale](QWidget* widget, int left, int top, int width, int height) {
        widget->setGeometry(qRound(left * scale), qRound(top * scale), qRound(width * scale),
                            qRound(height * scale));
    };
    auto label = [&](const char* caption, int left, int top, int width) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
        place(l, left, top, width, 16);
        return l;
    };
    auto button = [&](const char* caption, int top) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setAutoDefault(false);
        place(b, 344, top, 72, 24);
        return b;
    };

    QLabel* nameLabel = label("ディレクトリ名(&N):", 8, 6, 200);
    FPath = label("", 8, 24, 200);
    QLabel* foldersLabel = label("ディレクトリ(&D):", 8, 44, 200);
    FFolderList = new QListWidget(this);
    place(FFolderList, 8, 62, 200, 185);
    QLabel* filesLabel = label("ファイル(&F): (*.*)", 216, 6, 120);
    FFileList = new QListWidget(this);
    place(FFileList, 216, 24, 120, 150);
    FFileList->setEnabled(false); // for orientation only
    QLabel* drivesLabel = label("ドライブ(&R):", 216, 184, 120);
    FDrives = new QComboBox(this);
    place(FDrives, 216, 202, 120, 22);
    // No folder can be typed, so the name's mnemonic leads to the list.
    nameLabel->setBuddy(FFolderList);
    foldersLabel->setBuddy(FFolderList);
    filesLabel->setBuddy(FFileList);
    drivesLabel->setBuddy(FDrives);

    FOk = button("OK", 8);
    FOk->setDefault(true);
    FCancel = button("キャンセル", 38);
    FHelp = button("ヘルプ(&H)", 68);
    connect(FOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(FHelp, &QPushButton::clicked, this, &TDirectoryDialog::ShowHelp);
    connect(FFolderList, &QListWidget::itemDoubleClicked, this, &TDirectoryDialog::EnterItem);
    connect(FDrives, &QComboBox::activated, this, &TDirectoryDialog::EnterDrive);
    FFolderList->installEventFilter(this);

    setFixedSize(qRound(DesignWidth * scale), qRound(DesignHeight * scale));
    const QScreen* screen =
        parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        QRect centred(QPoint(), size());
        centred.moveCenter(area.center());
        move(PlaceInside(centred, area));
    }
}

bool TDirectoryDialog::Enter(const std::string& folder) {
    std::vector<std::string> subFolders;
    std::vector<std::string> files;
    try {
        subFolders = ListSubFolders(folder);
        files = ListMatchingFiles(folder, {"*"});
    } catch (const Exception& e) {
        if (isVisible()) {
            QMessageBox::critical(this, windowTitle(), QString::fromStdString(e.Message()));
        }
        return false;
    }
    FDirectory = folder;

    FFolderList->clear();
    const std::vector<std::string> chain = Ancestors(folder);
    int depth = 0;
    auto add = [this](const std::string& path, const std::string& name, int level, bool open) {
        auto* item = new QListWidgetItem(
            style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon),
            QString(level * IndentPerLevel, ' ') + Text(name), FFolderList);
        item->setData(Qt::UserRole, QByteArray::fromStdString(path));
        return item;
    };
    QListWidgetItem* current = nullptr;
    for (const std::string& path : chain) {
        const std::string name = path == "/" ? "/" : path.substr(path.rfind('/') + 1);
        current = add(path, name, depth++, true);
    }
    for (const std::string& name : subFolders) {
        add(Child(folder, name), name, depth, false);
    }
    FFolderList->setCurrentItem(current);

    FFileList->clear();
    for (const std::string& name : files) {
        FFileList->addItem(Text(name));
    }
    FPath->setText(
        FPath->fontMetrics().elidedText(PathText(folder), Qt::ElideMiddle, FPath->width()));
    FPath->setToolTip(PathText(folder));
    return true;
}

void TDirectoryDialog::EnterItem(QListWidgetItem* item) {
    if (item) {
        Enter(item->data(Qt::UserRole).toByteArray().toStdString());
    }
}

void TDirectoryDialog::FillDrives() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) {
            roots << volume.rootPath();
        }
    }
    // In a chroot or a container the system may report no file system the
    // process can see; the root is always there.
    roots << "/";
    roots.removeDuplicates();
    roots.sort();
    FDrives->clear();
    FDrives->addItems(roots);
    ShowCurrentDrive();
}

void TDirectoryDialog::ShowCurrentDrive() {
    const QString folder = QFile::decodeName(QByteArray::fromStdString(FDirectory));
    FDrives->setCurrentIndex(FDrives->findText(QStorageInfo(folder).rootPath()));
}

void TDirectoryDialog::EnterDrive(int index) {
    const std::string root = QFile::encodeName(FDrives->itemText(index)).toStdString();
    if (!Enter(root)) {
        ShowCurrentDrive();
    }
}

void TDirectoryDialog::ShowHelp() {
    QMessageBox::information(
        this, QString::fromUtf8("ヘルプ"),
        QString::fromUtf8("このプログラムのヘルプファイルはインストールされていません。"));
}

bool TDirectoryDialog::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the folder list enters the folder; it does not confirm.
    if (watched == FFolderList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EnterItem(FFolderList->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TDirectoryDialog::SelectDirectory(std::string& folder, QWidget* parent) {
    TDirectoryDialog dialog(folder, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    folder = dialog.Directory();
    return true;
}
