// The XML element reader alone: a document loaded as an element (no
// declaration check) or as a document (declaration checked), then every
// element of the tree visited with the lookups the file reader uses.
#include <cstdint>
#include <string>
#include <vector>

#include "support/Stream.h"
#include "support/QzXml.h"
#include "support/VornError.h"

namespace {

const char* const kNames[] = {"Version", "Width", "Height", "Bpp", "Count", "SyncPal",
                              "Randomized", "CompType", "CompLevel", "BGColor", "BlockWidth",
                              "BlockHeight", "NotFillBG", "Name", "TransColor", "Delay",
                              "Disposal", "Visible", "Alpha", "AlphaOn", "Frame", "Layers",
                              "Layer", "RGB", ""};

void Visit(const vorn::TQzXmlElement& root) {
  // Iterative, like the reader's own tree code: nesting depth is the input's.
  std::vector<const vorn::TQzXmlElement*> pending{&root};
  while (!pending.empty()) {
    const vorn::TQzXmlElement* e = pending.back();
    pending.pop_back();
    for (const char* name : kNames) {
      (void)e->AttrAsInteger(name, 7);
      (void)e->AttrAsBoolean(name, true);
      (void)e->AttrAsString(name, "d");
      (void)e->NameIs(name);
      (void)e->IndexOfChild(name);
      (void)e->ChildText(name, "d");
    }
    for (int i = 0; i < e->AttributeCount(); ++i) {
      const vorn::TQzXmlValue* a = e->GetAttribute(i);
      int32_t value = 0;
      (void)vorn::QzTryStrToInt(a->Value, value);
      (void)vorn::QzSameText(a->Name, e->Name);
    }
    (void)vorn::QzDecodeEntities(e->Text);
    for (int i = 0; i < e->ChildCount(); ++i) {
      const vorn::TQzXmlElement* child = e->GetChild(i);
      if (child == nullptr || child->Parent != e) std::abort();
      pending.push_back(child);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string document(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    if (data[0] & 1) {
      vorn::TQzXml xml;
      vorn::TMemoryStream m(std::vector<uint8_t>(document.begin(), document.end()));
      xml.LoadFromStream(m);
      Visit(xml);
    } else {
      vorn::TQzXmlElement root;
      root.LoadFromString(document);
      Visit(root);
      // Reloading replaces the tree.
      root.LoadFromString(document.substr(document.size() / 2));
      Visit(root);
    }
  } catch (const vorn::EVornError&) {
    // The document check's messages: an expected outcome.
  }
  return 0;
}
