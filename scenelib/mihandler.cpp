#include "mihandler.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <unordered_set>
#include <string>
#include <string_view>

#include "cmdline.h"
#include "pathutil.h"
#include "profile.h"

namespace {

static const char kHelp[] =
    "** Map Conversion paramter **\n"
    "\tImports TGA, BMP, GIF, CEL, FLI, PNG, JPG, TIF, PCX\n"
    "\tExports TGA, BMP, GIF, CEL, PNG, JPG, TIF, PCX\n"
    "\t-enable_copy=FLAG: enables file copy to new destination\n"
    "\t-destination_path=STRING: destination path\n"
    "\t-enable_image_conversion=FLAG: enables image conversion\n"
    "\t-image_type=IVAL: 0=TGA;1=GIF;2=BMP;3=CEL;5=JPG;6=TIF;7=PNG;8=PCX\n"
    "\t-enable_extension_conversion=FLAG: enables extension replace\n"
    "\t-file_extension=STRING: extension e.g. PPM\n"
    "\t \n"
    "\tmap conversion options affect two properties of map files:\n"
    "\tmapfile extension in 3D file and location/conversion of mapfile.\n"
    "\tfollowing summary shows influence of the options:\n"
    "\t \n"
    "\tmapfile extension in 3D file:\n"
    "\tenable_copy: no influence\n"
    "\tenable_image_conversion = 0, enable_extension_conversion = 0\n"
    "\t=> original extension\n"
    "\tenable_image_conversion = 1, enable_extension_conversion = 0\n"
    "\t=> new extension with image_type\n"
    "\tenable_image_conversion = 0, enable_extension_conversion = 1\n"
    "\t=> new extension with file_extension\n"
    "\tenable_image_conversion = 1, enable_extension_conversion = 1\n"
    "\t=> new extension with file_extension\n"
    "\t \n"
    "\tlocation/conversion of mapfile:\n"
    "\tif destination_path is valid, images are copied to destination_path\n"
    "\telse new 3d file location is used instead\n"
    "\tenable_extension_conversion: no influence\n"
    "\tenable_image_conversion = 0, enable_copy = 0\n"
    "\t=> original location, original map file\n"
    "\tenable_image_conversion = 1, enable_copy = 0\n"
    "\t=> original location, converted map file\n"
    "\tenable_image_conversion = 0, enable_copy = 1\n"
    "\t=> new location, original map file\n"
    "\tenable_image_conversion = 1, enable_copy = 1\n"
    "\t=> new location, converted map file\n"
    "\t\n"
    "\tExample:\n"
    "\t-enable_copy=1\n"
    "\t-destination_path=d:\\tmp\\\n"
    "\t-enable_image_conversion=1\n"
    "\t-image_type=6\n"
    "\t-enable_extension_conversion=0\n"
    "\t-file_extension=TIF\n"
    "\tThis example copies/converts all images to d:\\tmp\\*.tif\n"
    "\tExtension conversion is switched off\n"
    "\t\n"
    "\tHint:\n"
    "\tIf there is no buildin image conversion possible\n"
    "\tswitch off \"enable_image_conversion\"\n"
    "\tbut switch on \"enable_copy\" to copy all map files\n"
    "\tto a new location.\n"
    "\tSwitch on \"enable_extension_conversion\" to set new\n"
    "\tfile extension. Now you could manually\n"
    "\tconvert all map files with your favourite image conversion tool.\n"
    "\tIf your conversion tool does only support a specific\n"
    "\tfileformat e.g. \"TGA\" additional switch on \"enable_image_conversion\"\n"
    "\tand set \"image_type\" to \"TGA\".\n"
    "\tNow all maps will be copied to new location and converted to \"TGA\".\n"
    "\n";

void copy_bounded(char* dst, size_t cap, const char* src) {
  size_t n = src ? std::strlen(src) : 0;
  if (n > cap - 1) n = cap - 1;
  std::memmove(dst, src ? src : "", n);
  dst[n] = 0;
}

const char* skip_dot(const char* ext) { return (ext && *ext == '.') ? ext + 1 : (ext ? ext : ""); }

// A map name in its parts, over the caller's text: directory (with its
// separator), stem, extension (without the dot). Model files written on
// Windows use '\\', so both separators count.
struct NameParts {
  std::string_view dir, stem, ext;
};

NameParts split_name(const char* name) {
  std::string_view s = name ? name : "";
  size_t sep = s.find_last_of("/\\");
  size_t file_at = sep == std::string_view::npos ? 0 : sep + 1;
  std::string_view file = s.substr(file_at);
  size_t dot = file.find_last_of('.');
  NameParts p;
  p.dir = s.substr(0, file_at);
  if (dot == std::string_view::npos) {
    p.stem = file;
  } else {
    p.stem = file.substr(0, dot);
    p.ext = file.substr(dot + 1);
  }
  return p;
}

// A folder as the file system wants it: '/' only, ending in '/' unless empty.
std::string as_folder(std::string_view dir) {
  std::string d(dir);
  for (char& c : d)
    if (c == '\\') c = '/';
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

// Keeps the folder's own style: "d:\tmp" gets '\\', "/tmp/maps" gets '/'.
void end_with_separator(char* path, size_t cap) {
  size_t n = std::strlen(path);
  if (n == 0 || path[n - 1] == '/' || path[n - 1] == '\\' || n + 1 >= cap) return;
  path[n] = (std::strchr(path, '\\') && !std::strchr(path, '/')) ? '\\' : '/';
  path[n + 1] = 0;
}

void log_line(FILE* log, const char* fmt, const char* a, const char* b = nullptr) {
  if (log) std::fprintf(log, fmt, a, b);
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The files of a folder, in capitals (readers on other systems forgive
// letter case, so names that differ only in case clash there).
std::vector<std::string> folder_files(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end; !ec && it != end; it.increment(ec))
    out.push_back(upper(it->path().filename().string()));
  return out;
}

bool same_bytes(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  char ba[65536], bb[65536];
  for (;;) {
    fa.read(ba, sizeof ba);
    fb.read(bb, sizeof bb);
    if (fa.gcount() != fb.gcount() || std::memcmp(ba, bb, static_cast<size_t>(fa.gcount())) != 0) return false;
    if (!fa || !fb) return !fa && !fb;
  }
}

// A converted copy holds the source's pixels (lossless types only).
bool same_pixels(const std::string& a, const std::string& b) {
  int wa = 0, ha = 0, wb = 0, hb = 0;
  unsigned char *pa = nullptr, *pb = nullptr;
  bool same = read_image_rgba(a.c_str(), &wa, &ha, &pa) == 0 && read_image_rgba(b.c_str(), &wb, &hb, &pb) == 0 &&
              wa == wb && ha == hb && std::memcmp(pa, pb, static_cast<size_t>(wa) * static_cast<size_t>(ha) * 4) == 0;
  free_image_pixels(pa);
  free_image_pixels(pb);
  return same;
}

// True when writing file into dir would replace a file that is not already
// the copy of source from an earlier run: the source itself, a plain copy
// of the same bytes or a conversion of the same pixels may be written over.
bool is_other_file(const std::string& dir, const std::string& file, const std::vector<std::string>& listed,
                   const std::string& source, bool plain_copy) {
  const std::string key = upper(file);
  for (const std::string& f : listed) {
    if (f != key) continue;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir.empty() ? "." : dir, ec)) {
      if (upper(e.path().filename().string()) != key) continue;
      const std::string path = e.path().string();
      if (same_file(path, source)) continue;
      if (plain_copy ? !same_bytes(path, source) : !same_pixels(path, source)) return true;
    }
    return false;
  }
  return false;
}

// The characters a short name keeps, in capitals; the rest go.
std::string short_base(std::string_view stem) {
  std::string out;
  for (char c : stem)
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out.empty() ? "MAP" : out;
}

// The first STEM~N (at most eight characters, and short enough that
// STEM~N.ext fits max_len) whose name is not taken and whose file would
// replace nothing (clashes(stem) says). Empty when none fits.
template <class Clashes>
std::string short_stem_for(std::string_view stem, const std::string& ext, size_t max_len,
                           const std::unordered_set<std::string>& taken, Clashes clashes) {
  const size_t ext_len = ext.empty() ? 0 : ext.size() + 1;
  if (max_len < ext_len + 3) return std::string();
  const size_t room = std::min<size_t>(8, max_len - ext_len);
  const std::string base = short_base(stem);
  for (long n = 1; n < 10000000; ++n) {
    const std::string tail = "~" + std::to_string(n);
    if (tail.size() >= room) break;
    const std::string s = base.substr(0, room - tail.size()) + tail;
    if (taken.count(upper(s + (ext.empty() ? "" : "." + ext))) || clashes(s)) continue;
    return s;
  }
  return std::string();
}

}  // namespace

bool m_find_map(const char* name, const char* search_path, std::string& found) {
  const char* f = m_find_file(name, search_path);
  if (!f) {
    NameParts p = split_name(name);
    if (!p.dir.empty()) {
      std::string file(std::string_view(name).substr(p.dir.size()));
      f = m_find_file(file.c_str(), search_path);
    }
  }
  if (!f) return false;
  found = f;
  return true;
}

MIHandler::MIHandler() { Init(); }

void MIHandler::Init() {
  enable_copy = 0;
  destination_path[0] = 0;
  enable_image_conversion = 0;
  image_type = 0;
  enable_extension_conversion = 0;
  copy_bounded(file_extension, sizeof file_extension, "TGA");
}

int MIHandler::Load(int argc, const char* const* argv) {
  if (argc <= 0 || !argv) return 1;
  // Read into a roomy buffer and cut to the field ourselves, whichever way
  // the length is counted.
  char buf[1024];
  m_get_cmdl_int(argc, argv, "enable_copy", enable_copy, &enable_copy);
  if (m_get_cmdl_string(argc, argv, "destination_path", destination_path, buf, sizeof buf - 1)) {
    copy_bounded(destination_path, sizeof destination_path, buf);
    end_with_separator(destination_path, sizeof destination_path);
  }
  m_get_cmdl_int(argc, argv, "enable_image_conversion", enable_image_conversion, &enable_image_conversion);
  m_get_cmdl_int(argc, argv, "image_type", image_type, &image_type);
  m_get_cmdl_int(argc, argv, "enable_extension_conversion", enable_extension_conversion,
                 &enable_extension_conversion);
  if (m_get_cmdl_string(argc, argv, "file_extension", file_extension, buf, sizeof buf - 1))
    copy_bounded(file_extension, sizeof file_extension, buf);
  return 1;
}

int MIHandler::Load(const char* section, const char* app_name) {
  if (!section || !app_name) return 1;
  Profile p(app_name);
  unsigned long v = 0;
  char buf[MIH_STRING_LEN];

  auto get_int = [&](const char* key, int& field) {
    v = static_cast<unsigned long>(static_cast<long>(field));
    p.GetInt(section, key, field, &v);
    field = static_cast<int>(static_cast<long>(v));
  };
  auto get_string = [&](const char* key, char* field) {
    copy_bounded(buf, sizeof buf, field);  // stays when the store cannot be read
    p.GetString(section, key, field, buf, sizeof buf);
    copy_bounded(field, MIH_STRING_LEN, buf);
  };

  get_int("enable_copy", enable_copy);
  get_string("destination_path", destination_path);
  end_with_separator(destination_path, sizeof destination_path);
  get_int("enable_image_conversion", enable_image_conversion);
  get_int("image_type", image_type);
  get_int("enable_extension_conversion", enable_extension_conversion);
  get_string("file_extension", file_extension);
  return 1;
}

int MIHandler::Save(const char* section, const char* app_name) {
  if (!section || !app_name) return 1;
  Profile p(app_name);
  auto as_ul = [](int v) { return static_cast<unsigned long>(static_cast<long>(v)); };
  p.WriteInt(section, "enable_copy", as_ul(enable_copy));
  p.WriteString(section, "destination_path", destination_path);
  p.WriteInt(section, "enable_image_conversion", as_ul(enable_image_conversion));
  p.WriteInt(section, "image_type", as_ul(image_type));
  p.WriteInt(section, "enable_extension_conversion", as_ul(enable_extension_conversion));
  p.WriteString(section, "file_extension", file_extension);
  return 1;
}

// The extension chosen for a map, pointing into the name or the options.
static std::string_view new_ext_of(const MIHandler& h, const NameParts& p) {
  std::string_view ext = p.ext;
  if (h.enable_image_conversion) {
    const char* e = get_image_ext(h.image_type);
    if (*e) ext = e;  // an unknown type code keeps the map's own
  }
  if (h.enable_extension_conversion && *skip_dot(h.file_extension)) ext = skip_dot(h.file_extension);
  return ext;
}

// Appends v to buf (cap bytes) at *at, cut at the buffer's end.
static void append_bounded(char* buf, size_t cap, size_t* at, std::string_view v) {
  size_t n = v.size() < cap - 1 - *at ? v.size() : cap - 1 - *at;
  if (n) std::memcpy(buf + *at, v.data(), n);
  *at += n;
  buf[*at] = 0;
}

char* MIHandler::GetNewExt(const char* map_name) {
  static char buf[MIH_STRING_LEN];
  size_t at = 0;
  buf[0] = 0;
  append_bounded(buf, sizeof buf, &at, new_ext_of(*this, split_name(map_name)));
  return buf;
}

char* MIHandler::GetNewMapName(const char* map_name, int mode, const char* ext) {
  static char buf[MMAP_NAME_LEN];
  if (mode != 0 && mode != 1) return buf;
  NameParts p = split_name(map_name);
  std::string_view new_ext = (ext && *skip_dot(ext)) ? std::string_view(skip_dot(ext)) : new_ext_of(*this, p);
  // The parts point into map_name, which may be this very buffer.
  char out[MMAP_NAME_LEN];
  size_t at = 0;
  out[0] = 0;
  if (mode == 1) append_bounded(out, sizeof out, &at, p.dir);
  append_bounded(out, sizeof out, &at, p.stem);
  if (!new_ext.empty()) {
    append_bounded(out, sizeof out, &at, ".");
    append_bounded(out, sizeof out, &at, new_ext);
  }
  std::memcpy(buf, out, at + 1);
  return buf;
}

// Where copies go: the chosen folder when it is there or can be made, else
// the folder of the model just written.
std::string MIHandler::CopyFolder(const char* model_path) const {
  // A folder of a Windows drive ("d:\\tmp\\", from settings made there)
  // does not exist here; such a path counts as not valid.
  const char* d = destination_path;
  bool drive = ((d[0] >= 'a' && d[0] <= 'z') || (d[0] >= 'A' && d[0] <= 'Z')) && d[1] == ':';
  std::string out_dir = drive ? std::string() : as_folder(destination_path);
  std::error_code ec;
  if (!out_dir.empty() && !std::filesystem::is_directory(out_dir, ec)) std::filesystem::create_directories(out_dir, ec);
  if (out_dir.empty() || !std::filesystem::is_directory(out_dir, ec)) out_dir = as_folder(split_name(model_path).dir);
  return out_dir;
}

int MIHandler::FitMapNames(FILE* log, MMapList* maps, size_t max_len, const char* model_path) {
  const int count = maps ? maps->Get_Count_Maps() : 0;
  // Names given for an earlier export of the scene do not hold for this one.
  for (int i = 0; i < count; ++i)
    if (MMap* m = maps->GetMap(i)) m->short_stem[0] = 0;
  if (!enable_copy && !enable_image_conversion) return 0;
  // Names the model writes, in capitals: first those that fit as they are.
  std::unordered_set<std::string> taken;
  std::vector<int> too_long;
  for (int i = 0; i < count; ++i) {
    MMap* m = maps->GetMap(i);
    if (!m || m->ref != -1) continue;
    std::string name = GetNewMapName(m->name, 0, "");
    if (name.size() > max_len)
      too_long.push_back(i);
    else
      taken.insert(upper(name));
  }
  const std::string copy_dir = enable_copy ? CopyFolder(model_path) : std::string();
  std::map<std::string, std::vector<std::string>> listings;  // folder -> its files, in capitals
  int given = 0;
  for (int i : too_long) {
    MMap* m = maps->GetMap(i);
    std::string found;
    if (!m_find_map(m->name, maps->search_path, found)) continue;  // nothing to copy: left as it is
    const NameParts ref = split_name(m->name);
    const std::string ext(new_ext_of(*this, ref));
    const std::string disk_ext = enable_image_conversion ? get_image_ext(image_type) : std::string(ref.ext);
    const std::string dir = enable_copy ? copy_dir : as_folder(split_name(found.c_str()).dir);
    auto listed = listings.find(dir);
    if (listed == listings.end()) listed = listings.emplace(dir, folder_files(dir)).first;
    const std::string stem = short_stem_for(ref.stem, ext, max_len, taken, [&](const std::string& s) {
      const std::string file = s + (disk_ext.empty() ? "" : "." + disk_ext);
      return is_other_file(dir, file, listed->second, found, !enable_image_conversion);
    });
    if (stem.empty()) continue;
    copy_bounded(m->short_stem, sizeof m->short_stem, stem.c_str());
    taken.insert(upper(stem + (ext.empty() ? "" : "." + ext)));
    log_line(log, "Map file name %s too long, shortened to %s\n", m->name, GetNewMapName(stem.c_str(), 0, ext.c_str()));
    ++given;
  }
  for (int i = 0; i < count; ++i) {
    MMap* m = maps->GetMap(i);
    MMap* first = m && m->ref >= 0 && m->ref < i ? maps->GetMap(m->ref) : nullptr;
    if (first) copy_bounded(m->short_stem, sizeof m->short_stem, first->short_stem);
  }
  return given;
}

char* MIHandler::GetWrittenMapName(MMapList* maps, const char* map_name, int mode, const char* ext) {
  const MMap* m = maps ? maps->Find(map_name) : nullptr;
  if (!m || !m->short_stem[0]) return GetNewMapName(map_name, mode, ext);
  const NameParts p = split_name(map_name);
  std::string renamed(p.dir);
  renamed += m->short_stem;
  if (!p.ext.empty()) renamed += "." + std::string(p.ext);
  return GetNewMapName(renamed.c_str(), mode, ext);
}

int MIHandler::ProcessMapFiles(FILE* log, MessageCallBack1* cb, MMapList* maps, const char* model_path,
                               std::vector<std::string>* failed, std::vector<std::string>* missing) {
  if (log) std::fputs("Processing Map Files ... \n", log);
  int ok = 1;
  auto fail = [&](const std::string& why) {
    ok = 0;
    if (failed) failed->push_back(why);
  };

  const std::string out_dir = maps && enable_copy ? CopyFolder(model_path) : std::string();

  const int count = maps ? maps->Get_Count_Maps() : 0;
  for (int i = 0; i < count; ++i) {
    MMap* m = maps->GetMap(i);
    if (!m) continue;
    // The name goes in as an argument: map names may hold '%'.
    if (cb && cb->msg2) cb->msg2("%s", m->name);
    if (cb && cb->progress2) cb->progress2(i, count);
    if (m->ref != -1) {
      MMap* first = m->ref >= 0 && m->ref < i ? maps->GetMap(m->ref) : nullptr;
      if (first) copy_bounded(m->new_name, sizeof m->new_name, first->new_name);
      continue;
    }
    if (!enable_image_conversion && !enable_copy) continue;

    std::string found;
    if (!m_find_map(m->name, maps->search_path, found)) {
      log_line(log, "File %s not found\n", m->name);
      if (log) std::fputs("Please check search pathes\n", log);
      if (missing) missing->push_back(m->name);
      continue;
    }
    NameParts src = split_name(found.c_str());
    // Copies are named as the model names the map: the file found on disk
    // may differ in letter case, which a reader here would not forgive.
    NameParts ref = split_name(m->name);
    if (m->short_stem[0]) ref.stem = m->short_stem;

    if (enable_image_conversion) {
      std::string src_ext(src.ext);
      int src_type = get_image_type(src_ext.c_str());
      if (src_type == -1) {
        log_line(log, "Unknown file extension %s\n", src_ext.c_str());
        if (missing) missing->push_back(m->name);
        continue;
      }
      std::string dst = enable_copy ? out_dir : std::string(src.dir);
      dst += ref.stem;
      dst += '.';
      dst += get_image_ext(image_type);
      if (convert_image(src_type, found.c_str(), image_type, dst.c_str()) == 0) {
        log_line(log, "Sucessfull conversion %s to %s \n", found.c_str(), dst.c_str());
        copy_bounded(m->new_name, sizeof m->new_name, dst.c_str());
      } else {
        log_line(log, "Error during conversion %s to %s \n", found.c_str(), dst.c_str());
        fail("cannot convert " + found + " to " + dst);
      }
    } else {
      std::string dst = out_dir;
      dst += ref.stem;
      if (!ref.ext.empty()) {
        dst += '.';
        dst += ref.ext;
      }
      // A model written beside its maps: the copy is already there, and
      // copying a file onto itself must not touch it.
      if (same_file(found, dst) || m_CopyFile(found.c_str(), dst.c_str(), 0)) {
        log_line(log, "Sucessfull copy %s to %s \n", found.c_str(), dst.c_str());
        copy_bounded(m->new_name, sizeof m->new_name, dst.c_str());
      } else {
        log_line(log, "Error copy %s to %s \n", found.c_str(), dst.c_str());
        fail("cannot copy " + found + " to " + dst);
      }
    }
  }

  if (log) std::fputs("Processing Map Files finished \n", log);
  return ok;
}

void MIHandler::Print(FILE* fp, int, int) {
  if (!fp) return;
  std::fputs("\n", fp);
  std::fputs("\t Map Conversion Options:\n", fp);
  std::fprintf(fp, "\t enable copy: %d\n", enable_copy);
  if (enable_copy) std::fprintf(fp, "\t destination path: %s\n", destination_path);
  std::fprintf(fp, "\t enable_image_conversion: %d\n", enable_image_conversion);
  if (enable_image_conversion) std::fprintf(fp, "\t Image Type: %s\n", get_image_ext(image_type));
  std::fprintf(fp, "\t enable extension conversion: %d\n", enable_extension_conversion);
  if (enable_extension_conversion) std::fprintf(fp, "\t file extension: %s\n", file_extension);
}

const char* MIHandler::get_imgconvhelpstring() { return kHelp; }
