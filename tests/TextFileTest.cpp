#include "TextFile.h"
#include "Exceptions.h"
#include "ImagingTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
