// VxImageDecode: an image file decoded on a worker thread, so that loading a large image does not
// hold up the main loop.
//
// The host opens the file and checks its header on the calling thread (VxGame::StartImageData), so
// a missing or unreadable file, and the image's size and depth, are known at once; only the pixels
// are decoded (and optionally finished, e.g. premultiplied) on the worker. Whoever needs them takes
// them with `Take`, which waits for the decode, moving it to the head of the queue when it has not
// started yet. Nothing on the worker touches collected objects or OpenGL.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <memory>

class VxImageDecode {
  public:
    // Work done on the decoded pixels before they are handed over: `count` pixels of `depth` bytes.
    using Finish = void (*)(unsigned char* pixels, int count, int depth);

    // Queues the decode of `file` (taken over, read from its start), whose header gave the size and
    // depth; decoded pixels of another size or depth count as a damaged file.
    static std::shared_ptr<VxImageDecode> Start(FILE* file, int width, int height, int depth, Finish finish);
    // A decode that is already done: `pixels` (malloc'ed, taken over) are what Take gives.
    static std::shared_ptr<VxImageDecode> Done(unsigned char* pixels);

    VxImageDecode() = default;
    VxImageDecode(const VxImageDecode&) = delete;
    VxImageDecode& operator=(const VxImageDecode&) = delete;
    ~VxImageDecode();

    // The decoded pixels (malloc'ed, the caller's from now on); null when the file was damaged past
    // its header or the pixels were taken before.
    unsigned char* Take();
    // Whether Take would return without decoding or waiting.
    bool Ready();

  private:
    enum State { kQueued, kRunning, kDone };
    void Run();  // decodes; called by the worker with the state set to kRunning, outside the lock
    friend class VxImageWorker;

    FILE* file = nullptr;
    int width = 0, height = 0, depth = 0;
    Finish finish = nullptr;
    State state = kDone;
    unsigned char* pixels = nullptr;
    std::condition_variable done;
};
