// The manual page stays true to korvane-cli: every command of
// `korvane-cli help` has its entry, in the same order, and the page formats
// without a warning.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

std::string ManPage() { return (kvtest::source_dir() / "man" / "korvane-cli.1").string(); }

// Standard output (and, with merge_stderr, standard error) of a shell command.
std::string Output(const std::string& command, bool merge_stderr = false) {
  return kvtest::command_output(command + (merge_stderr ? " 2>&1" : " 2>/dev/null"));
}

bool Have(const char* program) { return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The first word of every entry of the help's "commands:" block: the lines
// indented by exactly two blanks.
std::vector<std::string> HelpCommands(const std::string& help) {
  std::vector<std::string> names;
  bool in_block = false;
  for (const std::string& line : Lines(help)) {
    if (line == "commands:") {
      in_block = true;
    } else if (in_block) {
      if (line.empty() || line[0] != ' ') break;
      if (line.size() > 2 && line[1] == ' ' && line[2] != ' ') names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
  }
  return names;
}

// The roff text of a tag without font escapes, quotes and escaped dashes.
std::string PlainRoff(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      if (s[i + 1] == 'f' && i + 2 < s.size()) {
        i += 2;  // \fB, \fI, \fR
      } else {
        out += s[++i];  // \- and the like
      }
    } else if (s[i] != '"') {
      out += s[i];
    }
  }
  return out;
}

// The first word of the tag line after every .TP of the COMMANDS section.
std::vector<std::string> ManCommands(const std::string& page) {
  std::vector<std::string> names;
  std::vector<std::string> lines = Lines(page);
  bool in_section = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(".SH", 0) == 0) {
      in_section = PlainRoff(lines[i].substr(3)).find("COMMANDS") != std::string::npos;
    } else if (in_section && lines[i] == ".TP" && i + 1 < lines.size()) {
      std::string tag = lines[i + 1];
      size_t macro_end = tag[0] == '.' ? tag.find(' ') : 0;
      if (macro_end == std::string::npos) continue;
      std::istringstream words(PlainRoff(tag.substr(macro_end)));
      std::string first;
      if (words >> first) names.push_back(first);
    }
  }
  return names;
}

}  // namespace

TEST(ManPage, ListsEveryCommandOfTheHelpInItsOrder) {
  std::string help = Output('\'' + (kvtest::bin_dir() / "korvane-cli").string() + "' help");
  std::vector<std::string> commands = HelpCommands(help);
  ASSERT_GE(commands.size(), 5u) << help;
  EXPECT_EQ(commands.front(), "plugins");
  std::string page = kvtest::read_file(ManPage());
  ASSERT_FALSE(page.empty()) << ManPage();
  EXPECT_EQ(ManCommands(page), commands) << "the COMMANDS section of man/korvane-cli.1 differs from korvane-cli help";
}

TEST(ManPage, FormatsWithoutWarnings) {
  if (!Have("groff")) GTEST_SKIP() << "groff not installed";
  EXPECT_EQ(Output("groff -man -Tutf8 -ww -z '" + ManPage() + "'", true), "");
  if (!Have("man")) return;
  std::string shown = Output("MANPAGER=cat MANWIDTH=80 man -l '" + ManPage() + "'");
  EXPECT_NE(shown.find("korvane-cli - convert 3D model files between formats"), std::string::npos) << shown;
}
