#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The modal directory chooser: a list of the current folder's ancestors and
// sub-folders, a greyed list of its files for orientation, a selector of the
// mounted file systems, and OK, Cancel and Help. The folder can only be
// changed by entering folders in the list (double click or Enter) or by
// choosing a file system: nothing can be typed or created, so the chooser
// only ever returns a folder that exists and that its list has entered.
class TDirectoryDialog : public QDialog {
    Q_OBJECT
public:
    // Starts at the folder when it can be entered, else at the process's
    // current folder.
    TDirectoryDialog(const std::string& folder, QWidget* parent);

    // The folder the list has entered, in full.
    std::string Directory() const { return FDirectory; }

    // Shows the chooser modally at the folder. On OK stores the chosen folder
    // there and returns true; otherwise leaves it as it was.
    static bool SelectDirectory(std::string& folder, QWidget* parent);

    // Parts open to tests.
    QListWidget* FolderList() const { return FFolderList; }
    QListWidget* FileList() const { return FFileList; }
    QComboBox* DriveList() const { return FDrives; }
    QLabel* PathLabel() const { return FPath; }
    QPushButton* OkButton() const { return FOk; }
    QPushButton* CancelButton() const { return FCancel; }
    QPushButton* HelpButton() const { return FHelp; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    // Makes the folder the current one; false, with a message, when it
    // cannot be read.
    bool Enter(const std::string& folder);
    void EnterItem(QListWidgetItem* item);
    void EnterDrive(int index);
    void FillDrives();
    // The drive selector shows the file system of the current folder.
    void ShowCurrentDrive();
    void ShowHelp();

    std::string FDirectory;
    QLabel* FPath = nullptr;
    QListWidget* FFolderList = nullptr;
    QListWidget* FFileList = nullptr;
    QComboBox* FDrives = nullptr;
    QPushButton* FOk = nullptr;
    QPushButton* FCancel = nullptr;
    QPushButton* FHelp = nullptr;
};
