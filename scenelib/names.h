// Name rules: identifiers for export formats and clean object names on import.
#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

// The name made fit for an exporter's identifiers, in one static buffer that
// the next call overwrites (cut at 1023 characters). Mode 0 prefixes "P_",
// mode 5 "T_", modes 1-4 and 6 keep the name; all of them turn every
// character other than a letter, digit or underscore into '_'. Mode 20 drops
// control characters. Any other mode (or a null name) returns null.
char* m_unifymeshname(const char* name, int mode);

// Cleans an imported name in place: cut to len, leading blanks and quotes
// and trailing blanks, quotes and unprintables removed, "N" before a leading
// digit, everything but letters and digits turned into '_', an empty result
// becomes "tmp_obj". At most len characters are stored, so s must have room
// for len + 1 bytes; len <= 0 leaves s alone.
void m_cleanup_name(char* s, int len);

// Identifiers handed out by one exporter run, each unique: the wanted name
// itself when it is free, else the name followed by "_<n>" with the first n
// not yet taken. Names are never given back.
class MUniqueNames {
 public:
  std::string Get(const std::string& wanted);
  // Claims a name without a suffix (a fixed identifier of the format).
  void Reserve(const std::string& name) { used_.insert(name); }
  bool Taken(const std::string& name) const { return used_.count(name) != 0; }
  size_t Count() const { return used_.size(); }

 private:
  std::unordered_set<std::string> used_;
  // The last n tried per wanted name, so that many objects of one name do
  // not search from 2 each time.
  std::unordered_map<std::string, int> last_n_;
};
