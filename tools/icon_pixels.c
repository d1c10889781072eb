/* Writes a PNG picture as C source of its pixels, so that a program can show
 * it without decoding PNG at start-up (nor loading libpng at all).
 *
 * Usage: icon_pixels INPUT.png OUTPUT.c NAME
 * The output defines NAME (uint32_t words 0xAARRGGBB, row by row, as SDL's
 * ARGB8888 format holds them on any byte order), NAME##Width and
 * NAME##Height. */
#include <png.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s INPUT.png OUTPUT.c NAME\n", argv[0]);
    return 2;
  }
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, argv[1])) {
    fprintf(stderr, "icon_pixels: %s: %s\n", argv[1], image.message);
    return 1;
  }
  image.format = PNG_FORMAT_RGBA;
  size_t count = (size_t)image.width * image.height;
  unsigned char* rgba = malloc(count * 4);
  if (rgba == NULL || !png_image_finish_read(&image, NULL, rgba, 0, NULL)) {
    fprintf(stderr, "icon_pixels: %s: %s\n", argv[1], rgba ? image.message : "out of memory");
    return 1;
  }
  FILE* out = fopen(argv[2], "w");
  if (out == NULL) {
    perror(argv[2]);
    return 1;
  }
  const char* name = argv[3];
  fprintf(out, "/* Made by icon_pixels from %s. */\n#include <stdint.h>\n", argv[1]);
  fprintf(out, "const int %sWidth = %u;\nconst int %sHeight = %u;\n", name, image.width, name,
          image.height);
  fprintf(out, "const uint32_t %s[] = {", name);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* p = rgba + 4 * i;
    uint32_t argb = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
    fprintf(out, "%s0x%08X,", i % 8 == 0 ? "\n  " : " ", (unsigned)argb);
  }
  fprintf(out, "\n};\n");
  free(rgba);
  if (fclose(out) != 0) {
    perror(argv[2]);
    remove(argv[2]);
    return 1;
  }
  return 0;
}
