#include "tools/setup_check/medium/launcher_image.h"

#include "tools/setup_check/basics/text.h"

#include <cstdio>
#include <filesystem>

namespace setupcheck {

namespace {

// A launcher is a few hundred kilobytes; a file many times that is not read whole.
constexpr std::uintmax_t largestImage = 64u << 20;
constexpr std::uint32_t resourceTypeVersion = 16; // RT_VERSION
constexpr std::uint32_t fixedInfoSignature = 0xFEEF04BD;

// Little-endian reads that fail, rather than read past the end, where the bytes run out.
class Bytes {
public:
    explicit Bytes(std::string_view data) : data(data) {}
    std::size_t size() const { return data.size(); }
    bool has(std::size_t at, std::size_t count) const {
        return at <= data.size() && count <= data.size() - at;
    }
    std::optional<std::uint16_t> u16(std::size_t at) const {
        if (!has(at, 2))
            return std::nullopt;
        return std::uint16_t(byte(at) | byte(at + 1) << 8);
    }
    std::optional<std::uint32_t> u32(std::size_t at) const {
        if (!has(at, 4))
            return std::nullopt;
        return std::uint32_t(byte(at)) | std::uint32_t(byte(at + 1)) << 8 |
               std::uint32_t(byte(at + 2)) << 16 | std::uint32_t(byte(at + 3)) << 24;
    }
    std::string_view slice(std::size_t at, std::size_t count) const {
        return has(at, count) ? data.substr(at, count) : std::string_view();
    }

private:
    unsigned byte(std::size_t at) const { return static_cast<unsigned char>(data[at]); }
    std::string_view data;
};

struct Section {
    std::uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

// Where the resource data at `rva` lies in the file, and how much of it is there.
struct Mapped {
    std::size_t offset = 0, available = 0;
};

std::optional<Mapped> mapRva(const std::vector<Section>& sections, std::uint32_t rva) {
    for (const Section& s : sections) {
        const std::uint32_t span = s.virtualSize ? s.virtualSize : s.rawSize;
        if (rva < s.virtualAddress || rva - s.virtualAddress >= span)
            continue;
        const std::uint32_t into = rva - s.virtualAddress;
        if (into >= s.rawSize)
            return std::nullopt;
        return Mapped{std::size_t(s.rawOffset) + into, std::size_t(s.rawSize - into)};
    }
    return std::nullopt;
}

// UTF-16 text of `bytes` up to its first null, or the whole of it.
std::u16string utf16At(std::string_view bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t c = char16_t(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (c == 0)
            break;
        text += c;
    }
    return text;
}

// One node of a version resource: a length, a value length, a type, a key, then the value and
// the children, each on a four-byte boundary, all inside `length`.
struct VersionNode {
    std::u16string key;
    std::string_view value;
    std::vector<std::string_view> children;
};

std::optional<VersionNode> versionNode(std::string_view block) {
    const Bytes b(block);
    const auto length = b.u16(0), valueLength = b.u16(2), type = b.u16(4);
    if (!length || !valueLength || !type || *length < 6 || *length > block.size())
        return std::nullopt;
    const std::string_view node = block.substr(0, *length);
    VersionNode out;
    std::size_t at = 6;
    while (at + 1 < node.size() && (node[at] || node[at + 1]))
        at += 2;
    if (at + 1 >= node.size())
        return std::nullopt;
    out.key = utf16At(node.substr(6, at - 6));
    at = (at + 2 + 3) & ~std::size_t(3);
    // A text value counts its length in characters, a binary one in bytes.
    const std::size_t valueBytes = *type == 1 ? std::size_t(*valueLength) * 2 : *valueLength;
    if (at > node.size())
        return out;
    out.value = node.substr(at, std::min(valueBytes, node.size() - at));
    at = (at + valueBytes + 3) & ~std::size_t(3);
    while (at + 6 <= node.size()) {
        const auto childLength = Bytes(node).u16(at);
        if (!childLength || *childLength < 6 || *childLength > node.size() - at)
            break;
        out.children.push_back(node.substr(at, *childLength));
        at = (at + *childLength + 3) & ~std::size_t(3);
    }
    return out;
}

FourPartVersion fourParts(std::uint32_t high, std::uint32_t low) {
    FourPartVersion v;
    v.part[0] = std::uint16_t(high >> 16);
    v.part[1] = std::uint16_t(high);
    v.part[2] = std::uint16_t(low >> 16);
    v.part[3] = std::uint16_t(low);
    return v;
}

void readVersionResource(std::string_view block, LauncherImage& image) {
    const std::optional<VersionNode> root = versionNode(block);
    if (!root || root->key != u"VS_VERSION_INFO")
        return;
    const Bytes fixed(root->value);
    if (fixed.u32(0) == fixedInfoSignature && fixed.has(0, 24)) {
        image.fileVersion = fourParts(*fixed.u32(8), *fixed.u32(12));
        image.productVersion = fourParts(*fixed.u32(16), *fixed.u32(20));
    }
    for (std::string_view child : root->children) {
        const std::optional<VersionNode> info = versionNode(child);
        if (!info || info->key != u"StringFileInfo" || info->children.empty())
            continue;
        const std::optional<VersionNode> table = versionNode(info->children.front());
        if (!table)
            continue;
        for (std::string_view entry : table->children)
            if (const std::optional<VersionNode> s = versionNode(entry))
                image.strings.emplace_back(utf8(s->key), utf8(utf16At(s->value)));
        return;
    }
}

// The first entry of a resource directory at `at` (offsets from the resource section's
// start) whose id is `id`, or its first entry at all for id 0; the entry's target.
std::optional<std::uint32_t> directoryEntry(const Bytes& rsrc, std::size_t at, std::uint32_t id) {
    const auto named = rsrc.u16(at + 12), numbered = rsrc.u16(at + 14);
    if (!named || !numbered)
        return std::nullopt;
    const std::size_t count = std::size_t(*named) + *numbered;
    for (std::size_t i = 0; i < count; ++i) {
        const auto name = rsrc.u32(at + 16 + 8 * i), target = rsrc.u32(at + 20 + 8 * i);
        if (!name || !target)
            return std::nullopt;
        if (id == 0 || *name == id)
            return target;
    }
    return std::nullopt;
}

// The version resource's bytes: RT_VERSION, its first name, its first language.
std::string_view versionData(const Bytes& file, const std::vector<Section>& sections,
                             std::uint32_t resourceRva) {
    const std::optional<Mapped> start = mapRva(sections, resourceRva);
    if (!start)
        return {};
    const Bytes rsrc(file.slice(start->offset, start->available));
    std::size_t at = 0;
    const std::uint32_t path[] = {resourceTypeVersion, 0, 0};
    for (std::size_t level = 0; level < 3; ++level) {
        const std::optional<std::uint32_t> target = directoryEntry(rsrc, at, path[level]);
        const bool directory = target && (*target & 0x80000000u);
        if (!target || directory != (level < 2))
            return {};
        at = *target & 0x7FFFFFFFu;
    }
    // IMAGE_RESOURCE_DATA_ENTRY: the data's address (an RVA) and size.
    const auto dataRva = rsrc.u32(at), dataSize = rsrc.u32(at + 4);
    if (!dataRva || !dataSize)
        return {};
    const std::optional<Mapped> data = mapRva(sections, *dataRva);
    if (!data || *dataSize > data->available)
        return {};
    return file.slice(data->offset, *dataSize);
}

LauncherImage notAProgram(const std::string& why) {
    LauncherImage image;
    image.status = ImageStatus::notAProgram;
    image.problem = why;
    return image;
}

} // namespace

std::string FourPartVersion::text() const {
    return std::to_string(part[0]) + "." + std::to_string(part[1]) + "." + std::to_string(part[2]) +
           "." + std::to_string(part[3]);
}

bool LauncherImage::is32BitWindowsProgram() const {
    return isProgram() && machine == machineI386 && !dll &&
           (subsystem == subsystemWindowsGui || subsystem == subsystemWindowsConsole);
}

std::optional<std::string> LauncherImage::string(std::string_view name) const {
    for (const auto& [key, value] : strings)
        if (key == name)
            return value;
    return std::nullopt;
}

std::string machineName(std::uint16_t machine) {
    switch (machine) {
    case machineI386:
        return "x86";
    case machineAmd64:
        return "x64";
    case machineArm64:
        return "Arm64";
    case machineArmNt:
        return "Arm";
    default:
        return "machine 0x" + hexText(machine, 4).substr(2);
    }
}

LauncherImage readLauncherImage(std::string_view bytes) {
    const Bytes file(bytes);
    if (file.slice(0, 2) != "MZ")
        return notAProgram("it does not start with a program's header (MZ)");
    const auto peAt = file.u32(0x3C);
    if (!peAt || file.slice(*peAt, 4) != std::string_view("PE\0\0", 4))
        return notAProgram("it has no PE header: an MS-DOS program or a damaged file");
    const std::size_t coff = std::size_t(*peAt) + 4;
    const auto machine = file.u16(coff), sectionCount = file.u16(coff + 2),
               optionalSize = file.u16(coff + 16), characteristics = file.u16(coff + 18);
    const std::size_t optional = coff + 20;
    const auto magic = file.u16(optional);
    if (!machine || !sectionCount || !optionalSize || !characteristics || !magic)
        return notAProgram("its PE header is cut short");
    const bool plus = *magic == 0x20b;
    if (!plus && *magic != 0x10b)
        return notAProgram("its optional header is neither PE32 nor PE32+");
    LauncherImage image;
    image.status = ImageStatus::program;
    image.machine = *machine;
    image.dll = (*characteristics & 0x2000) != 0; // IMAGE_FILE_DLL
    image.subsystem = file.u16(optional + 68).value_or(0);
    const std::size_t directories = optional + (plus ? 112 : 96);
    const auto directoryCount = file.u32(optional + (plus ? 108 : 92));
    std::vector<Section> sections;
    const std::size_t table = optional + *optionalSize;
    for (std::size_t i = 0; i < *sectionCount; ++i) {
        const std::size_t at = table + 40 * i;
        const auto size = file.u32(at + 8), address = file.u32(at + 12),
                   rawSize = file.u32(at + 16), rawOffset = file.u32(at + 20);
        if (!size || !address || !rawSize || !rawOffset)
            break;
        // Only the part of a section the file holds can be read.
        const std::uint32_t held =
            *rawOffset >= file.size()
                ? 0
                : std::uint32_t(std::min<std::size_t>(*rawSize, file.size() - *rawOffset));
        sections.push_back({*address, *size, *rawOffset, held});
    }
    // The resource table is the third data directory.
    const bool hasResources = directoryCount && *directoryCount > 2 &&
                              directories + 24 <= optional + std::size_t(*optionalSize);
    if (hasResources)
        if (const auto rva = file.u32(directories + 16); rva && *rva)
            readVersionResource(versionData(file, sections, *rva), image);
    return image;
}

LauncherImage launcherOnMedium(const SimulatedMachine& machine) {
    const std::u16string path = utf16(machine.placement().launcherPath());
    LauncherImage image;
    const std::optional<std::string> host = machine.hostFileOf(path);
    if (!host || !machine.isRegularFile(path))
        return image;
    std::error_code ec;
    if (std::filesystem::file_size(*host, ec) > largestImage && !ec) {
        image.status = ImageStatus::tooLarge;
        return image;
    }
    const std::optional<std::string> bytes = machine.bytesOf(path);
    if (!bytes) {
        image.status = ImageStatus::unreadable;
        return image;
    }
    return readLauncherImage(*bytes);
}

} // namespace setupcheck
