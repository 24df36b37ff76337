/* vorn_frames: writes every frame of a .vrn file as a PAM picture (RGBA)
 * and lists the frames, through libvorn's public API only.
 *
 *   vorn_frames FILE.vrn OUTDIR [PASS_CODE]
 *
 * Prints one line per frame: index, width, height, delay in milliseconds,
 * whether it has an alpha channel, and its name; writes
 * OUTDIR/frame-NNN.pam. Build against an installed libvorn:
 *   cc vorn_frames.c $(pkg-config --cflags --libs vorn) -o vorn_frames
 * or with CMake (this folder's CMakeLists.txt, find_package(Vorn)). */
#include <stdio.h>
#include <stdlib.h>

#include <vorn/vorn.h>

static int write_pam(const char *path, const uint8_t *rgba, int32_t width, int32_t height) {
  FILE *file = fopen(path, "wb");
  if (file == NULL) return 0;
  fprintf(file, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
          (int)width, (int)height);
  const size_t bytes = (size_t)width * (size_t)height * 4;
  const int ok = fwrite(rgba, 1, bytes, file) == bytes;
  return fclose(file) == 0 && ok;
}

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: vorn_frames FILE.vrn OUTDIR [PASS_CODE]\n");
    return 2;
  }
  vorn_error_info error;
  vorn_options options = {0};
  options.struct_size = sizeof options;
  options.pass_code = argc > 3 ? atoi(argv[3]) : 0;
  options.error = &error;
  vorn_image *image = NULL;
  vorn_status status = vorn_open_file(argv[1], &options, &image);
  if (status != VORN_OK) {
    fprintf(stderr, "vorn_frames: %s: %s\n", argv[1], vorn_status_text(status));
    return 1;
  }
  vorn_info info;
  status = vorn_get_info(image, &info);
  for (uint32_t i = 0; status == VORN_OK && i < info.frame_count; ++i) {
    vorn_frame_info frame;
    status = vorn_get_frame_info(image, i, &frame);
    if (status != VORN_OK) break;
    uint8_t *rgba = malloc((size_t)frame.width * (size_t)frame.height * 4 + 1);
    if (rgba == NULL) return 1;
    status = vorn_decode_frame_rgba(image, i, rgba, (size_t)frame.width * 4);
    char path[4096];
    snprintf(path, sizeof path, "%s/frame-%03u.pam", argv[2], (unsigned)i);
    if (status == VORN_OK && !write_pam(path, rgba, frame.width, frame.height)) {
      fprintf(stderr, "vorn_frames: cannot write %s\n", path);
      free(rgba);
      vorn_close(image);
      return 1;
    }
    free(rgba);
    if (status == VORN_OK)
      printf("%u %d %d %u %d %s\n", (unsigned)i, (int)frame.width, (int)frame.height,
             (unsigned)frame.delay_ms, (int)frame.has_alpha, frame.name);
  }
  if (status != VORN_OK) fprintf(stderr, "vorn_frames: %s: %s\n", argv[1], vorn_status_text(status));
  vorn_close(image);
  return status == VORN_OK ? 0 : 1;
}
