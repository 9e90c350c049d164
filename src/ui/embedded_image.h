#pragma once

#include <QImage>

#include <cstdint>

namespace selvana {

// A picture compiled into the program as pixels ready to show (made at build time by
// tools/image_pixels): showing it decodes nothing and loads no image reader.
struct EmbeddedImage {
    int width;
    int height;
    const std::uint32_t* pixels; // premultiplied ARGB32, row after row

    // The pixels themselves, not a copy; they live as long as the program.
    QImage image() const {
        return QImage(reinterpret_cast<const uchar*>(pixels), width, height,
                      QImage::Format_ARGB32_Premultiplied);
    }
};

// The splash's logo, from icons/logo.png.
extern const EmbeddedImage kSplashLogo;

} // namespace selvana
