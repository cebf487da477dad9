#include "FormFixture.h"

#include <QAccessible>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ImageFolder : public Window {
protected:
    fs::path MemoryFile() const { return Home / "bin/pixdir.txt"; }
    void Remember(const std::string& text) {
        WriteFileBytes(MemoryFile(), std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    void AddPicture(const fs::path& path) { WriteFileBytes(path, {'B', 'M'}); }
};

} // namespace

TEST_F(ImageFolder, TheRememberedTextIsUsedAsItStandsOnlyWhenItNamesAFolder) {
    const fs::path pictures = Home / "写真 と spaces";
    fs::create_directory(pictures);
    WriteFileBytes(Home / "plain", {1});
    const std::string fallback = (Home / "bin").string();
    struct Case {
        std::optional<std::string> Content;
        std::string Expected;
    };
    const Case cases[] = {
        {std::nullopt, fallback},
        {"", fallback},
        {pictures.string() + "\n", fallback},
        {" " + pictures.string(), fallback},
        {(Home / "plain").string(), fallback},
        {(Home / "vanished").string(), fallback},
        {pictures.string(), pictures.string()},
        {pictures.string() + "/", pictures.string() + "/"},
        {Home.Path().string() + "/./bin", Home.Path().string() + "/./bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Content ? *c.Content : "(no file)");
        fs::remove(MemoryFile());
        if (c.Content) {
            Remember(*c.Content);
        }
        EXPECT_EQ(Form->GetImageFolder(), c.Expected);
        EXPECT_EQ(fs::exists(MemoryFile()), c.Content.has_value()); // reading never writes
    }
    Desktop.Executable = "/irochi"; // a program in the root: the root is its folder
    EXPECT_EQ(Form->GetImageFolder(), "/");
}

TEST_F(ImageFolder, OpeningRemembersOnlyAFolderWithPictures) {
    const fs::path pictures = Home / "写真 2024";
    const fs::path empty = Home / "empty";
    fs::create_directories(pictures);
    fs::create_directories(empty);
    AddPicture(pictures / "b.JPG");
    AddPicture(pictures / "a.bmp");
    WriteFileBytes(empty / "notes.txt", {1});

    const std::string chosen = pictures.string() + "/";
    Form->OpenImageFolder(chosen);
    EXPECT_EQ(ReadMemoryFile(MemoryFile()), chosen); // exactly the text, no line end
    EXPECT_EQ(Form->GetImageFolder(), chosen);
    EXPECT_EQ(Form->FLB1->Count(), 2);
    EXPECT_EQ(Form->FLB1->Item(0), "a.bmp");
    EXPECT_EQ(Form->FLB1->ItemIndex(), -1);
    EXPECT_EQ(fs::current_path(), fs::canonical(pictures));

    Form->OpenImageFolder(empty.string());
    EXPECT_EQ(Form->FLB1->Count(), 0);
    EXPECT_EQ(ReadMemoryFile(MemoryFile()), chosen);

    // The same folder again is read anew.
    Form->OpenImageFolder(chosen);
    AddPicture(pictures / "c.jpeg");
    fs::remove(pictures / "a.bmp");
    Form->OpenImageFolder(chosen);
    ASSERT_EQ(Form->FLB1->Count(), 2);
    EXPECT_EQ(Form->FLB1->Item(0), "b.JPG");
    EXPECT_EQ(Form->FLB1->Item(1), "c.jpeg");
    EXPECT_TRUE(Reports.empty());
}

TEST_F(ImageFolder, EnteringTheImageModeRemembersTheProgramsOwnFolderWithPictures) {
    AddPicture(Home / "bin/photo.bmp");
    SwitchTo(2);
    EXPECT_EQ(ReadMemoryFile(MemoryFile()), (Home / "bin").string());
    EXPECT_EQ(Form->FLB1->Count(), 1);
    EXPECT_FALSE(fs::exists(Desktop.ConfigFolder));
}

TEST_F(ImageFolder, AFailedWriteKeepsTheRememberedFolderAndIsShown) {
    const fs::path pictures = Home / "a-folder-with-a-long-name";
    fs::create_directory(pictures);
    AddPicture(pictures / "p.bmp");
    Remember("/old");

    WithFileSizeLimit(
        8, [&] { TApplication::Guard([&] { Form->OpenImageFolder(pictures.string()); }); });

    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find(MemoryFile().string()), std::string::npos) << Reports[0];
    EXPECT_EQ(ReadMemoryFile(MemoryFile()), "/old");
    EXPECT_EQ(Form->FLB1->Count(), 1); // the list already shows the new folder
}

TEST_F(ImageFolder, AnUnwritableProgramFolderRemembersInTheUsersFolder) {
    const fs::path pictures = Home / "pictures";
    fs::create_directory(pictures);
    AddPicture(pictures / "p.jpg");
    Remember(Home.Path().string()); // left by an earlier, writable copy
    Desktop.Writable = false;
    EXPECT_EQ(Form->GetImageFolder(), Home.Path().string());

    Form->OpenImageFolder(pictures.string());
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(ReadMemoryFile(fs::path(Desktop.ConfigFolder) / "pixdir.txt"), pictures.string());
    EXPECT_EQ(ReadMemoryFile(MemoryFile()), Home.Path().string());
    EXPECT_EQ(Form->GetImageFolder(), pictures.string());
}

// A remembered folder whose names the user cannot read is passed over for the
// program's own folder, without a word, as a missing one is; the mode cycle
// goes on. Root reads every folder, so there the folder is used (ctest's
// gui_as_user runs this as an ordinary user).
TEST_F(ImageFolder, ARememberedFolderThatCannotBeReadIsPassedOver) {
    const bool root = geteuid() == 0;
    AddPicture(Home / "bin/own.bmp");
    const fs::path secret = Home / "secret";
    fs::create_directory(secret);
    AddPicture(secret / "a.bmp");
    AddPicture(secret / "b.bmp");
    // For its owner: no access; entering without reading; reading without entering.
    for (mode_t mode : {0000, 0311, 0600}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        chmod(secret.c_str(), mode);
        Remember(secret.string());
        EXPECT_EQ(Form->GetImageFolder(), root ? secret.string() : (Home / "bin").string());
        SwitchTo(2);
        EXPECT_EQ(Form->windowTitle().toStdString(), TForm1::ModeCaptions[2]);
        EXPECT_TRUE(Form->BtnSDIR->isVisible());
        EXPECT_EQ(Form->FLB1->Count(), root ? 2 : 1);
        SwitchTo(0);
        EXPECT_TRUE(Form->Swatches[0]->isVisible());
        chmod(secret.c_str(), 0755);
        EXPECT_EQ(ReadMemoryFile(MemoryFile()), root ? secret.string() : (Home / "bin").string());
    }
    EXPECT_TRUE(Reports.empty());
}

// Names show as the text they hold, whatever encoding wrote them, on one row
// each, in the list and to a screen reader alike; each opens by its bytes.
TEST_F(ImageFolder, NamesShowAsTheirTextAndOpenByTheirBytes) {
    const fs::path folder = Home / "archive";
    fs::create_directory(folder);
    struct Case {
        std::string Name;
        const char* Shown;
    };
    const Case cases[] = {
        {"夕焼け_gjpqy.bmp", "夕焼け_gjpqy.bmp"},
        {"\x8E\xCA\x90\x5E.bmp", "写真.bmp"}, // code page 932
        {"\x89\xE6\x91\x9C.BMP", "画像.BMP"}, // code page 932
        {"caf\xE9.bmp", "caf\\xE9.bmp"},      // Latin-1
        {"new\nline.bmp", "new\\x0Aline.bmp"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        WriteFileBytes(folder / cases[i].Name, DistinctBmp(int(i) + 1, 1));
    }
    Form->OpenImageFolder(folder.string());
    SwitchTo(2);
    Form->OpenImageFolder(folder.string());
    TFileListBox* list = Form->FLB1;
    ASSERT_EQ(list->Count(), int(std::size(cases)));
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(reader, nullptr);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.Shown);
        int row = 0;
        while (row < list->Count() && list->Item(row) != c.Name) {
            ++row;
        }
        ASSERT_LT(row, list->Count());
        const QModelIndex index = list->model()->index(row, 0);
        EXPECT_EQ(index.data().toString().toStdString(), c.Shown);
        EXPECT_EQ(list->visualRect(index).height(), 12);
        QAccessibleInterface* item = reader->child(row);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(QAccessible::Name).toStdString(), c.Shown);
        Click(list->viewport(), list->visualRect(index).center());
        ASSERT_NE(Form->Img1->Bitmap(), nullptr);
        EXPECT_EQ(Form->Img1->Bitmap()->Width(), int(i) + 1);
    }
    EXPECT_TRUE(Reports.empty());
}
