#include "installer/instance_description.h"

#include "platform/platform.h"
#include "platform/wtext.h"

#include <vector>

std::u16string instanceDescriptionPath(const std::u16string& packagePath) {
    // As _wsplitpath splits it: a drive "X:", then the folder up to the last separator; the
    // name and extension are dropped. Unlike fixed component buffers, nothing is cut.
    std::size_t folderEnd = packagePath.find_last_of(u"\\/");
    std::u16string driveAndFolder;
    if (folderEnd != std::u16string::npos)
        driveAndFolder = packagePath.substr(0, folderEnd + 1);
    else if (packagePath.size() >= 2 && packagePath[1] == u':')
        driveAndFolder = packagePath.substr(0, 2);
    return driveAndFolder + instanceDescriptionName::fileName;
}

bool decodeInstanceDescription(const std::uint8_t* data, std::size_t size, std::u16string& text) {
    std::u16string decoded;
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF)
        return false;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        decoded.reserve((size - 2) / 2);
        for (std::size_t i = 2; i + 1 < size; i += 2)
            decoded.push_back(char16_t(data[i] | (data[i + 1] << 8)));
    } else {
        std::size_t skip =
            size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
        decoded = platform::decodeUtf8(data + skip, size - skip);
    }
    text.clear();
    text.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        if (decoded[i] == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n')
            continue;
        text.push_back(decoded[i]);
    }
    return true;
}

void applyInstanceDescription(const std::u16string& text, std::u16string& instanceName,
                              std::u16string& instanceProductCode) {
    std::u16string section;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            end = text.size();
        std::u16string_view line(text.data() + start, end - start);
        start = end + 1;

        if (!line.empty() && line.front() == u'[') {
            section = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::u16string_view();
            continue;
        }
        std::size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos)
            continue;
        std::u16string_view key = line.substr(0, equals);
        std::u16string_view value = line.substr(equals + 1);
        if (wtext::equalsNoCaseAscii(section, instanceDescriptionName::instances) &&
            !wtext::equalsNoCaseAscii(key, instanceDescriptionName::count))
            instanceName = value;
        if (wtext::equalsNoCaseAscii(section, instanceName) &&
            wtext::equalsNoCaseAscii(key, instanceDescriptionName::productCode))
            instanceProductCode = value;
    }
}

void readInstanceDescription(const std::u16string& packagePath, std::u16string& instanceName,
                             std::u16string& instanceProductCode) {
    std::u16string path = instanceDescriptionPath(packagePath);
    if (!platform::fileExists(path))
        return;
    platform::InputFile file;
    int errnoValue = 0;
    if (!file.open(path, errnoValue))
        return;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    std::uint32_t systemError = 0;
    for (;;) {
        std::size_t n = file.read(chunk, sizeof chunk);
        bytes.insert(bytes.end(), chunk, chunk + n);
        // A read that fails is no end of the file: a description cut short there could name
        // another instance, or a product code cut off in the middle. It is unreadable.
        if (file.readFailed(systemError))
            return;
        if (n == 0)
            break;
    }
    file.close();
    std::u16string text;
    if (!decodeInstanceDescription(bytes.data(), bytes.size(), text))
        return;
    applyInstanceDescription(text, instanceName, instanceProductCode);
}
