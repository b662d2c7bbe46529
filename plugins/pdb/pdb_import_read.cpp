// Reading the records: fixed columns, blanks removed, numbers that do not
// parse as 0.
#include <cmath>
#include <cstring>
#include <strings.h>
#include <unordered_map>

#include "pdb_import_parts.h"

namespace pdb {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr long kProgressLines = 4096;

// Which residue an alternate location belongs to: model, chain, residue
// number and insertion code.
uint64_t ResidueKey(int model, char chain, int res_seq, char icode) {
  return (static_cast<uint64_t>(static_cast<uint16_t>(model)) << 48) |
         (static_cast<uint64_t>(static_cast<unsigned char>(chain)) << 40) |
         (static_cast<uint64_t>(static_cast<uint32_t>(res_seq)) << 8) | static_cast<unsigned char>(icode);
}

char FirstChar(const RecordLine& r, Columns c) {
  size_t n = 0;
  const char* s = r.Raw(c, &n);
  return n > 0 && !IsBlank(s[0]) ? s[0] : ' ';
}

// The columns as they stand, NUL-terminated (blanks kept).
template <size_t N>
void RawText(const RecordLine& r, Columns c, char (&out)[N]) {
  size_t n = 0;
  const char* s = r.Raw(c, &n);
  if (n > N - 1) n = N - 1;
  std::memcpy(out, s, n);
  out[n] = 0;
}

}  // namespace

const char* RecordLine::Raw(Columns c, size_t* n) const {
  const size_t start = static_cast<size_t>(c.first - 1);
  if (start >= length) {
    *n = 0;
    return text + length;
  }
  const size_t avail = length - start;
  *n = avail < static_cast<size_t>(c.width()) ? avail : static_cast<size_t>(c.width());
  return text + start;
}

void RecordLine::Text(Columns c, char (&out)[kMaxText + 1]) const {
  size_t n = 0;
  const char* s = Raw(c, &n);
  size_t k = 0;
  for (size_t i = 0; i < n && k < kMaxText; ++i)
    if (!IsBlank(s[i])) out[k++] = s[i];
  out[k] = 0;
}

bool DecodeHybrid36(const char* s, int width, int* out) {
  if (width < 1 || width > 5) return false;
  const bool upper = s[0] >= 'A' && s[0] <= 'Z';
  const bool lower = s[0] >= 'a' && s[0] <= 'z';
  if (!upper && !lower) return false;
  int64_t v = 0;
  for (int i = 0; i < width; ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (upper && c >= 'A' && c <= 'Z') d = c - 'A' + 10;
    else if (lower && c >= 'a' && c <= 'z') d = c - 'a' + 10;
    else return false;
    v = v * 36 + d;
  }
  int64_t top = 1, decimal = 1;  // 36^(width-1), 10^width
  for (int i = 1; i < width; ++i) top *= 36;
  for (int i = 0; i < width; ++i) decimal *= 10;
  // "A0000" follows 99999; "a0000" follows "ZZZZZ".
  v += upper ? decimal - 10 * top : decimal + 16 * top;
  *out = static_cast<int>(v);
  return true;
}

int RecordLine::Integer(Columns c) const {
  char t[kMaxText + 1];
  Text(c, t);
  const char* p = t;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  if (*p) {
    int v = 0;
    const char* q = p;
    while (*q >= '0' && *q <= '9' && v < 100000000) v = v * 10 + (*q++ - '0');
    if (!*q) return negative ? -v : v;
  }
  size_t n = 0;
  const char* raw = Raw(c, &n);
  int v = 0;
  if (static_cast<int>(n) == c.width() && DecodeHybrid36(raw, c.width(), &v)) return v;
  return 0;
}

double RecordLine::Real(Columns c) const {
  char t[kMaxText + 1];
  Text(c, t);
  double v = 0;
  if (!m_scan_double(t, t + std::strlen(t), &v) || !std::isfinite(v)) return 0;
  return v;
}

bool ReadMolecule(kvpf::ImportRun& run, const PdbImportOption& o, FILE* f, Molecule* mol) {
  LogFile& log = run.log();
  MessageCallBack1* cb = run.cb();
  const long total = m_filesize(f);
  if (cb) cb->msg1("Working on: %s", kFileLabel);
  log.write("Working on: %s\n", kFileLabel);

  MLineReader reader(f, MLineReader::kKeepTabs, 1 << 20, kMaxLine);
  std::unordered_map<uint64_t, char> first_alt;  // residue -> its first altLoc
  int model = 0, models_seen = 0, last_model = 0;
  size_t len = 0;
  for (long n = 0;; ++n) {
    char* line = reader.Next(&len);
    if (!line) break;
    if (cb && n % kProgressLines == 0) cb->progress1(reader.Position(), total);
    if (reader.LineCut()) {
      ++mol->cut_lines;
      log.write("Line %ld is longer than %zu characters: the rest is not read\n", reader.LineNumber(), kMaxLine);
    }
    const RecordLine r{line, len};
    char record[kMaxText + 1];
    r.Text(kRecordName, record);
    const bool atom = strcasecmp(record, "ATOM") == 0;
    if (atom || strcasecmp(record, "HETATM") == 0) {
      if (o.first_model && model > 0) {
        ++mol->left_out_atoms;
        continue;
      }
      Atom a;
      a.record = atom ? 'A' : 'H';
      r.Text(kAtomName, a.name);
      a.alt_loc = FirstChar(r, kAltLoc);
      a.serial = r.Integer(kSerial);
      if (a.serial == -1) a.serial = 0;
      a.res_seq = r.Integer(kResSeq);
      a.model = model;
      a.position = MVector3(r.Real(kX), r.Real(kY), r.Real(kZ));
      a.line = reader.LineNumber();
      if (o.first_altloc && a.alt_loc != ' ') {
        const uint64_t key = ResidueKey(model, FirstChar(r, kChainId), a.res_seq, FirstChar(r, kICode));
        auto [it, fresh] = first_alt.emplace(key, a.alt_loc);
        if (!fresh && it->second != a.alt_loc) {
          ++mol->left_out_atoms;
          continue;
        }
      }
      char name_columns[8], element[8];
      RawText(r, kAtomName, name_columns);
      RawText(r, kElement, element);
      a.atom_class = ClassifyAtom(name_columns, element);
      last_model = model;
      mol->atoms.push_back(a);
    } else if (strcasecmp(record, "CONECT") == 0) {
      Connection c;
      c.serial = r.Integer(kSerial);
      for (int k = 0; k < kPartners; ++k) c.partners[k] = r.Integer(kPartnerColumns[k]);
      c.line = reader.LineNumber();
      mol->connections.push_back(c);
    } else if (strcasecmp(record, "MODEL") == 0) {
      // Atoms before the first MODEL record belong to the first model.
      model = models_seen++;
    }
  }
  if (cb) cb->progress1(total, total);
  mol->models = mol->atoms.empty() ? 1 : last_model + 1;
  if (reader.ReadError())
    run.Warn("%s: a read error stopped the reading after line %ld", run.path().c_str(), reader.LineNumber());
  log.write("%d ATOMS/HETATM scanned\n", static_cast<int>(mol->atoms.size()));
  log.write("%d Conects scanned\n", static_cast<int>(mol->connections.size()));
  if (mol->left_out_atoms) log.write("%ld atoms left out (first altLoc or first MODEL only)\n", mol->left_out_atoms);
  if (mol->atoms.empty()) {
    run.Fail("%s is not a Protein Data Bank file: it holds no ATOM or HETATM record", run.path().c_str());
    return false;
  }
  return true;
}

}  // namespace pdb
