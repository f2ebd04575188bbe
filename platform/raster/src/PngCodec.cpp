#include "PngCodec.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>

static void on_error(png_structp png, png_const_charp message) {
    RasterPngIo* io = (RasterPngIo*)png_get_error_ptr(png);
    if (io) {
        strncpy(io->message, message ? message : "libpng error", sizeof io->message - 1);
        io->message[sizeof io->message - 1] = '\0';
    }
    png_longjmp(png, 1);
}

static void on_warning(png_structp png, png_const_charp message) {
    (void)png;
    (void)message;
}

static void on_read(png_structp png, png_bytep out, size_t length) {
    RasterPngIo* io = (RasterPngIo*)png_get_io_ptr(png);
    if (io->size - io->pos < length) {
        png_error(png, "truncated PNG data");
    }
    memcpy(out, io->data + io->pos, length);
    io->pos += length;
}

static void on_write(png_structp png, png_bytep data, size_t length) {
    RasterPngIo* io = (RasterPngIo*)png_get_io_ptr(png);
    if (io->outCapacity - io->outSize < length) {
        size_t capacity = io->outCapacity ? io->outCapacity : 4096;
        while (capacity - io->outSize < length) {
            if (capacity > ((size_t)-1) / 2) {
                png_error(png, "PNG output too large");
            }
            capacity *= 2;
        }
        unsigned char* grown = (unsigned char*)realloc(io->out, capacity);
        if (!grown) {
            png_error(png, "out of memory");
        }
        io->out = grown;
        io->outCapacity = capacity;
    }
    memcpy(io->out + io->outSize, data, length);
    io->outSize += length;
}

static void on_flush(png_structp png) {
    (void)png;
}

png_structp raster_png_create_read(RasterPngIo* io) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, io, on_error, on_warning);
    if (png) {
        png_set_read_fn(png, io, on_read);
    }
    return png;
}

png_structp raster_png_create_write(RasterPngIo* io) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, io, on_error, on_warning);
    if (png) {
        png_set_write_fn(png, io, on_write, on_flush);
    }
    return png;
}

int raster_png_read_header(png_structp png, png_infop info, png_uint_32 maxSide, png_uint_32* width,
                           png_uint_32* height) {
    if (setjmp(png_jmpbuf(png))) {
        return 0;
    }
    png_set_user_limits(png, maxSide, maxSide);
    /* Text, ICC and other ancillary chunks are not needed; bound what they may take. */
    png_set_chunk_malloc_max(png, 8u * 1024u * 1024u);
    png_read_info(png, info);

    int depth = png_get_bit_depth(png, info);
    int type = png_get_color_type(png, info);
    /* Deflate packs at most 1032 bytes into one, so data far too short for the
       size its header claims is refused before the image is allocated. */
    unsigned long long bits = (unsigned long long)png_get_image_width(png, info) *
                              png_get_channels(png, info) * (unsigned)depth;
    unsigned long long rawBytes = png_get_image_height(png, info) * (1 + (bits + 7) / 8);
    if (rawBytes / 1032 > ((RasterPngIo*)png_get_io_ptr(png))->size) {
        png_error(png, "PNG data too short for its size");
    }
    int hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_expand(png); /* palette to RGB, grey below 8 bits to 8, tRNS to alpha */
    if (depth == 16) {
        png_set_scale_16(png);
    }
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if (!(type & PNG_COLOR_MASK_ALPHA) && !hasTrns) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) != (size_t)*width * 4) {
        strcpy(((RasterPngIo*)png_get_error_ptr(png))->message, "unexpected row format");
        return 0;
    }
    return 1;
}

int raster_png_read_image(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return 0;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return 1;
}

int raster_png_write_rgba(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height,
                          png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return 0;
    }
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return 1;
}
