#include "JPEGDecompressor.h"

#include "Exceptions.h"
#include "LargeMemory.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <utility>
#include <vector>

#include <jerror.h>

// The error codes shown to users ("JPEG エラー #n") are this interface's.
static_assert(JPEG_LIB_VERSION == 62, "irochi decodes through libjpeg's interface version 62");

// libjpeg takes its large blocks (whole-image coefficient and sample buffers,
// strips of rows) from these two functions of its system-dependent memory
// layer, which a program may supply itself. Ours come from LargeMemory, so the
// buffers of a big progressive or quantised decode pay no 4 KiB page fault per
// page and go back to the system when the decompressor is destroyed.
extern "C" void* jpeg_get_large(j_common_ptr, std::size_t sizeofobject) {
    return LargeMemory::AllocateUninitialised(sizeofobject);
}

extern "C" void jpeg_free_large(j_common_ptr, void* object, std::size_t sizeofobject) {
    LargeMemory::Free(object, sizeofobject);
}

// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours jumps back with longjmp into TJPEGDecompressor::Run, whose frame and
// whose step's frame own no C++ objects, and no C++ exception is ever thrown
// through libjpeg's frames: Run turns a failed step into an EJPEG, and the
// destructor destroys the decompressor on every way out.

namespace {

// libjpeg-turbo decodes Huffman data on its fast path only while at least
// 512 bytes per block of an MCU are buffered (3 KiB for 4:2:0 colour), so the
// bytes are handed over in pieces large enough to keep it there. How the bytes
// are split changes nothing in the result.
constexpr std::size_t PieceSize = 65536;
constexpr int QuantizedColors = 236;
constexpr JDIMENSION RowsPerCall = 16;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct MemorySource {
    jpeg_source_mgr pub;
    std::vector<TJPEGPiece> pieces;
    std::size_t piece;  // the piece being handed over
    std::size_t offset; // how far into it
    std::size_t before; // the bytes of the pieces before it
    JOCTET endOfImage[2];
};

extern "C" {

void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings and traces never stop decoding and are not shown; warnings are
// counted, so that a decode can tell it met one.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        ++cinfo->err->num_warnings;
    }
}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char*) {}

void ResetErrorManager(j_common_ptr cinfo) {
    cinfo->err->msg_code = 0;
    cinfo->err->num_warnings = 0;
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Hands libjpeg the next piece of the file. When the bytes run out after the
// start it gets an end-of-image marker, so a cut-short file decodes as far as
// its data goes and libjpeg completes the rest itself.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    while (src->piece < src->pieces.size()) {
        const TJPEGPiece& piece = src->pieces[src->piece];
        if (src->offset < piece.Size) {
            const std::size_t n = std::min(PieceSize, piece.Size - src->offset);
            src->pub.next_input_byte = piece.Data + src->offset;
            src->pub.bytes_in_buffer = n;
            src->offset += n;
            return TRUE;
        }
        src->before += piece.Size;
        src->offset = 0;
        ++src->piece;
    }
    if (src->before == 0) {
        ERREXIT(cinfo, JERR_INPUT_EMPTY);
    }
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->endOfImage[0] = 0xFF;
    src->endOfImage[1] = JPEG_EOI;
    src->pub.next_input_byte = src->endOfImage;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<MemorySource*>(cinfo->src);
    if (count <= 0) {
        return;
    }
    auto n = static_cast<std::size_t>(count);
    while (n > src->pub.bytes_in_buffer) {
        n -= src->pub.bytes_in_buffer;
        const bool atEnd = src->piece >= src->pieces.size();
        FillInputBuffer(cinfo);
        if (atEnd) {
            return; // past the end only the end-of-image marker is left
        }
    }
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= n;
}

// A progressive file of a few hundred bytes can ask for thousands of scans.
void ProgressMonitor(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > JPEGMaxScans) {
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
    }
}

} // extern "C"

bool FourComponent(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

std::uint8_t Product(unsigned a, unsigned b) {
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// CMYK to blue, green, red. Files with an Adobe marker store the inks
// inverted (0 is full ink), as Photoshop writes them.
void ConvertCMYKRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned cyan = in[0], magenta = in[1], yellow = in[2], black = in[3];
        if (!inverted) {
            cyan = 255 - cyan;
            magenta = 255 - magenta;
            yellow = 255 - yellow;
            black = 255 - black;
        }
        out[0] = Product(yellow, black);
        out[1] = Product(magenta, black);
        out[2] = Product(cyan, black);
    }
}

void ReadDirectRows(TJPEGDecompressor& d, TBitmapImage& image, JDIMENSION end, int offset) {
    jpeg_decompress_struct& c = d.Info();
    std::vector<JSAMPROW> rows(end);
    for (JDIMENSION y = c.output_scanline; y < end; ++y) {
        rows[y] = image.ScanLine(static_cast<int>(y) + offset);
    }
    while (c.output_scanline < end) {
        const JDIMENSION wanted = std::min(RowsPerCall, end - c.output_scanline);
        if (d.ReadRows(rows.data() + c.output_scanline, wanted) == 0) {
            break;
        }
    }
}

void ReadCMYKRows(TJPEGDecompressor& d, TBitmapImage& image, JDIMENSION end, int offset) {
    jpeg_decompress_struct& c = d.Info();
    std::vector<JSAMPLE> scratch(static_cast<std::size_t>(c.output_width) * 4);
    JSAMPROW row = scratch.data();
    while (c.output_scanline < end) {
        const auto y = static_cast<int>(c.output_scanline);
        if (d.ReadRows(&row, 1) == 0) {
            break;
        }
        ConvertCMYKRow(scratch.data(), image.ScanLine(y + offset), c.output_width,
                       c.saw_Adobe_marker);
    }
}

} // namespace

struct TJPEGSession {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    MemorySource source;
    jpeg_progress_mgr progress;
};

// Runs one libjpeg call; a fatal error in it lands back here.
template <typename Step> void TJPEGDecompressor::Run(Step step) {
    TJPEGSession* s = FSession.get();
    if (setjmp(s->error.jump)) {
        Fail(s->error.pub.msg_code);
    }
    step(&s->cinfo);
}

TJPEGDecompressor::TJPEGDecompressor(const std::uint8_t* data, std::size_t size)
    : TJPEGDecompressor(std::vector<TJPEGPiece>{{data, size}}) {}

TJPEGDecompressor::TJPEGDecompressor(std::vector<TJPEGPiece> pieces)
    : FSession(new TJPEGSession{}) {
    TJPEGSession& s = *FSession;
    s.cinfo.err = jpeg_std_error(&s.error.pub);
    s.error.pub.error_exit = ErrorExit;
    s.error.pub.emit_message = EmitMessage;
    s.error.pub.output_message = OutputMessage;
    s.error.pub.format_message = FormatMessage;
    s.error.pub.reset_error_mgr = ResetErrorManager;
    try {
        Run([](j_decompress_ptr c) { jpeg_create_decompress(c); });
    } catch (const EJPEG&) {
        // What creation got before it failed is freed here; the destructor
        // does not run for a constructor that throws.
        jpeg_destroy_decompress(&s.cinfo);
        throw;
    }
    s.cinfo.mem->max_memory_to_use = JPEGMaxMemory;

    s.source = {};
    s.source.pub.init_source = InitSource;
    s.source.pub.fill_input_buffer = FillInputBuffer;
    s.source.pub.skip_input_data = SkipInputData;
    s.source.pub.resync_to_restart = jpeg_resync_to_restart;
    s.source.pub.term_source = TermSource;
    s.source.pieces = std::move(pieces);
    s.cinfo.src = &s.source.pub;

    s.progress.progress_monitor = ProgressMonitor;
    s.cinfo.progress = &s.progress;
}

TJPEGDecompressor::~TJPEGDecompressor() {
    jpeg_destroy_decompress(&FSession->cinfo);
}

jpeg_decompress_struct& TJPEGDecompressor::Info() {
    return FSession->cinfo;
}

void TJPEGDecompressor::ReadHeader(bool keepProfile) {
    Run([keepProfile](j_decompress_ptr c) {
        if (keepProfile) {
            jpeg_save_markers(c, JPEG_APP0 + 2, 0xFFFF);
        }
        jpeg_read_header(c, TRUE);
    });
}

std::vector<std::uint8_t> TJPEGDecompressor::IccProfile() {
    JOCTET* bytes = nullptr;
    unsigned int length = 0;
    Run([&](j_decompress_ptr c) {
        if (!jpeg_read_icc_profile(c, &bytes, &length)) {
            bytes = nullptr;
        }
    });
    std::vector<std::uint8_t> profile;
    if (bytes) {
        profile.assign(bytes, bytes + length);
        std::free(bytes);
    }
    return profile;
}

bool TJPEGDecompressor::HasMultipleScans() {
    bool multiple = false;
    Run([&](j_decompress_ptr c) { multiple = jpeg_has_multiple_scans(c) != 0; });
    return multiple;
}

void TJPEGDecompressor::CalculateOutputSize() {
    Run([](j_decompress_ptr c) { jpeg_calc_output_dimensions(c); });
}

void TJPEGDecompressor::Start() {
    Run([](j_decompress_ptr c) { jpeg_start_decompress(c); });
}

JDIMENSION TJPEGDecompressor::ReadRows(JSAMPARRAY rows, JDIMENSION count) {
    JDIMENSION read = 0;
    Run([&](j_decompress_ptr c) { read = jpeg_read_scanlines(c, rows, count); });
    return read;
}

JDIMENSION TJPEGDecompressor::SkipRows(JDIMENSION count) {
    JDIMENSION skipped = 0;
    Run([&](j_decompress_ptr c) { skipped = jpeg_skip_scanlines(c, count); });
    return skipped;
}

void TJPEGDecompressor::Finish() {
    Run([](j_decompress_ptr c) { jpeg_finish_decompress(c); });
}

std::size_t TJPEGDecompressor::BytesRead() const {
    const MemorySource& src = FSession->source;
    if (src.pub.next_input_byte >= src.endOfImage &&
        src.pub.next_input_byte <= src.endOfImage + 2) {
        return src.before; // all of it, and the end-of-image marker made up after it
    }
    return src.before + src.offset - src.pub.bytes_in_buffer;
}

int TJPEGDecompressor::Warnings() const {
    return static_cast<int>(FSession->error.pub.num_warnings);
}

void TJPEGDecompressor::Fail(int msgCode) {
    throw EJPEG(msgCode);
}

bool SetDecodingParameters(TJPEGDecompressor& d, bool eightBitOutput) {
    jpeg_decompress_struct& c = d.Info();
    const bool supported = (c.num_components == 1 && c.jpeg_color_space == JCS_GRAYSCALE) ||
                           (c.num_components == 3 &&
                            (c.jpeg_color_space == JCS_YCbCr || c.jpeg_color_space == JCS_RGB)) ||
                           (c.num_components == 4 && FourComponent(c.jpeg_color_space));
    if (!supported) {
        TJPEGDecompressor::Fail(JERR_CONVERSION_NOTIMPL);
    }
    c.scale_num = 1;
    c.scale_denom = 1;
    c.do_block_smoothing = TRUE;
    c.dct_method = JDCT_FLOAT;
    c.do_fancy_upsampling = TRUE;
    c.buffered_image = FALSE;
    c.dither_mode = JDITHER_FS;
    c.two_pass_quantize = TRUE;

    // libjpeg makes no red, green and blue from four components: they come out
    // as CMYK (YCCK turned into CMYK) and are converted here.
    if (FourComponent(c.jpeg_color_space)) {
        c.out_color_space = JCS_CMYK;
        return false;
    }
    const bool quantize = eightBitOutput || c.out_color_space == JCS_GRAYSCALE;
    if (quantize) {
        c.quantize_colors = TRUE;
        c.desired_number_of_colors = QuantizedColors;
    } else {
        // Blue, green, red is the bitmap's own byte order: rows go straight in.
        c.out_color_space = JCS_EXT_BGR;
    }
    return quantize;
}

void ReadRowsInto(TJPEGDecompressor& d, TBitmapImage& image, JDIMENSION end, int offset) {
    if (d.Info().out_color_space == JCS_CMYK) {
        ReadCMYKRows(d, image, end, offset);
    } else {
        ReadDirectRows(d, image, end, offset);
    }
}

void DiscardRows(TJPEGDecompressor& d, JDIMENSION end) {
    jpeg_decompress_struct& c = d.Info();
    std::vector<JSAMPLE> scratch(static_cast<std::size_t>(c.output_width) *
                                 static_cast<std::size_t>(c.output_components));
    JSAMPROW row = scratch.data();
    while (c.output_scanline < end) {
        if (d.ReadRows(&row, 1) == 0) {
            break;
        }
    }
}
