#include "platform/IniDocument.h"

#include "support/QzXml.h"

namespace vorn::platform {
namespace {

constexpr size_t npos = std::string::npos;

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) { return QzSameText(a, b); }

// The name of a "[Section]" line, or nullopt for any other line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trimmed(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return Trimmed(line.substr(1, line.size() - 2));
}

}  // namespace

TIniDocument::TIniDocument(std::string_view text) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    if (end == npos) break;
    text.remove_prefix(end + 1);
  }
}

size_t TIniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionOf(lines_[i]);
    if (name && SameName(*name, section)) return i;
  }
  return npos;
}

size_t TIniDocument::FindValue(size_t header, std::string_view name) const {
  for (size_t i = header + 1; i < lines_.size() && !SectionOf(lines_[i]); ++i) {
    const std::string_view line = lines_[i];
    const size_t eq = line.find('=');
    if (eq == npos) continue;
    const std::string_view key = Trimmed(line.substr(0, eq));
    if (!key.empty() && key.front() != ';' && key.front() != '#' && SameName(key, name)) return i;
  }
  return npos;
}

std::optional<std::string> TIniDocument::Get(std::string_view section, std::string_view name) const {
  const size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  const size_t at = FindValue(header, name);
  if (at == npos) return std::nullopt;
  const std::string_view line = lines_[at];
  return std::string(Trimmed(line.substr(line.find('=') + 1)));
}

void TIniDocument::Set(std::string_view section, std::string_view name, std::string_view value) {
  std::string line = std::string(name) + "=" + std::string(value);
  size_t header = FindSection(section);
  if (header == npos) {
    if (!lines_.empty() && !Trimmed(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::move(line));
    return;
  }
  const size_t at = FindValue(header, name);
  if (at != npos) {
    lines_[at] = std::move(line);
    return;
  }
  // After the section's last value line, before any blank lines that end it.
  size_t end = header + 1;
  while (end < lines_.size() && !SectionOf(lines_[end])) ++end;
  while (end > header + 1 && Trimmed(lines_[end - 1]).empty()) --end;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end), std::move(line));
}

std::string TIniDocument::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + "\n";
  return text;
}

}  // namespace vorn::platform
