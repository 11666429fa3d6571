#include "host/image_decode.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// The one worker thread and its queue, oldest decode first. The thread starts with the first
// decode and is stopped and joined at exit; decodes still queued then are dropped with their files.
class VxImageWorker {
  public:
    static VxImageWorker& Get() {
        static VxImageWorker worker;
        return worker;
    }

    VxImageWorker() {
        // Decoded images and the textures made from them are blocks of megabytes, allocated on one
        // thread and freed on another. With its threshold fixed, the allocator maps each such block
        // on its own and gives it back when freed; left to adjust it, glibc raises the threshold at
        // the first such free and keeps every later block in the heap of the thread that made it,
        // resident after its free.
#ifdef __GLIBC__
        mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
#endif
    }

    void Post(const std::shared_ptr<VxImageDecode>& decode) {
        std::lock_guard<std::mutex> hold(lock);
        if (!thread.joinable()) thread = std::thread(&VxImageWorker::Loop, this);
        queue.push_back(decode);
        wake.notify_one();
    }

    ~VxImageWorker() {
        {
            std::lock_guard<std::mutex> hold(lock);
            stopping = true;
            wake.notify_all();
        }
        if (thread.joinable()) thread.join();
    }

    std::mutex lock;
    std::deque<std::shared_ptr<VxImageDecode>> queue;

  private:
    void Loop() {
        std::unique_lock<std::mutex> hold(lock);
        while (true) {
            wake.wait(hold, [this] { return stopping || !queue.empty(); });
            if (stopping) return;
            std::shared_ptr<VxImageDecode> decode = queue.front();
            queue.pop_front();
            decode->state = VxImageDecode::kRunning;
            hold.unlock();
            decode->Run();
            hold.lock();
            decode->state = VxImageDecode::kDone;
            decode->done.notify_all();
        }
    }

    static constexpr int kOwnMappingBytes = 512 * 1024;

    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;
};

std::shared_ptr<VxImageDecode> VxImageDecode::Start(FILE* file, int width, int height, int depth,
                                                    Finish finish) {
    std::shared_ptr<VxImageDecode> decode = std::make_shared<VxImageDecode>();
    decode->file = file;
    decode->width = width;
    decode->height = height;
    decode->depth = depth;
    decode->finish = finish;
#ifdef __EMSCRIPTEN__
    // A web page without shared memory has no threads: the decode runs at once.
    decode->Run();
#else
    decode->state = kQueued;
    VxImageWorker::Get().Post(decode);
#endif
    return decode;
}

std::shared_ptr<VxImageDecode> VxImageDecode::Done(unsigned char* pixels) {
    std::shared_ptr<VxImageDecode> decode = std::make_shared<VxImageDecode>();
    decode->pixels = pixels;
    return decode;
}

VxImageDecode::~VxImageDecode() {
    if (file) std::fclose(file);
    std::free(pixels);
}

void VxImageDecode::Run() {
    int w = 0, h = 0, d = 0;
    unsigned char* data = stbi_load_from_file(file, &w, &h, &d, 0);
    std::fclose(file);
    file = nullptr;
    if (data && (w != width || h != height || d != depth)) {
        stbi_image_free(data);
        data = nullptr;
    }
    if (data && finish) finish(data, w * h, d);
    pixels = data;
}

unsigned char* VxImageDecode::Take() {
    VxImageWorker& worker = VxImageWorker::Get();
    std::unique_lock<std::mutex> hold(worker.lock);
    if (state == kQueued) {
        // Needed now: it goes next. It is not decoded here beside the worker's decode, which would
        // double the memory the decoder holds at its peak.
        auto& queue = worker.queue;
        auto self = std::find_if(queue.begin(), queue.end(),
                                 [this](const std::shared_ptr<VxImageDecode>& d) { return d.get() == this; });
        if (self != queue.end() && self != queue.begin()) {
            std::shared_ptr<VxImageDecode> moved = *self;
            queue.erase(self);
            queue.push_front(moved);
        }
    }
    done.wait(hold, [this] { return state == kDone; });
    unsigned char* taken = pixels;
    pixels = nullptr;
    return taken;
}

bool VxImageDecode::Ready() {
    std::lock_guard<std::mutex> hold(VxImageWorker::Get().lock);
    return state == kDone;
}
