#include "desktop/gdk-pixbuf/PixbufAnimation.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

using vorn::desktop::TPixbufFrame;

// What an animation holds: its frames, where each begins in one loop, and
// the length of the loop (milliseconds).
struct TAnimationFrames {
  std::vector<TPixbufFrame> Frames;
  std::vector<int64_t> Starts;
  int64_t LoopMs = 0;
};

}  // namespace

struct VornPixbufAnimation {
  GdkPixbufAnimation parent_instance;
  TAnimationFrames* held;
};
struct VornPixbufAnimationClass {
  GdkPixbufAnimationClass parent_class;
};
struct VornPixbufAnimationIter {
  GdkPixbufAnimationIter parent_instance;
  VornPixbufAnimation* animation;  // one reference
  gint64 start_us;                 // when the first loop began
  size_t frame;                    // the frame shown
  int64_t into_frame_ms;           // how long it has been shown
};
struct VornPixbufAnimationIterClass {
  GdkPixbufAnimationIterClass parent_class;
};

G_DEFINE_TYPE(VornPixbufAnimation, vorn_pixbuf_animation, GDK_TYPE_PIXBUF_ANIMATION)
G_DEFINE_TYPE(VornPixbufAnimationIter, vorn_pixbuf_animation_iter, GDK_TYPE_PIXBUF_ANIMATION_ITER)

namespace {

G_GNUC_BEGIN_IGNORE_DEPRECATIONS  // the class methods take GTimeVal

gint64 Microseconds(const GTimeVal* time) {
  return time != nullptr ? static_cast<gint64>(time->tv_sec) * G_USEC_PER_SEC + time->tv_usec
                         : g_get_real_time();
}

VornPixbufAnimation* AsAnimation(gpointer object) { return static_cast<VornPixbufAnimation*>(object); }
VornPixbufAnimationIter* AsIter(gpointer object) { return static_cast<VornPixbufAnimationIter*>(object); }

void AnimationFinalize(GObject* object) {
  TAnimationFrames* held = AsAnimation(object)->held;
  if (held != nullptr) {
    vorn::desktop::ReleaseFrames(held->Frames);
    delete held;
  }
  G_OBJECT_CLASS(vorn_pixbuf_animation_parent_class)->finalize(object);
}

gboolean IsStaticImage(GdkPixbufAnimation* animation) {
  return AsAnimation(animation)->held->Frames.size() == 1;
}

GdkPixbuf* GetStaticImage(GdkPixbufAnimation* animation) {
  return AsAnimation(animation)->held->Frames.front().Pixbuf;
}

void GetSize(GdkPixbufAnimation* animation, int* width, int* height) {
  GdkPixbuf* first = GetStaticImage(animation);
  if (width != nullptr) *width = gdk_pixbuf_get_width(first);
  if (height != nullptr) *height = gdk_pixbuf_get_height(first);
}

gboolean Advance(GdkPixbufAnimationIter* object, const GTimeVal* currentTime) {
  VornPixbufAnimationIter* iter = AsIter(object);
  const TAnimationFrames& held = *iter->animation->held;
  gint64 now = Microseconds(currentTime);
  if (now < iter->start_us) iter->start_us = now;  // the clock went back: start again
  const int64_t position = (now - iter->start_us) / 1000 % held.LoopMs;
  const size_t frame =
      static_cast<size_t>(std::upper_bound(held.Starts.begin(), held.Starts.end(), position) - held.Starts.begin()) - 1;
  const bool changed = frame != iter->frame;
  iter->frame = frame;
  iter->into_frame_ms = position - held.Starts[frame];
  return changed;
}

GdkPixbufAnimationIter* GetIter(GdkPixbufAnimation* animation, const GTimeVal* startTime) {
  VornPixbufAnimationIter* iter =
      AsIter(g_object_new(vorn_pixbuf_animation_iter_get_type(), nullptr));
  iter->animation = AsAnimation(g_object_ref(animation));
  iter->start_us = Microseconds(startTime);
  Advance(&iter->parent_instance, startTime);
  return &iter->parent_instance;
}

void IterFinalize(GObject* object) {
  g_clear_object(&AsIter(object)->animation);
  G_OBJECT_CLASS(vorn_pixbuf_animation_iter_parent_class)->finalize(object);
}

// The time left for the frame shown; -1 (for ever) for a single frame.
int GetDelayTime(GdkPixbufAnimationIter* object) {
  VornPixbufAnimationIter* iter = AsIter(object);
  const TAnimationFrames& held = *iter->animation->held;
  if (held.Frames.size() == 1) return -1;
  return static_cast<int>(held.Frames[iter->frame].DelayMs - iter->into_frame_ms);
}

GdkPixbuf* GetPixbuf(GdkPixbufAnimationIter* object) {
  VornPixbufAnimationIter* iter = AsIter(object);
  return iter->animation->held->Frames[iter->frame].Pixbuf;
}

gboolean OnCurrentlyLoadingFrame(GdkPixbufAnimationIter*) { return FALSE; }

G_GNUC_END_IGNORE_DEPRECATIONS

}  // namespace

static void vorn_pixbuf_animation_class_init(VornPixbufAnimationClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = AnimationFinalize;
  GdkPixbufAnimationClass* animation = GDK_PIXBUF_ANIMATION_CLASS(klass);
  animation->is_static_image = IsStaticImage;
  animation->get_static_image = GetStaticImage;
  animation->get_size = GetSize;
  animation->get_iter = GetIter;
}

static void vorn_pixbuf_animation_init(VornPixbufAnimation*) {}

static void vorn_pixbuf_animation_iter_class_init(VornPixbufAnimationIterClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = IterFinalize;
  GdkPixbufAnimationIterClass* iter = GDK_PIXBUF_ANIMATION_ITER_CLASS(klass);
  iter->get_delay_time = GetDelayTime;
  iter->get_pixbuf = GetPixbuf;
  iter->on_currently_loading_frame = OnCurrentlyLoadingFrame;
  iter->advance = Advance;
}

static void vorn_pixbuf_animation_iter_init(VornPixbufAnimationIter*) {}

namespace vorn::desktop {

GdkPixbufAnimation* NewPixbufAnimation(std::vector<TPixbufFrame>& frames) {
  TAnimationFrames* held = nullptr;
  try {
    held = new TAnimationFrames;
    held->Starts.reserve(frames.size());
    for (const TPixbufFrame& frame : frames) {
      held->Starts.push_back(held->LoopMs);
      held->LoopMs += frame.DelayMs;
    }
    held->Frames = std::move(frames);
    frames.clear();
  } catch (const std::bad_alloc&) {
    delete held;
    ReleaseFrames(frames);
    return nullptr;
  }
  VornPixbufAnimation* animation = AsAnimation(g_object_new(vorn_pixbuf_animation_get_type(), nullptr));
  animation->held = held;
  return &animation->parent_instance;
}

}  // namespace vorn::desktop
