#include "BmpBuilder.h"
#include "ImagingTestSupport.h"

#include "Exceptions.h"
#include "FileFormatsList.h"
#include "JPEGImage.h"
#include "OpaqueGraphic.h"
#include "Picture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jerror.h>

namespace {

class PictureLoading : public testing::Test {
protected:
    static void SetUpTestSuite() { RegisterJPEGFormat(); }
    static void TearDownTestSuite() { UnregisterJPEGFormat(); }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(Folder / name, bytes);
        return (Folder / name).string();
    }

    static std::vector<std::uint8_t> SmallBmp() {
        BmpLayout b;
        b.Width = 2;
        b.Height = 2;
        b.Pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
        return BuildBmp(b);
    }
    static std::vector<std::uint8_t> SmallJpeg() {
        return ReadFileBytes(FixturePath("jpeg/baseline.jpg"));
    }

    TempFolder Folder;
};

// Loads a file and converts it as the file list does: picture, then bitmap.
TBitmap LoadAndConvert(const std::string& path) {
    TPicture picture;
    picture.LoadFromFile(path);
    TBitmap bitmap;
    bitmap.Assign(*picture.Graphic());
    return bitmap;
}

} // namespace

TEST_F(PictureLoading, RegistryHoldsSixEntriesInOrder) {
    const auto& formats = TFileFormatsList::Instance().Formats();
    ASSERT_EQ(formats.size(), 6u);
    const char* extensions[] = {"wmf", "emf", "ico", "bmp", "jpeg", "jpg"};
    const char* classes[] = {"TMetafile", "TMetafile",  "TIcon",
                             "TBitmap",   "TJPEGImage", "TJPEGImage"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(formats[i].Extension, extensions[i]);
        EXPECT_STREQ(formats[i].GraphicClass->Name, classes[i]);
        EXPECT_EQ(formats[i].DescriptionResource, 0);
    }
    EXPECT_EQ(formats[4].Description, "JPEG イメージファイル");
    EXPECT_EQ(formats[3].Description, "ビットマップ");
}

TEST_F(PictureLoading, FindIgnoresCaseAndLaterEntriesWin) {
    auto& formats = TFileFormatsList::Instance();
    EXPECT_EQ(formats.FindExt("JPG"), &TJPEGImage::ClassInfo);
    EXPECT_EQ(formats.FindExt("Bmp"), &TBitmap::ClassInfo);
    EXPECT_EQ(formats.FindExt("png"), nullptr);
    EXPECT_EQ(formats.FindExt(""), nullptr);

    formats.Add("BMP", "test", 0, &TIcon::ClassInfo);
    EXPECT_EQ(formats.FindExt("bmp"), &TIcon::ClassInfo);
    formats.Remove(&TIcon::ClassInfo);
    EXPECT_EQ(formats.FindExt("bmp"), &TBitmap::ClassInfo);
    EXPECT_EQ(formats.FindExt("ico"), nullptr);
    formats.Remove(&TBitmap::ClassInfo); // put the list back as it was made
    formats.Remove(&TJPEGImage::ClassInfo);
    formats.Add("ico", "アイコン", 0, &TIcon::ClassInfo);
    formats.Add("bmp", "ビットマップ", 0, &TBitmap::ClassInfo);
    RegisterJPEGFormat();
    EXPECT_EQ(formats.Formats().size(), 6u);
}

TEST_F(PictureLoading, ExtensionIsWhatFollowsTheLastDotOfTheName) {
    EXPECT_EQ(ExtractPictureExtension("/a/b/photo.JPG"), "JPG");
    EXPECT_EQ(ExtractPictureExtension("/a/b.d/photo"), "");
    EXPECT_EQ(ExtractPictureExtension("C:\\x.d\\photo"), "");
    EXPECT_EQ(ExtractPictureExtension("x.tar.bmp"), "bmp");
    EXPECT_EQ(ExtractPictureExtension("name."), "");
    EXPECT_EQ(ExtractPictureExtension("a.b:c"), "");
}

TEST_F(PictureLoading, ChoosesTheDecoderByExtensionInAnyCase) {
    for (const char* name : {"a.bmp", "b.BMP", "c.Bmp"}) {
        const TBitmap bitmap = LoadAndConvert(Write(name, SmallBmp()));
        EXPECT_EQ(bitmap.Pixel(0, 1), clRed) << name;
    }
    for (const char* name : {"a.jpg", "b.JPG", "c.Jpeg", "d.jpeg"}) {
        const TBitmap bitmap = LoadAndConvert(Write(name, SmallJpeg()));
        EXPECT_EQ(bitmap.Width(), 24) << name;
        EXPECT_EQ(bitmap.BitCount(), 24) << name;
    }
}

TEST_F(PictureLoading, ContentNeverChoosesTheDecoder) {
    EXPECT_THROW(LoadAndConvert(Write("jpeg-inside.bmp", SmallJpeg())), EInvalidGraphic);
    try {
        TPicture picture;
        picture.LoadFromFile(Write("bmp-inside.jpg", SmallBmp()));
        FAIL() << "loaded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.MsgCode(), JERR_NO_SOI) << e.Message();
    }
}

TEST_F(PictureLoading, UnknownExtensionsNameTheExtensionAsWritten) {
    TPicture picture;
    try {
        picture.LoadFromFile(Write("notes.Txt", {1, 2, 3}));
        FAIL() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "拡張子 .Txt の画像形式は処理できません");
    }
    try {
        picture.LoadFromFile(Write("noextension", {1, 2, 3}));
        FAIL() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "拡張子 . の画像形式は処理できません");
    }
    EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST_F(PictureLoading, FilesThatCannotBeOpenedNameTheirPath) {
    const std::string missing = (Folder / "gone.bmp").string();
    TPicture picture;
    try {
        picture.LoadFromFile(missing);
        FAIL() << "loaded";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find(missing), std::string::npos) << e.Message();
    }
    std::filesystem::create_directory(Folder / "folder.bmp");
    EXPECT_THROW(picture.LoadFromFile((Folder / "folder.bmp").string()), EFOpenError);
}

TEST_F(PictureLoading, FailedLoadKeepsThePreviousGraphic) {
    TPicture picture;
    picture.LoadFromFile(Write("good.bmp", SmallBmp()));
    TGraphic* before = picture.Graphic();
    EXPECT_THROW(picture.LoadFromFile(Write("bad.bmp", {'B', 'M', 0})), EReadError);
    EXPECT_EQ(picture.Graphic(), before);
}

TEST_F(PictureLoading, IconsAndMetafilesCannotBecomeBitmaps) {
    try {
        LoadAndConvert(Write("a.ico", {0, 0, 1, 0}));
        FAIL() << "converted";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "TIcon を TBitmap に代入することはできません");
    }
    try {
        LoadAndConvert(Write("a.WMF", {1}));
        FAIL() << "converted";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "TMetafile を TBitmap に代入することはできません");
    }
}

TEST_F(PictureLoading, EmptyBmpFileBecomesAnEmptyBitmap) {
    const TBitmap bitmap = LoadAndConvert(Write("empty.bmp", {}));
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_THROW(LoadAndConvert(Write("empty.jpg", {})), EJPEG);
}

TEST_F(PictureLoading, OneCopyOfThePixelsSurvivesConversion) {
    const auto before = TBitmapImage::LiveBytes();
    TPicture shown; // stands for the picture the view keeps
    {
        TPicture picture;
        picture.LoadFromFile(Write("photo.jpg", SmallJpeg()));
        TBitmap bitmap;
        bitmap.Assign(*picture.Graphic());
        shown.SetBitmap(bitmap);
    }
    const auto* kept = dynamic_cast<const TBitmap*>(shown.Graphic());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(TBitmapImage::LiveBytes() - before, kept->Image()->ByteSize());
}
