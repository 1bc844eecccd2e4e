#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "base/AsciiCase.h"
#include "ui/MenuTree.h"

namespace tobble {

// The letter that a caption's "&" underlines, in upper case since a key matches its letter in
// either case, or 0 for none ("&&" is a plain "&").
constexpr char16_t accessKeyOf(std::u16string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return asciiUpper(caption[i + 1]);
        ++i;
    }
    return 0;
}

struct AccessKeyChoice {
    std::size_t index; // the item's position in the menu
    bool execute;      // the only item with that key: chosen at once; else only highlighted
};

// What pressing a letter in an open menu does, as desktop menus do it: an item whose access key
// it is alone is chosen; several that share it are highlighted one after another, starting after
// the highlighted item (or from the top when there is none) and wrapping round. Nothing for a
// letter that no item has.
constexpr std::optional<AccessKeyChoice> nextItemForKey(std::span<const MenuEntry> entries,
                                                        char16_t letter,
                                                        std::optional<std::size_t> highlighted) {
    const char16_t key = asciiUpper(letter);
    if (key == 0)
        return std::nullopt;
    std::optional<std::size_t> first, next;
    int matches = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].isSeparator() || accessKeyOf(entries[i].caption) != key)
            continue;
        ++matches;
        if (!first)
            first = i;
        if (!next && highlighted && i > *highlighted)
            next = i;
    }
    if (!first)
        return std::nullopt;
    return AccessKeyChoice{next.value_or(*first), matches == 1};
}

} // namespace tobble
