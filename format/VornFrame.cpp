#include "format/VornFrame.h"

#include <algorithm>

#include "format/LoadContext.h"
#include "format/VornFormat.h"
#include "format/VornLayer.h"
#include "support/Stream.h"
#include "support/Messages.h"
#include "support/QzXml.h"
#include "support/VornError.h"
#include "surface/DIBSurface.h"

namespace vorn {

namespace {

// Number of colour-table entries stored for a depth of 8 bits or less.
int PaletteEntries(int32_t bpp) {
  if (bpp < 0 || bpp > 8) throw EInvalidGraphicOperation(FormatMessage(kMsgInvalidBitCount, bpp));
  return 1 << bpp;
}

// Whether the file's layers are stored in rows (or JPEG): then no block of
// any layer copies from another layer.
bool RowStorage(const TVornFileHeader& header) {
  return header.Version < format::kVersionHeaderRecord || header.BlockWidth <= 0 ||
         header.BlockHeight <= 0 || header.CompType == format::kCompJpeg;
}

}  // namespace

std::string ReadName(TStream& stream) {
  const int32_t length = stream.ReadInt32();
  if (length <= 0) return {};
  if (length > stream.Remaining()) throw EReadError(kMsgStreamRead);
  std::string name(static_cast<size_t>(length), '\0');
  stream.ReadBuffer(name.data(), name.size());
  return name;
}

TVornFrame::TVornFrame(TPixelMemory* pixels)
    : Surface(std::make_unique<TDIBSurface>(pixels)), pixels_(pixels) {}

TVornFrame::~TVornFrame() {
  Surface.reset();
  Clear();
}

void TVornFrame::Clear() {
  spare_.clear();
  for (auto& layer : layers_) layer.reset();
  layers_.clear();
}

void TVornFrame::ReuseSpareLayer(TDIBSurface& target) {
  if (target.Size() <= 0) return;
  for (auto it = spare_.begin(); it != spare_.end(); ++it) {
    if ((*it)->Size() != target.Size()) continue;
    // The spare layer gets target's memory, which nothing has written yet.
    target.ExchangePixels(**it);
    spare_.erase(it);
    return;
  }
}

TVornLayer& TVornFrame::GetLayer(int index) const {
  if (index < 0 || index >= Count()) throw EListError(FormatMessage(kMsgListIndex, index));
  return *layers_[static_cast<size_t>(index)];
}

int32_t TVornFrame::Width() const {
  return layers_.empty() ? Surface->Width() : layers_.front()->Surface->Width();
}

int32_t TVornFrame::Height() const {
  return layers_.empty() ? Surface->Height() : layers_.front()->Surface->Height();
}

int32_t TVornFrame::Bpp() const {
  return layers_.empty() ? Surface->Bpp() : layers_.front()->Surface->Bpp();
}

void TVornFrame::SizeSurface(int32_t w, int32_t h, int32_t bpp, TLoadContext& context) {
  context.Budget.Charge(SurfaceCost(w, h, bpp));
  Surface->SetSize(w, h, bpp);
}

void TVornFrame::CheckLayers(int64_t count, const TLoadContext& context) const {
  // Every layer holds a surface of the frame's size: a count that cannot fit
  // fails before the first layer is read, not after the budget is spent.
  context.Budget.Check(TimesCount(count, SurfaceCost(Surface->Width(), Surface->Height(),
                                                     Surface->Bpp())));
}

TVornLayer& TVornFrame::AppendLayer() {
  // Appended before it reads itself, so its blocks may refer to it.
  layers_.push_back(std::make_unique<TVornLayer>(pixels_));
  return *layers_.back();
}

void TVornFrame::ReadRecordList(TStream& stream, std::vector<TRecord>& list) {
  const int32_t count = stream.ReadInt32();
  if (count < 0) return;
  const int64_t bytes = static_cast<int64_t>(count) * 16;
  if (bytes > stream.Remaining()) throw EReadError(kMsgStreamRead);
  list.resize(static_cast<size_t>(count));
  stream.ReadBuffer(list.data(), static_cast<size_t>(bytes));
}

void TVornFrame::LoadBinary(TStream& stream, const TVornFileHeader& header, TLoadContext& context) {
  firstVisible_ = true;
  reuseLayers_ = RowStorage(header);
  Name = ReadName(stream);
  TransColor = stream.ReadInt32();
  Delay = stream.ReadInt32();
  Disposal = stream.ReadByte();
  stream.Skip(4);
  const int32_t layerCount = stream.ReadInt32();
  const int32_t w = stream.ReadInt32();
  const int32_t h = stream.ReadInt32();
  const int32_t bpp = stream.ReadInt32();
  SizeSurface(w, h, bpp, context);
  if (bpp <= 8) {
    const int entries = PaletteEntries(bpp);
    stream.ReadBuffer(Surface->ColorTable.data(), static_cast<size_t>(entries) * 4);
    Surface->UpdatePalette();
  }
  FillBackground(context.BGColor);
  // A damaged layer count is bounded by the data and by the budget.
  CheckLayers(layerCount, context);
  for (int32_t i = 0; i < layerCount; ++i) {
    TVornLayer& layer = AppendLayer();
    layer.LoadBinary(stream, header, context, *this);
    Compose(layer, i, context.NotFillBG);
  }
  if (Composed) PaintBackground();
  if (header.Version >= format::kVersionRecordLists) {
    ReadRecordList(stream, RecordList1);
    ReadRecordList(stream, RecordList2);
  }
}

void TVornFrame::LoadXml(const TQzXmlElement& element, TStream& stream,
                         const TVornFileHeader& header, TLoadContext& context) {
  firstVisible_ = true;
  reuseLayers_ = RowStorage(header);
  Name = element.AttrAsString("Name", "");
  TransColor = element.AttrAsInteger("TransColor", -1);
  Delay = element.AttrAsInteger("Delay", 0);
  Disposal = static_cast<uint8_t>(element.AttrAsInteger("Disposal", 0));

  const TQzXmlElement* layers = element.FindChild("Layers");
  if (layers == nullptr) throw EVornError(kMsgNoLayers);
  const int32_t layerCount = layers->AttrAsInteger("Count", 0);
  const int32_t w = layers->AttrAsInteger("Width", 100);
  const int32_t h = layers->AttrAsInteger("Height", 100);
  const int32_t bpp = layers->AttrAsInteger("Bpp", 8);
  SizeSurface(w, h, bpp, context);

  if (bpp <= 8) {
    const int entries = PaletteEntries(bpp);
    const std::string text = layers->ChildText("RGB", "");
    if (text.size() < static_cast<size_t>(entries) * 6) throw EVornError(kMsgNoColorTable);
    for (int k = 0; k < entries; ++k) {
      // Six hex digits of a 0x00BBGGRR value, blue digits first.
      std::string digits(1, '$');
      digits.append(text, static_cast<size_t>(k) * 6, 6);
      int32_t v = 0;
      if (!QzTryStrToInt(digits, v)) throw EConvertError(FormatMessage(kMsgNotInteger, digits));
      TRGBQuad& entry = Surface->ColorTable[static_cast<size_t>(k)];
      entry.Red = static_cast<uint8_t>(v);
      entry.Green = static_cast<uint8_t>(v >> 8);
      entry.Blue = static_cast<uint8_t>(v >> 16);
    }
    Surface->UpdatePalette();
  }
  FillBackground(context.BGColor);

  // The Layer children stand one after another from the first of them.
  const int first = layers->IndexOfChild("Layer");
  CheckLayers(first < 0 ? 0 : std::min<int64_t>(layerCount, layers->ChildCount() - first), context);
  for (int32_t i = 0; i < layerCount; ++i) {
    const TQzXmlElement* child = first < 0 ? nullptr : layers->GetChild(first + i);
    if (child == nullptr || !child->NameIs("Layer")) throw EVornError(kMsgFileDamaged);
    TVornLayer& layer = AppendLayer();
    layer.LoadXml(*child, stream, header, context, *this);
    Compose(layer, i, context.NotFillBG);
  }
  if (Composed) PaintBackground();
}

void TVornFrame::FillBackground(int32_t color) {
  int32_t r = color & 0xFF;
  int32_t g = (color >> 8) & 0xFF;
  int32_t b = (color >> 16) & 0xFF;
  switch (Surface->Bpp()) {
    case 15:
      r >>= 3, g >>= 3, b >>= 3;
      break;
    case 16:
      r >>= 3, g >>= 2, b >>= 3;
      break;
    default:
      break;
  }
  background_ = Surface->ColorToPixel(r, g, b);
  backgroundPending_ = true;
}

void TVornFrame::PaintBackground() {
  if (!backgroundPending_) return;
  backgroundPending_ = false;
  Surface->FillRect(Surface->BoundsRect(), background_);
}

bool TVornFrame::TakeLayerPixels(TDIBSurface& layer) {
  // A plain copy of a layer of the composite's size leaves nothing of what
  // was there but the row padding, which stays zero. Where the layer is not
  // read again the two exchange their memory; otherwise, when the layer's
  // padding is zero too, the composite shows the layer's pixels until it is
  // drawn on (and then copies them).
  TDIBSurface& composite = *Surface;
  if (!composite.ClipRect.Empty() || composite.Size() <= 0 ||
      layer.Width() != composite.Width() || layer.Height() != composite.Height() ||
      layer.BitCount() != composite.BitCount() || layer.Size() != composite.Size())
    return false;
  if (reuseLayers_) {
    composite.ExchangePixels(layer);
    composite.ClearPadding();
  } else if (layer.PaddingIsZero()) {
    composite.SharePixels(layer);
  } else {
    return false;
  }
  backgroundPending_ = false;
  return true;
}

void TVornFrame::Compose(TVornLayer& layer, int position, bool notFillBG) {
  TDIBSurface& s = *layer.Surface;
  if (layer.Visible && Composed) {
    const bool alphaOn = s.AlphaChannel != nullptr && layer.AlphaOn;
    if (alphaOn && firstVisible_) Surface->CopyAlpha(*s.AlphaChannel);

    if (alphaOn && position > 0) {
      PaintBackground();
      Surface->DrawAlphaChannel(0, 0, 255, s.BoundsRect(), s);
    } else if (layer.Alpha >= 255 &&
               (layer.TransColor < 0 || (firstVisible_ && notFillBG))) {
      if (!TakeLayerPixels(s)) {
        PaintBackground();
        Surface->Draw(0, 0, s);
      }
    } else {
      PaintBackground();
      Surface->DrawAlpha(0, 0, layer.Alpha, layer.TransColor, s.BoundsRect(), s);
    }
    firstVisible_ = false;
  }
  if (reuseLayers_) {
    spare_.push_back(&s);
    if (s.AlphaChannel) spare_.push_back(s.AlphaChannel.get());
  }
}

}  // namespace vorn
