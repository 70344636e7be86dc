#include "config/ini_section.h"

#include "config/ini_lines.h"
#include "config/ini_section_store.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>

using namespace inilines;

namespace {

// The entries of `older` and `newer`, both sorted by key, merged in key order; for a key in
// both, the newer entry.
template <class Entry>
std::vector<Entry> mergeByKey(const Entry* older, std::size_t olderCount, const Entry* newer,
                              std::size_t newerCount) {
    std::vector<Entry> merged;
    merged.reserve(olderCount + newerCount);
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < olderCount || j < newerCount) {
        int c = i == olderCount ? 1 : j == newerCount ? -1 : older[i].key.compare(newer[j].key);
        if (c < 0) {
            merged.push_back(older[i++]);
        } else {
            merged.push_back(newer[j++]);
            i += c == 0 ? 1 : 0;
        }
    }
    return merged;
}

} // namespace

void sortByText(const std::vector<std::u16string_view>& texts, std::vector<std::size_t>& order) {
    order.resize(texts.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&texts](std::size_t a, std::size_t b) {
        int c = texts[a].compare(texts[b]);
        return c < 0 || (c == 0 && a < b);
    });
}

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

IniSection IniSection::Builder::finish() {
    const std::size_t n = pending.size();
    bool ordered = true; // strictly increasing keys: nothing to sort and no key met again
    for (std::size_t i = 1; i < n && ordered; ++i)
        ordered = pending[i - 1].key < pending[i].key;

    IniSection section;
    section.store = store;
    section.name = name;
    if (ordered) {
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
    for (std::size_t run = 0; run < n;) {
        std::size_t next = run + 1;
        while (next < n && pending[order[next]].key == pending[order[run]].key)
            ++next;
        kept.push_back(pending[order[next - 1]]);
        run = next;
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
                       const IniObserver* observer) {
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
    if (observer && observer->section)
        observer->section(newName, headerLine);
    Builder builder(fresh);
    builder.start(newName);
    if (headerEnd != none) {
        std::size_t pos = headerEnd + 1;
        std::size_t line = headerLine + 1;
        while (pos < size) {
            LineScan scan = scanLine(text, pos, size, false);
            KeyValue kv = splitLine(text, pos, scan);
            if (!kv.key.empty()) {
                builder.add(kv.key, kv.value);
                tellKeyLine(observer, newName, kv, text, pos, scan, line);
            }
            pos = scan.end + 1;
            ++line;
        }
    }
    IniSection parsed = builder.finish();

    // The keys the section already had stay, unless the text gives them again.
    const std::vector<Entry> merged = mergeByKey(entries, count, parsed.entries, parsed.count);
    parsed.entries = fresh->keep(merged.data(), merged.size());
    parsed.count = merged.size();
    *this = std::move(parsed);
}
