// stb's image and Ogg Vorbis decoders for the browser build, where no shared library provides them.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <stb/stb_vorbis.h>
