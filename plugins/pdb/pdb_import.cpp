// Protein Data Bank import: a ball-and-stick scene, a sphere per ATOM and
// HETATM record and a cylinder per bond of the CONECT records.
#include "format_run.h"
#include "korvanelib.h"
#include "pdb_import_parts.h"
#include "pdb_options.h"
#include "plugin_framework.h"

namespace {

const char kTitle[] = "PDB Import Plugin 1.0";
const char kHelp[] =
    "PDB Import Plugin 1.0\n\nImports *.pdb (Protein Data Bank): every ATOM and HETATM record as a sphere\n"
    "sized and coloured by its atom class, every bond of the CONECT records as a cylinder.\n\n"
    "Common Settings:\n\n\tVerbose: enable detailed logging\n\tLog File name: enter new log file name\n\n"
    "Specific Settings:\n\n"
    "\t-create_atoms=FLAG: spheres for the atoms (default 1)\n"
    "\t-create_connections=FLAG: cylinders for the CONECT bonds (default 1)\n"
    "\t-structur_size=DVAL: factor for every sphere and cylinder radius (default 0.25)\n"
    "\t-connection_size=DVAL: cylinder radius before the factor (default 0.5)\n"
    "\t-equal_size=FLAG: every radius 0.5 before the factor (default 0)\n"
    "\t-pdb_distinct_bonds=FLAG: one cylinder per bond, however often CONECT lists it (default 0)\n"
    "\t-pdb_first_altloc=FLAG: of the alternate locations of a residue only the first (default 0)\n"
    "\t-pdb_first_model=FLAG: only the atoms of the first MODEL (default 0)\n\n";

void ImportPdb(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  PdbImportOption* o = static_cast<PdbImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  pdb::AppendSurfaces(scene);

  FILE* f = run.OpenInputStream();
  if (!f) return;
  pdb::Molecule mol;
  const bool read = pdb::ReadMolecule(run, *o, f, &mol);
  std::fclose(f);
  if (!read) return;
  if (o->create_atoms) pdb::BuildAtoms(run, *o, mol, scene);
  if (o->create_connections) pdb::BuildBonds(run, *o, mol, scene);
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new PdbImportOption(argc, argv);
  return new PdbImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  PdbImportOption* o = static_cast<PdbImportOption*>(base);
  const KvOptionField fields[] = {
      {1036, "Create Atoms", KV_FIELD_FLAG, &o->create_atoms, sizeof o->create_atoms},
      {1037, "Create Connections", KV_FIELD_FLAG, &o->create_connections, sizeof o->create_connections},
      {1038, "Equal Sizes", KV_FIELD_FLAG, &o->equal_size, sizeof o->equal_size},
      {1028, "Structure Size", KV_FIELD_DOUBLE, &o->structur_size, sizeof o->structur_size},
      {1029, "Connection Size", KV_FIELD_DOUBLE, &o->connection_size, sizeof o->connection_size},
      {1039, "One Cylinder per Bond", KV_FIELD_FLAG, &o->distinct_bonds, sizeof o->distinct_bonds},
      {1040, "First Alternate Location Only", KV_FIELD_FLAG, &o->first_altloc, sizeof o->first_altloc},
      {1041, "First Model Only", KV_FIELD_FLAG, &o->first_model, sizeof o->first_model},
  };
  int n = 0;
  for (const KvOptionField& f : fields)
    if (n < max) out[n++] = f;
  return n;
}

kvpf::ImportClassDesc pdb_import_desc(kvpf::ImportClassInfo{
    "Protein Data Bank  (*.pdb)", 0x117E01E9u, kvpf::PluginTexts{"PDB", kHelp}, NewOptions, ImportPdb, OptionFields});

PluginClassDesc* const kClasses[] = {&pdb_import_desc};

}  // namespace

KV_PLUGIN_LIBRARY("PDB Import Lib", kClasses)
