#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstdio>
#include <pixman.h>
#include <png.h>
#include <stdexcept>

Surface::Surface(int width, int height) {
  Resize(width, height);
}

Surface::Surface(int width, int height, std::uint32_t* firstRow, std::ptrdiff_t strideBytes)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), stride_(strideBytes), first_(firstRow) {}

Surface::~Surface() {
  if (image_)
    pixman_image_unref(image_);
}

void Surface::Resize(int width, int height) {
  if (!own_.empty() || first_ == nullptr) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (static_cast<long long>(width) * height > (1LL << 28))
      throw std::length_error("surface too large");
    if (image_) {
      pixman_image_unref(image_);
      image_ = nullptr;
    }
    own_.assign(std::max<std::size_t>(std::size_t(width) * height, 1), 0);
    width_ = width;
    height_ = height;
    stride_ = std::ptrdiff_t(width) * 4;
    first_ = own_.data();
    return;
  }
  throw std::logic_error("a surface over borrowed pixels cannot be resized");
}

std::uint32_t Surface::Pixel(int x, int y) const {
  return Contains(x, y) ? Row(y)[x] & 0xFFFFFF : 0;
}

void Surface::SetPixel(int x, int y, std::uint32_t value) {
  if (Contains(x, y))
    Row(y)[x] = value & 0xFFFFFF;
}

void Surface::Fill(std::uint32_t value) {
  for (int y = 0; y < height_; ++y)
    std::fill_n(Row(y), width_, value & 0xFFFFFF);
}

pixman_image_t* Surface::PixmanImage() {
  if (stride_ < 0 || width_ == 0 || height_ == 0)
    return nullptr;
  if (!image_)
    image_ = pixman_image_create_bits(PIXMAN_x8r8g8b8, width_, height_, first_, int(stride_));
  return image_;
}

bool SaveSurfacePng(const Surface& surface, const char* path) {
  if (!path || surface.Width() == 0 || surface.Height() == 0)
    return false;
  FILE* file = std::fopen(path, "wb");
  if (!file)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    return false;
  }
  std::vector<png_byte> row(std::size_t(surface.Width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(surface.Width()), png_uint_32(surface.Height()), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < surface.Height(); ++y) {
    const std::uint32_t* src = surface.Row(y);
    for (int x = 0; x < surface.Width(); ++x) {
      row[std::size_t(x) * 3] = png_byte(src[x] >> 16);
      row[std::size_t(x) * 3 + 1] = png_byte(src[x] >> 8);
      row[std::size_t(x) * 3 + 2] = png_byte(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}
