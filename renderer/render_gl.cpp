// Drawing with OpenGL 1.x through OSMesa: a software context over a buffer
// of our own, fixed-function lighting from the viewer, one vertex array
// draw per surface, the transparent surfaces after the opaque ones.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/osmesa.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "imageconv.h"
#include "mscene.h"
#include "render_private.h"

namespace kvrender {
namespace {

constexpr int kMaxSide = 16384;  // of the buffer drawn into, samples included

// Every OpenGL entry point we call, taken from OSMesa itself: a program
// that also links the system's GL dispatch (Qt does) may otherwise bind
// these names to libOpenGL, which draws nothing without a GLX context.
// The pointers shadow the global names inside this namespace.
#define KV_GL_FUNCTIONS(X) \
  X(glBindBuffer) X(glBindTexture) X(glBlendFuncSeparate) X(glBufferData) X(glBufferSubData) \
  X(glClear) X(glClearColor) X(glDeleteBuffers) X(glDeleteTextures) X(glDepthMask) X(glDisable) \
  X(glDisableClientState) X(glDrawArrays) X(glEnable) X(glEnableClientState) X(glFinish) \
  X(glFrustum) X(glGenBuffers) X(glGenTextures) X(glGetError) X(glGetIntegerv) X(glLightModelfv) \
  X(glLightModeli) X(glLightfv) X(glLoadIdentity) X(glLoadMatrixd) X(glMaterialf) X(glMaterialfv) \
  X(glMatrixMode) X(glNormalPointer) X(glPixelStorei) X(glPopMatrix) X(glPushMatrix) \
  X(glShadeModel) X(glTexCoordPointer) X(glTexEnvi) X(glTexImage2D) X(glTexParameteri) \
  X(glVertexPointer) X(glViewport)

#define KV_GL_DECLARE(name) decltype(&::name) name = nullptr;
KV_GL_FUNCTIONS(KV_GL_DECLARE)

// OSMesa itself is opened at the first drawing, not with the program: it
// brings LLVM, whose loading would cost every command a tenth of a second.
#define KV_OSMESA_FUNCTIONS(X) \
  X(OSMesaCreateContextExt) X(OSMesaDestroyContext) X(OSMesaGetProcAddress) X(OSMesaMakeCurrent)

KV_OSMESA_FUNCTIONS(KV_GL_DECLARE)
#undef KV_GL_DECLARE

// Empty when OSMesa and every entry point were found, else what is missing.
std::string LoadGlFunctions() {
  static const std::string missing = []() -> std::string {
    void* lib = nullptr;
    for (const char* name : {"libOSMesa.so.8", "libOSMesa.so"})
      if ((lib = dlopen(name, RTLD_NOW | RTLD_LOCAL)) != nullptr) break;
    if (!lib) return "OSMesa cannot be loaded: " + std::string(dlerror());
#define KV_OSMESA_LOAD(name)                                         \
  name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name)); \
  if (!name) return "OSMesa lacks the function " #name;
    KV_OSMESA_FUNCTIONS(KV_OSMESA_LOAD)
#undef KV_OSMESA_LOAD
#define KV_GL_LOAD(name)                                                       \
  name = reinterpret_cast<decltype(&::name)>(OSMesaGetProcAddress(#name)); \
  if (!name) return "OSMesa lacks the OpenGL function " #name;
    KV_GL_FUNCTIONS(KV_GL_LOAD)
#undef KV_GL_LOAD
    return std::string();
  }();
  return missing;
}

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

namespace {

// Empty when the picture's size and samples can be drawn.
std::string SizeError(const RenderOptions& o) {
  const int ss = o.supersample;
  if (ss < 1 || ss > 4) return "supersampling must be 1 to 4";
  if (o.width < 1 || o.height < 1 || o.width > kMaxSide / ss || o.height > kMaxSide / ss)
    return "picture size " + std::to_string(o.width) + "x" + std::to_string(o.height) + " out of range (1 to " +
           std::to_string(kMaxSide / ss) + ")";
  return "";
}

}  // namespace

bool Available() { return true; }

// One batch as it is drawn: its look, its arrays, and once the same scene
// is drawn a second time, the arrays in an OpenGL buffer instead.
struct DrawPart {
  MaterialLook look;
  bool highlighted = false;
  std::vector<float> xyz, normal, uv;  // emptied once in the buffer
  GLuint buffer = 0;                   // xyz, then the normals, then the uvs
  size_t corners = 0;
  bool mapped = false;
  bool spread = false;  // triangles in sampling order (see Spread)
  const Texture* texture = nullptr;  // set when the context loads the maps
};

struct SceneDrawer::State {
  std::vector<DrawPart> parts;
  MVector3 lo, hi;
  bool empty = true;
  long triangles = 0;
  long last_triangles = 0;
  ContextPtr context;
  std::vector<uint8_t> buffer;
  int frames = 0;  // drawn in this context
  std::map<std::string, Texture> textures;

  void DropContext() {
    // The context takes its buffers and textures with it.
    context.reset();
    textures.clear();
    frames = 0;
    for (DrawPart& p : parts) p.buffer = 0, p.texture = nullptr;
  }

  void LoadMaps() {
    for (DrawPart& p : parts) {
      if (!p.mapped || p.look.map_path.empty()) continue;
      auto it = textures.find(p.look.map_path);
      if (it == textures.end()) it = textures.emplace(p.look.map_path, LoadTexture(p.look.map_path)).first;
      p.texture = &it->second;
    }
  }

  // Puts a part's triangles in an order whose every prefix is an even
  // sample of the whole: every kSpread-th triangle first, then those half
  // way between, and so on (strides in bit-reversed order), so that a
  // thinned frame draws the first n of them.
  static constexpr size_t kSpreadBits = 6, kSpread = size_t{1} << kSpreadBits;
  static void Spread(std::vector<float>* values, size_t per_triangle, std::vector<float>* scratch) {
    const size_t count = values->size() / per_triangle;
    if (count <= kSpread) return;
    scratch->resize(values->size());
    float* out = scratch->data();
    for (size_t r = 0; r < kSpread; ++r) {
      size_t start = 0;  // r with its bits reversed
      for (size_t b = 0; b < kSpreadBits; ++b) start |= ((r >> b) & 1) << (kSpreadBits - 1 - b);
      for (size_t t = start; t < count; t += kSpread, out += per_triangle)
        std::copy_n(values->data() + t * per_triangle, per_triangle, out);
    }
    values->swap(*scratch);
  }

  // The arrays handed to OpenGL for good: drawing them again costs no copy.
  void Retain() {
    std::vector<float> scratch;
    for (DrawPart& p : parts) {
      if (p.buffer || p.corners == 0) continue;
      if (!p.spread) {
        Spread(&p.xyz, 9, &scratch);
        Spread(&p.normal, 9, &scratch);
        if (!p.uv.empty()) Spread(&p.uv, 6, &scratch);
        p.spread = true;
      }
      const size_t a = p.xyz.size() * sizeof(float), b = p.normal.size() * sizeof(float), c = p.uv.size() * sizeof(float);
      glGenBuffers(1, &p.buffer);
      glBindBuffer(GL_ARRAY_BUFFER, p.buffer);
      glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(a + b + c), nullptr, GL_STATIC_DRAW);
      if (glGetError() != GL_NO_ERROR) {  // no room: the arrays stay ours
        glDeleteBuffers(1, &p.buffer);
        p.buffer = 0;
        continue;
      }
      glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(a), p.xyz.data());
      glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(a), static_cast<GLsizeiptr>(b), p.normal.data());
      if (c) glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(a + b), static_cast<GLsizeiptr>(c), p.uv.data());
      std::vector<float>().swap(p.xyz);
      std::vector<float>().swap(p.normal);
      std::vector<float>().swap(p.uv);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
  }

  static bool Translucent(const DrawPart& p) { return p.look.alpha < 0.999f || (p.texture && p.texture->translucent); }

  // The corners of p a frame drawing at most max triangles of all draws.
  size_t CornersToDraw(const DrawPart& p, long max) const {
    if (max <= 0 || max >= triangles || !p.spread) return p.corners;
    const size_t share = static_cast<size_t>(std::ceil(double(p.corners / 3) * double(max) / double(triangles)));
    return std::min(p.corners, std::max<size_t>(share, 1) * 3);
  }

  static void Draw(const DrawPart& p, size_t corners) {
    const MaterialLook& look = p.look;
    // Highlighted parts glow orange over their own colours.
    const GLfloat glow[4] = {0.45f, 0.22f, 0.0f, 1}, none[4] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, look.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, look.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, look.specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, p.highlighted ? glow : none);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, look.shininess);
    glBindBuffer(GL_ARRAY_BUFFER, p.buffer);
    // Offsets into the buffer, or the arrays themselves without one.
    auto offset = [](size_t bytes) { return reinterpret_cast<const void*>(static_cast<uintptr_t>(bytes)); };
    const size_t normals = p.corners * 3 * sizeof(float), uvs = normals * 2;
    const void* xyz = p.buffer ? offset(0) : p.xyz.data();
    const void* normal = p.buffer ? offset(normals) : p.normal.data();
    const void* uv = p.buffer ? offset(uvs) : p.uv.data();
    const bool textured = p.texture && p.texture->id;
    if (textured) {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, p.texture->id);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, 0, uv);
    }
    glVertexPointer(3, GL_FLOAT, 0, xyz);
    glNormalPointer(GL_FLOAT, 0, normal);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners));
    if (textured) {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
      glDisable(GL_TEXTURE_2D);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
  }
};

SceneDrawer::SceneDrawer() : state_(std::make_unique<State>()) {}
SceneDrawer::~SceneDrawer() = default;

void SceneDrawer::Prepare(MScene* scene, const std::vector<const MObj3d*>& highlight) {
  state_->DropContext();
  state_->parts.clear();
  state_->triangles = 0;
  state_->last_triangles = 0;
  SceneGeometry g = CollectGeometry(scene, false, &highlight);
  state_->empty = g.empty;
  state_->lo = g.lo;
  state_->hi = g.hi;
  for (DrawBatch& b : g.batches) {
    if (b.xyz.empty()) continue;
    DrawPart p;
    MSurface* s = b.surface >= 0 && scene->surfaces ? static_cast<MSurface*>(scene->surfaces->GetAt(b.surface)) : nullptr;
    p.look = LookOf(scene, s);
    p.highlighted = b.highlighted;
    p.corners = b.xyz.size() / 3;
    p.mapped = !b.uv.empty();
    p.xyz = std::move(b.xyz);
    p.normal = std::move(b.normal);
    p.uv = std::move(b.uv);
    state_->triangles += static_cast<long>(p.corners / 3);
    state_->parts.push_back(std::move(p));
  }
}

bool SceneDrawer::Bounds(MVector3* lo, MVector3* hi) const {
  if (state_->empty) return false;
  *lo = state_->lo;
  *hi = state_->hi;
  return true;
}

long SceneDrawer::Triangles() const { return state_->triangles; }
long SceneDrawer::LastTriangles() const { return state_->last_triangles; }

bool SceneDrawer::Draw(const RenderOptions& o, const ViewCamera& cam, Picture* out, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (const std::string why = SizeError(o); !why.empty()) return fail(why);
  const int ss = o.supersample;
  State& st = *state_;
  const int bw = o.width * ss, bh = o.height * ss;
  if (const std::string missing = LoadGlFunctions(); !missing.empty()) return fail(missing);
  if (!st.context) {
    st.context.reset(OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr));
    if (!st.context) return fail("no offscreen OpenGL context (OSMesa)");
  }
  st.buffer.resize(static_cast<size_t>(bw) * bh * 4);
  if (!OSMesaMakeCurrent(st.context.get(), st.buffer.data(), GL_UNSIGNED_BYTE, bw, bh))
    return fail("cannot draw into a " + std::to_string(bw) + "x" + std::to_string(bh) + " buffer");
  if (st.frames == 0) st.LoadMaps();
  // The first picture draws from our arrays; a second one means more will
  // follow, and the arrays move into OpenGL's buffers.
  if (st.frames == 1) st.Retain();
  ++st.frames;
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
  std::vector<const DrawPart*> later;
  st.last_triangles = 0;
  auto draw = [&](const DrawPart& p) {
    const size_t corners = st.CornersToDraw(p, o.max_triangles);
    State::Draw(p, corners);
    st.last_triangles += static_cast<long>(corners / 3);
  };
  for (const DrawPart& p : st.parts) {
    if (State::Translucent(p)) later.push_back(&p);
    else draw(p);
  }
  if (!later.empty()) {
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    for (const DrawPart* p : later) draw(*p);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
  }
  glFinish();
  const GLenum gl_error = glGetError();
  OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
  if (gl_error == GL_OUT_OF_MEMORY) return fail("out of memory while drawing");
  Resolve(st.buffer, ss, o, out);
  return true;
}

bool RenderSceneFrom(MScene* scene, const RenderOptions& o, const ViewCamera& cam, Picture* out, std::string* error) {
  std::string why = SizeError(o);
  if (why.empty() && !scene) why = "no scene";
  if (!why.empty()) {
    if (error) *error = why;
    return false;
  }
  SceneDrawer drawer;
  drawer.Prepare(scene);
  return drawer.Draw(o, cam, out, error);
}

}  // namespace kvrender
