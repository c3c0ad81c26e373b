// What a removal left behind, by kind, for the final message: the first
// few names of each kind and how many there were in all.
#pragma once

class Leftovers {
public:
    enum Kind {
        File,     // a file that could not be deleted
        Folder,   // a folder that still holds other files
        Key,      // a registry key that could not be deleted
        Refused,  // a record element that points outside the installation
        kKinds
    };
    // Names listed per kind; the rest are only counted.
    static const int kShown = 8;

    Leftovers() = default;
    ~Leftovers();
    Leftovers(const Leftovers &) = delete;
    Leftovers &operator=(const Leftovers &) = delete;

    // Notes one item; nullptr stands for an element without text.
    void Add(Kind kind, const char *name);
    int Count(Kind kind) const { return counts_[kind]; }
    int Total() const;

    // The list for a message: per kind with items, its heading, then each
    // listed name on a line of its own behind two spaces, then, when items
    // were only counted, moreFormat (with one "%d") with their number. Kinds
    // are separated by an empty line. A new block for free(), or nullptr
    // without memory; "" when nothing was left.
    char *Text(const char *const headings[kKinds], const char *moreFormat) const;

private:
    char *names_[kKinds][kShown] = {};
    int counts_[kKinds] = {};
};
