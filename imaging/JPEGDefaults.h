#pragma once

enum class TJPEGPerformance { BestQuality, BestSpeed };
enum class TJPEGPixelFormat { Bit8, Bit24 };
enum class TJPEGScale { FullSize, Half, Quarter, Eighth };

// Program-wide decode options, set once at start-up before the window exists.
struct TJPEGDefaults {
    int CompressionQuality = 90;
    bool Grayscale = false;
    TJPEGPerformance Performance = TJPEGPerformance::BestQuality;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::Bit24;
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    TJPEGScale Scale = TJPEGScale::FullSize;
    bool Smoothing = true;
};

extern TJPEGDefaults JPEGDefaults;

// Chooses the output pixel format from the screen's colour depth at start-up:
// 8-bit with a colour table on screens of 256 colours or fewer.
void InitJPEGDefaults(int screenBitsPerPixel);
