// vpack: packs the payload of the setup. Reads the payload description and
// the payload files, checks every invariant of the install and clean-up
// tables, compresses each payload file into one complete zlib stream and
// writes, into the output folder:
//   <id>.z               the stream of the entry with resource id <id>
//   qfile.rc             one "QFILE" resource per stream, language 1043
//   manifest_table.inc   the C++ definitions of both tables with the real sizes
// A broken description or payload writes nothing and ends with exit code 1.
//
// The streams are as short as the encoder finds them: zopfli's search for
// the shortest deflate data, or zlib's best where that is shorter, both in
// the zlib format with the header 78 DA. The search costs about a hundred
// times what zlib takes, so every stream is kept in the cache folder under
// the size and checksums of its file and the encoder's settings: a file
// that did not change is not packed again. A stream taken from the cache is
// inflated and compared with its file before it is used.
//
//   vpack --manifest FILE --programs DIR --texts DIR --generated DIR --out DIR
//         [--cache DIR] [--jobs N]
#include <zlib.h>
#include <unistd.h>
#include <zopfli/zopfli.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "product/manifest.h"
#include "tools/description.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kKnownEntryBits = ENTRY_EXTRACT | ENTRY_LICENSE | ENTRY_REMOVE_FILE |
                                     ENTRY_SHORTCUT | ENTRY_UNINSTALLER | ENTRY_README |
                                     ENTRY_REMOVE_PATTERN | ENTRY_EXTERNAL_TARGET;
constexpr uint32_t kPayloadBits = ENTRY_EXTRACT | ENTRY_UNINSTALLER;
// Names end up in fixed buffers of the setup next to a destination folder
// of up to 323 characters; keep them well inside MAX_PATH.
constexpr size_t kMaxNameBytes = 128;

// zopfli's settings. Most of its time goes into finding the matches, which
// it does once per block; its passes over them are cheaper: on the game's
// payload its default of 15 passes takes half as long again as one pass
// and finds 0.25 % more (1,829,749 bytes instead of 1,834,454, against
// 1,889,571 from zlib's best). Its default of 15 blocks at most, too.
constexpr int kZopfliIterations = 15;
constexpr int kZopfliMaxBlocks = 15;
// Names the encoder and its settings in the cache: a stream packed with
// other settings, or by an earlier packer, is never taken for one of these.
// Count the revision up whenever the streams this packer makes change.
constexpr int kPackerRevision = 1;

struct Options {
    std::string manifest, programs, texts, generated, out, cache;
    unsigned jobs = 0;  // 0: one per processor
};

// One entry on its way to the generated tables.
struct PackedEntry {
    DescribedEntry described;
    std::string ansiName, ansiExtra;  // cp1252
    std::string stream;               // the zlib stream; empty without payload
    uint32_t unpackedSize = 0;
    std::string file;                 // the payload file, while it is packed
    std::string data;                 // its bytes, while it is packed
};

class Problems {
public:
    explicit Problems(std::string file) : file_(std::move(file)) {}
    void At(const DescribedEntry &entry, const std::string &what)
    {
        list_.push_back(file_ + ":" + std::to_string(entry.line) + ": " + what);
    }
    void Add(const std::string &what) { list_.push_back(file_ + ": " + what); }
    void Append(const std::vector<std::string> &more)
    {
        list_.insert(list_.end(), more.begin(), more.end());
    }
    bool Any() const { return !list_.empty(); }
    void Print() const
    {
        for (const std::string &problem : list_)
            std::fprintf(stderr, "vpack: %s\n", problem.c_str());
    }

private:
    std::string file_;
    std::vector<std::string> list_;
};

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// Why `name` is not a safe path below the destination folder, or "" when
// it is: no drive, no root, no "." or ".." steps, no empty steps, no "/",
// no characters that Windows refuses in file names (wildcards only where
// `wildcards` allows them).
std::string PathProblem(const std::string &name, bool wildcards)
{
    if (name.find(':') != std::string::npos)
        return "contains \":\" (a drive or stream); names are relative to the destination folder";
    if (name.find('/') != std::string::npos)
        return "contains \"/\"; sub-folders are separated by \"\\\"";
    const char *refused = wildcards ? "<>|\"" : "<>|\"*?";
    for (char c : name) {
        if (std::strchr(refused, c) != nullptr)
            return std::string("contains the character '") + c + "', which Windows refuses";
    }
    std::string step;
    std::stringstream steps(name);
    bool first = true;
    size_t count = std::count(name.begin(), name.end(), '\\') + 1;
    for (size_t i = 0; i < count; i++) {
        std::getline(steps, step, '\\');
        if (step.empty())
            return first ? "starts with \"\\\"; names are relative to the destination folder"
                         : "has an empty path step";
        if (step == "." || step == "..")
            return "has a \"" + step + "\" step, which leaves the destination folder";
        if (step.back() == ' ' || step.back() == '.')
            return "has a path step that ends in a space or \".\"";
        first = false;
    }
    return "";
}

void CheckText(Problems *problems, const DescribedEntry &entry, const char *what,
               const std::string &utf8, std::string *ansi)
{
    if (!Utf8ToCp1252(utf8, ansi)) {
        problems->At(entry, std::string(what) + " \"" + utf8 +
                                "\" is not UTF-8 text that the ANSI code page 1252 can hold");
        return;
    }
    for (unsigned char c : *ansi) {
        if (c < 0x20 || c == 0x7F) {
            problems->At(entry, std::string(what) + " contains a control character");
            return;
        }
    }
}

void CheckInstallEntry(Problems *problems, PackedEntry *packed)
{
    const DescribedEntry &entry = packed->described;
    bool payload = (entry.flags & kPayloadBits) != 0;
    if ((entry.flags & ~kKnownEntryBits) != 0)
        problems->At(entry, "flags " + Hex(entry.flags) + " carry unknown bits " +
                                Hex(entry.flags & ~kKnownEntryBits));
    if (entry.flags == 0)
        problems->At(entry, "install entry without any flag");
    if (payload && (entry.resourceId == 0 || entry.resourceId > 0xFFFF))
        problems->At(entry, "entry with payload needs a resource id from 1 to 65535, not " +
                                std::to_string(entry.resourceId));
    if (payload && entry.source == SourceKind::None)
        problems->At(entry,
                     "entry with ENTRY_EXTRACT or ENTRY_UNINSTALLER names no payload source");
    if (!payload && entry.resourceId != 0)
        problems->At(entry, "entry without payload must have resource id 0, not " +
                                std::to_string(entry.resourceId));
    if (!payload && entry.source != SourceKind::None)
        problems->At(entry, "entry without ENTRY_EXTRACT or ENTRY_UNINSTALLER must not name a "
                            "payload source");
    if ((entry.flags & ENTRY_SHORTCUT) != 0 && !entry.hasExtra)
        problems->At(entry, "shortcut entry needs its caption in extra");

    // Names below the destination folder; a web address is none.
    const uint32_t pathBits = kPayloadBits | ENTRY_REMOVE_FILE | ENTRY_REMOVE_PATTERN;
    bool relative = (entry.flags & pathBits) != 0 ||
                    (entry.flags & (ENTRY_SHORTCUT | ENTRY_EXTERNAL_TARGET)) == ENTRY_SHORTCUT;
    if (relative) {
        bool wildcards = (entry.flags & (kPayloadBits | ENTRY_REMOVE_FILE | ENTRY_SHORTCUT)) == 0;
        std::string problem = PathProblem(entry.name, wildcards);
        if (!problem.empty())
            problems->At(entry, "name \"" + entry.name + "\" " + problem);
    }
}

void CheckCleanUpEntry(Problems *problems, const PackedEntry &packed)
{
    const DescribedEntry &entry = packed.described;
    if (entry.flags != CLEANUP_DELETE && entry.flags != CLEANUP_SHARED_UNINSTALLER &&
        entry.flags != CLEANUP_FOLDER && entry.flags != CLEANUP_RENAME)
        problems->At(entry, "clean-up code " + Hex(entry.flags) +
                                " is none of CLEANUP_DELETE 0x4, CLEANUP_SHARED_UNINSTALLER 0x10, "
                                "CLEANUP_FOLDER 0x1000, CLEANUP_RENAME 0x2000");
    if (entry.resourceId != 0 || entry.source != SourceKind::None || entry.hasExtra)
        problems->At(entry, "clean-up entry must have resource id 0, no extra and no source");
    std::string problem = PathProblem(entry.name, false);
    if (!problem.empty())
        problems->At(entry, "name \"" + entry.name + "\" " + problem);
}

// Checks what the description alone decides: counts, flags, ids, names.
void CheckTables(Problems *problems, std::vector<PackedEntry> *install,
                 std::vector<PackedEntry> *cleanUp)
{
    if (install->size() != static_cast<size_t>(kInstallCount))
        problems->Add("the install table has " + std::to_string(install->size()) +
                      " entries; it must have exactly " + std::to_string(kInstallCount));
    if (cleanUp->size() != static_cast<size_t>(kCleanUpCount))
        problems->Add("the clean-up table has " + std::to_string(cleanUp->size()) +
                      " entries; it must have exactly " + std::to_string(kCleanUpCount));

    for (std::vector<PackedEntry> *table : {install, cleanUp}) {
        for (PackedEntry &packed : *table) {
            const DescribedEntry &entry = packed.described;
            if (entry.name.empty())
                problems->At(entry, "empty name");
            else if (entry.name.size() > kMaxNameBytes)
                problems->At(entry, "name is longer than " + std::to_string(kMaxNameBytes) +
                                        " bytes");
            CheckText(problems, entry, "name", entry.name, &packed.ansiName);
            if (entry.hasExtra)
                CheckText(problems, entry, "extra", entry.extra, &packed.ansiExtra);
            if (table == install)
                CheckInstallEntry(problems, &packed);
            else
                CheckCleanUpEntry(problems, packed);
        }
    }

    // Resource ids: unique, and in table order each one the previous plus 1.
    std::map<uint32_t, int> seen;
    const DescribedEntry *previous = nullptr;
    for (const PackedEntry &packed : *install) {
        const DescribedEntry &entry = packed.described;
        if ((entry.flags & kPayloadBits) == 0 || entry.resourceId == 0)
            continue;
        auto known = seen.find(entry.resourceId);
        if (known != seen.end())
            problems->At(entry, "resource id " + std::to_string(entry.resourceId) +
                                    " is already used on line " + std::to_string(known->second));
        else
            seen[entry.resourceId] = entry.line;
        if (previous != nullptr && entry.resourceId != previous->resourceId + 1)
            problems->At(entry, "resource id " + std::to_string(entry.resourceId) + " follows " +
                                    std::to_string(previous->resourceId) +
                                    "; the ids must ascend in table order without gaps");
        previous = &entry;
    }
}

bool ReadFile(const fs::path &path, std::string *data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *data = buffer.str();
    return !in.bad();
}

// Inflates a complete zlib stream; false when it is damaged, incomplete or
// followed by other bytes.
bool Inflate(const std::string &stream, std::string *data)
{
    z_stream z = {};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(stream.data()));
    z.avail_in = static_cast<uInt>(stream.size());
    data->clear();
    int result;
    do {
        char chunk[65536];
        z.next_out = reinterpret_cast<Bytef *>(chunk);
        z.avail_out = sizeof chunk;
        result = inflate(&z, Z_NO_FLUSH);
        data->append(chunk, sizeof chunk - z.avail_out);
    } while (result == Z_OK);
    bool complete = result == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return complete;
}

// Reads the entry's payload file and checks its size.
void ReadEntry(Problems *problems, const Options &options, PackedEntry *packed)
{
    const DescribedEntry &entry = packed->described;
    fs::path root = entry.source == SourceKind::Program ? options.programs
                    : entry.source == SourceKind::Text  ? options.texts
                                                        : options.generated;
    fs::path file = root / HostPath(entry.name);
    packed->file = file.string();
    std::string &data = packed->data;
    if (!ReadFile(file, &data)) {
        problems->At(entry, "payload file " + file.string() + " cannot be read");
        return;
    }
    if (entry.source == SourceKind::Generated && data.size() != entry.generatedSize) {
        problems->At(entry, "payload file " + file.string() + " has " +
                                std::to_string(data.size()) + " bytes; the description says " +
                                std::to_string(entry.generatedSize));
        return;
    }
    if (data.size() > UINT32_MAX / 2) {
        problems->At(entry, "payload file " + file.string() + " is too large");
        return;
    }
    packed->unpackedSize = static_cast<uint32_t>(data.size());
}

// Whether `stream` is one complete zlib stream with the header 78 DA that
// inflates to `data`.
bool Holds(const std::string &stream, const std::string &data)
{
    std::string back;
    return stream.size() >= 6 && static_cast<unsigned char>(stream[0]) == 0x78 &&
           static_cast<unsigned char>(stream[1]) == 0xDA && Inflate(stream, &back) &&
           back == data;
}

// The shortest stream the encoder finds for `data`.
std::string Deflate(const std::string &data)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    ZopfliOptions settings;
    ZopfliInitOptions(&settings);
    settings.numiterations = kZopfliIterations;
    settings.blocksplittingmax = kZopfliMaxBlocks;
    unsigned char *searched = nullptr;
    size_t searchedLength = 0;
    ZopfliCompress(&settings, ZOPFLI_FORMAT_ZLIB, bytes, data.size(), &searched,
                   &searchedLength);
    std::string best(reinterpret_cast<char *>(searched), searchedLength);
    std::free(searched);

    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::string quick(length, '\0');
    if (compress2(reinterpret_cast<Bytef *>(&quick[0]), &length, bytes,
                  static_cast<uLong>(data.size()), Z_BEST_COMPRESSION) == Z_OK &&
        (length < best.size() || best.empty())) {
        quick.resize(length);
        best = std::move(quick);
    }
    return best;
}

// The streams of files packed before, under a name made of what they were
// packed from: the file's size and checksums and the encoder's settings.
class StreamCache {
public:
    explicit StreamCache(std::string folder) : folder_(std::move(folder)) {}

    bool Find(const std::string &data, std::string *stream) const
    {
        return !folder_.empty() && ReadFile(Path(data), stream) && Holds(*stream, data);
    }

    // Written under a name of its own first, so that a build packing at the
    // same time never reads half a stream.
    void Keep(const std::string &data, const std::string &stream) const
    {
        if (folder_.empty())
            return;
        std::error_code error;
        fs::create_directories(folder_, error);
        fs::path path = Path(data);
        fs::path part = path;
        part += ".part" + std::to_string(static_cast<unsigned long>(getpid()));
        {
            std::ofstream out(part, std::ios::binary | std::ios::trunc);
            out.write(stream.data(), static_cast<std::streamsize>(stream.size()));
            if (!out.flush()) {
                std::fprintf(stderr, "vpack: warning: cannot write %s\n", part.string().c_str());
                out.close();
                fs::remove(part, error);
                return;
            }
        }
        fs::rename(part, path, error);
        if (error) {
            std::fprintf(stderr, "vpack: warning: cannot write %s\n", path.string().c_str());
            fs::remove(part, error);
        }
    }

private:
    fs::path Path(const std::string &data) const
    {
        const auto *bytes = reinterpret_cast<const Bytef *>(data.data());
        auto length = static_cast<uInt>(data.size());
        char name[96];
        std::snprintf(name, sizeof name, "%zu-%08lX-%08lX.r%di%db%d.z", data.size(),
                      crc32(crc32(0L, Z_NULL, 0), bytes, length),
                      adler32(adler32(0L, Z_NULL, 0), bytes, length), kPackerRevision,
                      kZopfliIterations, kZopfliMaxBlocks);
        return fs::path(folder_) / name;
    }

    std::string folder_;
};

struct PackCount {
    size_t packed = 0, cached = 0;
    double seconds = 0;
};

// Gives every entry with a payload its stream: from the cache where it
// holds one, the others packed on `jobs` threads, largest first.
PackCount PackEntries(Problems *problems, const StreamCache &cache, unsigned jobs,
                      std::vector<PackedEntry> *install)
{
    PackCount count;
    std::vector<PackedEntry *> missing;
    for (PackedEntry &packed : *install) {
        if (packed.file.empty())
            continue;
        if (cache.Find(packed.data, &packed.stream))
            count.cached++;
        else
            missing.push_back(&packed);
    }
    std::stable_sort(missing.begin(), missing.end(), [](const PackedEntry *a, const PackedEntry *b) {
        return a->data.size() > b->data.size();
    });

    auto started = std::chrono::steady_clock::now();
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < missing.size(); i = next++)
            missing[i]->stream = Deflate(missing[i]->data);
    };
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < std::min<size_t>(jobs, missing.size()); i++)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
    count.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    for (PackedEntry *packed : missing) {
        if (!Holds(packed->stream, packed->data)) {
            problems->At(packed->described,
                         "packing " + packed->file +
                             " did not give one complete zlib stream with header 78 DA that "
                             "inflates to the file");
            continue;
        }
        cache.Keep(packed->data, packed->stream);
        count.packed++;
    }
    for (PackedEntry &packed : *install)
        std::string().swap(packed.data);
    return count;
}

// A C++ string literal of cp1252 text; a byte outside printable ASCII is a
// "\xHH" escape, and the literal is split after it so that a following
// hex digit is not read as part of the escape.
std::string Literal(const std::string &ansi)
{
    std::string out = "\"";
    for (size_t i = 0; i < ansi.size(); i++) {
        unsigned char c = static_cast<unsigned char>(ansi[i]);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
            if (i + 1 < ansi.size())
                out += "\" \"";
        }
    }
    return out + "\"";
}

std::string TableSource(const char *declaration, const std::vector<PackedEntry> &table)
{
    std::string out = std::string(declaration) + " = {\n";
    for (const PackedEntry &packed : table) {
        const DescribedEntry &entry = packed.described;
        char numbers[96];
        std::snprintf(numbers, sizeof numbers, "%u, %zuu, %uu, 0x%04Xu", entry.resourceId,
                      packed.stream.size(), packed.unpackedSize, entry.flags);
        out += "    {" + Literal(packed.ansiName) + ", " + numbers + ", " +
               (entry.hasExtra ? Literal(packed.ansiExtra) : std::string("nullptr")) + "},\n";
    }
    return out + "};\n";
}

// Writes `data` unless the file holds it already, so that an unchanged
// output keeps its time stamp and rebuilds nothing.
bool WriteIfChanged(const fs::path &path, const std::string &data)
{
    std::string old;
    if (ReadFile(path, &old) && old == data)
        return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    return static_cast<bool>(out);
}

bool WriteOutputs(const Options &options, const std::vector<PackedEntry> &install,
                  const std::vector<PackedEntry> &cleanUp)
{
    fs::path out = options.out;
    std::error_code error;
    fs::create_directories(out, error);
    bool ok = !error;

    // The digest in qfile.rc changes whenever any stream does, so that the
    // resource compiler runs again although it does not track the .z files.
    uLong digest = crc32(0L, Z_NULL, 0);
    std::string rc =
        "// The payload of the setup: one zlib stream per payload file, as \"QFILE\"\n"
        "// resources under language 1043 (LANG_DUTCH, SUBLANG_DUTCH).\n"
        "// Generated by vpack from the payload description; do not edit.\n";
    std::string list;
    for (const PackedEntry &packed : install) {
        if (packed.stream.empty())
            continue;
        std::string name = std::to_string(packed.described.resourceId) + ".z";
        ok = WriteIfChanged(out / name, packed.stream) && ok;
        digest = crc32(digest, reinterpret_cast<const Bytef *>(packed.stream.data()),
                       static_cast<uInt>(packed.stream.size()));
        list += std::to_string(packed.described.resourceId) + " QFILE \"" + name + "\"\n";
    }
    char digestLine[64];
    std::snprintf(digestLine, sizeof digestLine, "// Streams digest: %08lX\n\n", digest);
    rc += digestLine;
    rc += "LANGUAGE 0x13, 0x01\n" + list;
    ok = WriteIfChanged(out / "qfile.rc", rc) && ok;

    std::string tables =
        "// The install and clean-up tables of the payload manifest, with the sizes\n"
        "// of the packed payload. Generated by vpack from the payload description;\n"
        "// do not edit.\n\n" +
        TableSource("const ManifestEntry kInstallTable[kInstallCount]", install) + "\n" +
        TableSource("const ManifestEntry kCleanUpTable[kCleanUpCount]", cleanUp);
    ok = WriteIfChanged(out / "manifest_table.inc", tables) && ok;

    // Streams of entries that are gone would only confuse whoever looks.
    for (const fs::directory_entry &file : fs::directory_iterator(out, error)) {
        std::string name = file.path().filename().string();
        if (name.size() > 2 && name.compare(name.size() - 2, 2, ".z") == 0 &&
            rc.find("\"" + name + "\"") == std::string::npos)
            fs::remove(file.path(), error);
    }
    return ok;
}

bool ParseOptions(int argc, char **argv, Options *options)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        std::string value = argv[i + 1];
        if (key == "--manifest")
            options->manifest = value;
        else if (key == "--programs")
            options->programs = value;
        else if (key == "--texts")
            options->texts = value;
        else if (key == "--generated")
            options->generated = value;
        else if (key == "--out")
            options->out = value;
        else if (key == "--cache")
            options->cache = value;
        else if (key == "--jobs") {
            char *end = nullptr;
            unsigned long jobs = std::strtoul(value.c_str(), &end, 10);
            if (*end != '\0' || jobs == 0 || jobs > 64)
                return false;
            options->jobs = static_cast<unsigned>(jobs);
        } else
            return false;
    }
    return argc % 2 == 1 && !options->manifest.empty() && !options->programs.empty() &&
           !options->texts.empty() && !options->generated.empty() && !options->out.empty();
}

}  // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: vpack --manifest FILE --programs DIR --texts DIR "
                             "--generated DIR --out DIR [--cache DIR] [--jobs N]\n");
        return 2;
    }

    Problems problems(options.manifest);
    std::vector<DescribedEntry> entries;
    std::vector<std::string> syntax;
    ReadDescription(options.manifest, &entries, &syntax);
    problems.Append(syntax);

    std::vector<PackedEntry> install, cleanUp;
    for (const DescribedEntry &entry : entries) {
        PackedEntry packed;
        packed.described = entry;
        (entry.table == Table::Install ? install : cleanUp).push_back(packed);
    }
    if (!problems.Any())
        CheckTables(&problems, &install, &cleanUp);
    if (!problems.Any()) {
        for (PackedEntry &packed : install) {
            if ((packed.described.flags & kPayloadBits) != 0)
                ReadEntry(&problems, options, &packed);
        }
    }
    PackCount count;
    if (!problems.Any()) {
        unsigned jobs = options.jobs != 0 ? options.jobs : std::thread::hardware_concurrency();
        count = PackEntries(&problems, StreamCache(options.cache), std::max(jobs, 1u), &install);
    }
    if (problems.Any()) {
        problems.Print();
        std::fprintf(stderr, "vpack: the payload manifest is broken; nothing was written\n");
        return 1;
    }
    if (!WriteOutputs(options, install, cleanUp)) {
        std::fprintf(stderr, "vpack: cannot write the packed payload into %s\n",
                     options.out.c_str());
        return 1;
    }

    size_t files = 0, packedBytes = 0, unpackedBytes = 0;
    for (const PackedEntry &packed : install) {
        if (!packed.stream.empty()) {
            files++;
            packedBytes += packed.stream.size();
            unpackedBytes += packed.unpackedSize;
        }
    }
    std::printf("vpack: %zu payload files, %zu bytes packed into %zu; %zu packed in %.1f s, "
                "%zu from the cache\n",
                files, unpackedBytes, packedBytes, count.packed, count.seconds, count.cached);
    return 0;
}
