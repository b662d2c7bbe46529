// Image identification and conversion for texture maps, over GraphicsMagick.
// Plain C interface: the scene library and plug-ins call it across a shared
// library boundary.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Type codes. 3 (CEL) is a known name without a codec: conversions from or
// to it fail.
#define IMAGECONV_TGA 0
#define IMAGECONV_GIF 1
#define IMAGECONV_BMP 2
#define IMAGECONV_CEL 3
#define IMAGECONV_JPG 5
#define IMAGECONV_TIF 6
#define IMAGECONV_PNG 7
#define IMAGECONV_PCX 8

// Results of convert_image; anything but IMAGECONV_OK is a failure.
#define IMAGECONV_OK 0
#define IMAGECONV_ERR_ARGS 1         // null path or unknown type code
#define IMAGECONV_ERR_UNSUPPORTED 2  // a type without a codec (CEL), or no GraphicsMagick to load
#define IMAGECONV_ERR_READ 3         // source missing or unreadable
#define IMAGECONV_ERR_DECODE 4       // source corrupt or not of an image format
#define IMAGECONV_ERR_ENCODE 5
#define IMAGECONV_ERR_WRITE 6        // destination could not be written

// Type code of a file extension given without dot, matched without regard to
// case ("jpeg" and "tiff" are taken as well); -1 when not a known image type.
int get_image_type(const char* ext);

// Upper-case extension without dot of a type code ("TGA"); "" for an unknown
// code. Never null; the text is constant.
const char* get_image_ext(int type);

// Reads src_path as src_type (the file's own signature wins where it has
// one) and writes dst_path as dst_type. The destination appears complete or
// not at all. 0 on success.
int convert_image(int src_type, const char* src_path, int dst_type, const char* dst_path);

// Decodes an image file (its type known by its signature) into 8-bit RGBA,
// the top row first. *pixels comes from the library and goes back through
// free_image_pixels. 0 on success; nothing is handed out otherwise.
int read_image_rgba(const char* path, int* width, int* height, unsigned char** pixels);
void free_image_pixels(unsigned char* pixels);

// Writes width x height RGBA pixels (8 bits, top row first) as dst_type.
// The file appears complete or not at all. 0 on success.
int write_image_rgba(int dst_type, const char* path, int width, int height, const unsigned char* pixels);

#ifdef __cplusplus
}
#endif
