// yqscan's command line, read with CProgramArguments.
#include "Options.h"

#include <yqbase/errors/ErrorUtil.h>
#include <yqbase/files/YqFile.h>
#include <yqbase/utilities/ProgramArguments.h>

#include <cstdlib>
#include <list>

namespace yqscan {

namespace {

constexpr DWORD kBadUsage = 87;  // Win32 "invalid parameter"

// The value of an option given at most once; a missing option leaves `value` as it is.
CYqError ReadValue(CProgramArguments& args, const char* name, std::string& value) {
  bool present = false;
  (void)args.GetOption(name, present);
  if (!present) return CYqError();
  CYqError err = args.GetOption(name, value);
  if (err.Failed()) return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "%s needs a value", name);
  return CYqError();
}

void ReadFlag(CProgramArguments& args, const char* name, bool& value) {
  bool present = false;
  (void)args.GetOption(name, present);
  if (present) {
    value = true;
    (void)args.GetOption(name);  // marks it used
  }
}

// Every occurrence of a repeatable option, each as one filter term.
CYqError ReadTerms(CProgramArguments& args, const char* name, bool include, SOptions& options) {
  bool present = false;
  (void)args.GetOption(name, present);
  if (!present) return CYqError();
  std::list<std::string> values;
  if (args.GetOption(name, values).Failed())
    return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "%s needs a filter term", name);
  for (const std::string& value : values) {
    if (value.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "%s is empty", name);
    options.terms.emplace_back(include, value);
  }
  return CYqError();
}

// A rule file: one term per line after "+" (include) or "-" (exclude); blank lines and lines
// starting with "#" are skipped.
CYqError ReadFilterFile(const std::string& path, SOptions& options) {
  CYqFile file;
  CYqError err = file.Open(path.c_str(), "r");
  if (err.Failed()) return err.Push(YQ_LOC, "cannot read the filter file %s", path.c_str());
  std::string text;
  char buffer[65536];
  unsigned done = 0;
  while ((err = file.Read(buffer, sizeof buffer, &done)).Succeeded() && done > 0)
    text.append(buffer, done);
  if (err.Failed()) return err.Push(YQ_LOC, "cannot read the filter file %s", path.c_str());
  size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if ((line[0] != '+' && line[0] != '-') || line.size() == 1)
      return FXErrorUtil::ErrorWin32(
          YQ_LOC, kBadUsage, "%s line %d: a rule is \"+TERM\" or \"-TERM\"", path.c_str(), number);
    options.terms.emplace_back(line[0] == '+', line.substr(1));
  }
  return CYqError();
}

CYqError ReadInteger(const std::string& text, const char* name, int& value) {
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || number < 0 || number > 100)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "%s takes a number from 0 to 100, not '%s'",
                                   name, text.c_str());
  value = static_cast<int>(number);
  return CYqError();
}

// "a,b" -> "a:b"; an empty item is a usage error.
CYqError ReadTypeList(const std::string& text, std::string& types) {
  types.clear();
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const std::string type = text.substr(start, comma == std::string::npos ? comma : comma - start);
    if (type.empty() || type.find(':') != std::string::npos)
      return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "--skip-fs takes TYPE[,TYPE...], not '%s'",
                                     text.c_str());
    types += (types.empty() ? "" : ":") + type;
    if (comma == std::string::npos) return CYqError();
    start = comma + 1;
  }
}

CYqError Parse(CProgramArguments& args, SOptions& options) {
  ReadFlag(args, "--help", options.help);
  ReadFlag(args, "-h", options.help);
  if (options.help) return CYqError();

  std::string debugLevel, skipFs, filterFile;
  const struct {
    const char* name;
    std::string* value;
  } values[] = {{"--log-dir", &options.logDir}, {"--debug-level", &debugLevel},
                {"--skip-fs", &skipFs},         {"--checksum", &options.checksum},
                {"--list", &options.listFile},  {"--archive", &options.archiveFile},
                {"--filters", &filterFile}};
  CYqError err;
  for (const auto& value : values) {
    err = ReadValue(args, value.name, *value.value);
    if (err.Failed()) return err;
  }
  const struct {
    const char* name;
    bool* value;
  } flags[] = {{"--follow-mounts", &options.followMounts},
               {"--no-automount-check", &options.noAutomountCheck},
               {"--json", &options.json},
               {"--progress", &options.progress}};
  for (const auto& flag : flags) ReadFlag(args, flag.name, *flag.value);
  err = ReadTerms(args, "--include", true, options);
  if (err.Succeeded()) err = ReadTerms(args, "--exclude", false, options);
  if (err.Succeeded() && !filterFile.empty()) err = ReadFilterFile(filterFile, options);
  if (err.Succeeded() && !debugLevel.empty())
    err = ReadInteger(debugLevel, "--debug-level", options.debugLevel);
  if (err.Succeeded() && !skipFs.empty()) err = ReadTypeList(skipFs, options.skipFsTypes);
  if (err.Failed()) return err;
  if (!options.checksum.empty() && options.checksum != "crc64" && options.checksum != "md5")
    return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "--checksum takes crc64 or md5, not '%s'",
                                   options.checksum.c_str());

  // What no query read: content paths, or options this program does not know.
  std::list<std::string> rest;
  (void)args.GetUnusedArguments(rest);
  for (const std::string& argument : rest) {
    if (argument.size() > 1 && argument[0] == '-')
      return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "unknown option %s", argument.c_str());
    if (argument.empty())
      return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "an empty path was given");
    options.paths.push_back(argument);
  }
  if (options.paths.empty())
    return FXErrorUtil::ErrorWin32(YQ_LOC, kBadUsage, "no PATH to scan (see --help)");
  return CYqError();
}

}  // namespace

CYqError ParseOptions(int argc, const char* const* argv, SOptions& options) {
  CProgramArguments args(argc, argv);
  CYqError err = Parse(args, options);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

const char* HelpText() {
  return R"(Usage: yqscan [options] PATH...

Scans each PATH and the volumes beneath it, selects entries with include and exclude rules,
and prints a summary: folders, files, links, other entries, bytes, excluded entries and errors
per content path. Links are reported, never followed.

Filters (the library's raw filter syntax; "**" spans folders, "<R>" starts a regular expression):
  --include TERM        select only what matches TERM (repeatable); without any, everything
                        under PATH is selected
                          --include '**/*.conf'
  --exclude TERM        leave out what matches TERM (repeatable); an excluded folder is never
                        opened
                          --exclude '/usr/share/doc' --exclude '<R>^/var/cache/.*'
  --filters FILE        rules from FILE, one per line: "+TERM" includes, "-TERM" excludes;
                        blank lines and lines starting with "#" are skipped
                          --filters rules.txt

Volumes:
  --follow-mounts       scan the volumes mounted below PATH as content paths of their own
                        (otherwise they are left out and shown in the summary)
                          --follow-mounts
  --skip-fs TYPE,...    also leave out volumes of these file-system types (pseudo, network and
                        removable types are left out already)
                          --skip-fs xfs,btrfs
  --no-automount-check  do not ask the automounter for its mount points
                          --no-automount-check

Output:
  --list FILE           write the selected entries, sorted, one per line:
                        "path<TAB>size<TAB>mtime[<TAB>checksum]" (mtime in seconds since 1970)
                          --list /tmp/usr-share.txt
  --checksum crc64|md5  read every selected file and record its checksum in the list
                          --checksum crc64
  --archive FILE.7z     add the selected regular files to a 7-Zip archive with their full
                        paths (restore with: 7zz x FILE.7z -oFOLDER)
                          --archive /tmp/backup.7z
  --json                print the summary as one JSON object
                          --json
  --progress            redraw a progress line on standard error even when it is no terminal
                          --progress

Logging:
  --log-dir FOLDER      folder of the log file yqscan.log (default /tmp)
                          --log-dir /var/tmp
  --debug-level N       trace level of the log, 0 to 100 (default 1)
                          --debug-level 3
  -h, --help            this text

Exit status: 0 all done; 1 some entries could not be read (see the summary and the log);
2 bad usage (nothing scanned).

Example:
  yqscan --exclude /usr/share/doc --exclude '**/*.gz' --list /tmp/share.txt /usr/share
)";
}

}  // namespace yqscan
