// The ownership of an InputFile, the same on both platforms: whatever its handle stands for,
// close() releases it.
#include "platform/platform.h"

namespace platform {

InputFile::~InputFile() {
    close();
}

InputFile::InputFile(InputFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

} // namespace platform
