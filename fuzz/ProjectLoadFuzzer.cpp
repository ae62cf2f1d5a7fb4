// Any bytes handed to the project reader: it must return a project or an error, never crash,
// hang or allocate without bound.
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
    const Result<ProjectIO::Project> project = ProjectIO::decode(bytes, QStringLiteral("fuzz"));
    if (project.ok() && project->baseImage.isNull()) __builtin_trap(); // success always carries a picture
    return 0;
}
