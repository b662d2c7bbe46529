#include "batch_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "outfile.h"

namespace {

std::string Errno() { return std::strerror(errno); }

// Writes bytes in place of path through an output file that replaces it
// only when every write and the close succeeded; on failure path is left
// alone.
int ReplaceFile(const std::string& path, const std::string& bytes, std::string& why) {
  MOutputFile out;
  if (!out.Open(path.c_str())) {
    why = "cannot save list " + m_output_error(out);
    return 0;
  }
  if (!out.Write(bytes.data(), bytes.size()) || !out.Commit()) {
    why = "cannot save list " + m_output_error(out);
    return 0;
  }
  return 1;
}

bool IsBlank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

std::vector<std::string> SplitAtHash(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t at = s.find('#', start);
    if (at == std::string::npos) {
      out.push_back(s.substr(start));
      return out;
    }
    out.push_back(s.substr(start, at - start));
    start = at + 1;
  }
}

// The entry of one line, or "" in why with the entry filled; else why not.
std::string ParseLine(const std::string& line, BatchEntry& e) {
  if (line[0] != '#') return "does not start with '#'";
  std::vector<std::string> f = SplitAtHash(line.substr(1));
  // A line ended by "#" leaves an empty piece behind the last field.
  if (f.size() > 1 && f.back().empty()) f.pop_back();
  if (f.size() < 4) return "has " + std::to_string(f.size()) + " of the 4 fields import#export#input#target";
  if (f.size() > 6) return "has more than 6 fields";
  static const char* const kNames[4] = {"import class", "export class", "input file", "target folder"};
  for (int i = 0; i < 4; ++i)
    if (f[static_cast<size_t>(i)].empty()) return std::string("has no ") + kNames[i];
  e.import_class = f[0];
  e.export_class = f[1];
  e.input = f[2];
  e.target = f[3];
  e.spare1 = f.size() > 4 ? f[4] : "";
  e.spare2 = f.size() > 5 ? f[5] : "";
  return "";
}

std::string Lines(const std::vector<BatchEntry>& entries, std::string& why) {
  std::string out;
  for (const BatchEntry& e : entries) {
    for (const std::string* v : {&e.import_class, &e.export_class, &e.input, &e.target, &e.spare1, &e.spare2}) {
      std::string bad = BatchList::CheckValue(*v);
      if (!bad.empty()) {
        why = "the entry of " + e.input + ": " + bad;
        return "";
      }
    }
    out += BatchList::FileLine(e);
  }
  return out;
}

}  // namespace

std::string BatchList::CheckValue(const std::string& value) {
  if (value.find('#') != std::string::npos) return "'" + value + "' holds '#', which separates the fields of a list line";
  if (value.find('\t') != std::string::npos) return "'" + value + "' holds a TAB, which the list shows as a column";
  if (value.find_first_of("\r\n") != std::string::npos) return "'" + value + "' holds a line end";
  return "";
}

int BatchList::Add(const BatchEntry& entry, std::string& why) {
  const std::pair<const std::string*, const char*> needed[] = {{&entry.import_class, "import class"},
                                                              {&entry.export_class, "export class"},
                                                              {&entry.input, "input file"},
                                                              {&entry.target, "target folder"}};
  for (const auto& [v, name] : needed) {
    if (v->empty()) {
      why = std::string("no ") + name;
      return 0;
    }
  }
  for (const std::string* v : {&entry.import_class, &entry.export_class, &entry.input, &entry.target,
                               &entry.spare1, &entry.spare2}) {
    why = CheckValue(*v);
    if (!why.empty()) return 0;
  }
  entries.push_back(entry);
  return 1;
}

void BatchList::Delete(std::vector<int> positions) {
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  // Last to first, so the positions still to go stay valid.
  for (auto it = positions.rbegin(); it != positions.rend(); ++it)
    if (*it >= 0 && *it < static_cast<int>(entries.size())) entries.erase(entries.begin() + *it);
}

int BatchList::Load(const std::string& path, BatchLoadReport& report, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot read list " + path + ": " + Errno();
    return 0;
  }
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    why = "cannot read list " + path + ": it is a directory";
    return 0;
  }
  std::string line;
  int number = 0;
  // getline hands over a last line without its line end as well.
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (IsBlank(line)) {
      ++report.blank;
      continue;
    }
    BatchEntry e;
    std::string bad = ParseLine(line, e);
    if (!bad.empty()) {
      report.skipped.push_back({number, bad});
      continue;
    }
    e.line = number;
    entries.push_back(e);
    ++report.entries;
  }
  if (in.bad()) {
    why = "error reading list " + path + ": " + Errno();
    return 0;
  }
  return 1;
}

int BatchList::Save(const std::string& path, std::string& why) const {
  why.clear();
  std::string bytes = Lines(entries, why);
  if (!why.empty()) return 0;
  return ReplaceFile(path, bytes, why);
}

int BatchList::AppendToFile(const std::string& path, const std::vector<BatchEntry>& add, std::string& why) {
  why.clear();
  std::string bytes;
  std::ifstream in(path, std::ios::binary);
  if (in) {
    std::ostringstream old;
    old << in.rdbuf();
    bytes = old.str();
    if (in.bad()) {
      why = "cannot read list " + path + ": " + Errno();
      return 0;
    }
  } else if (errno != ENOENT) {
    why = "cannot read list " + path + ": " + Errno();
    return 0;
  }
  if (!bytes.empty() && bytes.back() != '\n') bytes += '\n';
  std::string lines = Lines(add, why);
  if (!why.empty()) return 0;
  return ReplaceFile(path, bytes + lines, why);
}

std::string BatchList::FileLine(const BatchEntry& e) {
  return "#" + e.import_class + "#" + e.export_class + "#" + e.input + "#" + e.target + "#" + e.spare1 + "#" +
         e.spare2 + "#\n";
}

std::string BatchList::DisplayLine(const BatchEntry& e) {
  return "\t" + e.import_class + "\t" + e.export_class + "\t" + e.input + "\t" + e.target;
}

std::string BatchList::Caption(int count, const std::string& converting) {
  std::string s = "Batch (" + std::to_string(count) + " Files)";
  if (!converting.empty()) s += " " + converting;
  return s;
}
