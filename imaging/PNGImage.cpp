#include "PNGImage.h"

#include "Exceptions.h"
#include "FileFormatsList.h"
#include "Stream.h"

#include <algorithm>
#include <csetjmp>
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
