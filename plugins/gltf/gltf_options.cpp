#include "gltf_options.h"

namespace {
char kImportKey[] = "import_gltf";
char kImportLog[] = "importgltf.log";
char kGlbKey[] = "export_glb";
char kGlbLog[] = "exportglb.log";
char kGltfKey[] = "export_gltf";
char kGltfLog[] = "exportgltf.log";
char kImageSection[] = "Image_Handler";
}  // namespace

const char* GltfImportOption::Filter() {
  return "glTF 2.0     (*.gltf;*.glb)|*.gltf;*.glb|All Files                 (*.*)|*.*||";
}

const char* GltfImportOption::Help() {
  return "** glTF Import Plugin 1.0 **\n\tImports *.gltf and *.glb, glTF 2.0 with external or embedded buffers\n"
         "\t-gltf_write_images=FLAG; // write images held inside the file as files\n"
         "\t-gltf_overwrite_images=FLAG; // replace such files that exist already\n"
         "\t-gltf_image_path=PATH; // their folder (empty: beside the model)\n"
         "\t-gltf_any_uri=FLAG; // read buffers and images from outside the model's folder too\n\n";
}

std::vector<kvpf::OptionKey> GltfImportOption::Keys() {
  return {{"gltf_write_images", {1030, "Write Embedded Images", KV_FIELD_FLAG, &write_images, 0}},
          {"gltf_overwrite_images", {1031, "Overwrite Images", KV_FIELD_FLAG, &overwrite_images, 0}},
          {"gltf_image_path", {1032, "Image Folder", KV_FIELD_STRING, image_path, sizeof image_path}},
          {"gltf_any_uri", {1033, "Files Outside The Model Folder", KV_FIELD_FLAG, &any_uri, 0}}};
}

GltfImportOption::GltfImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  kvpf::LoadOptionKeys(Keys(), this);
}

GltfImportOption::GltfImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  kvpf::LoadOptionKeys(Keys(), this);
}

GltfImportOption::~GltfImportOption() { kvpf::SaveOptionKeys(Keys(), this); }

void GltfImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  kvpf::PrintOptionKeys(fp, Keys());
}

const char* GltfExportOption::Filter(bool binary) {
  return binary ? "glTF 2.0 Binary     (*.glb)|*.glb|All Files (*.*)|*.*||"
                : "glTF 2.0     (*.gltf)|*.gltf|All Files (*.*)|*.*||";
}

const char* GltfExportOption::Help(bool binary) {
  return binary ? "** glTF Export Plugin 1.0 **\n\tExports *.glb, binary glTF 2.0\n"
                  "\t-gltf_embed=FLAG; // images inside the file (0: referenced by name)\n"
                  "\t-gltf_cameras=FLAG; // write the cameras\n"
                  "\t-gltf_lights=FLAG; // write the lights (KHR_lights_punctual)\n\n"
                : "** glTF Export Plugin 1.0 **\n\tExports *.gltf, glTF 2.0 JSON with a .bin buffer beside it\n"
                  "\t-gltf_embed=FLAG; // buffer and images as data URIs inside the file\n"
                  "\t-gltf_cameras=FLAG; // write the cameras\n"
                  "\t-gltf_lights=FLAG; // write the lights (KHR_lights_punctual)\n\n";
}

std::vector<kvpf::OptionKey> GltfExportOption::Keys() {
  return {{"gltf_embed", {1030, "Embed Buffers And Images", KV_FIELD_FLAG, &embed, 0}},
          {"gltf_cameras", {1031, "Cameras", KV_FIELD_FLAG, &cameras, 0}},
          {"gltf_lights", {1032, "Lights", KV_FIELD_FLAG, &lights, 0}}};
}

GltfExportOption::GltfExportOption(bool bin)
    : Export_FileOption(bin ? kGlbKey : kGltfKey, bin ? kGlbLog : kGltfLog), binary(bin), embed(bin ? 1 : 0) {
  Set_Filter(Filter(binary));
  Set_Ext(binary ? "glb" : "gltf");
  kvpf::LoadOptionKeys(Keys(), this);
  image_handler.Load(kImageSection, binary ? kGlbKey : kGltfKey);
}

GltfExportOption::GltfExportOption(bool bin, int argc, char** argv)
    : Export_FileOption(argc, argv, bin ? kGlbLog : kGltfLog), binary(bin), embed(bin ? 1 : 0) {
  Set_Filter(Filter(binary));
  Set_Ext(binary ? "glb" : "gltf");
  kvpf::LoadOptionKeys(Keys(), this);
  image_handler.Load(argc, argv);
}

GltfExportOption::~GltfExportOption() {
  kvpf::SaveOptionKeys(Keys(), this);
  if (!cmd_mode) image_handler.Save(kImageSection, binary ? kGlbKey : kGltfKey);
}

void GltfExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  kvpf::PrintOptionKeys(fp, Keys());
  image_handler.Print(fp);
}
