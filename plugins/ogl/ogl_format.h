// The OpenGL source export's files: the record types of the header, the
// names of the arrays and the fixed texts.
#pragma once

namespace ogl {

constexpr char kTitle[] = "OpenGL Export Plugin 1.0";
// The build stamp of the log header is fixed: logs are compared across builds.
constexpr char kStamp[] = "Oct 22 2000 09:25:27";
constexpr char kLibName[] = "OGL Export Lib";
constexpr char kClassName[] = "OpenGL (*.cpp)";
constexpr unsigned kClassId = 0x0EF3616Eu;
constexpr char kStoreName[] = "export_ogl";
constexpr char kLogName[] = "exportogl.log";
constexpr char kExt[] = "cpp";
constexpr char kHeaderExt[] = "h";
constexpr char kSceneName[] = "scene";
constexpr char kFilter[] = "OpenGL     (*.cpp)|*.cpp|All Files (*.*)|*.*||";

constexpr char kNotice[] = "OpenGL scene data written by Korvane";
constexpr char kStructure[] = "OpenGL-Structure ";

// A textured material is drawn white-ish: the map gives the colour.
constexpr double kTexturedAmbient = 0.5;
constexpr float kTexturedDiffuse = 0.7f;
constexpr double kTexturedSpecular = 1.0;

constexpr char kLightDef[] =
    "typedef struct\n{\n\tfloat\t\tcolor[3];\n\tfloat\t\tposition[3];\n\tint\t\t\tisSpot;\n\tfloat\t\tdirection[3];\n"
    "\tfloat\t\tradius;\n\tfloat\t\tfalloff;\n}Light_Def;\n";
// const: the names are string literals, which C++ does not let a plain
// char* point at.
constexpr char kMapDef[] = "typedef struct\n{\n\tconst char *name;\n\tint  id;\n}Map_Def;\n";
constexpr char kMaterialDef[] =
    "typedef struct\n{\n\tfloat ambient[3];\n\tfloat diffuse[3];\n\tfloat specular[3];\n\tfloat emission[3];\n"
    "\tfloat alpha;\n\tint   texture;\n}Material_Def;\n";
constexpr char kObjectDef[] =
    "typedef struct \n{\n\tint   *face_indicies;\n\tint   face_number;\n\tfloat *verticies;\n\tint   vertex_number;\n"
    "\tfloat *normals;\n\tint   normal_number;\n\tfloat *textures;\n\tint   texture_number;\n\tint   mat_ref;\n"
    "}Object_Def;\n";

}  // namespace ogl
