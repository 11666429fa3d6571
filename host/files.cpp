// Paths, files and the state file.
//
// The state file holds one string, the game's saved state, as UTF-8 without a byte-order mark. It is
// replaced atomically: the new content goes to a temporary file in the same folder, which is
// flushed to the disk and then renamed over the old file, so a failed or interrupted save leaves
// the previous state intact.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "host/files.h"
#include "host/vxgame.h"

const char* const kVxStateFile = "./.zorbinstate";

String vx_data_FixDataPath(const String& path) {
    int scheme = path.Find(String(":/"));
    if (scheme != -1 && path.Find(String("/")) == scheme + 1) return path;
    if (path.StartsWith(String("./")) || path.StartsWith(String("/"))) return path;
    return String("zorbin://data/") + path;
}

String VxGlfwGame::PathToFilePath(const String& path) {
    if (!path.StartsWith(String("zorbin:"))) return path;
    if (path.StartsWith(String("zorbin://data/"))) return String("./data/") + path.Slice(14);
    if (path.StartsWith(String("zorbin://internal/"))) return String("./internal/") + path.Slice(18);
    if (path.StartsWith(String("zorbin://external/"))) return String("./external/") + path.Slice(18);
    return String();
}

FILE* VxGame::OpenFile(const String& path, const String& mode) {
    String file = PathToFilePath(path);
    if (file.Empty()) return nullptr;
    return std::fopen(file.ToUtf8().c_str(), mode.ToUtf8().c_str());
}

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The folder part of a path ("." when there is none), for the temporary file and its sync.
std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

int VxGame::SaveState(const String& state) {
    std::string target = PathToFilePath(String(kVxStateFile)).ToUtf8();
    std::string bytes = vx_utf8_encode(state.Data(), state.Length());

    // A name of our own beside the target, so that the rename stays within one file system.
    static unsigned counter = 0;
    std::string temp = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return -1;

    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return -2;
    }
    // Make the rename itself durable; the new content is already safe either way.
    int dir = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 0;
}

String VxGame::LoadState() {
    return LoadString(String(kVxStateFile));
}

String VxGame::LoadString(const String& path) {
    FILE* file = OpenFile(path, String("rb"));
    if (!file) return String();
    String text = String::Load(file);
    std::fclose(file);
    return text;
}

unsigned char* VxGame::LoadData(const String& path, int* length) {
    FILE* file = OpenFile(path, String("rb"));
    if (!file) return nullptr;
    std::vector<unsigned char> bytes = vx_read_rest(file);
    std::fclose(file);
    int total = static_cast<int>(bytes.size());
    unsigned char* data = static_cast<unsigned char*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    if (!data) return nullptr;
    if (total > 0) std::memcpy(data, bytes.data(), bytes.size());
    if (length) *length = total;
    gc_ext_malloced(total);
    return data;
}

void VxGame::GetDate(Array<int> date) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int values[7] = {
        local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, 0};
    int n = date.Length() < 7 ? date.Length() : 7;
    for (int i = 0; i < n; ++i) date[i] = values[i];
}
