#include "Png.h"

#include <png.h>

bool WritePng(const std::string& path, const RgbImage& image, std::string* error)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.Width);
    png.height = png_uint_32(image.Height);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.Pixels.data(), image.Width * 3,
                                 nullptr))
    {
        *error = "cannot write '" + path + "': " + png.message;
        return false;
    }
    return true;
}

bool ReadPng(const std::string& path, RgbImage* image, std::string* error)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
    {
        *error = "cannot read '" + path + "': " + png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image->Width = int(png.width);
    image->Height = int(png.height);
    image->Pixels.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image->Pixels.data(), 0, nullptr))
    {
        *error = "cannot read '" + path + "': " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}
