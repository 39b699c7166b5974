#include "platform/StandardStreams.h"

#include <QFile>

namespace platform {

std::unique_ptr<QIODevice> OpenStandardStream(std::FILE* stream) {
    auto file = std::make_unique<QFile>();
    file->open(stream, QIODevice::WriteOnly);
    return file;
}

} // namespace platform
