#include "FileSystem.h"
#include "DisplayName.h"
#include "Exceptions.h"
#include "ImagingTestSupport.h"
#include "Stream.h"

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

// Names as a Japanese user reads them: UTF-8 as it stands, else code page 932,
// else each byte that cannot be read written out; never a replacement mark,
// always one row.
TEST(FileSystem, NamesShowAsTheTextTheyHold) {
    const std::pair<std::string, std::string> cases[] = {
        {"photo.jpg", "photo.jpg"},
        {"写真_夕焼け.jpg", "写真_夕焼け.jpg"},
        {"\x8E\xCA\x90\x5E.jpg", "写真.jpg"},           // code page 932
        {"\x89\xE6\x91\x9C.bmp", "画像.bmp"},           // code page 932
        {"\x83\x65\x83\x58\x83\x67.bmp", "テスト.bmp"}, // a trail byte below 0x80
        {"\xB6\xC5.bmp", "ｶﾅ.bmp"},                     // half-width katakana
        {"caf\xE9.bmp", "caf\\xE9.bmp"},                // Latin-1
        {"\xFF\xFE.bmp", "\\xFF\\xFE.bmp"},
        {"写真\xFF.jpg", "写真\\xFF.jpg"},           // UTF-8 with one stray byte
        {"\xC0\xAF.bmp", "ﾀｯ.bmp"},                  // no UTF-8, but code page 932
        {"\xED\xA0\x80.bmp", "\\xED\\xA0\\x80.bmp"}, // a surrogate is no UTF-8
        {"new\nline.bmp", "new\\x0Aline.bmp"},
        {"tab\t\r\x7F.bmp", "tab\\x09\\x0D\\x7F.bmp"},
        {"a\u2028b\u202Egpj.bmp", "a\\u2028b\\u202Egpj.bmp"}, // line separator, bidi override
        {"\xC2\x85.bmp", "\\x85.bmp"},                        // a control of UTF-8's own
        {"", ""},
    };
    for (const auto& [bytes, shown] : cases) {
        EXPECT_EQ(DisplayName(bytes), shown) << bytes;
    }
    EXPECT_EQ(DisplayPath("/home/\x8E\xCA\x90\x5E/caf\xE9/"), "/home/写真/caf\\xE9/");
    EXPECT_EQ(DisplayPath("/"), "/");
}

// A folder is only of use when the process can enter it and read its names.
// Root may do both whatever the folder's mode says.
TEST(FileSystem, AFolderIsListableWhenItsNamesCanBeRead) {
    TempFolder folder;
    WriteFileBytes(folder / "plain", {1});
    struct Case {
        const char* Name;
        mode_t Mode;
        bool ByUser;
    };
    const bool root = geteuid() == 0;
    for (const Case& c :
         {Case{"open", 0755, true}, Case{"read-only", 0555, true}, Case{"closed", 0000, false},
          Case{"pass-through", 0311, false}, Case{"names-only", 0644, false}}) {
        const fs::path path = folder / c.Name;
        fs::create_directory(path);
        chmod(path.c_str(), c.Mode);
        EXPECT_EQ(FolderListable(path.string()), root || c.ByUser) << c.Name;
        chmod(path.c_str(), 0755);
    }
    EXPECT_FALSE(FolderListable((folder / "plain").string()));
    EXPECT_FALSE(FolderListable((folder / "none").string()));
    EXPECT_FALSE(FolderListable(""));
}

TEST(FileSystem, ALargeReadInPartsGivesTheFileInOrderUpToItsEnd) {
    TempFolder folder;
    // Over the size read in parts, and no multiple of a piece.
    std::vector<std::uint8_t> bytes((std::size_t{17} << 20) + 12345);
    std::uint32_t state = 1;
    for (std::uint8_t& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = std::uint8_t(state >> 24);
    }
    const fs::path path = folder / "large.bin";
    WriteFileBytes(path, bytes);
    // Pieces that cannot come from the page cache are finished in order after
    // the others, wherever in the file they lie.
    struct Dropped {
        const char* Name;
        off_t From, Length; // 0 long: to the end; below 0: nothing dropped, all read once
    };
    const off_t half = off_t(bytes.size() / 2);
    for (const Dropped& d :
         {Dropped{"in the page cache", 0, -1}, Dropped{"dropped whole", 0, 0},
          Dropped{"first half dropped", 0, half}, Dropped{"second half dropped", half, 0}}) {
        SCOPED_TRACE(d.Name);
        const int handle = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(handle, 0);
        if (d.Length >= 0) {
            ::fdatasync(handle);
            ::posix_fadvise(handle, d.From, d.Length, POSIX_FADV_DONTNEED);
        } else {
            std::vector<std::uint8_t> warm(bytes.size());
            ASSERT_EQ(::pread(handle, warm.data(), warm.size(), 0), ssize_t(warm.size()));
        }
        ::close(handle);
        TFileStream stream(path.string());
        stream.Seek(7);
        // Asking for more than is left gives what is left, in order.
        std::vector<std::uint8_t> read(bytes.size() + 4096, 0xEE);
        ASSERT_EQ(stream.Read(read.data(), read.size()), bytes.size() - 7);
        EXPECT_EQ(std::memcmp(read.data(), bytes.data() + 7, bytes.size() - 7), 0);
        EXPECT_EQ(read[bytes.size() - 7], 0xEE) << "nothing written past what was read";
        EXPECT_EQ(stream.Position(), bytes.size());
        EXPECT_EQ(stream.Read(read.data(), read.size()), 0u);
    }
}
