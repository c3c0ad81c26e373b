// Fuzzer of the uninstaller's gate. Each input builds a disk (folders,
// files and links with long, odd, full-width and double-byte names, inside
// the places and outside them), a record of elements and registry keys with
// and without their values, and runs every element through the gate as the
// removal does, listings of approved patterns included. One property is
// checked over every decision, by code of its own that shares nothing with
// the gate: whatever the gate approves, resolved the way the system resolves
// a path ("\" and "/" separate, "." and ".." fold, trailing dots and spaces
// drop, links are followed), is absent or lies in an allowed place without a
// link on the way; a key it claims holds a value that names this
// installation and, for a class, no value that names a file elsewhere.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "uninstall/rules.h"

namespace {

using Text = std::u16string;

// The bytes of the input, read as choices; zeros once they run out.
class Choices {
public:
    Choices(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    unsigned Pick(unsigned count) { return count ? Byte() % count : 0; }
    bool Left() const { return at_ < size_; }

private:
    unsigned Byte() { return at_ < size_ ? data_[at_++] : 0; }
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

// The checker's own letter case: the pairs the generator uses.
char16_t Fold(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 32);
    switch (c) {
    case 0xE9: return 0xC9;
    case 0xEB: return 0xCB;
    case 0xFF41: return 0xFF21;
    default: return c;
    }
}

bool Same(const Text &a, const Text &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    }
    return true;
}

// The system's reading of a path: its names, "." and ".." folded, trailing
// dots and spaces dropped, "\" and "/" both separators. False for a path
// that is not absolute on drive C.
bool Components(const Text &path, std::vector<Text> &names)
{
    if (path.size() < 2 || Fold(path[0]) != u'C' || path[1] != u':')
        return false;
    names.clear();
    Text name;
    for (size_t i = 2; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != u'\\' && path[i] != u'/') {
            name += path[i];
            continue;
        }
        if (name == u".." ) {
            if (!names.empty())
                names.pop_back();
        } else {
            while (!name.empty() && (name.back() == u'.' || name.back() == u' '))
                name.pop_back();
            if (!name.empty())
                names.push_back(name);
        }
        name.clear();
    }
    return true;
}

struct Node {
    Text name;
    int parent;
    enum { Folder, File, Link } kind;
    int target;  // a link's node
};

class Model : public DiskView {
public:
    std::vector<Node> nodes;
    int drive = 0, destination = 0, startMenu = 0, desktop = 0;

    int Add(int parent, const Text &name, decltype(Node::kind) kind, int target = -1)
    {
        nodes.push_back({name, parent, kind, target});
        return static_cast<int>(nodes.size()) - 1;
    }
    int Child(int folder, const Text &name) const
    {
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].parent == folder && Same(nodes[i].name, name))
                return static_cast<int>(i);
        }
        return -1;
    }
    Text PathOf(int node) const
    {
        return node == drive ? Text(u"C:") : PathOf(nodes[node].parent) + u"\\" + nodes[node].name;
    }

    // Where the system takes a path: the node (-1 when absent), whether a
    // link was followed at or below `place`, and whether the walk entered
    // `place`. A link at the end is followed too.
    struct Walk {
        int node = -1;
        bool linkBelowPlace = false;
        bool inPlace = false;
    };
    Walk Resolve(const Text &path, int place) const
    {
        Walk walk;
        std::vector<Text> names;
        if (!Components(path, names))
            return walk;
        int node = drive;
        walk.inPlace = node == place;
        for (const Text &name : names) {
            if (nodes[node].kind != Node::Folder)
                return Walk();
            node = Child(node, name);
            if (node < 0)
                return Walk();
            if (nodes[node].kind == Node::Link) {
                walk.linkBelowPlace = walk.linkBelowPlace || walk.inPlace;
                node = nodes[node].target;
            }
            walk.inPlace = walk.inPlace || node == place;
        }
        walk.node = node;
        return walk;
    }

    // The gate's view: the name itself is a link, or it is reached through
    // one; nothing is followed silently.
    Kind Look(const char16_t *path) override
    {
        std::vector<Text> names;
        if (!Components(path, names))
            return Unknown;
        int node = drive;
        for (const Text &name : names) {
            if (nodes[node].kind == Node::File)
                return Absent;
            node = Child(node, name);
            if (node < 0)
                return Absent;
            if (nodes[node].kind == Node::Link)
                return Link;
        }
        return nodes[node].kind == Node::Folder ? Folder : File;
    }
};

const char16_t *const kFragments[] = {
    u"Velmo.exe", u"Velmolog-1.txt", u"a.txt", u"Saves", u"..", u".", u"", u"CON", u"x.",
    u"x ", u"\uff3c", u"\uff0f", u"\uff0e\uff0e", u"\uff1a", u"\\", u"/", u":", u"*", u"?",
    u"\u8868", u"\u30a2", u"\u30c2", u"VELMO", u"velmo", u"Spi\u00cbLE", u"\u00e9", u"\u00c9",
    u"\uff41", u"\uff21", u"Game.lnk", u"Windows", u"win.ini", u"\"", u"\x01", u"Other",
};

Text Name(Choices &choices)
{
    Text name;
    for (unsigned parts = 1 + choices.Pick(3); parts > 0; --parts)
        name += kFragments[choices.Pick(sizeof kFragments / sizeof *kFragments)];
    if (choices.Pick(16) == 0)
        name += Text(250 + choices.Pick(20), u'x');
    return name;
}

// A path the record may hold: often one of the disk's own names, with more
// names below it (through a link, say), in other letter case.
Text RecordPath(Choices &choices, const Model &model, bool pattern)
{
    Text path;
    switch (choices.Pick(4)) {
    case 0: path = model.PathOf(model.destination); break;
    case 1: path = model.PathOf(static_cast<int>(choices.Pick(model.nodes.size() - 1)) + 1); break;
    case 2: path = choices.Pick(2) ? Text(u"C:") : Text(u"\\\\server\\share"); break;
    default: path = model.PathOf(choices.Pick(2) ? model.startMenu : model.desktop); break;
    }
    if (choices.Pick(3) == 0) {
        for (char16_t &c : path)
            c = Fold(c);
    }
    for (unsigned more = choices.Pick(4); more > 0; --more)
        path += (choices.Pick(8) ? u"\\" : u"/") + Name(choices);
    if (pattern) {
        const char16_t *const kPatterns[] = {u"Velmolog-*.txt", u"*", u"*.*", u"?*", u"*\uff3c*",
                                             u"a?.txt", u"*.lnk"};
        path += Text(u"\\") + kPatterns[choices.Pick(7)];
    }
    return path;
}

[[noreturn]] void Violation() { __builtin_trap(); }

// A file or folder the gate let the removal act on.
void CheckTarget(const Model &model, const Text &target, bool folder)
{
    Model::Walk walk = model.Resolve(target, model.destination);
    if (walk.node < 0)
        return;  // the removal finds nothing
    int place = model.destination;
    if (!walk.inPlace) {
        // Else a Start-menu folder, or a shortcut of the desktop.
        for (int other : {model.startMenu, model.desktop}) {
            Model::Walk there = model.Resolve(target, other);
            if (there.inPlace) {
                walk = there;
                place = other;
            }
        }
    }
    if (!walk.inPlace || walk.linkBelowPlace)
        Violation();
    const Text &name = model.nodes[walk.node].name;
    bool shortcut = name.size() >= 4 && Same(name.substr(name.size() - 4), u".lnk");
    if (place != model.destination && (folder ? place == model.desktop : !shortcut))
        Violation();
}

// The removal opens what the gate approved and checks it against the place
// the verdict names: that must be one of the places, with the target at it
// or below it.
void CheckPlace(const Model &model, const Approved &verdict)
{
    Text target = verdict.target();
    size_t length = verdict.placeLength();
    if (length == 0 || length > target.size() ||
        (length < target.size() && target[length] != u'\\'))
        Violation();
    for (int place : {model.destination, model.startMenu, model.desktop}) {
        if (Same(target.substr(0, length), model.PathOf(place)))
            return;
    }
    Violation();
}

// The program a value names, quotes taken off; empty when it names none.
Text Program(const char16_t *data)
{
    if (!data)
        return Text();
    Text value = data;
    if (!value.empty() && value[0] == u'"') {
        size_t end = value.find(u'"', 1);
        return end == Text::npos ? Text() : value.substr(1, end - 1);
    }
    return value;
}

bool Inside(const Model &model, const Text &path)
{
    std::vector<Text> names, place;
    if (!Components(path, names) || !Components(model.PathOf(model.destination), place) ||
        names.size() <= place.size())
        return false;
    for (size_t i = 0; i < place.size(); ++i) {
        if (!Same(names[i], place[i]))
            return false;
    }
    return path.find(u'/') == Text::npos;
}

bool LooksLikePath(const Text &program)
{
    return program.size() >= 2 && (program[1] == u':' || (program[0] == u'\\' && program[1] == u'\\'));
}

// A key the gate claimed for this installation.
void CheckKey(const Model &model, Action action, const Text &name, const KeyTree &tree,
              const KeyTree *typeClass)
{
    if (!tree.exists || !tree.complete)
        Violation();
    bool positive = false;
    for (size_t i = 0; i < tree.count; ++i) {
        const KeyEntry &entry = tree.entries[i];
        if (!entry.value)
            continue;
        Text key = entry.key, value = entry.value, program = Program(entry.data);
        if (action == Action::DeleteAppKey && key.empty() && value.empty())
            positive = positive || Inside(model, program);
        if (action == Action::DeleteUninstallKey && key.empty() && Same(value, u"UninstallString"))
            positive = positive || Same(program, model.PathOf(model.destination) + u"\\Uninstall.exe");
        if (action == Action::DeleteClassKey && name[0] != u'.') {
            bool command = key.size() > 14 && Same(key.substr(0, 6), u"shell\\") &&
                           Same(key.substr(key.size() - 8), u"\\command") &&
                           key.find(u'\\', 6) == key.size() - 8;
            positive = positive || (command && value.empty() && Inside(model, program));
            if (LooksLikePath(program) && !Inside(model, program))
                Violation();
        }
    }
    if (action == Action::DeleteClassKey && name[0] == u'.') {
        if (!typeClass)
            Violation();
        CheckKey(model, action, u"class", *typeClass, nullptr);
        positive = true;
    }
    // An empty key of the setup's own name: what a setup ended between
    // making the key and writing its first value leaves.
    bool empty = true;
    for (size_t i = 0; i < tree.count; ++i)
        empty = empty && tree.entries[i].key[0] == u'\0' && !tree.entries[i].value;
    if (empty && ((action == Action::DeleteAppKey && Same(name, u"Velmo.exe")) ||
                  (action == Action::DeleteUninstallKey && Same(name, u"Velmo"))))
        positive = true;
    if (!positive)
        Violation();
}

const char16_t *const kKeyPaths[] = {u"", u"DefaultIcon", u"shell", u"shell\\open",
                                     u"shell\\open\\command", u"CLSID", u"shell\\x\\command",
                                     u"OpenWithProgids", u"shell\\open\\ddeexec"};
const char16_t *const kValueNames[] = {u"", u"", u"UninstallString", u"Path", u"DelegateExecute"};

// A key as the registry might hold it; strings live in `store`.
void MakeKey(Choices &choices, const Model &model, std::vector<Text> &store,
             std::vector<KeyEntry> &entries, KeyTree &tree)
{
    const Text data[] = {model.PathOf(model.destination) + u"\\Velmo.exe",
                         u"\"" + model.PathOf(model.destination) + u"\\Velmo.exe\" \"%1\"",
                         u"C:\\Games\\Velmo\\Uninstall.exe", u"C:\\Other\\Other.exe",
                         u"C:\\Games\\Velmo\\..\\Other\\x.exe", u"Velmo.Savegame", u"\"C:\\Games\\Velmo",
                         u"C:\\Games\\Velmo", u"text"};
    store.reserve(64);
    for (unsigned count = choices.Pick(10); count > 0; --count) {
        const char16_t *key = kKeyPaths[choices.Pick(sizeof kKeyPaths / sizeof *kKeyPaths)];
        if (choices.Pick(3) == 0) {
            entries.push_back({key, nullptr, nullptr});
            continue;
        }
        store.push_back(data[choices.Pick(sizeof data / sizeof *data)]);
        bool text = choices.Pick(6) != 0;
        entries.push_back({key, kValueNames[choices.Pick(5)], text ? store.back().c_str() : nullptr});
    }
    tree.exists = choices.Pick(8) != 0;
    tree.complete = choices.Pick(8) != 0;
    tree.entries = entries.data();
    tree.count = entries.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Choices choices(data, size);
    Model model;
    model.nodes.push_back({u"", -1, Node::Folder, -1});
    model.drive = 0;
    const char16_t *const kGames[] = {u"Games", u"\u8868", u"Spi\u00eble", u"\u30a2"};
    int games = model.Add(model.drive, kGames[choices.Pick(4)], Node::Folder);
    model.destination = model.Add(games, u"Velmo", Node::Folder);
    int start = model.Add(model.drive, u"Start", Node::Folder);
    model.startMenu = model.Add(start, u"Programs", Node::Folder);
    model.desktop = model.Add(model.drive, u"Desk", Node::Folder);
    int windows = model.Add(model.drive, u"Windows", Node::Folder);
    model.Add(windows, u"win.ini", Node::File);
    model.Add(games, u"Other", Node::Folder);
    for (unsigned count = choices.Pick(24); count > 0; --count) {
        int parent = static_cast<int>(choices.Pick(model.nodes.size()));
        if (model.nodes[parent].kind != Node::Folder || parent == 0)
            continue;
        auto kind = static_cast<decltype(Node::kind)>(choices.Pick(3));
        int target = kind == Node::Link ? 1 + static_cast<int>(choices.Pick(model.nodes.size() - 1))
                                        : -1;
        if (target >= 0 && model.nodes[target].kind == Node::Link)
            continue;
        model.Add(parent, Name(choices), kind, target);
    }

    Places places;
    WidePlaces wide;
    Widen(places, nullptr, wide);
    auto set = [](char16_t *to, const Text &from) {
        if (from.size() < kMaxPath)
            std::copy(from.c_str(), from.c_str() + from.size() + 1, to);
    };
    set(wide.destination, model.PathOf(model.destination));
    set(wide.startMenus[0], model.PathOf(model.startMenu));
    set(wide.desktops[0], model.PathOf(model.desktop));
    set(wide.program, model.PathOf(model.destination) + u"\\Uninstall.exe");
    Gate gate(wide, model);

    const char *const kElements[] = {"FILE", "FOLDER", "FILEPATTERN", "APPKEY", "UNINSTKEY",
                                     "CLASSKEY", "APPNAME", "file"};
    while (choices.Left()) {
        const char *element = kElements[choices.Pick(8)];
        bool key = element[0] == 'A' && element[1] == 'P' && element[3] == 'K';
        key = key || element[0] == 'U' || element[0] == 'C';
        Text text;
        if (key) {
            const char16_t *const kNames[] = {u"Velmo.exe", u"Velmo", u".vsav", u"Velmo.Savegame",
                                              u"Other", u"..", u"a\\b", u"CLSID", u"*"};
            text = kNames[choices.Pick(9)];
        } else {
            text = RecordPath(choices, model, element[4] == 'P');
        }
        Approved verdict = gate.Judge16(element, text.c_str());
        switch (verdict.action()) {
        case Action::RemoveFile:
            CheckTarget(model, verdict.target(), false);
            CheckPlace(model, verdict);
            break;
        case Action::RemoveFolder:
            CheckTarget(model, verdict.target(), true);
            CheckPlace(model, verdict);
            break;
        case Action::RemovePattern: {
            CheckPlace(model, verdict);
            Text pattern = verdict.target();
            Text folder = pattern.substr(0, pattern.rfind(u'\\'));
            CheckTarget(model, folder, true);
            Model::Walk walk = model.Resolve(folder, model.destination);
            for (size_t i = 0; walk.node >= 0 && i < model.nodes.size(); ++i) {
                if (model.nodes[i].parent != walk.node)
                    continue;
                Approved file = gate.JudgeFound(verdict, model.nodes[i].name.c_str());
                if (file.action() == Action::RemoveFile) {
                    CheckTarget(model, file.target(), false);
                    CheckPlace(model, file);
                } else if (file.action() != Action::Refuse)
                    Violation();
            }
            break;
        }
        case Action::DeleteAppKey:
        case Action::DeleteUninstallKey:
        case Action::DeleteClassKey: {
            std::vector<Text> store, classStore;
            std::vector<KeyEntry> entries, classEntries;
            KeyTree tree, typeClass;
            MakeKey(choices, model, store, entries, tree);
            MakeKey(choices, model, classStore, classEntries, typeClass);
            bool withClass = choices.Pick(2) != 0;
            Approved claimed = gate.ClaimKey(verdict, tree, withClass ? &typeClass : nullptr);
            if (claimed.owned())
                CheckKey(model, verdict.action(), verdict.target(), tree,
                         withClass ? &typeClass : nullptr);
            break;
        }
        default:
            break;
        }
    }
    return 0;
}
