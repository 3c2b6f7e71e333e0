// The archiver library lib7z.so: Handle7zCompression runs Debian's 7-Zip program "7zz" with
// the arguments of the command line it is handed, without a shell, and hands a listing's
// entries back entry by entry.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "yqbase/utilities/7zip.h"

extern char** environ;

namespace {

constexpr const char* kProgram = "7zz";

// UTF-32 (wchar_t on Linux) to UTF-8; false on a value that is not a character.
bool ToUtf8(const wchar_t* text, std::string& out) {
  for (; *text != L'\0'; ++text) {
    const unsigned long c = static_cast<unsigned long>(*text);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return true;
}

// Blanks and tabs separate arguments; double quotes group text (blanks included) and are
// dropped, so -p"a b" is the one argument -pa b. False on an unclosed quote.
bool SplitArguments(const std::string& line, std::vector<std::string>& arguments) {
  std::string current;
  bool inArgument = false, quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(current);
  return !quoted;
}

int Fail(CompressionParams* params, int code, const std::string& text) {
  std::snprintf(params->errorText, sizeof params->errorText, "%s", text.c_str());
  return code;
}

// Runs the program with `arguments`, stdin from /dev/null, and collects both output streams.
// Returns 0 with the exit status in `status`, or an errno value.
int Spawn(const std::vector<std::string>& arguments, int& status, std::string& out,
          std::string& err) {
  std::vector<char*> argv;
  std::string program = kProgram;
  argv.push_back(&program[0]);
  std::vector<std::string> copies(arguments);
  for (std::string& a : copies) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  // Names travel as UTF-8 whatever the caller's locale.
  std::vector<std::string> environment;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e)
    if (std::strncmp(*e, "LC_", 3) != 0 && std::strncmp(*e, "LANG=", 5) != 0)
      environment.push_back(*e);
  environment.push_back("LC_ALL=C.UTF-8");
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(&e[0]);
  envp.push_back(nullptr);

  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) return errno;
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    const int e = errno;
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return e;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, kProgram, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (spawned == 0) {
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char chunk[65536];
    while (open > 0) {
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t got = ::read(fds[i].fd, chunk, sizeof chunk);
        if (got > 0) {
          sinks[i]->append(chunk, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
          fds[i].fd = -1;
          --open;
        }
      }
    }
    pid_t waited;
    while ((waited = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    // Without the child's status (SIGCHLD ignored by the host, say) success is unknown.
    if (waited != child) {
      const int e = errno != 0 ? errno : ECHILD;
      ::close(outPipe[0]);
      ::close(errPipe[0]);
      return e;
    }
  }
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  return spawned;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Reads the technical listing (-slt): after the line of dashes, one block of "Key = value"
// lines per entry, blocks separated by an empty line.
void HandBackEntries(const std::string& listing, CompressionParams* params) {
  const size_t start = listing.find("\n----------\n");
  if (start == std::string::npos || params->listEntry == nullptr) return;
  std::string name, modified, attributes;
  unsigned long long size = 0, packed = 0;
  bool folder = false, inEntry = false;
  auto flush = [&] {
    if (!inEntry) return;
    const bool isFolder = folder || (!attributes.empty() && attributes[0] == 'D');
    params->listEntry(params->listContext, name.c_str(), size, packed, modified.c_str(),
                      attributes.c_str(), isFolder ? 1 : 0);
    ++params->entryCount;
    name.clear(), modified.clear(), attributes.clear();
    size = packed = 0;
    folder = inEntry = false;
  };
  size_t pos = start + 12;
  while (pos < listing.size()) {
    size_t end = listing.find('\n', pos);
    if (end == std::string::npos) end = listing.size();
    const std::string line = listing.substr(pos, end - pos);
    pos = end + 1;
    const size_t equals = line.find(" = ");
    if (line.empty() || equals == std::string::npos) {
      if (line.empty()) flush();
      continue;
    }
    const std::string key = line.substr(0, equals), value = line.substr(equals + 3);
    if (key == "Path") {
      flush();
      name = value;
      inEntry = true;
    } else if (key == "Size") {
      size = std::strtoull(value.c_str(), nullptr, 10);
    } else if (key == "Packed Size") {
      packed = std::strtoull(value.c_str(), nullptr, 10);
    } else if (key == "Modified") {
      modified = value.substr(0, 19);
    } else if (key == "Attributes") {
      attributes = value;
    } else if (key == "Folder") {
      folder = value == "+";
    }
  }
  flush();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int Handle7zCompression(
    CompressionParams* params) {
  if (params == nullptr) return EINVAL;
  if (params->size != static_cast<int>(sizeof(CompressionParams)))
    return Fail(params, EINVAL, "CompressionParams of another layout");
  params->errorText[0] = '\0';
  params->errorTextWide[0] = L'\0';
  params->exitCode = 0;
  params->entryCount = 0;
  std::string line;
  std::vector<std::string> arguments;
  if (params->commandLine == nullptr || !ToUtf8(params->commandLine, line))
    return Fail(params, EINVAL, "The command line is not valid text");
  if (!SplitArguments(line, arguments)) return Fail(params, EINVAL, "Unclosed double quote");
  if (arguments.empty()) return Fail(params, EINVAL, "Empty command line");
  const bool listing = arguments[0] == "l";
  if (listing) arguments.insert(arguments.begin() + 1, "-slt");
  int status = 0;
  std::string out, err;
  const int spawned = Spawn(arguments, status, out, err);
  if (spawned != 0)
    return Fail(params, spawned,
                std::string("Could not run ") + kProgram + ": " + std::strerror(spawned));
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  params->exitCode = code;
  if (code != 0) {
    std::string text = Trim(err);
    if (text.empty()) text = Trim(out);
    if (text.size() >= sizeof params->errorText)
      text = text.substr(text.size() - (sizeof params->errorText - 1));
    return Fail(params, code, text.empty() ? kProgram + std::string(" failed") : text);
  }
  if (listing) HandBackEntries(out, params);
  return 0;
}
