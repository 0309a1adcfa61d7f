#pragma once
// A synthetic stand-in for a phone photo: smooth lighting, fractal detail at every scale, a few hard
// edges and sensor noise, so that codecs meet what they meet in a camera roll.
#include <cstdint>
#include <string>

#include "platform/image/ImageCodec.h"

platform::Bitmap photoLikePicture(std::uint32_t width, std::uint32_t height);
// The picture as a camera would store it: baseline JPEG, 4:2:0, at the given quality.
std::string photoLikeJpeg(const platform::Bitmap& picture, int quality);
// The same, the way a phone held upright stores it: turned a quarter anticlockwise, with EXIF
// Orientation 6 telling the viewer to turn it back.
std::string photoLikeJpegStoredSideways(const platform::Bitmap& picture, int quality);
