// What a removal left behind, by kind, for the final message: the first
// few names of each kind and how many there were in all. The message stays
// bounded whatever the record holds: each name is kept cut to kNameShown
// characters (an ellipsis marks the cut) with its control characters shown
// escaped, and only kShown names of a kind are kept.
#pragma once

class Leftovers {
public:
    // In the order of the message.
    enum Kind {
        File,     // a file that could not be deleted
        Locked,   // a folder that could not be removed (in use, access denied)
        Folder,   // a folder that still holds files the record does not name
        Key,      // a registry key that could not be deleted
        Foreign,  // a registry key that is not this installation's (kept)
        Refused,  // a record element that points outside the installation
        kKinds
    };
    // Names listed per kind; the rest are only counted.
    static const int kShown = 8;
    // Characters kept of a name, the ellipsis not counted.
    static const int kNameShown = 260;

    Leftovers() = default;
    ~Leftovers();
    Leftovers(const Leftovers &) = delete;
    Leftovers &operator=(const Leftovers &) = delete;

    // Notes one item; nullptr stands for an element without text.
    void Add(Kind kind, const char *name);
    int Count(Kind kind) const { return counts_[kind]; }
    int Total() const;
    // The items that count as a failed removal: what the record names and
    // could not be removed, and what it may not ask for. A folder kept for
    // the user's own files and another program's key are no failure.
    int Failed() const;

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
