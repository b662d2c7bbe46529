// Texture map conversion over GraphicsMagick's C interface.
//
// Files are read into memory and handed over as blobs, and the result comes
// back as a blob that we write ourselves: GraphicsMagick never sees a file
// name, so names with '|', '[', '*' or "fmt:" prefixes cannot turn into
// pipes, frame selections or format overrides, and the destination is
// written to a temporary name beside it and renamed into place.
#include "imageconv.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <magick/api.h>

namespace {

struct TypeEntry {
  int code;
  const char* ext;     // what get_image_ext hands out
  const char* magick;  // GraphicsMagick coder; null: no codec
};

// CEL (Autodesk Animator) keeps its documented code but has no codec.
constexpr TypeEntry kTypes[] = {
    {IMAGECONV_TGA, "TGA", "TGA"},  {IMAGECONV_GIF, "GIF", "GIF"},   {IMAGECONV_BMP, "BMP", "BMP"},
    {IMAGECONV_CEL, "CEL", nullptr}, {IMAGECONV_JPG, "JPG", "JPEG"}, {IMAGECONV_TIF, "TIF", "TIFF"},
    {IMAGECONV_PNG, "PNG", "PNG"},  {IMAGECONV_PCX, "PCX", "PCX"},
};

// Longer spellings of the same types that files commonly carry.
struct Alias {
  const char* ext;
  int code;
};
constexpr Alias kAliases[] = {{"JPEG", IMAGECONV_JPG}, {"TIFF", IMAGECONV_TIF}};

const TypeEntry* find_type(int code) {
  for (const TypeEntry& t : kTypes)
    if (t.code == code) return &t;
  return nullptr;
}

// GraphicsMagick is opened at the first picture, not with the program: it
// brings some forty codec libraries, whose loading every command would pay.
#define KV_MAGICK_FUNCTIONS(X)                                                                             \
  X(InitializeMagick) X(GetExceptionInfo) X(DestroyExceptionInfo) X(GetMagickFileFormat) X(CloneImageInfo) \
  X(DestroyImageInfo) X(DestroyImageList) X(BlobToImage) X(ImageToBlob) X(MagickFree) X(DispatchImage)     \
  X(ConstituteImage)

struct Magick {
#define KV_MAGICK_DECLARE(name) decltype(&::name) name = nullptr;
  KV_MAGICK_FUNCTIONS(KV_MAGICK_DECLARE)
#undef KV_MAGICK_DECLARE
  bool loaded = false;
};
Magick gm;
std::once_flag g_init_once;

// False when the library or one of its functions is missing: every
// conversion then fails as one without a codec.
bool ensure_magick() {
  std::call_once(g_init_once, [] {
    void* lib = nullptr;
    for (const char* name : {"libGraphicsMagick-Q16.so.3", "libGraphicsMagick.so.3"})
      if ((lib = dlopen(name, RTLD_NOW | RTLD_LOCAL)) != nullptr) break;
    if (!lib) return;
#define KV_MAGICK_LOAD(name)                                         \
  gm.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name)); \
  if (!gm.name) return;
    KV_MAGICK_FUNCTIONS(KV_MAGICK_LOAD)
#undef KV_MAGICK_LOAD
    gm.InitializeMagick(nullptr);
    gm.loaded = true;
  });
  return gm.loaded;
}

void set_text(char* field, const char* value) {
  // Every ImageInfo/Image text field is MaxTextExtent long.
  std::snprintf(field, MaxTextExtent, "%s", value);
}

bool read_whole_file(const char* path, std::vector<unsigned char>& out) {
  FILE* fp = std::fopen(path, "rb");
  if (!fp) return false;
  bool ok = false;
  struct stat st {};
  if (fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    out.resize(static_cast<size_t>(st.st_size));
    ok = std::fread(out.data(), 1, out.size(), fp) == out.size();
  }
  std::fclose(fp);
  return ok;
}

// Decoding problems that leave the picture incomplete count as failures;
// harmless warnings (unknown tags and the like) do not.
bool is_fatal(const ExceptionInfo& e) {
  return e.severity >= ErrorException || e.severity == CorruptImageWarning;
}

std::string dir_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the bytes to a fresh file beside dst_path and renames it over
// dst_path, so a reader never sees a partial image.
bool write_atomically(const std::string& dst_path, const void* data, size_t len) {
  std::string tmpl = dir_of(dst_path) + "/." + base_of(dst_path) + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return false;

  // mkstemp makes the file private; give it the mode a plain create would.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);

  const unsigned char* p = static_cast<const unsigned char*>(data);
  size_t left = len;
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(name.data(), dst_path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(name.data());
  return ok;
}

// Our coder for the file's signature, so that a map saved under the wrong
// extension still converts; null when it has none (TGA) or is no type of ours.
const char* coder_by_signature(const std::vector<unsigned char>& blob) {
  char format[MaxTextExtent] = {0};
  ExceptionInfo ex;
  gm.GetExceptionInfo(&ex);
  size_t len = blob.size() < 2 * MaxTextExtent ? blob.size() : 2 * MaxTextExtent;
  bool found = gm.GetMagickFileFormat(blob.data(), len, format, sizeof format, &ex) == MagickPass;
  gm.DestroyExceptionInfo(&ex);
  if (!found) return nullptr;
  for (const TypeEntry& t : kTypes)
    if (t.magick && strncasecmp(format, t.magick, std::strlen(t.magick)) == 0) return t.magick;
  return nullptr;
}

struct ImageInfoHolder {
  ImageInfo* p;
  explicit ImageInfoHolder(ImageInfo* i) : p(i) {}
  ~ImageInfoHolder() {
    if (p) gm.DestroyImageInfo(p);
  }
};

struct ImageHolder {
  Image* p = nullptr;
  ~ImageHolder() {
    if (p) gm.DestroyImageList(p);
  }
};

struct ExceptionHolder {
  ExceptionInfo e;
  ExceptionHolder() { gm.GetExceptionInfo(&e); }
  ~ExceptionHolder() { gm.DestroyExceptionInfo(&e); }
};

}  // namespace

extern "C" int get_image_type(const char* ext) {
  if (!ext || !*ext) return -1;
  for (const TypeEntry& t : kTypes)
    if (strcasecmp(ext, t.ext) == 0) return t.code;
  for (const Alias& a : kAliases)
    if (strcasecmp(ext, a.ext) == 0) return a.code;
  return -1;
}

extern "C" const char* get_image_ext(int type) {
  const TypeEntry* t = find_type(type);
  return t ? t->ext : "";
}

namespace {

// Reads and decodes a map file into image: the file's own signature picks
// the coder, else src (may be null: no guess). IMAGECONV_OK or the failure.
int decode_file(const TypeEntry* src, const char* src_path, ImageInfoHolder& info, ImageHolder& image) {
  std::vector<unsigned char> blob;
  if (!read_whole_file(src_path, blob)) return IMAGECONV_ERR_READ;

  if (!ensure_magick()) return IMAGECONV_ERR_UNSUPPORTED;

  info.p = gm.CloneImageInfo(nullptr);
  if (!info.p) return IMAGECONV_ERR_DECODE;
  // Decoding is pinned to one of our coders, so no other reader (scripts,
  // delegates) ever sees map files.
  const char* coder = coder_by_signature(blob);
  if (!coder && src) coder = src->magick;  // null for CEL
  if (!coder) return IMAGECONV_ERR_DECODE;
  set_text(info.p->magick, coder);
  std::string spec = std::string(coder) + ":";
  set_text(info.p->filename, spec.c_str());
  // Texture maps are single pictures: the first frame only.
  info.p->subimage = 0;
  info.p->subrange = 1;

  {
    ExceptionHolder ex;
    image.p = gm.BlobToImage(info.p, blob.data(), blob.size(), &ex.e);
    if (!image.p || is_fatal(ex.e)) return IMAGECONV_ERR_DECODE;
  }
  if (image.p->next) {
    Image* rest = image.p->next;
    image.p->next = nullptr;
    rest->previous = nullptr;
    gm.DestroyImageList(rest);
  }
  if (image.p->columns == 0 || image.p->rows == 0) return IMAGECONV_ERR_DECODE;
  return IMAGECONV_OK;
}

// Encodes image as dst and writes it to dst_path whole or not at all.
int encode_file(ImageInfo* info, Image* image, const TypeEntry* dst, const char* dst_path) {
  const std::string spec = std::string(dst->magick) + ":";
  set_text(info->magick, dst->magick);
  set_text(info->filename, spec.c_str());
  set_text(image->magick, dst->magick);
  set_text(image->filename, spec.c_str());
  info->adjoin = 0;

  size_t out_len = 0;
  void* out = nullptr;
  {
    ExceptionHolder ex;
    out = gm.ImageToBlob(info, image, &out_len, &ex.e);
    if (!out || out_len == 0 || ex.e.severity >= ErrorException) {
      if (out) gm.MagickFree(out);
      return IMAGECONV_ERR_ENCODE;
    }
  }
  bool written = write_atomically(dst_path, out, out_len);
  gm.MagickFree(out);
  return written ? IMAGECONV_OK : IMAGECONV_ERR_WRITE;
}

}  // namespace

extern "C" int convert_image(int src_type, const char* src_path, int dst_type, const char* dst_path) {
  if (!src_path || !dst_path || !*src_path || !*dst_path) return IMAGECONV_ERR_ARGS;
  const TypeEntry* src = find_type(src_type);
  const TypeEntry* dst = find_type(dst_type);
  if (!src || !dst) return IMAGECONV_ERR_ARGS;
  if (!src->magick || !dst->magick) return IMAGECONV_ERR_UNSUPPORTED;

  ImageInfoHolder info(nullptr);
  ImageHolder image;
  if (int rc = decode_file(src, src_path, info, image)) return rc;
  return encode_file(info.p, image.p, dst, dst_path);
}

extern "C" int read_image_rgba(const char* path, int* width, int* height, unsigned char** pixels) {
  if (!path || !*path || !width || !height || !pixels) return IMAGECONV_ERR_ARGS;
  *width = *height = 0;
  *pixels = nullptr;
  // The extension names the type of files without a signature (TGA).
  const char* dot = std::strrchr(path, '.');
  const char* slash = std::strrchr(path, '/');
  const TypeEntry* hint = dot && (!slash || dot > slash) ? find_type(get_image_type(dot + 1)) : nullptr;
  ImageInfoHolder info(nullptr);
  ImageHolder image;
  if (int rc = decode_file(hint, path, info, image)) return rc;
  const size_t w = image.p->columns, h = image.p->rows;
  if (w > static_cast<size_t>(INT_MAX) || h > static_cast<size_t>(INT_MAX) || w > SIZE_MAX / 4 / h)
    return IMAGECONV_ERR_DECODE;
  unsigned char* out = static_cast<unsigned char*>(std::malloc(w * h * 4));
  if (!out) return IMAGECONV_ERR_DECODE;
  ExceptionHolder ex;
  if (gm.DispatchImage(image.p, 0, 0, static_cast<unsigned long>(w), static_cast<unsigned long>(h), "RGBA", CharPixel,
                       out, &ex.e) != MagickPass) {
    std::free(out);
    return IMAGECONV_ERR_DECODE;
  }
  // Without an alpha channel the pixels' opacity is not set: opaque.
  if (!image.p->matte)
    for (size_t i = 3; i < w * h * 4; i += 4) out[i] = 255;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  *pixels = out;
  return IMAGECONV_OK;
}

extern "C" void free_image_pixels(unsigned char* pixels) { std::free(pixels); }

extern "C" int write_image_rgba(int dst_type, const char* path, int width, int height, const unsigned char* pixels) {
  if (!path || !*path || !pixels || width <= 0 || height <= 0) return IMAGECONV_ERR_ARGS;
  const TypeEntry* dst = find_type(dst_type);
  if (!dst) return IMAGECONV_ERR_ARGS;
  if (!dst->magick) return IMAGECONV_ERR_UNSUPPORTED;
  if (!ensure_magick()) return IMAGECONV_ERR_UNSUPPORTED;
  ImageInfoHolder info(gm.CloneImageInfo(nullptr));
  if (!info.p) return IMAGECONV_ERR_ENCODE;
  ImageHolder image;
  {
    ExceptionHolder ex;
    image.p = gm.ConstituteImage(static_cast<unsigned long>(width), static_cast<unsigned long>(height), "RGBA",
                                 CharPixel, pixels, &ex.e);
    if (!image.p) return IMAGECONV_ERR_ENCODE;
  }
  return encode_file(info.p, image.p, dst, path);
}
