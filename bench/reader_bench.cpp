// How fast the launcher reads a settings file, next to two general INI readers on the same
// document: inih (INIReader, and its bare ini_parse_string with a handler that only counts)
// and Boost.PropertyTree's read_ini.
//
// The documents are generated: many sections, long values, Cyrillic text among the ASCII,
// CR LF line ends, no duplicate section or key (Boost refuses duplicates) and nothing the
// readers take differently: no ";" or "#" inside a line, no line that begins with a blank (a
// continuation line for inih), no ":" before a line's "=" (inih splits there too) and every
// line shorter than inih's 200-byte line limit. Before timing, every reader's document is
// checked against what was generated, so all of them read the same thing.
//
// The launcher reads its file through the simulated platform from memory (sim::addFile), so
// what is timed is reading the bytes out of the file, decoding them to UTF-16 and parsing:
// once from UTF-8 with a byte-order mark, once from UTF-16LE with a byte-order mark. The peers
// get the same UTF-8 bytes without the mark (Boost would take the mark as part of the first
// line). Every reader builds its whole document, and frees it, inside the timed loop.
//
// Bytes processed are the UTF-8 document's bytes for every reader, so the rates of one size
// compare the same document. Arguments are sizes in MB (2^20 bytes).
#include "config/ini_file.h"
#include "config/line_scan.h"
#include "platform/sim/sim.h"
#include "platform/wtext.h"

#include <INIReader.h>
#include <benchmark/benchmark.h>
#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <ini.h>

#include <cstdint>
#include <cstring>
#include <istream>
#include <map>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace {

constexpr int keysPerSection = 16;

struct Sample {
    std::string section;
    std::string key;
    std::string value;
};

struct Document {
    std::string utf8;         // without a byte-order mark: what the peers read
    std::u16string pathUtf8;  // the launcher's file: the mark, then utf8
    std::u16string pathUtf16; // the launcher's file: FF FE, then UTF-16LE
    std::size_t sections = 0;
    std::size_t keys = 0;
    std::vector<Sample> samples;
    bool checked = false;
    std::string fault;
};

// Words of the values; the Cyrillic ones take two bytes a letter in UTF-8.
const char* const words[] = {
    "install",       "component",      "feature",   "[ProgramFilesFolder]Vendor\\Product",
    "Установка",     "продукта",       "завершена", "REBOOT=ReallySuppress",
    "%TEMP%\\s.log", "ProductVersion", "2.5.1",     "{6C3F8E2A-1D4B-4C5E-9F70-112233445566}",
    "Ёлка",          "данные",         "x64",       "TRANSFORMS=1049.mst",
    "Windows",       "Installer",      "package",   "Сведения",
};

std::string makeDocument(std::size_t targetBytes, Document& doc) {
    std::string out;
    out.reserve(targetBytes + 4096);
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    char number[32];
    for (std::size_t s = 0; out.size() < targetBytes; ++s) {
        std::snprintf(number, sizeof number, "%08zu", s);
        std::string section = std::string("Section") + number;
        if (s % 7 == 3)
            out += "; settings of " + section + "\r\n";
        out += "[" + section + "]\r\n";
        for (int k = 0; k < keysPerSection; ++k) {
            std::snprintf(number, sizeof number, "%02d", k);
            std::string key = std::string("Key") + number;
            std::string value;
            std::size_t want = 90 + next() % 80;
            for (;;) {
                const char* w = words[next() % (sizeof words / sizeof words[0])];
                if (value.size() + 1 + std::strlen(w) > want)
                    break;
                if (!value.empty())
                    value += ' ';
                value += w;
            }
            out += key + "=" + value + "\r\n";
            ++doc.keys;
            if ((s % 997 == 0 && k == 5) || (k == keysPerSection - 1 && s % 4093 == 1))
                doc.samples.push_back({section, key, value});
        }
        out += "\r\n";
        ++doc.sections;
    }
    return out;
}

std::string utf16LeBytes(const std::string& utf8) {
    std::u16string text = wtext::fromUtf8(utf8);
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + 2 * text.size());
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// A read-only stream over bytes that already lie in memory, so Boost reads them without a copy.
class MemoryBuffer : public std::streambuf {
public:
    MemoryBuffer(const char* data, std::size_t size) {
        char* p = const_cast<char*>(data);
        setg(p, p, p + size);
    }
};

void readLauncher(const std::u16string& path, IniFile& file) {
    file.load(path);
}

std::string check(Document& doc) {
    const std::u16string paths[] = {doc.pathUtf8, doc.pathUtf16};
    for (const std::u16string& path : paths) {
        IniFile file;
        std::size_t sections = 0;
        std::size_t keys = 0;
        IniObserver observer;
        observer.section = [&sections](std::u16string_view, std::size_t) { ++sections; };
        observer.key = [&keys](std::u16string_view, std::u16string_view, std::u16string_view,
                               std::size_t) { ++keys; };
        if (!file.load(path, &observer).isRead())
            return "the launcher could not read " + wtext::toUtf8(path);
        if (sections != doc.sections || keys != doc.keys)
            return "the launcher read another document from " + wtext::toUtf8(path);
        for (const Sample& sample : doc.samples)
            if (wtext::toUtf8(file.getSection(wtext::fromUtf8(sample.section))
                                  .getValue(wtext::fromUtf8(sample.key))) != sample.value)
                return "the launcher read another value of " + sample.section + "/" + sample.key;
    }

    INIReader reader(doc.utf8.data(), doc.utf8.size());
    if (reader.ParseError() != 0)
        return "INIReader: error on line " + std::to_string(reader.ParseError());
    for (const Sample& sample : doc.samples)
        if (reader.Get(sample.section, sample.key, "") != sample.value)
            return "INIReader read another value of " + sample.section + "/" + sample.key;

    std::size_t calls = 0;
    int error = ini_parse_string(
        doc.utf8.c_str(),
        [](void* user, const char*, const char*, const char*) {
            ++*static_cast<std::size_t*>(user);
            return 1;
        },
        &calls);
    if (error != 0 || calls != doc.keys)
        return "ini_parse_string read another document";

    MemoryBuffer buffer(doc.utf8.data(), doc.utf8.size());
    std::istream in(&buffer);
    boost::property_tree::ptree tree;
    boost::property_tree::ini_parser::read_ini(in, tree);
    std::size_t keys = 0;
    for (const auto& section : tree)
        keys += section.second.size();
    if (tree.size() != doc.sections || keys != doc.keys)
        return "Boost read another document";
    for (const Sample& sample : doc.samples) {
        auto section = tree.find(sample.section);
        if (section == tree.not_found())
            return "Boost lost section " + sample.section;
        auto key = section->second.find(sample.key);
        if (key == section->second.not_found() || key->second.data() != sample.value)
            return "Boost read another value of " + sample.section + "/" + sample.key;
    }
    return {};
}

Document& document(std::int64_t megabytes) {
    static std::map<std::int64_t, std::unique_ptr<Document>> documents;
    auto& slot = documents[megabytes];
    if (!slot) {
        slot = std::make_unique<Document>();
        Document& doc = *slot;
        doc.utf8 = makeDocument(static_cast<std::size_t>(megabytes) << 20, doc);
        std::u16string name = wtext::fromUtf8(std::to_string(megabytes));
        doc.pathUtf8 = u"C:\\bench\\settings-" + name + u"-utf8.ini";
        doc.pathUtf16 = u"C:\\bench\\settings-" + name + u"-utf16.ini";
        sim::addFile(doc.pathUtf8, "\xEF\xBB\xBF" + doc.utf8);
        sim::addFile(doc.pathUtf16, utf16LeBytes(doc.utf8));
    }
    if (!slot->checked) {
        slot->fault = check(*slot);
        slot->checked = true;
    }
    return *slot;
}

bool ready(benchmark::State& state, Document& doc) {
    if (!doc.fault.empty()) {
        state.SkipWithError(doc.fault.c_str());
        return false;
    }
    state.counters["MB"] = static_cast<double>(doc.utf8.size()) / (1 << 20);
    return true;
}

void finish(benchmark::State& state, const Document& doc) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(doc.utf8.size()));
}

void LauncherUtf8(benchmark::State& state) {
    Document& doc = document(state.range(0));
    if (!ready(state, doc))
        return;
    for (auto _ : state) {
        IniFile file;
        readLauncher(doc.pathUtf8, file);
        benchmark::DoNotOptimize(file);
    }
    finish(state, doc);
}

void LauncherUtf16(benchmark::State& state) {
    Document& doc = document(state.range(0));
    if (!ready(state, doc))
        return;
    for (auto _ : state) {
        IniFile file;
        readLauncher(doc.pathUtf16, file);
        benchmark::DoNotOptimize(file);
    }
    finish(state, doc);
}

void InihReader(benchmark::State& state) {
    Document& doc = document(state.range(0));
    if (!ready(state, doc))
        return;
    for (auto _ : state) {
        INIReader reader(doc.utf8.data(), doc.utf8.size());
        benchmark::DoNotOptimize(reader);
    }
    finish(state, doc);
}

void InihParseOnly(benchmark::State& state) {
    Document& doc = document(state.range(0));
    if (!ready(state, doc))
        return;
    for (auto _ : state) {
        std::size_t calls = 0;
        int error = ini_parse_string(
            doc.utf8.c_str(),
            [](void* user, const char*, const char*, const char*) {
                ++*static_cast<std::size_t*>(user);
                return 1;
            },
            &calls);
        benchmark::DoNotOptimize(error);
        benchmark::DoNotOptimize(calls);
    }
    finish(state, doc);
}

void BoostReadIni(benchmark::State& state) {
    Document& doc = document(state.range(0));
    if (!ready(state, doc))
        return;
    for (auto _ : state) {
        MemoryBuffer buffer(doc.utf8.data(), doc.utf8.size());
        std::istream in(&buffer);
        boost::property_tree::ptree tree;
        boost::property_tree::ini_parser::read_ini(in, tree);
        benchmark::DoNotOptimize(tree);
    }
    finish(state, doc);
}

// The line scan alone, over the document decoded to UTF-16 (the text the reader parses): once
// with the plain scanner that the 32-bit setup.exe runs, once with the SSE2 scanner of 64-bit
// builds. Each pass visits every line from its start, as the reader does.
template <LineScan (*scan)(const char16_t*, std::size_t, std::size_t, bool)>
void LineScanOf(benchmark::State& state) {
    Document& doc = document(state.range(0));
    if (!ready(state, doc))
        return;
    const std::u16string text = wtext::fromUtf8(doc.utf8);
    for (auto _ : state) {
        std::size_t lines = 0;
        for (std::size_t pos = 0;; ++lines) {
            const LineScan line = scan(text.data(), pos, text.size(), true);
            if (line.lastLine)
                break;
            pos = line.end + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    finish(state, doc);
}
void ScanPlain(benchmark::State& state) {
    LineScanOf<scanLinePlain>(state);
}
void ScanSse2(benchmark::State& state) {
    LineScanOf<scanLineSse2>(state);
}

// A read of 100 MB takes about half a second, and its page faults vary from run to run on a
// virtual machine: each repetition runs for a second at least.
#define SIZES ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->MinTime(1.0)
BENCHMARK(LauncherUtf8) SIZES;
BENCHMARK(LauncherUtf16) SIZES;
BENCHMARK(InihReader) SIZES;
BENCHMARK(InihParseOnly) SIZES;
BENCHMARK(BoostReadIni) SIZES;
BENCHMARK(ScanPlain) SIZES;
BENCHMARK(ScanSse2) SIZES;

} // namespace

BENCHMARK_MAIN();
