// The progress line and the summary of a scan.
#include "Report.h"

#include <sys/ioctl.h>
#include <unistd.h>
#include <yqbase/strings/StringExtensions.h>
#include <yqbase/time/Counters.h>

namespace yqscan {

namespace {

double Seconds(CTimeInterval interval) {
  return static_cast<double>(interval.GetValue()) / CTimeInterval::kTicksPerSecond;
}

double Rate(unsigned long long count, double seconds) {
  return seconds > 0 ? static_cast<double>(count) / seconds : 0;
}

// The totals over every entry; errors include those outside any entry.
SEntryReport Totals(const SScanResult& result) {
  SEntryReport total;
  for (const SEntryReport& entry : result.entries) {
    total.folders += entry.folders;
    total.files += entry.files;
    total.links += entry.links;
    total.other += entry.other;
    total.bytes += entry.bytes;
    total.excluded += entry.excluded;
    total.seconds += entry.seconds;
  }
  total.errors = result.Errors();
  return total;
}

void PrintCounts(FILE* out, const char* indent, const SEntryReport& entry) {
  const std::string human =
      entry.bytes < 1024 ? "" : " (" + FXCounter::AsDataValue(entry.bytes) + ")";
  std::fprintf(out,
               "%sfolders %llu, files %llu, links %llu, other %llu, bytes %llu%s\n"
               "%sexcluded by filters %llu, errors %llu, %.3f s, %.0f entries/s\n",
               indent, entry.folders, entry.files, entry.links, entry.other, entry.bytes,
               human.c_str(), indent, entry.excluded, entry.errors, entry.seconds,
               Rate(entry.Entries(), entry.seconds));
}

void PrintErrors(FILE* out, const SEntryReport& entry) {
  for (const std::string& text : entry.errorTexts) std::fprintf(out, "  error: %s\n", text.c_str());
  if (entry.errors > entry.errorTexts.size())
    std::fprintf(out, "  ... %llu more errors in the log\n",
                 entry.errors - entry.errorTexts.size());
}

// A JSON string: quotes, backslashes and control characters escaped; other bytes as they are.
std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\')
      out += {'\\', static_cast<char>(c)};
    else if (c < 0x20)
      out += FXString::Format("\\u%04x", c);
    else
      out += static_cast<char>(c);
  }
  return out + "\"";
}

void PrintJsonCounts(FILE* out, const SEntryReport& entry) {
  std::fprintf(out,
               "\"folders\":%llu,\"files\":%llu,\"links\":%llu,\"other\":%llu,\"bytes\":%llu,"
               "\"excluded\":%llu,\"errors\":%llu,\"seconds\":%.3f,\"entries_per_second\":%.0f",
               entry.folders, entry.files, entry.links, entry.other, entry.bytes, entry.excluded,
               entry.errors, entry.seconds, Rate(entry.Entries(), entry.seconds));
}

void PrintJsonErrors(FILE* out, const SEntryReport& entry) {
  std::fputs("\"error_texts\":[", out);
  for (size_t i = 0; i < entry.errorTexts.size(); ++i)
    std::fprintf(out, "%s%s", i ? "," : "", Json(entry.errorTexts[i]).c_str());
  std::fputs("]", out);
}

}  // namespace

CProgressLine::CProgressLine(bool force)
    : m_enabled(force || ::isatty(STDERR_FILENO) == 1),
      m_start(FXMicroTimeStamp::Now()),
      m_last(m_start) {}

void CProgressLine::SetTotals(const SEntryReport* report) {
  if (m_report != nullptr) {
    m_doneEntries += m_report->Entries();
    m_doneBytes += m_report->bytes;
  }
  m_report = report;
}

void CProgressLine::Draw(const std::string& folder) {
  const CTimeStamp now = FXMicroTimeStamp::Now();
  if ((now - m_last).GetMilliseconds() < 200 || m_report == nullptr) return;
  m_last = now;
  const unsigned long long entries = m_doneEntries + m_report->Entries();
  const unsigned long long bytes = m_doneBytes + m_report->bytes;
  std::string line = FXString::Format("%llu entries, %s, %.0f entries/s, ", entries,
                                      FXCounter::AsDataValue(bytes).c_str(),
                                      Rate(entries, Seconds(now - m_start)));
  struct winsize size = {};
  const size_t width =
      ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20 ? size.ws_col - 1 : 79;
  // The folder's tail fits the rest of the line.
  if (line.size() + folder.size() > width && width > line.size() + 3)
    line += "..." + folder.substr(folder.size() - (width - line.size() - 3));
  else if (line.size() + folder.size() <= width)
    line += folder;
  std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
  std::fflush(stderr);
  m_drawn = true;
}

void CProgressLine::Clear() {
  if (!m_drawn) return;
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
  m_drawn = false;
}

void PrintSummary(FILE* out, const SScanResult& result) {
  for (const SEntryReport& entry : result.entries) {
    std::fprintf(out, "%s (volume %s)\n", entry.path.c_str(), entry.volume.c_str());
    PrintCounts(out, "  ", entry);
    for (const auto& mount : entry.excludedMounts)
      std::fprintf(out, "  excluded mount %s: %s\n", mount.first.c_str(), mount.second.c_str());
    PrintErrors(out, entry);
  }
  if (result.general.errors != 0) {
    std::fputs("not scanned\n", out);
    PrintErrors(out, result.general);
  }
  std::fputs("total\n", out);
  PrintCounts(out, "  ", Totals(result));
}

void PrintJson(FILE* out, const SScanResult& result) {
  std::fputs("{\"entries\":[", out);
  for (size_t i = 0; i < result.entries.size(); ++i) {
    const SEntryReport& entry = result.entries[i];
    std::fprintf(out, "%s{\"path\":%s,\"volume\":%s,", i ? "," : "", Json(entry.path).c_str(),
                 Json(entry.volume).c_str());
    PrintJsonCounts(out, entry);
    std::fputs(",\"excluded_mounts\":[", out);
    for (size_t m = 0; m < entry.excludedMounts.size(); ++m)
      std::fprintf(out, "%s{\"path\":%s,\"reason\":%s}", m ? "," : "",
                   Json(entry.excludedMounts[m].first).c_str(),
                   Json(entry.excludedMounts[m].second).c_str());
    std::fputs("],", out);
    PrintJsonErrors(out, entry);
    std::fputs("}", out);
  }
  std::fputs("],\"not_scanned\":{", out);
  PrintJsonErrors(out, result.general);
  std::fputs("},\"total\":{", out);
  PrintJsonCounts(out, Totals(result));
  std::fputs("}}\n", out);
}

}  // namespace yqscan
