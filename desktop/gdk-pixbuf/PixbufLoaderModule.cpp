// libpixbufloader-vorn.so: the gdk-pixbuf loader module for .vrn files.
// gdk-pixbuf looks up fill_info (what the module reads) and fill_vtable (its
// loading calls); nothing else is exported (pixbufloader-vorn.map).
//
// Every way in reads the whole file before decoding: the library reads its
// input where it lies, and a .vrn file cannot be shown before its end. The
// incremental loader (GdkPixbufLoader, as viewers use it) therefore keeps
// what it is given and decodes when closed, delivering every frame: the
// first as the pixbuf, and an animation when there are several.
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "desktop/gdk-pixbuf/PixbufAnimation.h"
#include "desktop/gdk-pixbuf/PixbufFrameReader.h"

#include <gdk-pixbuf/gdk-pixbuf-io.h>

namespace {

using vorn::desktop::NewPixbufAnimation;
using vorn::desktop::SetVornError;
using vorn::desktop::TPixbufFrameReader;

// The rest of the file.
bool ReadAll(FILE* file, std::vector<uint8_t>& bytes, GError** error) {
  try {
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  } catch (const std::bad_alloc&) {
    SetVornError(error, VORN_ERROR_NO_MEMORY);
    return false;
  }
  if (std::ferror(file)) {
    SetVornError(error, VORN_ERROR_IO);
    return false;
  }
  return true;
}

GdkPixbuf* Load(FILE* file, GError** error) {
  try {
    std::vector<uint8_t> bytes;
    TPixbufFrameReader reader;
    if (!ReadAll(file, bytes, error) || !reader.Open(bytes.data(), bytes.size(), error) ||
        !reader.ReadFrames(false, error))
      return nullptr;
    return g_object_ref(reader.Frames().front().Pixbuf);
  } catch (...) {
    SetVornError(error, VORN_ERROR_INTERNAL);
    return nullptr;
  }
}

GdkPixbufAnimation* LoadAnimation(FILE* file, GError** error) {
  try {
    std::vector<uint8_t> bytes;
    TPixbufFrameReader reader;
    if (!ReadAll(file, bytes, error) || !reader.Open(bytes.data(), bytes.size(), error) ||
        !reader.ReadFrames(true, error))
      return nullptr;
    GdkPixbufAnimation* animation = NewPixbufAnimation(reader.Frames());
    if (animation == nullptr) SetVornError(error, VORN_ERROR_NO_MEMORY);
    return animation;
  } catch (...) {
    SetVornError(error, VORN_ERROR_INTERNAL);
    return nullptr;
  }
}

// An incremental load: the loader's callbacks and the bytes given so far.
struct TIncrementalLoad {
  GdkPixbufModuleSizeFunc Size;
  GdkPixbufModulePreparedFunc Prepared;
  GdkPixbufModuleUpdatedFunc Updated;
  gpointer User;
  std::vector<uint8_t> Bytes;
};

gpointer BeginLoad(GdkPixbufModuleSizeFunc size, GdkPixbufModulePreparedFunc prepared,
                   GdkPixbufModuleUpdatedFunc updated, gpointer user, GError** error) {
  auto* load = new (std::nothrow) TIncrementalLoad{size, prepared, updated, user, {}};
  if (load == nullptr) SetVornError(error, VORN_ERROR_NO_MEMORY);
  return load;
}

gboolean LoadIncrement(gpointer context, const guchar* data, guint size, GError** error) {
  auto* load = static_cast<TIncrementalLoad*>(context);
  try {
    load->Bytes.insert(load->Bytes.end(), data, data + size);
    return TRUE;
  } catch (const std::bad_alloc&) {
    SetVornError(error, VORN_ERROR_NO_MEMORY);
    return FALSE;
  }
}

// Decodes what was given: the size to the loader first (a size of 0 back
// means the caller wanted only that), then the first frame and, for several
// frames, the animation; then the whole picture as updated.
gboolean StopLoad(gpointer context, GError** error) {
  std::unique_ptr<TIncrementalLoad> load(static_cast<TIncrementalLoad*>(context));
  try {
    TPixbufFrameReader reader;
    if (!reader.Open(load->Bytes.data(), load->Bytes.size(), error)) return FALSE;
    int width = reader.Width(), height = reader.Height();
    if (load->Size != nullptr) {
      load->Size(&width, &height, load->User);
      if (width == 0 || height == 0) return TRUE;
    }
    if (!reader.ReadFrames(true, error)) return FALSE;
    GdkPixbuf* first = GDK_PIXBUF(g_object_ref(reader.Frames().front().Pixbuf));
    GdkPixbufAnimation* animation = nullptr;
    if (reader.Frames().size() > 1 && (animation = NewPixbufAnimation(reader.Frames())) == nullptr) {
      g_object_unref(first);
      SetVornError(error, VORN_ERROR_NO_MEMORY);
      return FALSE;
    }
    if (load->Prepared != nullptr) load->Prepared(first, animation, load->User);
    if (load->Updated != nullptr)
      load->Updated(first, 0, 0, gdk_pixbuf_get_width(first), gdk_pixbuf_get_height(first), load->User);
    if (animation != nullptr) g_object_unref(animation);
    g_object_unref(first);
    return TRUE;
  } catch (...) {
    SetVornError(error, VORN_ERROR_INTERNAL);
    return FALSE;
  }
}

}  // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->load = Load;
  module->load_animation = LoadAnimation;
  module->begin_load = BeginLoad;
  module->load_increment = LoadIncrement;
  module->stop_load = StopLoad;
}

// The signatures: "VornX" (the XML generation) and "Vorn" with three
// more bytes (the binary generation's version digits; the masks cannot
// name digits, so any non-zero bytes count, at a lower relevance). A
// gdk-pixbuf that sniffs through GIO (as Linux distributions build it) does
// not look at them: it picks the loader by the MIME type shared-mime-info
// guesses, which is why the MIME package must be installed too. Files of
// the oldest kind have no signature: only their name tells them.
G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  static GdkPixbufModulePattern signature[] = {
      {const_cast<char*>("VornX"), nullptr, 100},
      {const_cast<char*>("Vorn000"), const_cast<char*>("    nnn"), 80},
      {nullptr, nullptr, 0}};
  static const gchar* mimeTypes[] = {"image/x-vornpix", nullptr};
  static const gchar* extensions[] = {"vrn", nullptr};
  info->name = const_cast<gchar*>("vorn");
  info->signature = signature;
  info->description = const_cast<gchar*>("Vornpix animation");
  info->mime_types = const_cast<gchar**>(mimeTypes);
  info->extensions = const_cast<gchar**>(extensions);
  info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
}

}  // extern "C"
