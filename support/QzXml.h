// A small, line-oriented XML element reader for the header documents of the
// new file generation. It is deliberately tolerant: malformed markup is
// absorbed by fixed rules instead of being reported, and those rules decide
// which real files open, so they are kept exactly (see QzXmlTags.cpp and
// QzXmlText.cpp).
// All strings are code page 932 byte strings; nothing is converted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class TMemoryStream;

// One attribute as written in a tag, value still raw (not entity-decoded).
struct TQzXmlTagValue {
  std::string Name;
  std::string Value;
};

enum class TQzXmlTagKind { Text, Declaration, Tag };

// One token: a tag (from its "<" to its ">") or a run of text.
class TQzXmlTag {
 public:
  void Parse(const std::string& text);
  void Parse(std::string&& text);
  TQzXmlTagKind Kind() const;
  bool Closes() const;
  bool HasPair(const std::string& name) const;
  std::string PairValue(const std::string& name) const;
  int PairCount() const { return static_cast<int>(Pairs.size()); }
  TQzXmlTagValue GetPair(int index) const;

  std::string Text;
  std::vector<TQzXmlTagValue> Pairs;
  std::string Name;
};

// The token list.
class TQzXmlTags {
 public:
  void Clear() { Items.clear(); }
  int Count() const { return static_cast<int>(Items.size()); }
  const TQzXmlTag* GetTag(int index) const;
  TQzXmlTag& Add(const std::string& text);
  TQzXmlTag& Add(std::string&& text);
  void Tokenize(const std::string& document);
  // Advances position to the first token at or after it of kind Tag.
  bool FindElementStart(int& position) const;

  std::vector<TQzXmlTag> Items;
};

// One attribute of an element, entity-decoded.
struct TQzXmlValue {
  std::string Name;
  std::string Value;
};

class TQzXml;

class TQzXmlElement {
 public:
  explicit TQzXmlElement(TQzXml* owner = nullptr);
  virtual ~TQzXmlElement();
  TQzXmlElement(const TQzXmlElement&) = delete;
  TQzXmlElement& operator=(const TQzXmlElement&) = delete;

  void Clear();
  // Replaces the content with the first element of the document held in m
  // from its position to its end.
  virtual void LoadFromStream(TMemoryStream& m);
  void LoadFromString(const std::string& document);

  int ChildCount() const { return static_cast<int>(Children.size()); }
  TQzXmlElement* GetChild(int index) const;
  int IndexOfChild(const std::string& name) const;
  TQzXmlElement* FindChild(const std::string& name) const;
  std::string ChildText(const std::string& name, const std::string& def) const;
  bool NameIs(const std::string& name) const;
  int AttributeCount() const { return static_cast<int>(Attributes.size()); }
  const TQzXmlValue* GetAttribute(int index) const;
  std::string AttrAsString(const std::string& name, const std::string& def) const;
  int32_t AttrAsInteger(const std::string& name, int32_t def) const;
  bool AttrAsBoolean(const std::string& name, bool def) const;
  TQzXmlElement& AddChild(const std::string& name);
  int AddAttribute(const std::string& name, const std::string& value);

  std::vector<std::unique_ptr<TQzXmlElement>> Children;
  TQzXml* Owner = nullptr;
  std::string Name;
  std::vector<TQzXmlValue> Attributes;
  TQzXmlElement* Parent = nullptr;
  std::string Text;
  bool Strict = false;

 protected:
  void BuildFromTags(const TQzXmlTags& tags, int& k, int depth);
  void LoadTokens(const std::string& document, bool checkDeclaration);
};

// The document: checks the XML declaration when loading.
class TQzXml : public TQzXmlElement {
 public:
  TQzXml() : TQzXmlElement(nullptr) {}
  void LoadFromStream(TMemoryStream& m) override;
};

// Case-insensitive comparison for the 26 ASCII letters; other bytes exact.
bool QzSameText(std::string_view a, std::string_view b);
// The integer rule of attribute values: leading spaces, decimal with sign or
// $/x/0x hexadecimal as a 32-bit pattern, nothing after the digits.
bool QzTryStrToInt(const std::string& text, int32_t& value);
// Numeric references first (Shift-JIS double-byte codes from 256), then
// &gt; &lt; &quot; &amp; in that order.
std::string QzDecodeEntities(const std::string& text);

}  // namespace vorn
