// Drawing with OpenGL 1.x through OSMesa: a software context over a buffer
// of our own, fixed-function lighting from the viewer, one vertex array
// draw per surface, the transparent surfaces after the opaque ones.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/osmesa.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "imageconv.h"
#include "mscene.h"
#include "render_private.h"

namespace kvrender {
namespace {

constexpr int kMaxSide = 16384;  // of the buffer drawn into, samples included

struct ContextDeleter {
  void operator()(osmesa_context* c) const { OSMesaDestroyContext(c); }
};
using ContextPtr = std::unique_ptr<osmesa_context, ContextDeleter>;

struct Texture {
  GLuint id = 0;
  bool translucent = false;
};

// The map as an OpenGL texture, v = 0 at the bottom of the picture as the
// formats count it; id 0 when the file cannot be read.
Texture LoadTexture(const std::string& path) {
  Texture t;
  int w = 0, h = 0;
  unsigned char* px = nullptr;
  if (read_image_rgba(path.c_str(), &w, &h, &px) != IMAGECONV_OK) return t;
  std::vector<unsigned char> rows(static_cast<size_t>(w) * h * 4);
  const size_t stride = static_cast<size_t>(w) * 4;
  for (int y = 0; y < h; ++y) std::copy_n(px + stride * (h - 1 - y), stride, rows.data() + stride * y);
  free_image_pixels(px);
  for (size_t i = 3; i < rows.size(); i += 4)
    if (rows[i] < 255) {
      t.translucent = true;
      break;
    }
  GLint max_size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
  if (w > max_size || h > max_size) return t;
  glGenTextures(1, &t.id);
  glBindTexture(GL_TEXTURE_2D, t.id);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &t.id);
    t.id = 0;
  }
  return t;
}

void SetCamera(const ViewCamera& cam, int width, int height) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double top = cam.near_plane * std::tan(cam.fov_y_deg * M_PI / 360);
  const double right = top * width / height;
  glFrustum(-right, right, -top, top, cam.near_plane, cam.far_plane);
  // gluLookAt's matrix, column by column.
  const MVector3 f = vect_normalize(cam.target - cam.eye);
  const MVector3 s = vect_normalize(vect_cross(f, cam.up));
  const MVector3 u = vect_cross(s, f);
  const double m[16] = {s.x, u.x, -f.x, 0, s.y, u.y, -f.y, 0, s.z, u.z, -f.z, 0,
                        -vect_dot(s, cam.eye), -vect_dot(u, cam.eye), vect_dot(f, cam.eye), 1};
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixd(m);
}

// A key light from above left of the viewer and a weaker fill from below
// right, both fixed to the eye, so every side turned to the camera shows.
void SetLights() {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  const GLfloat key_dir[4] = {-0.35f, 0.45f, 0.82f, 0};
  const GLfloat key[4] = {0.85f, 0.85f, 0.85f, 1};
  const GLfloat fill_dir[4] = {0.5f, -0.3f, 0.6f, 0};
  const GLfloat fill[4] = {0.3f, 0.3f, 0.3f, 1};
  const GLfloat none[4] = {0, 0, 0, 1};
  const GLfloat ambient[4] = {0.35f, 0.35f, 0.35f, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, key_dir);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, key);
  glLightfv(GL_LIGHT0, GL_SPECULAR, key);
  glLightfv(GL_LIGHT1, GL_POSITION, fill_dir);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, fill);
  glLightfv(GL_LIGHT1, GL_SPECULAR, none);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHT1);
  glPopMatrix();
}

class BatchDrawer {
 public:
  explicit BatchDrawer(MScene* scene) : scene_(scene) {}
  ~BatchDrawer() {
    for (auto& [path, t] : textures_)
      if (t.id) glDeleteTextures(1, &t.id);
  }

  // Whether the batch is drawn in the second, blended pass.
  bool Translucent(const DrawBatch& b) {
    const Prepared p = Prepare(b);
    return p.look.alpha < 0.999f || (p.texture && p.texture->translucent);
  }

  void Draw(const DrawBatch& b) {
    const Prepared p = Prepare(b);
    const MaterialLook& look = p.look;
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, look.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, look.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, look.specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, look.shininess);
    const bool textured = p.texture && p.texture->id;
    if (textured) {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, p.texture->id);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, 0, b.uv.data());
    }
    glVertexPointer(3, GL_FLOAT, 0, b.xyz.data());
    glNormalPointer(GL_FLOAT, 0, b.normal.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(b.xyz.size() / 3));
    if (textured) {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
      glDisable(GL_TEXTURE_2D);
    }
  }

 private:
  struct Prepared {
    MaterialLook look;
    const Texture* texture = nullptr;
  };

  Prepared Prepare(const DrawBatch& b) {
    Prepared p;
    MSurface* s = b.surface >= 0 && scene_->surfaces ? static_cast<MSurface*>(scene_->surfaces->GetAt(b.surface)) : nullptr;
    p.look = LookOf(scene_, s);
    if (!b.uv.empty() && !p.look.map_path.empty()) {
      auto it = textures_.find(p.look.map_path);
      if (it == textures_.end()) it = textures_.emplace(p.look.map_path, LoadTexture(p.look.map_path)).first;
      p.texture = &it->second;
    }
    return p;
  }

  MScene* scene_;
  std::map<std::string, Texture> textures_;
};

// The samples of each pixel averaged; the buffer holds premultiplied
// colours, its bottom row first.
void Resolve(const std::vector<uint8_t>& buf, int ss, const RenderOptions& o, Picture* out) {
  const int bw = o.width * ss, bh = o.height * ss;
  out->width = o.width;
  out->height = o.height;
  out->rgba.assign(static_cast<size_t>(o.width) * o.height * 4, 0);
  const double n = ss * ss;
  for (int y = 0; y < o.height; ++y)
    for (int x = 0; x < o.width; ++x) {
      double sum[4] = {0, 0, 0, 0};
      for (int j = 0; j < ss; ++j) {
        const int row = bh - 1 - (y * ss + j);
        const uint8_t* p = &buf[(static_cast<size_t>(row) * bw + x * ss) * 4];
        for (int i = 0; i < ss; ++i, p += 4)
          for (int k = 0; k < 4; ++k) sum[k] += p[k];
      }
      const double a = sum[3] / n / 255;
      uint8_t* dst = out->at(x, y);
      for (int k = 0; k < 3; ++k) {
        const double premult = sum[k] / n;
        double v = o.opaque_background ? premult + o.background[k] * (1 - a) : (a > 0 ? premult / a : o.background[k]);
        dst[k] = static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
      }
      dst[3] = o.opaque_background ? 255 : static_cast<uint8_t>(std::lround(a * 255));
    }
}

}  // namespace

bool Available() { return true; }

bool RenderSceneFrom(MScene* scene, const RenderOptions& o, const ViewCamera& cam, Picture* out, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const int ss = o.supersample;
  if (ss < 1 || ss > 4) return fail("supersampling must be 1 to 4");
  if (o.width < 1 || o.height < 1 || o.width > kMaxSide / ss || o.height > kMaxSide / ss)
    return fail("picture size " + std::to_string(o.width) + "x" + std::to_string(o.height) + " out of range (1 to " +
                std::to_string(kMaxSide / ss) + ")");
  if (!scene) return fail("no scene");
  const SceneGeometry geometry = CollectGeometry(scene, false);

  const int bw = o.width * ss, bh = o.height * ss;
  ContextPtr ctx(OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr));
  if (!ctx) return fail("no offscreen OpenGL context (OSMesa)");
  std::vector<uint8_t> buf(static_cast<size_t>(bw) * bh * 4);
  if (!OSMesaMakeCurrent(ctx.get(), buf.data(), GL_UNSIGNED_BYTE, bw, bh)) return fail("cannot draw into a " +
                                                                                  std::to_string(bw) + "x" + std::to_string(bh) + " buffer");
  glViewport(0, 0, bw, bh);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DITHER);
  glShadeModel(GL_SMOOTH);
  SetCamera(cam, bw, bh);
  SetLights();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  {
    BatchDrawer drawer(scene);
    std::vector<const DrawBatch*> later;
    for (const DrawBatch& b : geometry.batches) {
      if (b.xyz.empty()) continue;
      if (drawer.Translucent(b)) later.push_back(&b);
      else drawer.Draw(b);
    }
    if (!later.empty()) {
      glEnable(GL_BLEND);
      glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
      glDepthMask(GL_FALSE);
      for (const DrawBatch* b : later) drawer.Draw(*b);
      glDepthMask(GL_TRUE);
      glDisable(GL_BLEND);
    }
    glFinish();
  }
  const GLenum gl_error = glGetError();
  OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
  if (gl_error == GL_OUT_OF_MEMORY) return fail("out of memory while drawing");
  Resolve(buf, ss, o, out);
  return true;
}

}  // namespace kvrender
