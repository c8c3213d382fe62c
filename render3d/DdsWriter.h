#pragma once
// DirectDraw Surface files of a picture: uncompressed 32-bit A8R8G8B8, one surface without
// mipmaps, as texture tools and game engines read them.

#include <QByteArray>
#include <QImage>
#include <QString>

QByteArray DdsBytes(const QImage& image);
// False when the file cannot be written; no half-written file is left behind.
bool WriteDds(const QString& path, const QImage& image);
// Whether a file name asks for a type a 3D picture can be written as (.png, .bmp, .dds, any case).
bool Is3DPictureName(const QString& path);
// The picture as PNG, BMP or DDS by the path's extension; false for another extension or
// when the file cannot be written.
bool WritePicture3D(const QString& path, const QImage& image);
