#include "DirectoryDialog.h"
#include "FormFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace fs = std::filesystem;

namespace {

// Runs the steps against the chooser once it is shown, as a user would.
void WhenChooserShown(std::function<void(TDirectoryDialog&)> steps) {
    QTimer::singleShot(0, [steps] {
        auto* dialog = qobject_cast<TDirectoryDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        steps(*dialog);
    });
}

void Activate(QListWidget* list, const std::string& name) {
    const auto found = list->findItems(QString::fromStdString(name), Qt::MatchEndsWith);
    ASSERT_EQ(found.size(), 1) << name;
    list->setCurrentItem(found[0]);
    QTest::keyClick(list, Qt::Key_Return);
}

class Chooser : public Window {
protected:
    void SetUp() override {
        Window::SetUp();
        fs::create_directories(Home / "bin/sub/deeper");
        fs::create_directories(Home / "bin/.hidden");
        WriteFileBytes(Home / "bin/sub/p.bmp", {'B', 'M'});
        WriteFileBytes(Home / "bin/readme.txt", {1});
        SwitchTo(2);
        Form->BtnSDIR->setFocus();
    }
};

} // namespace

TEST_F(Chooser, EnteringASubFolderAndConfirmingOpensIt) {
    WhenChooserShown([this](TDirectoryDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), "ディレクトリの選択");
        EXPECT_EQ(dialog.size(), QSize(424, 255));
        EXPECT_EQ(QApplication::focusWidget(), dialog.FolderList());
        EXPECT_EQ(dialog.Directory(), (Home / "bin").string());
        EXPECT_TRUE(dialog.findChildren<QLineEdit*>().isEmpty()); // nothing can be typed
        EXPECT_FALSE(dialog.FileList()->isEnabled());
        EXPECT_EQ(dialog.FileList()->count(), 1); // readme.txt
        EXPECT_TRUE(dialog.OkButton()->isDefault());
        EXPECT_GE(dialog.DriveList()->count(), 1);
        // The sub-folders, without the hidden one, follow the ancestors.
        EXPECT_TRUE(dialog.FolderList()->findItems(".hidden", Qt::MatchEndsWith).isEmpty());
        Activate(dialog.FolderList(), "sub");
        EXPECT_EQ(dialog.Directory(), (Home / "bin/sub").string());
        EXPECT_TRUE(dialog.isVisible()); // Enter enters, it does not confirm
        EXPECT_EQ(dialog.PathLabel()->toolTip().toStdString(), (Home / "bin/sub").string());
        QTest::keyClicks(dialog.FolderList(), "/tmp/typed");
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    Click(Form->BtnSDIR);
    EXPECT_EQ(Form->FLB1->Count(), 1);
    EXPECT_EQ(ReadMemoryFile(Home / "bin/pixdir.txt"), (Home / "bin/sub").string());
    EXPECT_EQ(Form->focusWidget(), Form->Edit0); // the window is not active again yet
    EXPECT_TRUE(Reports.empty());
}

TEST_F(Chooser, CancelAndEscapeChangeNothingButTheFocus) {
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "キャンセル");
        Form->BtnSDIR->setFocus();
        WhenChooserShown([escape](TDirectoryDialog& dialog) {
            Activate(dialog.FolderList(), "sub");
            Activate(dialog.FolderList(), "deeper");
            if (escape) {
                QTest::keyClick(dialog.FolderList(), Qt::Key_Escape);
            } else {
                QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
            }
        });
        Click(Form->BtnSDIR);
        EXPECT_EQ(Form->FLB1->Directory(), fs::canonical(Home / "bin").string());
        EXPECT_FALSE(fs::exists(Home / "bin/pixdir.txt"));
        EXPECT_EQ(Form->focusWidget(), Form->Edit0); // the window is not active again yet
    }
}

TEST_F(Chooser, StartsInTheCurrentFolderWhenTheGivenOneIsGone) {
    fs::current_path(Home / "bin/sub");
    TDirectoryDialog dialog((Home / "gone").string(), nullptr);
    EXPECT_EQ(dialog.Directory(), fs::current_path().string());
    // Going up to an ancestor and into the root works the same way.
    Activate(dialog.FolderList(), "bin");
    EXPECT_EQ(dialog.Directory(), (Home / "bin").string());
    dialog.FolderList()->setCurrentRow(0);
    QTest::keyClick(dialog.FolderList(), Qt::Key_Return);
    EXPECT_EQ(dialog.Directory(), "/");
}

TEST_F(Chooser, TheStartFolderIsShownAndReturnedWrittenPlainly) {
    const std::string sub = (Home / "bin/sub").string();
    for (const std::string& start :
         {sub + "/", Home.Path().string() + "/bin/./sub", sub + "/../sub/",
          Home.Path().string() + "//bin///sub", sub + "/deeper/..", sub + "/./deeper/../."}) {
        SCOPED_TRACE(start);
        TDirectoryDialog dialog(start, nullptr);
        EXPECT_EQ(dialog.Directory(), sub);
        EXPECT_EQ(dialog.PathLabel()->toolTip().toStdString(), sub);
        for (int i = 0; i < dialog.FolderList()->count(); ++i) {
            const QString name = dialog.FolderList()->item(i)->text().trimmed();
            EXPECT_TRUE(name != "." && name != ".." && !name.isEmpty()) << i;
        }
    }
    // OK returns, and so remembers, the plain text.
    const std::string remembered = sub + "/deeper/../";
    WriteFileBytes(Home / "bin/pixdir.txt", {remembered.begin(), remembered.end()});
    WhenChooserShown(
        [](TDirectoryDialog& dialog) { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); });
    Click(Form->BtnSDIR);
    EXPECT_EQ(ReadMemoryFile(Home / "bin/pixdir.txt"), sub);
}

// A folder named in code page 932, as unpacked from an old Japanese archive:
// its text in the chooser's list and path label; chosen, it is remembered
// byte for byte and found again by the next start.
TEST_F(Chooser, AFolderNamedInAnOldJapaneseEncodingIsShownAsTextAndRememberedAsBytes) {
    const std::string name = "\x8E\xCA\x90\x5E"; // 写真 in code page 932
    const fs::path folder = Home / "bin" / name;
    fs::create_directory(folder);
    WriteFileBytes(folder / "p.bmp", {'B', 'M'});
    WhenChooserShown([&](TDirectoryDialog& dialog) {
        Activate(dialog.FolderList(), "写真");
        EXPECT_EQ(dialog.Directory(), folder.string());
        const std::string shown = (Home / "bin").string() + "/写真";
        EXPECT_EQ(dialog.PathLabel()->toolTip().toStdString(), shown);
        EXPECT_TRUE(dialog.PathLabel()->text().endsWith(QString::fromUtf8("/写真"))); // elided
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    Click(Form->BtnSDIR);
    EXPECT_EQ(ReadMemoryFile(Home / "bin/pixdir.txt"), folder.string());

    Form = std::make_unique<TForm1>(Clipboard, Desktop); // the next start
    Form->show();
    SwitchTo(2);
    EXPECT_EQ(Form->FLB1->Directory(), fs::canonical(folder).string());
    EXPECT_EQ(Form->FLB1->Count(), 1);
    EXPECT_TRUE(Reports.empty());
}
