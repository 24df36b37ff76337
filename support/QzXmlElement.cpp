#include <string>

#include "support/Stream.h"
#include "support/Messages.h"
#include "support/QzXml.h"
#include "support/VornError.h"

namespace vorn {

TQzXmlElement::TQzXmlElement(TQzXml* owner) : Owner(owner) {}

TQzXmlElement::~TQzXmlElement() { Clear(); }

void TQzXmlElement::Clear() {
  // Freed through a work list rather than by recursion, so that a deeply
  // nested tree cannot exhaust the call stack on its way out.
  std::vector<std::unique_ptr<TQzXmlElement>> pending = std::move(Children);
  Children.clear();
  while (!pending.empty()) {
    std::unique_ptr<TQzXmlElement> last = std::move(pending.back());
    pending.pop_back();
    for (auto& child : last->Children) pending.push_back(std::move(child));
    last->Children.clear();
  }
  Attributes.clear();
  Name.clear();
  Text.clear();
}

void TQzXmlElement::LoadFromStream(TMemoryStream& m) {
  const auto left = static_cast<size_t>(m.Remaining());
  std::string document(left, '\0');
  if (left > 0) m.ReadBuffer(document.data(), left);
  LoadTokens(document, false);
}

void TQzXmlElement::LoadFromString(const std::string& document) {
  LoadTokens(document, dynamic_cast<TQzXml*>(this) != nullptr);
}

void TQzXml::LoadFromStream(TMemoryStream& m) {
  const auto left = static_cast<size_t>(m.Remaining());
  std::string document(left, '\0');
  if (left > 0) m.ReadBuffer(document.data(), left);
  LoadTokens(document, true);
}

namespace {

std::string AsciiLowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

void CheckDeclaration(const TQzXmlTags& tags) {
  const TQzXmlTag* decl = tags.GetTag(0);
  if (decl == nullptr || decl->Kind() != TQzXmlTagKind::Declaration)
    throw EVornError(TErrorKind::Unsupported, kMsgUnsupportedFile);
  if (!decl->HasPair("version") || !decl->HasPair("encoding"))
    throw EVornError(TErrorKind::Unsupported, kMsgUnsupportedFile);
  if (decl->PairValue("version") != "1.0") throw EVornError(TErrorKind::Unsupported, kMsgUnsupportedXml);
  const std::string encoding = AsciiLowerCase(decl->PairValue("encoding"));
  if (encoding != "shift_jis" && encoding != "shift-jis") throw EVornError(TErrorKind::Unsupported, kMsgUnsupportedCharset);
}

}  // namespace

void TQzXmlElement::LoadTokens(const std::string& document, bool checkDeclaration) {
  Clear();
  TQzXmlTags tags;
  tags.Tokenize(document);
  int position = 0;
  if (checkDeclaration) {
    CheckDeclaration(tags);
    position = 1;
  }
  if (tags.FindElementStart(position)) BuildFromTags(tags, position, 0);
}

void TQzXmlElement::BuildFromTags(const TQzXmlTags& tags, int& k, int /*depth*/) {
  // The tree is built with an explicit stack of open elements instead of one
  // call per nesting level: malformed markup (every comment opens an element
  // that never closes) can nest without bound.
  const int count = tags.Count();
  auto open = [&](TQzXmlElement& e) {
    const TQzXmlTag& tag = tags.Items[static_cast<size_t>(k)];
    e.Name = tag.Name;
    for (const auto& pair : tag.Pairs) e.AddAttribute(pair.Name, QzDecodeEntities(pair.Value));
    ++k;
    return !tag.Closes();  // an empty-element tag (or a stray end tag) is complete
  };

  std::vector<TQzXmlElement*> stack;
  if (k < 0 || k >= count) return;
  if (open(*this)) stack.push_back(this);
  while (!stack.empty() && k < count) {
    TQzXmlElement& e = *stack.back();
    const TQzXmlTag& tag = tags.Items[static_cast<size_t>(k)];
    if (tag.Closes() && QzSameText(tag.Name, e.Name)) {
      ++k;
      stack.pop_back();
    } else if (tag.Kind() == TQzXmlTagKind::Tag) {
      TQzXmlElement& child = e.AddChild(tag.Name);
      if (open(child)) stack.push_back(&child);
    } else {
      // Text and declarations inside an element add to its text.
      e.Text += QzDecodeEntities(tag.Text);
      ++k;
    }
  }
}

TQzXmlElement* TQzXmlElement::GetChild(int index) const {
  if (index < 0 || index >= ChildCount()) return nullptr;
  return Children[static_cast<size_t>(index)].get();
}

int TQzXmlElement::IndexOfChild(const std::string& name) const {
  for (int i = 0; i < ChildCount(); ++i)
    if (QzSameText(Children[static_cast<size_t>(i)]->Name, name)) return i;
  return -1;
}

TQzXmlElement* TQzXmlElement::FindChild(const std::string& name) const {
  const int i = IndexOfChild(name);
  if (i >= 0) return GetChild(i);
  if (Strict) throw EVornError(FormatMessage(kMsgElementMissing, name));
  return nullptr;
}

std::string TQzXmlElement::ChildText(const std::string& name, const std::string& def) const {
  const TQzXmlElement* child = FindChild(name);
  return child != nullptr ? child->Text : def;
}

bool TQzXmlElement::NameIs(const std::string& name) const { return QzSameText(Name, name); }

const TQzXmlValue* TQzXmlElement::GetAttribute(int index) const {
  if (index < 0 || index >= AttributeCount()) return nullptr;
  return &Attributes[static_cast<size_t>(index)];
}

namespace {

const TQzXmlValue* FindAttribute(const std::vector<TQzXmlValue>& attributes,
                                 const std::string& name) {
  for (const auto& a : attributes)
    if (QzSameText(a.Name, name)) return &a;
  return nullptr;
}

}  // namespace

std::string TQzXmlElement::AttrAsString(const std::string& name, const std::string& def) const {
  const TQzXmlValue* a = FindAttribute(Attributes, name);
  return a != nullptr ? a->Value : def;
}

int32_t TQzXmlElement::AttrAsInteger(const std::string& name, int32_t def) const {
  const TQzXmlValue* a = FindAttribute(Attributes, name);
  int32_t value = def;
  if (a == nullptr || !QzTryStrToInt(a->Value, value)) return def;
  return value;
}

bool TQzXmlElement::AttrAsBoolean(const std::string& name, bool def) const {
  const TQzXmlValue* a = FindAttribute(Attributes, name);
  return a != nullptr ? a->Value == "1" : def;
}

TQzXmlElement& TQzXmlElement::AddChild(const std::string& name) {
  // Children of a document belong to it; deeper ones share their parent's owner.
  auto* document = dynamic_cast<TQzXml*>(this);
  auto child = std::make_unique<TQzXmlElement>(document != nullptr ? document : Owner);
  child->Parent = this;
  child->Name = name;
  Children.push_back(std::move(child));
  return *Children.back();
}

int TQzXmlElement::AddAttribute(const std::string& name, const std::string& value) {
  Attributes.push_back({name, value});
  return AttributeCount() - 1;
}

}  // namespace vorn
