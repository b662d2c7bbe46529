// A format's own settings as one table: each field of the option record
// under its key, loaded from the settings store's "Specific Settings" of
// the record's store name (settings-store mode) or from -key=value
// arguments (command-line mode), saved back in settings-store mode only,
// printed into the run's log and shown in the options dialog.
//
//   std::vector<kvpf::OptionKey> Keys() {
//     return {{"foo_scale", {1030, "Scale", KV_FIELD_DOUBLE, &scale, 0}}};
//   }
//   FooOption::FooOption() : Import_FileOption(kKey, kLog) { kvpf::LoadOptionKeys(Keys(), this); }
//   FooOption::~FooOption() { kvpf::SaveOptionKeys(Keys(), this); }
#pragma once
#include <cstdio>
#include <vector>

#include "plugin_ui.h"

class Base_FileOption;

namespace kvpf {

struct OptionKey {
  const char* key;     // no key may be the start of another one: keys match as prefixes
  KvOptionField field;  // a flag reads any non-zero value as 1; a string keeps at most size - 1 characters
};

void LoadOptionKeys(const std::vector<OptionKey>& keys, Base_FileOption* record);
void SaveOptionKeys(const std::vector<OptionKey>& keys, Base_FileOption* record);
// "\t <key>: <value>" lines.
void PrintOptionKeys(FILE* fp, const std::vector<OptionKey>& keys);
// The dialog fields of the table; at most max written.
int OptionKeyFields(const std::vector<OptionKey>& keys, KvOptionField* out, int max);

}  // namespace kvpf
