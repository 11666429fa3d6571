// The decoders of the image and Ogg paths, compiled into the fuzz targets with coverage. The
// targets' own definitions take precedence over the shared library's.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <stb/stb_vorbis.h>
