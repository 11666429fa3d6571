// The image path: the host's LoadImageData (stb_image on a real file) and the surface that takes
// the pixels over and premultiplies them, as the renderer loads every image.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "fuzz/fuzz_util.h"
#include "host/vxgame.h"
#include "native/gxtk_surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static VxGlfwGame* host = new VxGlfwGame();
    static int fd = memfd_create("fuzz-image", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    const String path(("/proc/self/fd/" + std::to_string(fd)).c_str());

    int w = -1, h = -1, d = -1;
    unsigned char* pixels = host->LoadImageData(path, &w, &h, &d);
    if (!pixels) return 0;
    FUZZ_CHECK(w > 0 && h > 0 && d >= 1 && d <= 4);
    gxtkSurface surface;
    FUZZ_CHECK(surface.SetData(pixels, w, h, d));
    return 0;
}
