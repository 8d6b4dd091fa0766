// libFuzzer target: opens each input as a data store file and reads
// everything in it. A file must either open, and then read without a fault,
// or be refused with a message.

#include "KvDataStoreTestSupport.h"

#include <KvDataStore.h>

#include <QDir>
#include <QFile>

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string inputPath() {
    const char* dir = std::getenv("KV_FUZZ_TMPDIR");
    std::string base = dir ? dir : (QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath().toStdString());
    return base + "/kvfuzz-" + std::to_string(getpid()) + ".kvds";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static dstest::ThingRegistration registration;
    static const std::string path = inputPath();
    {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
            std::abort();  // the machine, not the input
    }
    {
        KvDataStore in;
        if (in.open(KvString(path))) {
            dstest::walk(in);
        } else if (in.getErrors().isEmpty() || in.getErrorReport().isEmpty()) {
            std::fprintf(stderr, "a refused file left no message\n");
            std::abort();
        }
    }
    dstest::Thing::deleteAll();
    return 0;
}
