// The ownership of an InputFile, the same on both platforms: whatever its handle stands for,
// close() releases it.
#include "platform/platform.h"

namespace platform {

InputFile::~InputFile() {
    close();
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(other.handle_), readError_(other.readError_) {
    other.handle_ = nullptr;
    other.readError_ = 0;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        readError_ = other.readError_;
        other.handle_ = nullptr;
        other.readError_ = 0;
    }
    return *this;
}

bool InputFile::readFailed(std::uint32_t& systemError) const {
    systemError = readError_;
    return readError_ != 0;
}

} // namespace platform
