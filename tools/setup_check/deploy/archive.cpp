#include "tools/setup_check/deploy/archive.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

namespace setupcheck {

namespace fs = std::filesystem;

namespace {

// SHA-256 as FIPS 180-4 states it.
class Sha256 {
public:
    void update(const unsigned char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            block[used++] = data[i];
            if (used == 64)
                compress();
        }
        length += std::uint64_t(size) * 8;
    }
    std::string hex() {
        const std::uint64_t bits = length;
        const unsigned char one = 0x80, zero = 0;
        update(&one, 1);
        while (used != 56)
            update(&zero, 1);
        for (int i = 7; i >= 0; --i) {
            const auto b = static_cast<unsigned char>(bits >> (8 * i));
            update(&b, 1);
        }
        static const char digits[] = "0123456789ABCDEF";
        std::string text;
        for (std::uint32_t word : state)
            for (int shift = 28; shift >= 0; shift -= 4)
                text += digits[(word >> shift) & 0xF];
        return text;
    }

private:
    static std::uint32_t rotr(std::uint32_t x, int n) { return x >> n | x << (32 - n); }
    void compress() {
        static const std::uint32_t k[64] = {
            0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
            0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
            0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
            0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
            0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
            0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
            0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
            0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
            0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
            0xc67178f2};
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = std::uint32_t(block[4 * i]) << 24 | std::uint32_t(block[4 * i + 1]) << 16 |
                   std::uint32_t(block[4 * i + 2]) << 8 | block[4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            const std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            const std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::array<std::uint32_t, 8> v = state;
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t s1 = rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25);
            const std::uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
            const std::uint32_t t1 = v[7] + s1 + ch + k[i] + w[i];
            const std::uint32_t s0 = rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22);
            const std::uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
            std::rotate(v.rbegin(), v.rbegin() + 1, v.rend());
            v[4] += t1;
            v[0] = t1 + s0 + maj;
        }
        for (int i = 0; i < 8; ++i)
            state[i] += v[i];
        used = 0;
    }

    std::array<std::uint32_t, 8> state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    unsigned char block[64] = {};
    std::size_t used = 0;
    std::uint64_t length = 0;
};

constexpr std::size_t chunk = 1 << 16;
// 1980-01-01 00:00, the earliest time a zip entry can carry.
constexpr std::uint16_t dosDate = (0 << 9) | (1 << 5) | 1, dosTime = 0;

struct Entry {
    std::string name; // with "/" between folders, UTF-8
    fs::path path;
    std::uint32_t crc = 0, size = 0, offset = 0;
};

void put16(std::string& out, std::uint32_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// What Windows cannot take as a file name on the medium, or nothing.
std::string forbidden(const std::string& name) {
    for (unsigned char c : name)
        if (c < 0x20 || std::string("\\:*?\"<>|").find(char(c)) != std::string::npos)
            return "the name " + name + " holds a character Windows does not allow in file names";
    return {};
}

Result<std::vector<Entry>> entriesOf(const std::string& folder) {
    std::vector<Entry> entries;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::file_status status = it->symlink_status(ec);
        const std::string name = fs::relative(it->path(), folder, ec).generic_string();
        if (std::string why = forbidden(name); !why.empty())
            return Failure{why};
        if (fs::is_symlink(status))
            return Failure{name + " is a symbolic link: the zip would not hold what the medium "
                                  "holds on Windows"};
        if (fs::is_directory(status))
            continue;
        if (!fs::is_regular_file(status))
            return Failure{name + " is neither a file nor a folder"};
        entries.push_back({name, it->path()});
    }
    if (ec)
        return Failure{folder + ": " + ec.message()};
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    if (entries.size() > 0xFFFF)
        return Failure{
            "the medium holds more than 65535 files, more than a zip of this kind holds"};
    return entries;
}

std::string localHeader(const Entry& e) {
    std::string h;
    put32(h, 0x04034b50);
    put16(h, 20);       // version needed: 2.0
    put16(h, 1u << 11); // the name is UTF-8
    put16(h, 0);        // stored
    put16(h, dosTime);
    put16(h, dosDate);
    put32(h, e.crc);
    put32(h, e.size);
    put32(h, e.size);
    put16(h, std::uint32_t(e.name.size()));
    put16(h, 0);
    return h + e.name;
}

std::string centralDirectory(const std::vector<Entry>& entries, std::uint32_t start) {
    std::string c;
    for (const Entry& e : entries) {
        put32(c, 0x02014b50);
        put16(c, 20); // made by: MS-DOS, 2.0 (no host attributes)
        put16(c, 20);
        put16(c, 1u << 11);
        put16(c, 0);
        put16(c, dosTime);
        put16(c, dosDate);
        put32(c, e.crc);
        put32(c, e.size);
        put32(c, e.size);
        put16(c, std::uint32_t(e.name.size()));
        put16(c, 0);
        put16(c, 0);
        put16(c, 0);
        put16(c, 0);
        put32(c, 0);
        put32(c, e.offset);
        c += e.name;
    }
    std::string end;
    put32(end, 0x06054b50);
    put32(end, 0);
    put16(end, std::uint32_t(entries.size()));
    put16(end, std::uint32_t(entries.size()));
    put32(end, std::uint32_t(c.size()));
    put32(end, start);
    put16(end, 0);
    return c + end;
}

// The file's CRC and size, read once before its header is written.
Status measure(Entry& e) {
    std::ifstream in(e.path, std::ios::binary);
    std::vector<char> buffer(chunk);
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    while (in) {
        in.read(buffer.data(), std::streamsize(buffer.size()));
        const auto n = std::size_t(in.gcount());
        crc = crc32(crc, reinterpret_cast<const unsigned char*>(buffer.data()), n);
        size += n;
    }
    if (in.bad() || !in.eof())
        return Failure{e.name + " cannot be read"};
    if (size >= 0xFFFFFFFFu)
        return Failure{e.name + " is larger than 4 GiB, more than a zip of this kind holds"};
    e.crc = crc;
    e.size = std::uint32_t(size);
    return {};
}

} // namespace

std::uint32_t crc32(std::uint32_t crc, const unsigned char* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::string sha256Hex(const unsigned char* data, std::size_t size) {
    Sha256 hash;
    hash.update(data, size);
    return hash.hex();
}

Result<std::string> fileSha256(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Failure{path + " cannot be read"};
    Sha256 hash;
    std::vector<char> buffer(chunk);
    while (in) {
        in.read(buffer.data(), std::streamsize(buffer.size()));
        hash.update(reinterpret_cast<const unsigned char*>(buffer.data()),
                    std::size_t(in.gcount()));
    }
    if (in.bad())
        return Failure{path + " cannot be read"};
    return hash.hex();
}

Status writeZip(const std::string& folder, const std::string& zipPath) {
    Result<std::vector<Entry>> listed = entriesOf(folder);
    if (!listed)
        return Failure{listed.reason()};
    std::vector<Entry>& entries = *listed;
    std::ofstream out(zipPath, std::ios::binary | std::ios::trunc);
    if (!out)
        return Failure{zipPath + " cannot be written"};
    std::uint64_t offset = 0;
    std::vector<char> buffer(chunk);
    for (Entry& e : entries) {
        if (Status measured = measure(e); !measured)
            return measured;
        const std::string header = localHeader(e);
        if (offset + header.size() + e.size >= 0xFFFFFFFFu)
            return Failure{"the medium is larger than 4 GiB, more than a zip of this kind holds"};
        e.offset = std::uint32_t(offset);
        out.write(header.data(), std::streamsize(header.size()));
        std::ifstream in(e.path, std::ios::binary);
        std::uint32_t copied = 0;
        while (in && copied < e.size) {
            in.read(buffer.data(), std::streamsize(std::min<std::size_t>(chunk, e.size - copied)));
            out.write(buffer.data(), in.gcount());
            copied += std::uint32_t(in.gcount());
        }
        if (copied != e.size)
            return Failure{e.name + " changed while it was being read"};
        offset += header.size() + e.size;
    }
    const std::string tail = centralDirectory(entries, std::uint32_t(offset));
    out.write(tail.data(), std::streamsize(tail.size()));
    out.close();
    if (!out)
        return Failure{zipPath + " could not be written whole"};
    return {};
}

} // namespace setupcheck
