#include "TextFile.h"
#include "Exceptions.h"
#include "ImagingTestSupport.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadBack(const TFileSystemObject& files, const std::string& path) {
    auto stream = files.OpenTextFile(path, 1);
    std::string text = stream->ReadAll();
    stream->Close();
    return text;
}

void WriteText(const TFileSystemObject& files, const std::string& path, const std::string& text) {
    auto stream = files.CreateTextFile(path, true);
    stream->Write(text);
    stream->Close();
}

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

} // namespace

TEST(TextFile, WritesExactlyTheBytesGivenAndReadsThemBack) {
    TempFolder folder;
    const std::string path = (folder / "pixdir.txt").string();
    const TFileSystemObject files;
    EXPECT_FALSE(files.FileExists(path));
    const std::vector<std::string> texts{"/home/me/写真 2024/", "/tmp/a b\r\n",
                                         std::string("x\0y", 3), ""};
    for (const std::string& text : texts) {
        WriteText(files, path, text);
        EXPECT_TRUE(files.FileExists(path));
        EXPECT_EQ(ReadBack(files, path), text);
        EXPECT_EQ(fs::file_size(path), text.size()); // no byte-order mark, no line end
    }
    EXPECT_FALSE(files.FileExists(folder.Path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1); // no temporary left
}

TEST(TextFile, AFailedWriteLeavesTheOldContentWhole) {
    TempFolder folder;
    const std::string path = (folder / "pixdir.txt").string();
    const TFileSystemObject files;
    WriteText(files, path, "/old/folder");

    std::string message;
    WithFileSizeLimit(4, [&] {
        try {
            WriteText(files, path, "/a/much/longer/new/folder");
        } catch (const EInOutError& e) {
            message = e.Message();
        }
    });

    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_EQ(ReadBack(files, path), "/old/folder");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 1);

    // A folder that is not there cannot take the file.
    EXPECT_THROW(WriteText(files, (folder / "none/pixdir.txt").string(), "x"), EInOutError);
}

TEST(TextFile, ReadingRefusesWhatIsNoPlainSmallFile) {
    TempFolder folder;
    const TFileSystemObject files;
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0644), 0);
    EXPECT_THROW(files.OpenTextFile((folder / "pipe").string(), 1), EInOutError); // no hang
    EXPECT_THROW(files.OpenTextFile(folder.Path().string(), 1), EInOutError);
    EXPECT_THROW(files.OpenTextFile((folder / "none").string(), 1), EInOutError);
    WriteFileBytes(folder / "big", std::vector<std::uint8_t>(TFileSystemObject::MaxReadBytes + 1));
    auto stream = files.OpenTextFile((folder / "big").string(), 1);
    EXPECT_THROW(stream->ReadAll(), EInOutError);
}

// A save cut short by the end of the process, after its write and before its
// rename, leaves the old file and nothing else. Files of the temporary names
// an older save left behind are removed by the next save; look-alikes that
// are not such files stay.
TEST(TextFile, ASaveCutShortLeavesNothingOfOursForGood) {
    TempFolder folder;
    const std::string path = (folder / "pixdir.txt").string();
    const TFileSystemObject files;
    WriteText(files, path, "/old/folder");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto stream = files.CreateTextFile(path, true);
        stream->Write("/the/new/folder");
        _exit(0); // killed: no close, no destructor
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadBack(files, path), "/old/folder");
    EXPECT_EQ(Entries(folder.Path()), std::set<std::string>{"pixdir.txt"});

    const std::set<std::string> notOurs{"pixdir.txt.bak", "pixdir.txt.IugBH", "pixdir.txt.Iug-Ha",
                                        "pixdir.txt.IugBHa7", "xpixdir.txt.IugBHa"};
    for (const std::string& name : notOurs) {
        WriteFileBytes(folder / name, {'x'});
    }
    fs::create_directory(folder / "pixdir.txt.FOLDER");
    fs::create_symlink(folder / "pixdir.txt.bak", folder / "pixdir.txt.Link01");
    for (const char* stale : {"pixdir.txt.IugBHa", "pixdir.txt.0aZ9x1"}) {
        WriteFileBytes(folder / stale, {'/', 'x'});
    }
    std::set<std::string> expected = notOurs;
    expected.insert({"pixdir.txt", "pixdir.txt.FOLDER", "pixdir.txt.Link01"});
    if (geteuid() == 0) { // another user's file of such a name is not ours
        WriteFileBytes(folder / "pixdir.txt.Theirs", {'x'});
        ASSERT_EQ(chown((folder / "pixdir.txt.Theirs").c_str(), 65534, 65534), 0);
        expected.insert("pixdir.txt.Theirs");
    }
    WriteText(files, path, "/next");
    EXPECT_EQ(ReadBack(files, path), "/next");
    EXPECT_EQ(Entries(folder.Path()), expected);
}
