// One frame of the animation: its layers (bottom first) and the composite
// into which each layer is flattened as soon as it has been read. The load's
// context (budget, background, the other frames' layers) is handed in by
// the frame list; a frame keeps no way back to it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/VornFileHeader.h"

namespace vorn {

class TDIBSurface;
class TPixelMemory;
class TQzXmlElement;
class TStream;
class TVornLayer;
struct TLoadContext;

class TVornFrame {
 public:
  using TRecord = std::array<uint8_t, 16>;

  // The composite and the layers take their pixel blocks from pixels.
  explicit TVornFrame(TPixelMemory* pixels = nullptr);
  ~TVornFrame();
  TVornFrame(const TVornFrame&) = delete;
  TVornFrame& operator=(const TVornFrame&) = delete;

  // Frees every layer, first to last; the composite and the fields stay.
  void Clear();
  int Count() const { return static_cast<int>(layers_.size()); }
  // Fails with the list's index error outside 0 .. Count-1.
  TVornLayer& GetLayer(int index) const;

  // One binary frame record with its layers, composed as they are read.
  void LoadBinary(TStream& stream, const TVornFileHeader& header, TLoadContext& context);
  // One Frame element of the XML header; the layers' pixel data come from
  // the stream.
  void LoadXml(const TQzXmlElement& element, TStream& stream, const TVornFileHeader& header,
               TLoadContext& context);

  // Those of layer 0 while the frame holds layers, else the composite's.
  int32_t Width() const;
  int32_t Height() const;
  int32_t Bpp() const;

  // In a file whose layers no block can copy from (row storage), a layer
  // that has been composed is never read again: target (a new layer's
  // surface or alpha channel) takes over the memory of such a layer of the
  // same size, already written to, instead of touching new memory.
  void ReuseSpareLayer(TDIBSurface& target);

  int32_t Delay = 100;
  // Set false before a load that only reads and checks the layers, for a
  // frame nobody will be shown: nothing is drawn and the composite holds
  // nothing (no memory of it is touched).
  bool Composed = true;
  std::unique_ptr<TDIBSurface> Surface;
  int32_t TransColor = 0;
  std::string Name;
  std::vector<TRecord> RecordList1;
  std::vector<TRecord> RecordList2;
  uint8_t Disposal = 0;

 private:
  // Sizes the composite, charging its memory to the load's budget.
  void SizeSurface(int32_t w, int32_t h, int32_t bpp, TLoadContext& context);
  // Fails with ELimitError when count layers of this frame's size cannot fit.
  void CheckLayers(int64_t count, const TLoadContext& context) const;
  void FillBackground(int32_t color);
  void PaintBackground();
  bool TakeLayerPixels(TDIBSurface& layer);
  TVornLayer& AppendLayer();
  void Compose(TVornLayer& layer, int position, bool notFillBG);
  void ReadRecordList(TStream& stream, std::vector<TRecord>& list);

  TPixelMemory* pixels_;
  std::vector<std::unique_ptr<TVornLayer>> layers_;
  bool firstVisible_ = true;
  // The background is painted when something must be drawn over it: a
  // first layer that covers the composite whole takes its place instead.
  bool backgroundPending_ = false;
  uint32_t background_ = 0;
  // Row storage: composed layers' surfaces are spare (see ReuseSpareLayer).
  bool reuseLayers_ = false;
  std::vector<TDIBSurface*> spare_;
};

// Reads a length-prefixed 8-bit name (nothing for a length of 0 or less),
// checking the length against what the stream still holds.
std::string ReadName(TStream& stream);

}  // namespace vorn
