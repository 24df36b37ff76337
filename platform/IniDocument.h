// The text of a small INI file: "[Section]" lines and "Name=Value" lines.
// Section and value names compare without regard to ASCII case, as registry
// names do. Lines we do not touch are written back as they were.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::platform {

class TIniDocument {
 public:
  TIniDocument() = default;
  explicit TIniDocument(std::string_view text);

  // The value's text with surrounding blanks removed; nullopt when absent.
  std::optional<std::string> Get(std::string_view section, std::string_view name) const;
  // Replaces the value, or adds it (and its section) at the end.
  void Set(std::string_view section, std::string_view name, std::string_view value);
  std::string Text() const;

 private:
  // Index of the section's header line, or npos.
  size_t FindSection(std::string_view section) const;
  // Index of the value's line within the section starting at header, or npos.
  size_t FindValue(size_t header, std::string_view name) const;

  std::vector<std::string> lines_;
};

}  // namespace vorn::platform
