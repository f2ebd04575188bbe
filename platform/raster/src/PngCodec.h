#pragma once

/* The parts of PNG coding that run under libpng's setjmp. They are written as
   C (no object with a destructor in any frame, not even in the callbacks) so
   that libpng's longjmp on an error skips nothing; the C++ side owns every
   buffer and only calls in here. */

#include <png.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RasterPngIo {
    const unsigned char* data; /* reading: the whole input */
    size_t size;
    size_t pos;
    unsigned char* out; /* writing: malloc'd, grown as needed; the caller frees it */
    size_t outSize;
    size_t outCapacity;
    char message[160]; /* why it failed */
} RasterPngIo;

/* A read or write struct whose errors land in io->message and end in a longjmp. */
png_structp raster_png_create_read(RasterPngIo* io);
png_structp raster_png_create_write(RasterPngIo* io);

/* Reads the header and sets up 8-bit B, G, R, A output of straight alpha.
   Returns 1 with the size, 0 on any error. */
int raster_png_read_header(png_structp png, png_infop info, png_uint_32 maxSide, png_uint_32* width,
                           png_uint_32* height);
/* Reads every row (interlaced passes included) and the end of the stream. */
int raster_png_read_image(png_structp png, png_infop info, png_bytepp rows);

/* Writes an 8-bit RGBA image into io->out. */
int raster_png_write_rgba(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height,
                          png_bytepp rows);

#ifdef __cplusplus
}
#endif
