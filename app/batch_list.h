// The batch list: entries of input file, import class, export class and
// target folder, kept by the host and saved to and loaded from list files
// ("*.lst", one "#import#export#input#target#spare1#spare2#" line each).
// Classes are kept by ClassName, so entries whose class is not installed
// stay in the list and are saved again.
#pragma once
#include <string>
#include <vector>

struct BatchEntry {
  std::string import_class;  // ClassName
  std::string export_class;  // ClassName
  std::string input;         // full path of the file to convert
  std::string target;        // folder that receives the output
  std::string spare1;        // carried through list files, not read otherwise
  std::string spare2;
  int line = 0;              // line of the list file it came from; 0 when added
};

// What Load met besides entries.
struct BatchLoadReport {
  int entries = 0;       // lines taken
  int blank = 0;         // empty lines (or only blanks)
  struct Skipped {
    int line;
    std::string why;
  };
  std::vector<Skipped> skipped;  // lines that are no entry
};

class BatchList {
 public:
  std::vector<BatchEntry> entries;

  // Appends an entry; 0 with why when a value is empty where a value is
  // needed or holds what a list line cannot hold ("#", TAB, a line end).
  int Add(const BatchEntry& entry, std::string& why);
  // Removes the entries at these positions (any order; out of range ignored).
  void Delete(std::vector<int> positions);

  // Appends the entries of a list file. A line is an entry when it starts
  // with "#" and holds import class, export class, input file and target
  // folder (the two spare fields may be left out); any other line is
  // skipped and reported, and reading goes on. 0 with why when the file
  // cannot be read.
  int Load(const std::string& path, BatchLoadReport& report, std::string& why);
  // Writes every entry to a new file beside path, then puts it in path's
  // place: a failed save leaves the old file as it was. 0 with why.
  int Save(const std::string& path, std::string& why) const;
  // Adds the entries' lines to the end of an existing list file (or a new
  // one) the same safe way, keeping every byte already there.
  static int AppendToFile(const std::string& path, const std::vector<BatchEntry>& add, std::string& why);

  // "#import#export#input#target#spare1#spare2#\n".
  static std::string FileLine(const BatchEntry& e);
  // The dialog's line: "\timport\texport\tinput\ttarget".
  static std::string DisplayLine(const BatchEntry& e);
  // "Batch (N Files)", and with the file being converted "Batch (N Files) FILE".
  static std::string Caption(int count, const std::string& converting = "");
  // "" when the value can go into a list line, else why not.
  static std::string CheckValue(const std::string& value);
};
