#include "FileSystem.h"
#include "Exceptions.h"
#include "ImagingTestSupport.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(FileSystem, WildcardsIgnoreLetterCase) {
    struct Case {
        const char* Name;
        const char* Pattern;
        bool Matches;
    };
    for (const Case& c :
         {Case{"a.bmp", "*.bmp", true}, Case{"A.BMP", "*.bmp", true},
          Case{"photo.JpEg", "*.jpeg", true}, Case{"x.jpe", "*.jpeg", false},
          Case{"x.jpeg", "*.jpe", false}, Case{"bmp", "*.bmp", false}, Case{".bmp", "*.bmp", true},
          Case{"a.bmp.txt", "*.bmp", false}, Case{"a.b.bmp", "*.bmp", true}, Case{"ab", "a?", true},
          Case{"a", "a?", false}, Case{"aaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c", false},
          Case{"", "*", true}, Case{"日本.BMP", "*.bmp", true}}) {
        EXPECT_EQ(MatchesMask(c.Name, c.Pattern), c.Matches) << c.Name << " " << c.Pattern;
    }
    EXPECT_EQ(SplitMask("*.bmp;*.jpg;;*.jpeg"),
              (std::vector<std::string>{"*.bmp", "*.jpg", "*.jpeg"}));
}

TEST(FileSystem, ListsPlainPictureFilesSortedWithoutRegardToCase) {
    TempFolder folder;
    for (const char* name : {"b.jpeg", "Zebra.JPG", "a.BMP", "c.bmp", "readonly.bmp", "x.jpe",
                             "y.gif", "z.png", ".hidden.bmp", "A.bmp", "notes.txt", "写真.Jpg"}) {
        WriteFileBytes(folder / name, {1, 2, 3});
    }
    chmod((folder / "readonly.bmp").c_str(), 0444);
    fs::create_directory(folder / "sub.bmp");
    ASSERT_EQ(mkfifo((folder / "pipe.bmp").c_str(), 0644), 0);
    fs::create_symlink(folder / "c.bmp", folder / "link.jpg");
    fs::create_symlink(folder / "missing.bmp", folder / "broken.bmp");
    fs::create_symlink(folder / "sub.bmp", folder / "folderlink.jpg");

    const std::vector<std::string> expected{"A.bmp",    "a.BMP",        "b.jpeg",    "c.bmp",
                                            "link.jpg", "readonly.bmp", "Zebra.JPG", "写真.Jpg"};
    EXPECT_EQ(ListMatchingFiles(folder.Path(), {"*.bmp", "*.jpg", "*.jpeg"}), expected);
    // A name matched by two patterns is listed twice.
    EXPECT_EQ(ListMatchingFiles(folder.Path(), {"c.*", "*.bmp"}),
              (std::vector<std::string>{"A.bmp", "a.BMP", "c.bmp", "c.bmp", "readonly.bmp"}));
    EXPECT_EQ(ListSubFolders(folder.Path()),
              (std::vector<std::string>{"folderlink.jpg", "sub.bmp"}));
    EXPECT_THROW(ListMatchingFiles(folder / "none", {"*"}), EInOutError);
}

TEST(FileSystem, OrderDoesNotDependOnTheFolder) {
    std::vector<std::string> names{"b", "B", "a", "_x", "A1", "a1", "a10", "a2", "Ä"};
    std::sort(names.begin(), names.end(), FileNameLess);
    // "_" (0x5F) sorts before letters, as lower-cased letters follow it.
    EXPECT_EQ(names, (std::vector<std::string>{"_x", "a", "A1", "a1", "a10", "a2", "B", "b", "Ä"}));
}

TEST(FileSystem, FolderPathsAreWrittenPlainlyWithoutLookingAtLinks) {
    const std::pair<const char*, const char*> cases[] = {{"/", "/"},
                                                         {"//", "/"},
                                                         {"/..", "/"},
                                                         {"/tmp/./a", "/tmp/a"},
                                                         {"/tmp/a/../a/", "/tmp/a"},
                                                         {"/usr//lib", "/usr/lib"},
                                                         {"/a/b/../../..", "/"},
                                                         {"/a/.../b", "/a/.../b"},
                                                         {"/写真 2024/", "/写真 2024"},
                                                         {"/a/b/.", "/a/b"}};
    for (const auto& [path, plain] : cases) {
        EXPECT_EQ(NormalFolderPath(path), plain) << path;
    }
}

TEST(FileSystem, EnteringAFolderMakesItCurrentAndFailsWithItsName) {
    TempFolder folder;
    fs::create_directory(folder / "in");
    const fs::path before = fs::current_path();
    EXPECT_EQ(EnterFolder((folder / "in").string()), fs::canonical(folder / "in").string());
    EXPECT_EQ(fs::current_path(), fs::canonical(folder / "in"));
    try {
        EnterFolder((folder / "gone").string());
        ADD_FAILURE() << "a missing folder was entered";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "フォルダ " + (folder / "gone").string() +
                                   " を開けません: " + std::strerror(ENOENT));
    }
    fs::current_path(before);

    EXPECT_TRUE(DirectoryExists(folder.Path()));
    EXPECT_FALSE(DirectoryExists((folder / "in").string() + "\n"));
    EXPECT_FALSE(RegularFileExists((folder / "in").string()));
    ForceFolders((folder / "p/q/r").string());
    EXPECT_TRUE(DirectoryExists(folder / "p/q/r"));
}
