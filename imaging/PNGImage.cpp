#include "PNGImage.h"

#include "Exceptions.h"
#include "FileFormatsList.h"
#include "Stream.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

// libpng reports a fatal error through an error function that must not
// return. Ours keeps libpng's message and jumps back with longjmp into Run,
// whose frame and whose step's frame own no C++ objects; Run turns the failure
// into an EInvalidGraphic, and the reader is destroyed on every way out.

namespace {

struct TPNGSession {
    std::jmp_buf Jump;
    char Message[160] = {};
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Offset = 0;
};

extern "C" {

void PNGError(png_structp png, png_const_charp message) {
    auto* session = static_cast<TPNGSession*>(png_get_error_ptr(png));
    std::strncpy(session->Message, message, sizeof session->Message - 1);
    std::longjmp(session->Jump, 1);
}

// Warnings (a bad checksum in an ancillary chunk, say) never stop a read.
void PNGWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* session = static_cast<TPNGSession*>(png_get_io_ptr(png));
    if (count > session->Size - session->Offset) {
        png_error(png, "the file ends too early");
    }
    std::memcpy(out, session->Data + session->Offset, count);
    session->Offset += count;
}

} // extern "C"

// One libpng reader over bytes in memory.
class TPNGReader {
public:
    TPNGReader(const std::uint8_t* data, std::size_t size) {
        FSession.Data = data;
        FSession.Size = size;
        FPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, &FSession, PNGError, PNGWarning);
        if (!FPng) {
            throw std::bad_alloc();
        }
        Run([&] { FInfo = png_create_info_struct(FPng); });
        png_set_read_fn(FPng, &FSession, ReadBytes);
    }
    ~TPNGReader() { png_destroy_read_struct(&FPng, FInfo ? &FInfo : nullptr, nullptr); }
    TPNGReader(const TPNGReader&) = delete;
    TPNGReader& operator=(const TPNGReader&) = delete;

    // Runs libpng calls; a fatal error in them lands back here.
    template <typename Step> void Run(Step step) {
        if (setjmp(FSession.Jump)) {
            throw EInvalidGraphic(std::string("PNG: ") + FSession.Message);
        }
        step();
    }

    png_structp Png() const { return FPng; }
    png_infop Info() const { return FInfo; }

private:
    TPNGSession FSession;
    png_structp FPng = nullptr;
    png_infop FInfo = nullptr;
};

// Asks libpng for 8-bit blue, green, red (and alpha) whatever the file holds.
void ChooseOutput(png_structp png, png_infop info) {
    png_set_expand(png); // palettes, grey under 8 bits, a transparent colour
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

bool SrgbPrimaries(const TColourProfile::TPrimaries& p) {
    auto near = [](const TColourProfile::TXy& a, double x, double y) {
        return std::abs(a.X - x) < 0.001 && std::abs(a.Y - y) < 0.001;
    };
    return near(p.White, 0.3127, 0.3290) && near(p.Red, 0.64, 0.33) && near(p.Green, 0.30, 0.60) &&
           near(p.Blue, 0.15, 0.06);
}

// The colour space the file names, the first of cICP, iCCP, sRGB, then
// cHRM with gAMA that it holds; none when it names none. libpng keeps
// cICP, which it does not know, as an unknown chunk.
void ReadColourSpace(png_structp png, png_infop info, TBitmapImage& image) {
    const bool rgb = (png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR) != 0;
    png_unknown_chunkp chunks = nullptr;
    const int count = png_get_unknown_chunks(png, info, &chunks);
    for (int i = 0; i < count; ++i) {
        if (std::memcmp(chunks[i].name, "cICP", 4) == 0 && chunks[i].size == 4) {
            const png_byte* code = chunks[i].data;
            if (auto profile = TColourProfile::FromCicp(code[0], code[1], code[2], code[3] == 1)) {
                image.Profile = std::move(profile);
                return;
            }
        }
    }
    png_charp name = nullptr;
    int compression = 0;
    png_bytep icc = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &icc, &length) && icc) {
        AttachProfile(image, {icc, length}, rgb);
        if (image.Profile) {
            return;
        }
    }
    int intent = 0;
    if (png_get_sRGB(png, info, &intent)) {
        image.Profile = TColourProfile::Srgb();
        return;
    }
    double fileGamma = 0;
    const bool hasGamma = png_get_gAMA(png, info, &fileGamma) && fileGamma > 0;
    TColourProfile::TPrimaries primaries{
        {0.3127, 0.3290}, {0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
    const bool hasPrimaries =
        png_get_cHRM(png, info, &primaries.White.X, &primaries.White.Y, &primaries.Red.X,
                     &primaries.Red.Y, &primaries.Green.X, &primaries.Green.Y, &primaries.Blue.X,
                     &primaries.Blue.Y) != 0;
    if (!hasGamma && !hasPrimaries) {
        return;
    }
    // Writers put sRGB's gamma, rounded to 1/2.2, and its primaries in these
    // chunks to mean sRGB (as ImageMagick does unasked): that is sRGB, as
    // libpng and the web's browsers take it.
    if ((!hasGamma || std::abs(fileGamma - 1 / 2.2) < 0.0005) &&
        (!hasPrimaries || SrgbPrimaries(primaries))) {
        image.Profile = TColourProfile::Srgb();
        return;
    }
    const double exponent = hasGamma ? 1 / fileGamma : 0;
    const double gamma[3] = {exponent, exponent, exponent};
    std::string named = hasPrimaries ? "cHRM" : "sRGB の原色";
    if (hasGamma) {
        char text[32];
        std::snprintf(text, sizeof text, "、ガンマ %.2f", exponent);
        named += text;
    }
    image.Profile = TColourProfile::FromPrimaries(primaries, gamma, named);
    if (!image.Profile) {
        image.ProfileRefused = "cHRM・gAMA の値が色空間になりません";
    }
}

} // namespace

const TGraphicClassInfo TPNGImage::ClassInfo{
    "TPNGImage", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TPNGImage>(); }};

void TPNGImage::LoadFromStream(TStream& stream) {
    const TLargeBuffer bytes = stream.ReadRest();
    FBitmap = DecodePNG(bytes.Data(), bytes.Size());
}

TBitmap DecodePNG(const std::uint8_t* data, std::size_t size) {
    TPNGReader reader(data, size);
    png_structp png = reader.Png();
    png_infop info = reader.Info();
    png_uint_32 width = 0, height = 0;
    int channels = 0;
    reader.Run([&] {
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS,
                                    reinterpret_cast<png_const_bytep>("cICP"), 1);
        png_read_info(png, info);
        width = png_get_image_width(png, info);
        height = png_get_image_height(png, info);
    });
    TBitmapImage::CheckSize(width, height, 32);
    reader.Run([&] {
        ChooseOutput(png, info);
        channels = png_get_channels(png, info);
    });
    if (channels != 3 && channels != 4) {
        throw EInvalidGraphic("PNG: unexpected layout");
    }
    // libpng writes every row before the picture is shown, or fails.
    auto image = std::make_shared<TBitmapImage>(static_cast<int>(width), static_cast<int>(height),
                                                channels * 8, false, false);
    if (channels == 4) {
        image->Masks = DefaultMasks32;
        image->AlphaChannel = true;
    }
    ReadColourSpace(png, info, *image);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = image->ScanLine(static_cast<int>(y));
    }
    reader.Run([&] {
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
    });
    return TBitmap(std::move(image));
}

void RegisterPNGFormat() {
    TFileFormatsList::Instance().Add("png", "PNG イメージファイル", 0, &TPNGImage::ClassInfo);
}

void UnregisterPNGFormat() {
    TFileFormatsList::Instance().Remove(&TPNGImage::ClassInfo);
}
