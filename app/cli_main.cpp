// korvane-cli: the converter without a window.
//
//   korvane-cli [--plugin-dir DIR] COMMAND ...
//
// Exit status: 0 done, 1 the input cannot be read, the output cannot be
// written or no class fits, 2 usage error. A run never writes the settings
// store: every plug-in is put in command-line mode before anything else.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_common.h"
#include "command_support.h"
#include "conversion.h"
#include "huge_pages.h"
#include "korvanelib.h"
#include "modifier_commands.h"
#include "plugin_framework.h"
#include "plugin_host.h"
#include "render.h"
#include "render_command.h"

namespace {

const char* const kUsage =
    "usage: korvane-cli [--plugin-dir DIR] COMMAND ...\n"
    "commands:\n"
    "  plugins                          the loaded plug-ins and their classes\n"
    "  classes                          one line per class: import|export, ClassID, ClassName\n"
    "  info FILE [--from CLASS] [--json] [--objmod F.ini] [--scenemod F.ini]\n"
    "                                   imports FILE and prints what it holds\n"
    "  dump FILE OUT.txt [--from CLASS] imports FILE and writes the scene dump to OUT.txt\n"
    "  convert IN OUT [--from CLASS] [--to CLASS] [--objmod F.ini] [--scenemod F.ini]\n"
    "        [--report] [--json] [-key=value ...]\n"
    "                                   imports IN and exports it to OUT's folder and base name;\n"
    "                                   --report: what the target format could not keep, per object\n"
    "  batch LIST.lst [--objmod F.ini] [--scenemod F.ini] [--dry-run] [--jobs N] [--timeout S]\n"
    "        [--shard K/N] [--report FILE.jsonl] [-key=value ...]\n"
    "                                   converts every entry of a batch list; the list is not changed\n"
    "  batch-add LIST.lst OUTDIR FILE... [--from CLASS] [--to CLASS]\n"
    "                                   adds entries converting FILE... into OUTDIR to a batch list\n"
    "  modify-help                      the object and scene modifier options (help objmod, help scenemod)\n"
    "  render IN OUT.png [--size W,H] [--from CLASS] [--camera first|fit] [--view front|top|iso]\n"
    "                                   imports IN and draws it offscreen into OUT.png\n"
    "  render --grid DIR OUT.png [--size W,H]\n"
    "                                   a contact sheet of every model under DIR, W,H a tile\n"
    "  help [CLASS]                     the option help, and a class's own help\n"
    "  --version                        the version\n"
    "CLASS is an exact ClassName, a ClassID (0x...), or a part of one ClassName (any case).\n"
    "-key=value and @file arguments go to the plug-ins' options.\n"
    "--objmod and --scenemod name modifier option files (see modify-help) run between import and\n"
    "export; the object pass works on all objects unless the file selects some.\n"
    "batch --jobs N converts in N worker processes (--timeout S kills an entry's worker after S\n"
    "seconds); --shard K/N converts the K-th of N slices of the list.\n"
    "The plug-in folder is --plugin-dir, else $KORVANE_PLUGIN_DIR, else plugin/ beside the program,\n"
    "else (installed) " KORVANE_INSTALLED_PLUGIN_DIR "/ relative to the program.\n";

int Usage(const std::string& why) {
  if (!why.empty()) std::fprintf(stderr, "korvane-cli: %s\n", why.c_str());
  std::fputs(kUsage, stderr);
  return kvcli::kExitUsage;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "korvane-cli: %s\n", why.c_str());
  return kvcli::kExitFailure;
}

// The arguments after the command.
struct CommandArgs {
  std::vector<std::string> positional;
  std::string from;
  std::string to;
  bool json = false;
  std::string objmod;    // modifier option files
  std::string scenemod;
  bool report = false;
  std::string size, camera, view, grid;  // render
  std::vector<char*> plugin_args;  // -key=value and @file, for the plug-ins
};

// A command's positional argument counts and the options it takes.
struct CommandSpec {
  const char* name;
  size_t min_pos, max_pos;
  bool from, to, json, report, plugin_args, mods, render;
};

// Splits the arguments; "" on success, else the usage error.
std::string ParseCommandArgs(int argc, char** argv, int start, const CommandSpec& spec, CommandArgs& out) {
  for (int i = start; i < argc; ++i) {
    const char* a = argv[i];
    std::string s = a;
    auto value = [&](const char* opt, std::string& dst, const char* what = "a CLASS") -> std::string {
      size_t n = std::strlen(opt);
      if (s.size() > n && s.compare(0, n, opt) == 0 && s[n] == '=') {
        dst = s.substr(n + 1);
      } else if (i + 1 < argc) {
        dst = argv[++i];
      } else {
        return std::string(opt) + " needs " + what;
      }
      if (dst.empty()) return std::string(opt) + " needs " + what;
      return "";
    };
    auto is_opt = [&](const char* opt) {
      const size_t n = std::strlen(opt);
      return s.compare(0, n, opt) == 0 && (s.size() == n || s[n] == '=');
    };
    struct RenderOpt {
      const char* name;
      std::string* dst;
      const char* what;
    };
    const RenderOpt render_opts[] = {{"--size", &out.size, "W,H"},
                                     {"--camera", &out.camera, "first or fit"},
                                     {"--view", &out.view, "front, top or iso"},
                                     {"--grid", &out.grid, "a folder"}};
    const RenderOpt* render_opt = nullptr;
    for (const RenderOpt& r : render_opts)
      if (is_opt(r.name)) render_opt = &r;
    if (render_opt) {
      if (!spec.render) return std::string(render_opt->name) + " is not an option of this command";
      std::string e = value(render_opt->name, *render_opt->dst, render_opt->what);
      if (!e.empty()) return e;
      continue;
    }
    if (s.rfind("--from", 0) == 0 && (s.size() == 6 || s[6] == '=')) {
      if (!spec.from) return "--from is not an option of this command";
      std::string e = value("--from", out.from);
      if (!e.empty()) return e;
    } else if (s.rfind("--to", 0) == 0 && (s.size() == 4 || s[4] == '=')) {
      if (!spec.to) return "--to is not an option of this command";
      std::string e = value("--to", out.to);
      if (!e.empty()) return e;
    } else if ((s.rfind("--objmod", 0) == 0 && (s.size() == 8 || s[8] == '=')) ||
               (s.rfind("--scenemod", 0) == 0 && (s.size() == 10 || s[10] == '='))) {
      bool objects = s[2] == 'o';
      const char* opt = objects ? "--objmod" : "--scenemod";
      if (!spec.mods) return std::string(opt) + " is not an option of this command";
      std::string& dst = objects ? out.objmod : out.scenemod;
      size_t n = std::strlen(opt);
      dst = s.size() > n ? s.substr(n + 1) : (i + 1 < argc ? argv[++i] : "");
      if (dst.empty()) return std::string(opt) + " needs an option file";
    } else if (s == "--json") {
      if (!spec.json) return "--json is not an option of this command";
      out.json = true;
    } else if (s == "--report") {
      if (!spec.report) return "--report is not an option of this command";
      out.report = true;
    } else if (s.rfind("--", 0) == 0 && s.size() > 2) {
      return "unknown option " + s;
    } else if ((s.size() > 1 && s[0] == '-') || (s.size() > 1 && s[0] == '@')) {
      out.plugin_args.push_back(argv[i]);
    } else {
      out.positional.push_back(s);
    }
  }
  return "";
}

using kvcli::LoadPlugins;
using kvcli::Session;

std::string NoPluginsNote(Session& s) {
  if (s.registry.ClassCount() > 0) return "";
  return " (no plug-ins loaded from " + kvcli::Quote(s.plugin_dir) + ")";
}

// The import class for a command: --from or the file's extension.
int PickImportClass(Session& s, const CommandArgs& args, const std::string& file, int& index) {
  std::string err;
  if (!args.from.empty()) {
    index = kvcli::ResolveClass(s.registry, args.from, kvcli::ClassKind::Import, err);
    if (index < 0) return Fail(err + NoPluginsNote(s));
    return 0;
  }
  index = s.registry.FindImportClass(file.c_str());
  if (index < 0) {
    return Fail("no import class fits " + kvcli::Quote(file) + ": extension " +
                kvcli::Quote(kvcli::FileExtension(file)) + " not recognized" + NoPluginsNote(s) +
                "; name one with --from CLASS");
  }
  return 0;
}

// The modifier records the command's --objmod and --scenemod name.
int LoadModifiers(const CommandArgs& args, kvcli::ModifierFiles& mods) {
  std::string why;
  return mods.Load(args.objmod, args.scenemod, why) ? 0 : Fail(why);
}

// What a plug-in reported although it went on.
void PrintWarnings(ConversionDriver& driver) {
  for (const std::string& w : driver.warnings) std::fprintf(stderr, "korvane-cli: warning: %s\n", w.c_str());
  driver.warnings.clear();
}

// Imports file through class index into the driver; non-zero exit on failure.
int ImportInput(ConversionDriver& driver, int index, const std::string& file) {
  std::string why;
  if (!kvcli::CheckReadable(file, why)) return Fail("cannot read input file " + kvcli::Quote(file) + ": " + why);
  if (driver.ImportFile(index, file.c_str()) != 1) {
    PrintWarnings(driver);
    return Fail("import of " + kvcli::Quote(file) + " failed: " +
                (driver.last_error.empty() ? std::string("no scene") : driver.last_error));
  }
  PrintWarnings(driver);
  return 0;
}

int CmdPlugins(Session& s) {
  for (const std::string& line : s.registry.SummaryLines()) std::printf("%s\n", line.c_str());
  if (s.registry.libraries->count == 0)
    std::fprintf(stderr, "korvane-cli: no plug-ins loaded from %s\n", kvcli::Quote(s.plugin_dir).c_str());
  return 0;
}

int CmdClasses(Session& s) {
  for (int i = 0; i < s.registry.ClassCount(); ++i) {
    PluginClassDesc* d = s.registry.GetClass(i);
    if (!d) continue;
    const char* kind = nullptr;
    if (d->SuperClassID() == MESH_IMPORT_CLASS_ID) kind = "import";
    if (d->SuperClassID() == MESH_EXPORT_CLASS_ID) kind = "export";
    if (!kind) continue;
    const char* name = d->ClassName();
    std::printf("%s\t0x%08X\t%s\n", kind, static_cast<unsigned>(d->ClassID()), name ? name : "");
  }
  if (s.registry.ClassCount() == 0)
    std::fprintf(stderr, "korvane-cli: no plug-ins loaded from %s\n", kvcli::Quote(s.plugin_dir).c_str());
  return 0;
}

int CmdInfo(Session& s, const CommandArgs& args) {
  const std::string& file = args.positional[0];
  int index = -1;
  if (int rc = PickImportClass(s, args, file, index)) return rc;
  kvcli::ModifierFiles mods;
  if (int rc = LoadModifiers(args, mods)) return rc;
  ConversionDriver driver(s.registry);
  driver.LeaveScenesAtExit();
  if (int rc = ImportInput(driver, index, file)) return rc;
  kvhost::RunModifierPasses(driver, mods.objects.get(), mods.scene.get());
  kvcli::SceneInfo info = kvcli::CollectInfo(driver);
  std::string text = args.json ? kvcli::InfoJson(info) : kvcli::InfoText(info);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

int CmdDump(Session& s, const CommandArgs& args) {
  const std::string& file = args.positional[0];
  const std::string& out = args.positional[1];
  int index = -1;
  if (int rc = PickImportClass(s, args, file, index)) return rc;
  ConversionDriver driver(s.registry);
  driver.LeaveScenesAtExit();
  if (int rc = ImportInput(driver, index, file)) return rc;
  if (driver.Dump(out.c_str()) != 1) return Fail(driver.last_error);
  std::printf("%s\n", out.c_str());
  return 0;
}

int CmdConvert(Session& s, const CommandArgs& args) {
  const std::string& in = args.positional[0];
  const std::string& out = args.positional[1];
  int from = -1;
  if (int rc = PickImportClass(s, args, in, from)) return rc;
  int to = -1;
  std::string err;
  if (!args.to.empty()) {
    to = kvcli::ResolveClass(s.registry, args.to, kvcli::ClassKind::Export, err);
  } else {
    to = kvcli::ExportClassForPath(s.registry, out, err);
  }
  if (to < 0) return Fail(err + NoPluginsNote(s));
  kvcli::ModifierFiles mods;
  if (int rc = LoadModifiers(args, mods)) return rc;

  ConversionDriver driver(s.registry);
  driver.LeaveScenesAtExit();
  driver.ExportOnce();
  if (int rc = ImportInput(driver, from, in)) return rc;
  kvhost::RunModifierPasses(driver, mods.objects.get(), mods.scene.get());
  std::vector<std::string> written;
  int ok = driver.ExportFile(to, out.c_str(), &written);
  PrintWarnings(driver);
  if (!ok) return Fail(driver.last_error);
  if (args.json) {
    std::string text = kvcli::ConvertJson(written, driver.losses, driver.losses_accounted);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  for (const std::string& p : written) std::printf("%s\n", p.c_str());
  if (args.report) {
    std::string text = kvcli::LossTable(driver.losses, driver.losses_accounted);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  return 0;
}

// The picture options of render; "" or the usage error.
std::string RenderOptionsOf(const CommandArgs& args, kvrender::RenderOptions* o) {
  std::string why;
  if (!args.size.empty() && !kvcli::ParseRenderSize(args.size, &o->width, &o->height, &why)) return why;
  if (!args.camera.empty() && !kvcli::ParseCameraMode(args.camera, &o->camera))
    return "--camera needs first or fit, not " + kvcli::Quote(args.camera);
  if (!args.view.empty() && !kvcli::ParseView(args.view, &o->view))
    return "--view needs front, top or iso, not " + kvcli::Quote(args.view);
  return "";
}

// The first scene of the driver drawn with o; false with why. empty (may
// be null) tells whether the scene held anything to draw.
bool DrawImported(ConversionDriver& driver, const kvrender::RenderOptions& o, kvrender::Picture* pic, std::string* why,
                  bool* empty = nullptr) {
  MScene* scene = driver.scenes->count > 0 ? static_cast<MScene*>(driver.scenes->GetAt(0)) : nullptr;
  MVector3 lo, hi;
  if (empty) *empty = !kvrender::DrawnBounds(scene, &lo, &hi);
  return kvrender::RenderScene(scene, o, pic, why);
}

int CmdRenderGrid(Session& s, const CommandArgs& args, kvrender::RenderOptions o) {
  const std::string& dir = args.positional[0];
  const std::string& out = args.positional[1];
  if (!args.from.empty()) return Usage("render: --from is not an option of --grid");
  if (args.size.empty()) o.width = o.height = 160;
  std::vector<std::string> models;
  std::string why;
  if (!kvcli::GridModels(s.registry, dir, &models, &why)) return Fail(why);
  if (models.empty()) return Fail("no models under " + kvcli::Quote(dir) + NoPluginsNote(s));
  std::vector<kvrender::SheetTile> tiles;
  for (const std::string& rel : models) {
    const std::string path = (std::filesystem::path(dir) / rel).string();
    kvrender::SheetTile tile;
    tile.label = rel;
    ConversionDriver driver(s.registry);
    if (driver.ImportFile(s.registry.FindImportClass(path.c_str()), path.c_str()) != 1) {
      std::fprintf(stderr, "korvane-cli: %s: %s\n", rel.c_str(), driver.last_error.empty() ? "no scene" : driver.last_error.c_str());
    } else if (bool empty = false; !DrawImported(driver, o, &tile.picture, &why, &empty) || empty) {
      if (!kvrender::Available()) return Fail(why);
      std::fprintf(stderr, "korvane-cli: %s: %s\n", rel.c_str(), empty ? "nothing to draw" : why.c_str());
      tile.picture = kvrender::Picture();
    }
    tiles.push_back(std::move(tile));
  }
  if (!kvrender::WritePng(kvrender::ContactSheet(tiles, o.width, o.height), out, &why)) return Fail(why);
  std::printf("%s\n", out.c_str());
  return 0;
}

int CmdRender(Session& s, const CommandArgs& args) {
  kvrender::RenderOptions o;
  std::string why = RenderOptionsOf(args, &o);
  if (!why.empty()) return Usage("render: " + why);
  if (!args.grid.empty()) return CmdRenderGrid(s, args, o);
  const std::string& in = args.positional[0];
  const std::string& out = args.positional[1];
  int index = -1;
  if (int rc = PickImportClass(s, args, in, index)) return rc;
  ConversionDriver driver(s.registry);
  driver.LeaveScenesAtExit();
  if (int rc = ImportInput(driver, index, in)) return rc;
  kvrender::Picture pic;
  bool empty = false;
  if (!DrawImported(driver, o, &pic, &why, &empty)) return Fail("cannot render " + kvcli::Quote(in) + ": " + why);
  if (empty) std::fprintf(stderr, "korvane-cli: warning: nothing to draw in %s\n", kvcli::Quote(in).c_str());
  if (!kvrender::WritePng(pic, out, &why)) return Fail(why);
  std::printf("%s\n", out.c_str());
  return 0;
}

// Help texts go to standard output: the plug-in's help dialog is replaced by
// a hook that prints.
void PrintHelpHook(const char* caption, const char* text) {
  if (caption && *caption) std::printf("%s\n", caption);
  if (text) std::fputs(text, stdout);
}

int CmdHelp(Session& s, const CommandArgs& args) {
  if (!args.positional.empty() && (args.positional[0] == "objmod" || args.positional[0] == "scenemod")) {
    std::fputs(args.positional[0] == "objmod" ? ObjModOption1::Get_HelpString() : ObjModOption2::Get_HelpString(),
               stdout);
    return 0;
  }
  if (args.positional.empty()) {
    std::fputs(kUsage, stdout);
    std::fputs("\n", stdout);
    std::fputs(kvcli::CommonHelp(true, true).c_str(), stdout);
    return 0;
  }
  std::string err;
  int index = kvcli::ResolveClass(s.registry, args.positional[0], kvcli::ClassKind::Any, err);
  if (index < 0) return Fail(err + NoPluginsNote(s));
  PluginClassDesc* d = s.registry.GetClass(index);
  bool is_import = d->SuperClassID() == MESH_IMPORT_CLASS_ID;
  std::printf("%s\t0x%08X\t%s\n\n", is_import ? "import" : "export", static_cast<unsigned>(d->ClassID()),
              d->ClassName() ? d->ClassName() : "");
  std::fflush(stdout);
  PluginLibrary* lib = s.registry.GetClassLibrary(index);
  LibSetUiHooksProc set_hooks = lib ? reinterpret_cast<LibSetUiHooksProc>(lib->lib_set_ui_hooks) : nullptr;
  if (set_hooks) {
    KvUiHooks hooks{};
    hooks.size = sizeof hooks;
    hooks.show_help = PrintHelpHook;
    set_hooks(&hooks);
  }
  ConversionDriver driver(s.registry);
  driver.ShowHelp(index);
  if (set_hooks) set_hooks(nullptr);
  std::fputs("\n", stdout);
  std::fputs(kvcli::CommonHelp(is_import, !is_import).c_str(), stdout);
  return 0;
}

int Run(int argc, char** argv) {
  std::string plugin_dir;
  int i = 1;
  while (i < argc) {
    std::string a = argv[i];
    if (a == "--plugin-dir") {
      if (i + 1 >= argc || !*argv[i + 1]) return Usage("--plugin-dir needs a folder");
      plugin_dir = argv[i + 1];
      i += 2;
    } else if (a.rfind("--plugin-dir=", 0) == 0) {
      plugin_dir = a.substr(13);
      if (plugin_dir.empty()) return Usage("--plugin-dir needs a folder");
      ++i;
    } else {
      break;
    }
  }
  if (i >= argc) return Usage("no command given");
  std::string cmd = argv[i++];
  if (cmd == "--version" || cmd == "version") {
    std::printf("korvane %s\n", korvanelib_version());
    return 0;
  }
  if (cmd == "--help" || cmd == "-h") cmd = "help";
  if (cmd == "modify-help") {
    if (i < argc) return Usage(cmd + ": unexpected argument " + kvcli::Quote(argv[i]));
    std::fputs(ObjModOption1::Get_HelpString(), stdout);
    std::fputs(ObjModOption2::Get_HelpString(), stdout);
    return 0;
  }
  if (plugin_dir.empty()) plugin_dir = DefaultPluginDir();
  if (!plugin_dir.empty() && plugin_dir.back() != '/') plugin_dir += '/';
  if (kvcli::IsBatchCommand(cmd)) return kvcli::BatchMain(cmd, argc, argv, i, plugin_dir);
  kvcli::UseTerminalProgress();

  static const CommandSpec kSpecs[] = {
      {"plugins", 0, 0, false, false, false, false, false, false, false},
      {"classes", 0, 0, false, false, false, false, false, false, false},
      {"info", 1, 1, true, false, true, false, true, true, false},
      {"dump", 2, 2, true, false, false, false, true, false, false},
      {"convert", 2, 2, true, true, true, true, true, true, false},
      {"render", 1, 2, true, false, false, false, true, false, true},
      {"help", 0, 1, false, false, false, false, false, false, false},
  };
  const CommandSpec* spec = nullptr;
  for (const CommandSpec& sp : kSpecs)
    if (cmd == sp.name) spec = &sp;
  if (!spec) return Usage("unknown command " + kvcli::Quote(cmd));

  CommandArgs args;
  const bool render = spec->render;
  std::string err = ParseCommandArgs(argc, argv, i, *spec, args);
  if (!err.empty()) return Usage(cmd + ": " + err);
  if (!spec->plugin_args && !args.plugin_args.empty())
    return Usage(cmd + ": unknown option " + std::string(args.plugin_args[0]));
  if (render && !args.grid.empty() && !args.positional.empty()) args.positional.insert(args.positional.begin(), args.grid);
  if (render && args.positional.size() == 1) return Usage(cmd + ": missing argument");
  if (args.positional.size() < spec->min_pos) return Usage(cmd + ": missing argument");
  if (args.positional.size() > spec->max_pos)
    return Usage(cmd + ": unexpected argument " + kvcli::Quote(args.positional[spec->max_pos]));
  for (const std::string& p : args.positional)
    if (p.empty()) return Usage(cmd + ": empty file name");

  if (cmd == "help" && args.positional.empty()) {
    Session none(plugin_dir);
    return CmdHelp(none, args);
  }
  Session session(plugin_dir);
  LoadPlugins(session, args.plugin_args, argv[0]);
  int rc = 0;
  if (cmd == "plugins") rc = CmdPlugins(session);
  else if (cmd == "classes") rc = CmdClasses(session);
  else if (cmd == "info") rc = CmdInfo(session, args);
  else if (cmd == "dump") rc = CmdDump(session, args);
  else if (cmd == "convert") rc = CmdConvert(session, args);
  else if (render) rc = CmdRender(session, args);
  else rc = CmdHelp(session, args);
  return rc;
}

// Standard output is a file like any other: a full disk or a closed pipe
// is a failure, not a finished report.
int CheckStdout(int rc) {
  errno = 0;
  bool ok = std::fflush(stdout) == 0 && !std::ferror(stdout);
  int err = errno;
  // The descriptor is closed, not the stream: freeing the stream's buffer
  // would make the allocator sort through all that the scene gave back.
  if (close(STDOUT_FILENO) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok) return rc;
  std::fprintf(stderr, "korvane-cli: cannot write standard output: %s\n", std::strerror(err ? err : EIO));
  return rc == kvcli::kExitOk ? kvcli::kExitFailure : rc;
}

}  // namespace

int main(int argc, char** argv) {
  kvhost::StartWithHugePages(argv);
  // Past a file size limit a write should fail (and the output be thrown
  // away), not kill the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  return CheckStdout(Run(argc, argv));
}
