#include "converter/Thumbnail.h"

#include <algorithm>
#include <cmath>

namespace vorn::tools {

namespace {

// How much of source pixels [0, n) each of m target pixels covers: for
// target i, pairs of (source index, weight), the weights summing to 1.
struct TSpan {
  int32_t First = 0;
  std::vector<double> Weights;
};

std::vector<TSpan> Spans(int32_t n, int32_t m) {
  std::vector<TSpan> spans(static_cast<size_t>(m));
  const double scale = static_cast<double>(n) / m;
  for (int32_t i = 0; i < m; ++i) {
    const double from = i * scale, to = (i + 1) * scale;
    TSpan& span = spans[static_cast<size_t>(i)];
    span.First = static_cast<int32_t>(std::floor(from));
    const int32_t last = std::min(n - 1, static_cast<int32_t>(std::ceil(to)) - 1);
    for (int32_t k = span.First; k <= last; ++k)
      span.Weights.push_back((std::min<double>(to, k + 1) - std::max<double>(from, k)) / scale);
  }
  return spans;
}

}  // namespace

TRgbaPicture ScaleToFit(const TRgbaPicture& picture, int32_t size) {
  const int32_t w = picture.Width, h = picture.Height;
  if (w <= size && h <= size) return picture;
  const double ratio = std::min(static_cast<double>(size) / w, static_cast<double>(size) / h);
  TRgbaPicture out;
  out.Width = std::max(1, static_cast<int32_t>(std::lround(w * ratio)));
  out.Height = std::max(1, static_cast<int32_t>(std::lround(h * ratio)));
  out.HasAlpha = picture.HasAlpha;
  out.Pixels.resize(static_cast<size_t>(out.Width) * out.Height * 4);
  const std::vector<TSpan> columns = Spans(w, out.Width), rows = Spans(h, out.Height);

  // Rows first: each target row from the source rows it covers, colours
  // premultiplied by alpha so that transparent pixels lend no colour.
  std::vector<double> band(static_cast<size_t>(w) * 4);
  for (int32_t ty = 0; ty < out.Height; ++ty) {
    std::fill(band.begin(), band.end(), 0.0);
    const TSpan& span = rows[static_cast<size_t>(ty)];
    for (size_t k = 0; k < span.Weights.size(); ++k) {
      const uint8_t* in = picture.Pixels.data() + (static_cast<size_t>(span.First) + k) * w * 4;
      for (int32_t x = 0; x < w; ++x, in += 4) {
        const double a = in[3] / 255.0 * span.Weights[k];
        double* b = &band[static_cast<size_t>(x) * 4];
        b[0] += in[0] * a, b[1] += in[1] * a, b[2] += in[2] * a, b[3] += a;
      }
    }
    uint8_t* o = out.Pixels.data() + static_cast<size_t>(ty) * out.Width * 4;
    for (int32_t tx = 0; tx < out.Width; ++tx, o += 4) {
      const TSpan& c = columns[static_cast<size_t>(tx)];
      double sum[4] = {};
      for (size_t k = 0; k < c.Weights.size(); ++k)
        for (int i = 0; i < 4; ++i) sum[i] += band[(static_cast<size_t>(c.First) + k) * 4 + i] * c.Weights[k];
      for (int i = 0; i < 3; ++i)
        o[i] = static_cast<uint8_t>(sum[3] > 0 ? std::clamp(std::lround(sum[i] / sum[3]), 0L, 255L) : 0);
      o[3] = static_cast<uint8_t>(std::clamp(std::lround(sum[3] * 255.0), 0L, 255L));
    }
  }
  return out;
}

}  // namespace vorn::tools
