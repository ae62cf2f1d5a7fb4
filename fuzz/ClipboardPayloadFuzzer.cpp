// Any bytes under the private clipboard format: another program may put anything there.
#include "FuzzMain.h"
#include "io/ProjectIO.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    pictavoFuzzInit(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto annotations = ProjectIO::annotationsFromPayload(bytes);
    if (annotations && annotations->isEmpty()) __builtin_trap(); // a result is never an empty list
    return 0;
}
