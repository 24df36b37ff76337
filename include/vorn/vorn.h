/* libvorn: reads the files of the Vornpix layered animation editor (.vrn).
 *
 * A file opens as an image: its frames, each flattened from its layers into
 * one picture exactly as the editor shows it. Frames are decoded when first
 * asked for and kept until the image is closed: in file order, except in
 * files whose frames cannot copy blocks from one another (rows or JPEG),
 * where a frame asked for ahead is read by itself.
 *
 *   vorn_image *image;
 *   if (vorn_open_file("walk.vrn", NULL, &image) == VORN_OK) {
 *     vorn_frame_info frame;
 *     vorn_get_frame_info(image, 0, &frame);
 *     uint8_t *rgba = malloc((size_t)frame.width * frame.height * 4);
 *     vorn_decode_frame_rgba(image, 0, rgba, (size_t)frame.width * 4);
 *     ...
 *     vorn_close(image);
 *   }
 *
 * Every function returns a status (never aborts, never throws); different
 * images may be used from different threads at once, one image from one
 * thread at a time. Link with pkg-config's "vorn" or CMake's Vorn::vorn.
 */
#ifndef VORN_VORN_H
#define VORN_VORN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define VORN_API __attribute__((visibility("default")))
#else
#define VORN_API
#endif

#define VORN_VERSION_MAJOR 1
#define VORN_VERSION_MINOR 1
#define VORN_VERSION_PATCH 0
#define VORN_VERSION_STRING "1.1.0"

typedef enum vorn_status {
  VORN_OK = 0,
  VORN_ERROR_ARGUMENT = 1,     /* a null pointer, a closed image, a bad size */
  VORN_ERROR_NOT_VRN = 2,      /* empty, or no signature and unreadable as one */
  VORN_ERROR_TRUNCATED = 3,    /* the file ends before the data it declares */
  VORN_ERROR_DAMAGED = 4,      /* an impossible value or structure */
  VORN_ERROR_COMPRESSED = 5,   /* damaged compressed (zlib) data */
  VORN_ERROR_JPEG = 6,         /* damaged JPEG data */
  VORN_ERROR_UNSUPPORTED = 7,  /* a generation, version or variant not read */
  VORN_ERROR_PASS_CODE = 8,    /* the file needs its identification code */
  VORN_ERROR_LIMIT = 9,        /* needs more memory than the limit allows */
  VORN_ERROR_NO_MEMORY = 10,   /* the system refused memory */
  VORN_ERROR_IO = 11,          /* the file cannot be opened or read */
  VORN_ERROR_INDEX = 12,       /* no frame of that number */
  VORN_ERROR_BUFFER = 13,      /* the caller's buffer or stride is too small */
  VORN_ERROR_INTERNAL = 14     /* a fault of the library itself */
} vorn_status;

/* Where the pixel blocks of an image come from (by default the C heap).
 * alloc returns a zero-filled block of size bytes, or NULL; free takes back
 * what alloc gave. Both are called only from the thread calling the library,
 * until vorn_close returns. */
typedef struct vorn_allocator {
  void *(*alloc)(void *opaque, size_t size);
  void (*free)(void *opaque, void *block);
  void *opaque;
} vorn_allocator;

/* What a failure was, in more detail than its status. */
typedef struct vorn_error_info {
  vorn_status status;
  /* Byte offset in the input where the file was found short, -1 where no
   * offset applies. */
  int64_t offset;
  /* The reader's own message, zero-terminated: Japanese text in code page
   * 932 (Shift-JIS) bytes, as the editor's users know it, or ASCII. */
  char message[256];
} vorn_error_info;

/* Options of vorn_open_*. A zero-initialised struct (or NULL) gives the
 * defaults. struct_size is sizeof(vorn_options) as the caller was built
 * (0 reads as the first version's size, up to error): later versions add
 * fields at the end and read the ones a caller does not have as zero. */
typedef struct vorn_options {
  size_t struct_size;
  /* The identification code that unscrambles protected files (0: none). */
  int32_t pass_code;
  /* What one image may hold in memory at once, in bytes; 0: the default,
   * VORN_MEMORY_LIMIT_MB from the environment, else 1 GiB in 64-bit
   * processes and 512 MiB in 32-bit ones. */
  uint64_t memory_limit;
  /* Where pixel blocks come from; NULL: the C heap. */
  const vorn_allocator *allocator;
  /* Where a failed vorn_open_* describes its failure; may be NULL. */
  vorn_error_info *error;
  /* How many threads a call that decodes frames may use, its own included:
   * 0: the default, VORN_THREADS from the environment, else the machine's
   * hardware threads; at most 8; 1: the calling thread alone. Every number
   * gives the same pixels and the same failures. The threads are started
   * and joined within the call. (Added after the first version.) */
  uint32_t threads;
} vorn_options;

/* A source of bytes for vorn_open_io: the input runs from position 0 to
 * size. read returns how many bytes it placed in buffer (0 at the end, or
 * (size_t)-1 on an error); seek returns 0 on success. The callbacks and
 * user must stay valid until vorn_close. */
typedef struct vorn_io {
  size_t (*read)(void *user, void *buffer, size_t count);
  int (*seek)(void *user, uint64_t position);
  uint64_t size;
  void *user;
} vorn_io;

typedef struct vorn_image vorn_image;

/* Opens size bytes at data. The bytes are read where they are, not copied:
 * they must stay unchanged until vorn_close. */
VORN_API vorn_status vorn_open_memory(const void *data, size_t size, const vorn_options *options,
                                      vorn_image **out);
/* Opens a file by its name in UTF-8. */
VORN_API vorn_status vorn_open_file(const char *utf8_path, const vorn_options *options,
                                    vorn_image **out);
/* Opens the bytes a caller's reader delivers. */
VORN_API vorn_status vorn_open_io(const vorn_io *io, const vorn_options *options, vorn_image **out);
/* Frees the image and everything it holds; NULL is allowed. */
VORN_API void vorn_close(vorn_image *image);

typedef struct vorn_info {
  int32_t generation;  /* 1: binary records ("Vorn1xx" or none); 2: XML header ("VornX200") */
  int32_t version;     /* the file's version: 0 and 100-107 (generation 1), 200 (2) */
  int32_t width;       /* the first frame's size and depth */
  int32_t height;
  int32_t bits_per_pixel; /* 1, 4, 8, 15, 16, 24 or 32 */
  uint32_t frame_count;   /* as the file's header declares */
  int32_t rows_scrambled;   /* 1: rows are stored in an order only the pass code restores */
  int32_t tables_scrambled; /* 1: block tables are; the pixels then need the pass code too */
} vorn_info;

/* What the file is. The first frame is decoded if it has not been. */
VORN_API vorn_status vorn_get_info(vorn_image *image, vorn_info *info);

typedef struct vorn_frame_info {
  const char *name;    /* UTF-8, valid until vorn_close */
  int32_t delay;       /* as stored */
  uint32_t delay_ms;   /* how long the frame shows: the stored delay counts
                          milliseconds (negative values read as 0) */
  int32_t width;
  int32_t height;
  int32_t bits_per_pixel;
  int32_t has_alpha;   /* 1: the frame's picture has an alpha channel */
} vorn_frame_info;

/* The frame's properties; decodes the frames up to it if they have not been. */
VORN_API vorn_status vorn_get_frame_info(vorn_image *image, uint32_t index, vorn_frame_info *info);

/* What a frame's headers say of it, read without decoding a pixel. */
typedef struct vorn_frame_header {
  const char *name;         /* UTF-8, valid until vorn_close */
  const char *stored_name;  /* the same as stored: code page 932 (Shift-JIS) bytes */
  int32_t delay;            /* as in vorn_frame_info */
  uint32_t delay_ms;
  int32_t width;
  int32_t height;
  int32_t bits_per_pixel;
  /* The sizes of the two blocks vorn_decode_frame_dib delivers for the
   * frame; both 0 where its size and depth make no picture (it then does
   * not decode). */
  uint32_t dib_info_size;
  uint32_t dib_bits_size;
} vorn_frame_header;

/* Reads the headers of the file's frames (once per image) and tells how
 * many frames they describe: no pixel is decoded, data blocks are skipped
 * by their lengths. The count stops before a frame whose record is cut
 * short or whose depth cannot be read; a frame listed may still fail to
 * decode when its data are damaged. */
VORN_API vorn_status vorn_scan_frames(vorn_image *image, uint32_t *count);
/* One frame's header (scanning first if vorn_scan_frames has not). */
VORN_API vorn_status vorn_get_frame_header(vorn_image *image, uint32_t index,
                                           vorn_frame_header *header);

/* The frame's picture as 8-bit straight RGBA, rows top-down, stride bytes
 * apart (at least width * 4): the picture a Susie host is delivered, alpha
 * 255 where the frame has no alpha channel. */
VORN_API vorn_status vorn_decode_frame_rgba(vorn_image *image, uint32_t index, uint8_t *pixels,
                                            size_t stride);

/* A picture in the layout of a Windows device-independent bitmap, the two
 * blocks a Susie host receives. The pointers stay valid until the next
 * decode call on the image or vorn_close. */
typedef struct vorn_dib {
  const uint8_t *info;  /* BITMAPINFO: the 40-byte header, the masks at 16 and 32 bits, the colour table */
  size_t info_size;
  const uint8_t *bits;  /* rows bottom-up, each padded to 4 bytes */
  size_t bits_size;
  int32_t width;
  int32_t height;
  int32_t bits_per_pixel;
} vorn_dib;

/* The frame's picture, as GetPreview delivers the first frame. */
VORN_API vorn_status vorn_decode_frame_dib(vorn_image *image, uint32_t index, vorn_dib *out);
/* Every frame tiled row by row into a grid fitted to a screen of the given
 * size, as GetPicture delivers it: reads every frame, and fails as the first
 * frame that fails. Frames that do not fit are left out (read and checked,
 * not composed: decoding one of them later reads the file again);
 * shown_frames (may be NULL) says how many are shown. */
VORN_API vorn_status vorn_decode_sheet_dib(vorn_image *image, int32_t screen_width,
                                           int32_t screen_height, vorn_dib *out,
                                           uint32_t *shown_frames);
/* Decodes every frame that has not been; fails as the first frame that
 * fails. A check that the whole file reads. */
VORN_API vorn_status vorn_decode_all(vorn_image *image);

/* What the last failing call on the image said (status VORN_OK when none). */
VORN_API vorn_status vorn_last_error(const vorn_image *image, vorn_error_info *info);
/* A short English reason for a status ("file is truncated"). */
VORN_API const char *vorn_status_text(vorn_status status);

/* Whether the first bytes of a file carry a signature of the format:
 * 2 for "VornX", 1 for "Vorn" and three digits, else 0. Files of the oldest
 * kind have no signature; only their name (".vrn") tells them. */
VORN_API int vorn_probe(const void *head, size_t size);

/* The memory limit of an image whose options give none, in bytes:
 * VORN_MEMORY_LIMIT_MB from the environment, else 1 GiB in 64-bit processes
 * and 512 MiB in 32-bit ones. */
VORN_API uint64_t vorn_default_memory_limit(void);

/* The library's version as "1.1.0". */
VORN_API const char *vorn_version(void);

#ifdef __cplusplus
}
#endif

#endif /* VORN_VORN_H */
