#include "FormFixture.h"

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
