/* Draws the objects of an exported scene offscreen and writes the picture:
 * every triangle in its material's diffuse colour, unlit, with a depth test.
 *
 *   ogl_viewer OUT.ppm WIDTH HEIGHT EYE_X EYE_Y EYE_Z AT_X AT_Y AT_Z FOV_Y NEAR FAR
 *
 * The camera is gluLookAt(eye, at, z up) with gluPerspective(FOV_Y, WIDTH /
 * HEIGHT, NEAR, FAR). Prints the table sizes it saw. Built by the tests with
 * the written scene files, as a viewer of them would be. */
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/osmesa.h>
#include <stdio.h>
#include <stdlib.h>

#include "scene.h"

int main(int argc, char** argv) {
  int w, h, i, j, k;
  double v[10];
  unsigned char* pixels;
  OSMesaContext ctx;
  FILE* out;
  if (argc != 13) {
    fprintf(stderr, "usage: %s OUT.ppm W H EX EY EZ AX AY AZ FOV NEAR FAR\n", argv[0]);
    return 2;
  }
  w = atoi(argv[2]);
  h = atoi(argv[3]);
  for (i = 0; i < 9; ++i) v[i] = atof(argv[4 + i]);
  ctx = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, NULL);
  pixels = (unsigned char*)malloc((size_t)w * h * 4);
  if (!ctx || !pixels || !OSMesaMakeCurrent(ctx, pixels, GL_UNSIGNED_BYTE, w, h)) {
    fprintf(stderr, "no offscreen context\n");
    return 1;
  }
  glViewport(0, 0, w, h);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DITHER);
  glShadeModel(GL_FLAT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(atof(argv[10]), (double)w / h, atof(argv[11]), atof(argv[12]));
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(v[0], v[1], v[2], v[3], v[4], v[5], 0, 0, 1);
  for (i = 0; i < MAX_OBJECTS; ++i) {
    const Object_Def* o = &objects[i];
    static const float white[3] = {1, 1, 1};
    const float* color = o->mat_ref >= 0 && o->mat_ref < MAX_MATERIALS ? materials[o->mat_ref].diffuse : white;
    glColor3fv(color);
    glBegin(GL_TRIANGLES);
    for (j = 0; j < o->face_number; ++j)
      for (k = 0; k < 3; ++k) {
        const int p = o->face_indicies[9 * j + k];
        if (p < 0 || p >= o->vertex_number) {
          fprintf(stderr, "object %d face %d: vertex %d of %d\n", i, j, p, o->vertex_number);
          return 1;
        }
        if (o->normals && (o->face_indicies[9 * j + 3 + k] < 0 || o->face_indicies[9 * j + 3 + k] >= o->normal_number)) {
          fprintf(stderr, "object %d face %d: bad normal\n", i, j);
          return 1;
        }
        if (o->textures && (o->face_indicies[9 * j + 6 + k] < 0 || o->face_indicies[9 * j + 6 + k] >= o->texture_number)) {
          fprintf(stderr, "object %d face %d: bad texture coordinate\n", i, j);
          return 1;
        }
        glVertex3fv(o->verticies + 3 * p);
      }
    glEnd();
  }
  glFinish();
  out = fopen(argv[1], "wb");
  if (!out) return 1;
  fprintf(out, "P6\n%d %d\n255\n", w, h);
  /* OpenGL's rows go upwards. */
  for (j = h - 1; j >= 0; --j)
    for (i = 0; i < w; ++i) fwrite(pixels + 4 * ((size_t)j * w + i), 1, 3, out);
  if (fclose(out) != 0) return 1;
  printf("objects %d lights %d materials %d maps %d scene %s\n", MAX_OBJECTS, MAX_LIGHTS, MAX_MATERIALS,
         MAX_TEXTUREMAPS, SCENE_NAME);
  OSMesaDestroyContext(ctx);
  free(pixels);
  return 0;
}
