// The scene of a molecule: the class surfaces, a sphere per atom and a
// cylinder per listed bond.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "pdb_import_parts.h"

namespace pdb {

namespace {

constexpr long kProgressItems = 1024;

std::string SurfaceName(int atom_class) {
  return std::string(kSurfacePrefix) + (atom_class >= 0 ? kClasses[atom_class].name : kOtherClass.name);
}

void AddSurface(MScene* scene, const AtomClass& c) {
  MSurface* s = new MSurface((std::string(kSurfacePrefix) + c.name).c_str());
  s->color.Init(c.r, c.g, c.b);
  scene->surfaces->Append(s);
}

// Atoms by serial, then model; of atoms sharing both the first one counts.
class SerialIndex {
 public:
  struct Entry {
    uint64_t key;
    int atom;
    bool operator<(const Entry& o) const { return key != o.key ? key < o.key : atom < o.atom; }
  };
  explicit SerialIndex(const std::vector<Atom>& atoms) {
    entries_.reserve(atoms.size());
    for (size_t i = 0; i < atoms.size(); ++i)
      entries_.push_back({Key(atoms[i].serial, atoms[i].model), static_cast<int>(i)});
    std::sort(entries_.begin(), entries_.end());
    for (size_t i = 1; i < entries_.size(); ++i)
      if (entries_[i].key == entries_[i - 1].key) ++repeated_;
  }
  // The atom's index, or -1.
  int Find(int model, int serial) const {
    const Entry probe{Key(serial, model), -1};
    auto it = std::lower_bound(entries_.begin(), entries_.end(), probe);
    return it != entries_.end() && it->key == probe.key ? it->atom : -1;
  }
  // The atoms of this serial in every model, models ascending.
  std::pair<const Entry*, const Entry*> All(int serial) const {
    const uint32_t want = static_cast<uint32_t>(serial);
    struct BySerial {
      bool operator()(const Entry& e, uint32_t s) const { return (e.key >> 32) < s; }
      bool operator()(uint32_t s, const Entry& e) const { return s < (e.key >> 32); }
    };
    const auto [lo, hi] = std::equal_range(entries_.begin(), entries_.end(), want, BySerial{});
    return {entries_.data() + (lo - entries_.begin()), entries_.data() + (hi - entries_.begin())};
  }
  long repeated() const { return repeated_; }

 private:
  static uint64_t Key(int serial, int model) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(serial)) << 32) | static_cast<uint32_t>(model);
  }
  std::vector<Entry> entries_;
  long repeated_ = 0;
};

struct Bond {
  int connection, k, model;
  int a, b;  // atom indices
  uint64_t Pair() const {
    const uint32_t lo = static_cast<uint32_t>(std::min(a, b)), hi = static_cast<uint32_t>(std::max(a, b));
    return (static_cast<uint64_t>(lo) << 32) | hi;
  }
};

// Which bonds join a pair of atoms that an earlier bond joins already.
std::vector<bool> RepeatedBonds(const std::vector<Bond>& bonds) {
  std::vector<uint32_t> order(bonds.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
    const uint64_t px = bonds[x].Pair(), py = bonds[y].Pair();
    return px != py ? px < py : x < y;
  });
  std::vector<bool> repeated(bonds.size(), false);
  for (size_t i = 1; i < order.size(); ++i)
    if (bonds[order[i]].Pair() == bonds[order[i - 1]].Pair()) repeated[order[i]] = true;
  return repeated;
}

// The bonds of every CONECT record in every model that holds its atom, as
// the records list them; ends that name no atom are logged and counted.
// A record applies to each model, so a file of many small models and many
// CONECT lines would ask for bonds by the square of its size: past
// `max_ends` bond ends the rest are not drawn.
std::vector<Bond> ResolveBonds(kvpf::ImportRun& run, const Molecule& mol, const SerialIndex& index, size_t max_ends,
                               long* skipped, bool* cut) {
  LogFile& log = run.log();
  std::vector<Bond> bonds;
  bonds.reserve(mol.connections.size() * 2);
  size_t ends = 0;
  for (size_t i = 0; i < mol.connections.size() && !*cut; ++i) {
    const Connection& c = mol.connections[i];
    const auto [first_entry, last_entry] = index.All(c.serial);
    if (c.serial == 0 || first_entry == last_entry) {
      log.write("CONECT line %ld: atom %d names no atom, record skipped\n", c.line, c.serial);
      ++*skipped;
      continue;
    }
    int last_model = -1;
    for (const SerialIndex::Entry* e = first_entry; e != last_entry; ++e) {
      const int first = e->atom;
      const int m = mol.atoms[static_cast<size_t>(first)].model;
      if (m == last_model) continue;  // a repeated serial: the first atom holds the bonds
      last_model = m;
      for (int k = 0; k < kBondPartners; ++k) {
        const int partner = c.partners[k];
        // The first partner is always drawn; a later one when it is set
        // and is not the one before it again.
        if (k > 0 && (partner == 0 || partner == c.partners[k - 1])) continue;
        if (++ends > max_ends) {
          *cut = true;
          break;
        }
        const int other = partner ? index.Find(m, partner) : -1;
        if (other < 0) {
          log.write("CONECT line %ld: bond %d of atom %d to %d names no atom, skipped\n", c.line, k + 1, c.serial,
                    partner);
          ++*skipped;
        } else if (other == first) {
          log.write("CONECT line %ld: atom %d bonded to itself, skipped\n", c.line, c.serial);
          ++*skipped;
        } else {
          bonds.push_back(Bond{static_cast<int>(i), k, m, first, other});
        }
      }
      if (*cut) break;
    }
  }
  return bonds;
}

}  // namespace

void AppendSurfaces(MScene* scene) {
  scene->surfaces->Append(new MSurface(kBondSurface));
  for (const AtomClass& c : kClasses) AddSurface(scene, c);
  AddSurface(scene, kOtherClass);
}

void BuildAtoms(kvpf::ImportRun& run, const PdbImportOption& o, const Molecule& mol, MScene* scene) {
  MessageCallBack1* cb = run.cb();
  if (cb) cb->msg1("Generating Atoms: %s", kFileLabel);
  std::vector<std::string> surfaces;
  for (int c = -1; c < kClassCount; ++c) surfaces.push_back(SurfaceName(c));
  const long count = static_cast<long>(mol.atoms.size());
  std::string name;
  for (long i = 0; i < count; ++i) {
    if (cb && i % kProgressItems == 0) cb->progress1(i, count);
    const Atom& a = mol.atoms[static_cast<size_t>(i)];
    const AtomClass& c = a.atom_class >= 0 ? kClasses[a.atom_class] : kOtherClass;
    char head[32];
    std::snprintf(head, sizeof head, "%c%ld_", a.record, i);
    name.assign(head);
    name += a.name;
    // Appended piece by piece: GCC's -O3 -Wrestrict misreads "_" + string.
    name += '_';
    name += std::to_string(a.res_seq);
    MSphere* s = new MSphere(name.c_str());
    s->Set_Radius((o.equal_size ? 0.5 : c.radius) * o.structur_size);
    s->Translate(a.position);
    s->surface_refs->Append(my_strdup(surfaces[static_cast<size_t>(a.atom_class + 1)].c_str()));
    scene->objects->Append(s);
  }
}

void BuildBonds(kvpf::ImportRun& run, const PdbImportOption& o, const Molecule& mol, MScene* scene) {
  MessageCallBack1* cb = run.cb();
  LogFile& log = run.log();
  if (cb) cb->msg1("Generating Connections: %s", kFileLabel);
  const SerialIndex index(mol.atoms);
  if (index.repeated())
    log.write("%ld atoms repeat the serial of an atom before them: CONECT records name the first\n",
              index.repeated());
  long skipped = 0;
  bool cut = false;
  // Real files list at most a few bonds per atom in each model.
  const size_t max_ends = 8 * mol.atoms.size() + kBondPartners * mol.connections.size();
  const std::vector<Bond> bonds = ResolveBonds(run, mol, index, max_ends, &skipped, &cut);
  const std::vector<bool> repeated = RepeatedBonds(bonds);
  const double radius = (o.equal_size ? 0.5 : o.connection_size) * o.structur_size;
  const long count = static_cast<long>(bonds.size());
  long repeats = 0;
  char name[64];
  for (long j = 0; j < count; ++j) {
    if (cb && j % kProgressItems == 0) cb->progress1(j, count);
    const Bond& b = bonds[static_cast<size_t>(j)];
    if (repeated[static_cast<size_t>(j)]) {
      ++repeats;
      if (o.distinct_bonds) continue;
    }
    if (b.model > 0)
      std::snprintf(name, sizeof name, "C%d_%d_%d", b.connection, b.k, b.model);
    else
      std::snprintf(name, sizeof name, "C%d_%d", b.connection, b.k);
    const Atom& from = mol.atoms[static_cast<size_t>(b.a)];
    const Atom& to = mol.atoms[static_cast<size_t>(b.b)];
    MCylinder* cyl = new MCylinder(name, from.position, to.position);
    cyl->Set_Radius(radius);
    cyl->surface_refs->Append(my_strdup(kBondSurface));
    scene->objects->Append(cyl);
    log.write("%d Connect %d %d\n", b.connection, from.serial, to.serial);
  }
  if (repeats)
    log.write("%ld bonds are listed again (from their other end or on a repeated CONECT line): %s\n", repeats,
              o.distinct_bonds ? "drawn once" : "each listing drawn as a cylinder of its own");
  if (cut)
    run.Warn("%s: the CONECT records ask for more than %zu bonds across the models: the rest are not drawn",
             run.path().c_str(), max_ends);
  if (skipped)
    run.Warn("%s: %ld CONECT bond ends name no atom (or an atom bonded to itself) and were skipped",
             run.path().c_str(), skipped);
}

}  // namespace pdb
