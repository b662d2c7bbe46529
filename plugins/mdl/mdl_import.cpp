// Quake model import: Quake 1 MDL and Quake 2 MD2, one frame into one
// textured mesh.
#include <cstring>

#include "format_run.h"
#include "korvanelib.h"
#include "mdl_import_parts.h"
#include "mdl_options.h"
#include "plugin_framework.h"
#include "quake_format.h"

namespace {

const char kTitle[] = "MDL Import Plugin 1.0";
const char kHelp[] =
    "MDL Import Plugin 1.0\n\nImports *.mdl (Quake 1, IDPO version 6) and *.md2 (Quake 2, IDP2 version 8):\n"
    "one frame as a textured mesh. MDL skins are written as TGA files beside the model.\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n"
    "Specific Settings:\n\n"
    "\t-image_search_path=String: further folders for texture maps, separated by ';'\n"
    "\t-mdl_frame=IVAL: the animation frame to read (0 = the first)\n"
    "\t-mdl_write_skins=FLAG: write MDL skins as TGA files (default 1)\n"
    "\t-mdl_overwrite_skins=FLAG: replace skin files that exist already (default 0)\n"
    "\t-mdl_skin_path=String: folder for the skin files (default: beside the model)\n\n";
char kDefault[] = "DEFAULT";

// Model files of other families that share the extension.
struct OtherFamily {
  char magic[5];
  const char* name;
};
constexpr OtherFamily kOtherFamilies[] = {
    {"IDST", "a Half-Life studio model"},   {"IDSQ", "a Half-Life sequence file"},
    {"MDL2", "a 3D GameStudio model (MDL2)"}, {"MDL3", "a 3D GameStudio model (MDL3)"},
    {"MDL4", "a 3D GameStudio model (MDL4)"}, {"MDL5", "a 3D GameStudio model (MDL5)"},
    {"MDL7", "a 3D GameStudio model (MDL7)"}, {"HMP4", "a 3D GameStudio terrain (HMP4)"},
    {"HMP5", "a 3D GameStudio terrain (HMP5)"}, {"HMP7", "a 3D GameStudio terrain (HMP7)"},
    {"RAPO", "a Hexen II model"},           {"IDP3", "a Quake 3 model (MD3)"},
};

void RefuseUnknown(kvpf::ImportRun& run, uint32_t magic, const uint8_t* head) {
  run.log().write("%X", magic);
  run.log().write(" Only IDP2 and IDPO supported\n");
  for (const OtherFamily& f : kOtherFamilies) {
    if (std::memcmp(head, f.magic, 4) == 0)
      return run.Fail("%s is %s (%s), not a Quake 1 MDL (IDPO) or Quake 2 MD2 (IDP2) file", run.path().c_str(),
                      f.name, f.magic);
  }
  run.Fail("%s is not a Quake model: it starts with 0x%08X; only IDPO (Quake 1 MDL) and IDP2 (Quake 2 MD2) are read",
           run.path().c_str(), magic);
}

void ImportMdl(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  MdlImportOption* o = static_cast<MdlImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  scene->surfaces->Append(new MSurface(kDefault));
  scene->maps->AddSearchPath(m_split_path(run.path().c_str()).dir.c_str());
  scene->maps->AddSearchPath(o->image_search_path);
  scene->maps->AddSearchPath(o->skin_path);

  MFileView file;
  if (!run.OpenInput(&file)) return;
  if (file.size() < 4)
    return run.Fail("%s is not a Quake model: it holds %zu bytes", run.path().c_str(), file.size());
  MBinReader head = file.Reader();
  const uint32_t magic = head.U32();

  kvmdl::Context ctx{run, o, scene};
  kvmdl::Model model;
  bool read = false;
  kvmdl::Step(ctx, 0);
  if (magic == quake::kMd2Magic) {
    read = kvmdl::ReadMd2(ctx, file, &model);
  } else if (magic == quake::kMdlMagic) {
    read = kvmdl::ReadMdl(ctx, file, &model);
  } else {
    return RefuseUnknown(run, magic, file.data());
  }
  file.Close();
  if (!read || !kvmdl::BuildMesh(ctx, model)) return;
  kvmdl::Step(ctx, 100);
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new MdlImportOption(argc, argv);
  return new MdlImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  MdlImportOption* o = static_cast<MdlImportOption*>(base);
  const KvOptionField fields[] = {
      {1027, "Image Search Path", KV_FIELD_STRING, o->image_search_path, sizeof o->image_search_path},
      {1028, "Frame", KV_FIELD_INT, &o->frame, sizeof o->frame},
      {1029, "Write MDL Skins", KV_FIELD_FLAG, &o->write_skins, sizeof o->write_skins},
      {1030, "Overwrite Skin Files", KV_FIELD_FLAG, &o->overwrite_skins, sizeof o->overwrite_skins},
      {1031, "Skin Folder", KV_FIELD_STRING, o->skin_path, sizeof o->skin_path},
  };
  int n = 0;
  for (const KvOptionField& f : fields)
    if (n < max) out[n++] = f;
  return n;
}

kvpf::ImportClassDesc mdl_import_desc(kvpf::ImportClassInfo{
    "Quake (*.mdl, *.md2)", 0x4E6F43BCu, kvpf::PluginTexts{"MDL", kHelp}, NewOptions, ImportMdl, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&mdl_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("MDL Import Lib", kClasses)
