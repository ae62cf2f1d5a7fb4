#include "io/PngWriter.h"

// Filled in by the PNG writer work.
std::optional<QByteArray> PngWriter::encode(const QImage&, int) { return std::nullopt; }
