#pragma once
// A picture value: owns its pixels. Empty when no picture is set.

#include <QImage>

namespace stillmar::forms {

struct Picture {
    QImage image;  // Format_RGB32 when set

    Picture() = default;
    explicit Picture(QImage img) : image(std::move(img)) {
        if (!image.isNull() && image.format() != QImage::Format_RGB32)
            image = image.convertToFormat(QImage::Format_RGB32);
    }
    bool isNull() const { return image.isNull(); }
    int width() const { return image.width(); }
    int height() const { return image.height(); }
};

}  // namespace stillmar::forms
