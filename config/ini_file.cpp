#include "config/ini_file.h"

#include "config/input_data_file.h"
#include "config/line_scan.h"
#include "platform/platform.h"
#include "platform/wtext.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr char16_t lineFeed = u'\n';
constexpr char16_t ctrlZ = 0x1A;
constexpr std::size_t none = LineScan::none;

// The reader's white space: the C0 blanks, space and no-break space by itself, and above
// U+00FF whatever the platform classifies as space (U+3000 and the like).
bool isWhiteSpace(char16_t c) {
    if (c <= 0xFF)
        return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
    return platform::isSpace(c);
}

std::u16string_view trimSpace(std::u16string_view s) {
    std::size_t begin = 0;
    while (begin < s.size() && isWhiteSpace(s[begin]))
        ++begin;
    std::size_t end = s.size();
    while (end > begin && isWhiteSpace(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// A section header is a line whose first non-blank character is "[". Only there does a bracket
// open a section, so values such as INSTALLDIR=[ProgramFilesFolder]x keep their brackets.
bool isHeaderLine(std::u16string_view line) {
    std::size_t pos = 0;
    while (pos < line.size() && isWhiteSpace(line[pos]))
        ++pos;
    return pos < line.size() && line[pos] == u'[';
}

// The name between the header line's first "[" and the first "]" after it, untrimmed.
// False when the line has no such pair.
bool headerName(std::u16string_view line, std::u16string_view& name) {
    std::size_t open = line.find(u'[');
    if (open == none)
        return false;
    std::size_t close = line.find(u']', open + 1);
    if (close == none)
        return false;
    name = line.substr(open + 1, close - open - 1);
    return true;
}

// Whether the text ends at `pos`: its end, or (for a loaded file) its first U+0000 or Ctrl-Z.
// A file is read without text mode, so Ctrl-Z still stands where the C runtime would stop.
bool endsText(const char16_t* text, std::size_t pos, std::size_t size) {
    return pos == size || text[pos] == u'\0' || text[pos] == ctrlZ;
}

// Fills `order` with the indexes of `texts` ordered by text as unsigned code units, equal texts
// in index order.
void sortByText(const std::vector<std::u16string_view>& texts, std::vector<std::size_t>& order) {
    order.resize(texts.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&texts](std::size_t a, std::size_t b) {
        int c = texts[a].compare(texts[b]);
        return c < 0 || (c == 0 && a < b);
    });
}

struct KeyValue {
    std::u16string_view key;
    std::u16string_view value;
};

// The key and value of a body line (an empty key for a blank or comment line): the comment
// goes, the first "=" splits key from value, both are trimmed.
KeyValue splitLine(const char16_t* text, std::size_t pos, const LineScan& line) {
    KeyValue kv;
    std::u16string_view s = trimSpace(std::u16string_view(text + pos, line.end - pos));
    if (s.empty() || s.front() == u'#' || s.front() == u';')
        return kv;
    // None of "=", "#" and ";" is white space, so each found lies inside the trimmed line.
    const std::size_t start = static_cast<std::size_t>(s.data() - text);
    const std::size_t cut = line.comment != none ? line.comment : start + s.size();
    if (line.equals == none || line.equals >= cut) {
        kv.key = trimSpace(std::u16string_view(text + start, cut - start));
        return kv;
    }
    kv.key = trimSpace(std::u16string_view(text + start, line.equals - start));
    kv.value = trimSpace(std::u16string_view(text + line.equals + 1, cut - line.equals - 1));
    return kv;
}

std::string describeUtf8(const std::u16string& path, std::size_t line,
                         const std::u16string& problem) {
    return wtext::toUtf8(path + u", line " + wtext::formatDecimal(static_cast<std::int64_t>(line)) +
                         u": " + problem);
}

} // namespace

MalformedIniError::MalformedIniError(std::u16string path, std::size_t line, std::u16string problem)
    : std::runtime_error(describeUtf8(path, line, problem)), path_(std::move(path)), line_(line),
      problem_(std::move(problem)) {}

std::u16string MalformedIniError::describe() const {
    return path_ + u", line " + wtext::formatDecimal(static_cast<std::int64_t>(line_)) + u": " +
           problem_;
}

struct IniSection::Store {
    // The text the sections' names, keys and values view.
    std::shared_ptr<const char16_t[]> text;
    // What a section filled again by parse() held before: its name and entries view it.
    std::shared_ptr<const Store> earlier;
    // The entries, in blocks that never move: each section's entries stand together in one.
    std::vector<std::vector<Entry>> blocks;

    // Copies `count` entries into a block; returns where they stand now.
    const Entry* keep(const Entry* first, std::size_t count);
};

const IniSection::Entry* IniSection::Store::keep(const Entry* first, std::size_t count) {
    if (count == 0)
        return nullptr;
    // Blocks grow with the file, up to a size well below the C runtime's threshold for giving
    // a block memory of its own; a section larger than that has a block of its own size.
    constexpr std::size_t firstBlock = 64;
    constexpr std::size_t largestBlock = 2048;
    if (blocks.empty() || blocks.back().capacity() - blocks.back().size() < count) {
        std::size_t size =
            blocks.empty() ? firstBlock : std::min(2 * blocks.back().capacity(), largestBlock);
        std::vector<Entry> block;
        block.reserve(std::max(size, count));
        blocks.push_back(std::move(block));
    }
    std::vector<Entry>& block = blocks.back();
    const std::size_t at = block.size();
    block.insert(block.end(), first, first + count);
    return block.data() + at;
}

// Gathers one section's body lines, then sorts them by key once, the last line of a key taking
// its value. Keeps its scratch space from one section to the next.
class IniSection::Builder {
public:
    explicit Builder(std::shared_ptr<Store> store) : store(std::move(store)) {}

    // Starts the next section; `where`, when given, receives its keys' lines.
    void start(std::u16string_view sectionName, IniSectionPosition* position) {
        name = sectionName;
        where = position;
        pending.clear();
        lines.clear();
    }

    void add(std::u16string_view key, std::u16string_view value, std::size_t line) {
        pending.push_back({key, value});
        if (where)
            lines.push_back(line);
    }

    IniSection finish();

private:
    std::shared_ptr<Store> store;
    std::u16string_view name;
    IniSectionPosition* where = nullptr;
    std::vector<Entry> pending;            // the body's keys in file order
    std::vector<std::size_t> lines;        // their lines, when positions are recorded
    std::vector<std::u16string_view> keys; // scratch: the keys of pending
    std::vector<std::size_t> order;        // scratch: indexes into pending, sorted by key
    std::vector<std::size_t> runOf;        // scratch: for a key's first line, where its run starts
    std::vector<Entry> kept;               // scratch: the entries that stay
};

IniSection IniSection::Builder::finish() {
    const std::size_t n = pending.size();
    bool ordered = true; // strictly increasing keys: nothing to sort and no key met again
    for (std::size_t i = 1; i < n && ordered; ++i)
        ordered = pending[i - 1].key < pending[i].key;

    IniSection section;
    section.store = store;
    section.name = name;
    if (ordered) {
        if (where)
            for (std::size_t i = 0; i < n; ++i)
                where->keys.push_back({std::u16string(pending[i].key), lines[i], {}});
        section.entries = store->keep(pending.data(), n);
        section.count = n;
        return section;
    }

    // By key, and for one key in file order, so that each key's lines form one run whose last
    // line holds the value.
    keys.clear();
    for (const Entry& entry : pending)
        keys.push_back(entry.key);
    sortByText(keys, order);
    kept.clear();
    if (where)
        runOf.assign(n, none);
    for (std::size_t run = 0; run < n;) {
        std::size_t next = run + 1;
        while (next < n && pending[order[next]].key == pending[order[run]].key)
            ++next;
        kept.push_back(pending[order[next - 1]]);
        if (where)
            runOf[order[run]] = run; // the key's first line: where its position goes
        run = next;
    }
    if (where) {
        // One position per key, in the order in which the keys first appeared.
        for (std::size_t first = 0; first < n; ++first) {
            if (runOf[first] == none)
                continue;
            const std::size_t run = runOf[first];
            std::size_t last = run;
            while (last + 1 < n && pending[order[last + 1]].key == pending[first].key)
                ++last;
            where->keys.push_back({std::u16string(pending[first].key), lines[order[last]], {}});
            for (std::size_t i = run; i < last; ++i)
                where->keys.back().replacedLines.push_back(lines[order[i]]);
        }
    }
    section.entries = store->keep(kept.data(), kept.size());
    section.count = kept.size();
    return section;
}

std::u16string IniSection::getValue(const std::u16string& key) const {
    const Entry* end = entries + count;
    const Entry* it =
        std::lower_bound(entries, end, std::u16string_view(key),
                         [](const Entry& entry, std::u16string_view k) { return entry.key < k; });
    return it != end && it->key == key ? std::u16string(it->value) : std::u16string();
}

std::u16string IniSection::getKeyAt(std::size_t index) const {
    return index < count ? std::u16string(entries[index].key) : std::u16string();
}

void IniSection::parse(std::u16string_view sectionText) {
    parse(sectionText, 1, nullptr);
}

void IniSection::parse(std::u16string_view sectionText, std::size_t headerLine,
                       IniSectionPosition* where) {
    // The section keeps its own copy of the text, and what it held before.
    auto fresh = std::make_shared<Store>();
    std::shared_ptr<char16_t[]> copy(new char16_t[sectionText.size() + 1]);
    std::copy(sectionText.begin(), sectionText.end(), copy.get());
    copy[sectionText.size()] = u'\0';
    fresh->text = copy;
    fresh->earlier = store;
    const char16_t* text = copy.get();
    const std::size_t size = sectionText.size();

    const std::size_t headerEnd = std::u16string_view(text, size).find(lineFeed);
    std::u16string_view newName = name;
    if (std::u16string_view found;
        headerName(std::u16string_view(text, size).substr(0, headerEnd), found))
        newName = found;
    if (where) {
        where->name = std::u16string(newName);
        where->line = headerLine;
    }
    Builder builder(fresh);
    builder.start(newName, where);
    if (headerEnd != none) {
        std::size_t pos = headerEnd + 1;
        std::size_t line = headerLine + 1;
        while (pos < size) {
            LineScan scan = scanLine(text, pos, size, false);
            KeyValue kv = splitLine(text, pos, scan);
            if (!kv.key.empty())
                builder.add(kv.key, kv.value, line);
            pos = scan.end + 1;
            ++line;
        }
    }
    IniSection parsed = builder.finish();

    // The keys the section already had stay, unless the text gives them again.
    std::vector<Entry> merged;
    merged.reserve(count + parsed.count);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < count || j < parsed.count) {
        int c = i == count          ? 1
                : j == parsed.count ? -1
                                    : entries[i].key.compare(parsed.entries[j].key);
        if (c < 0) {
            merged.push_back(entries[i++]);
        } else {
            merged.push_back(parsed.entries[j++]);
            i += c == 0 ? 1 : 0;
        }
    }
    parsed.entries = fresh->keep(merged.data(), merged.size());
    parsed.count = merged.size();
    *this = std::move(parsed);
}

std::size_t IniPositions::sectionLine(const std::u16string& name) const {
    for (const IniSectionPosition& section : sections)
        if (section.taken && section.name == name)
            return section.line;
    return 0;
}

std::size_t IniPositions::keyLine(const std::u16string& section, const std::u16string& key) const {
    for (const IniSectionPosition& s : sections) {
        if (!s.taken || s.name != section)
            continue;
        for (const IniKeyPosition& k : s.keys)
            if (k.key == key)
                return k.line;
        return 0;
    }
    return 0;
}

IniSection IniFile::getSection(const std::u16string& name) const {
    auto it = std::lower_bound(
        sections.begin(), sections.end(), std::u16string_view(name),
        [](const IniSection& section, std::u16string_view n) { return section.name < n; });
    return it != sections.end() && it->name == name ? *it : IniSection();
}

void IniFile::adopt(std::vector<IniSection>& read, bool ordered, IniPositions* where) {
    const std::size_t n = read.size();
    if (n == 0)
        return;
    // Names in increasing order, all after the document's: every section is taken as it is.
    if (ordered && (sections.empty() || sections.back().name < read.front().name)) {
        sections.reserve(sections.size() + n);
        for (IniSection& section : read)
            sections.push_back(std::move(section));
        return;
    }

    // The read sections by name, and for one name in file order: the first of each run is
    // taken unless the document already has the name.
    std::vector<std::size_t> order(n);
    if (ordered) {
        std::iota(order.begin(), order.end(), std::size_t{0});
    } else {
        std::vector<std::u16string_view> names;
        names.reserve(n);
        for (const IniSection& section : read)
            names.push_back(section.name);
        sortByText(names, order);
    }

    std::vector<IniSection> merged;
    merged.reserve(sections.size() + n);
    std::size_t present = 0;
    for (std::size_t run = 0; run < n;) {
        const std::u16string_view name = read[order[run]].name;
        while (present < sections.size() && sections[present].name < name)
            merged.push_back(std::move(sections[present++]));
        std::size_t passedOver = run;
        if (present == sections.size() || sections[present].name != name) {
            merged.push_back(std::move(read[order[run]]));
            ++passedOver;
        }
        std::size_t next = run + 1;
        while (next < n && read[order[next]].name == name)
            ++next;
        if (where)
            for (std::size_t i = passedOver; i < next; ++i)
                where->sections[order[i]].taken = false;
        run = next;
    }
    while (present < sections.size())
        merged.push_back(std::move(sections[present++]));
    sections = std::move(merged);
}

bool IniFile::load(const std::u16string& path, IniPositions* where) {
    if (where)
        *where = IniPositions{path, {}};
    std::shared_ptr<char16_t[]> text;
    std::size_t size = 0;
    try {
        InputDataFile file(path);
        file.readUntranslated();
        text = file.getText();
        size = file.getTextLength();
    } catch (const InputDataFileException&) {
        return false;
    }
    if (!text)
        return false;

    // The text is parsed where it lies, without text mode: a CR before an LF is white space
    // that trimming removes, and the text ends at its first U+0000 or Ctrl-Z. The sections
    // keep views into it.
    auto store = std::make_shared<IniSection::Store>();
    store->text = text;
    const char16_t* p = text.get();

    // One pass over the lines, each read once. A section takes the body lines from its header
    // line up to the next header (or the end of the text). Every section read goes to the
    // document at the end, or before a malformed header is reported, so the sections before
    // the fault stay.
    IniSection::Builder builder(store);
    std::vector<IniSection> read;
    bool ordered = true; // the names read so far increase strictly
    bool inSection = false;
    std::size_t lineNumber = 1;
    std::size_t pos = 0;
    for (;;) {
        const LineScan line = scanLine(p, pos, size, true);
        const std::u16string_view lineText(p + pos, line.end - pos);
        if (isHeaderLine(lineText)) {
            if (inSection)
                read.push_back(builder.finish());
            std::u16string_view name;
            if (!headerName(lineText, name)) {
                adopt(read, ordered, where);
                throw MalformedIniError(path, lineNumber,
                                        u"the section header has no closing \"]\"");
            }
            // Compared here, while the previous header is still in the cache.
            if (!read.empty() && !(read.back().name < name))
                ordered = false;
            IniSectionPosition* position = nullptr;
            if (where) {
                position = &where->sections.emplace_back();
                position->name.assign(name);
                position->line = lineNumber;
            }
            builder.start(name, position);
            inSection = true;
        } else if (inSection) {
            const KeyValue kv = splitLine(p, pos, line);
            if (!kv.key.empty())
                builder.add(kv.key, kv.value, lineNumber);
        }
        // A final line feed ends the last line; no empty line follows it.
        if (line.lastLine || endsText(p, line.end + 1, size))
            break;
        pos = line.end + 1;
        ++lineNumber;
    }
    if (!inSection)
        throw MalformedIniError(path, lineNumber,
                                u"no section header (a line beginning with \"[\") in the file");
    read.push_back(builder.finish());
    adopt(read, ordered, where);
    return true;
}
