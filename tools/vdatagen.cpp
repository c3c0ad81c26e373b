// vdatagen: makes the game's data files that the payload description marks
// "gen:N" (help, language files, images, themes, sounds, game rules,
// tutorial texts): each file exactly N bytes, its content a function of its
// name alone, so that every build packs the same bytes. The files are well
// formed for their kind (BMP, PNG, WAVE, INI-like texts) so that they look
// like what they stand for when opened.
//
//   vdatagen --manifest FILE --out DIR
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/description.h"

namespace fs = std::filesystem;

namespace {

// A small deterministic generator (xorshift64*), seeded from the name; no
// library randomness, whose sequences differ between implementations.
class Noise {
public:
    explicit Noise(const std::string &seedText)
    {
        uint64_t hash = 1469598103934665603ull;  // FNV-1a
        for (unsigned char c : seedText)
            hash = (hash ^ c) * 1099511628211ull;
        state_ = hash | 1;
    }
    uint32_t Next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<uint32_t>((state_ * 2685821657736338717ull) >> 32);
    }
    uint32_t Below(uint32_t limit) { return Next() % limit; }

private:
    uint64_t state_;
};

void Put16(std::string *out, uint32_t value)
{
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string *out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Put32Big(std::string *out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::string Extension(const std::string &name)
{
    size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char &c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext;
}

// The file name without folders and extension ("Themes\Garden.vth" -> "Garden").
std::string BaseName(const std::string &name)
{
    size_t slash = name.rfind('\\');
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    size_t dot = base.rfind('.');
    return dot == std::string::npos ? base : base.substr(0, dot);
}

std::string RawBytes(const std::string &name, size_t size)
{
    Noise noise(name);
    std::string out(size, '\0');
    for (char &c : out)
        c = static_cast<char>(noise.Next() & 0xFF);
    return out;
}

// A pixel of a patterned picture: stripes, rings and some grain, in one of
// `shades` palette places.
uint8_t PatternPixel(Noise &noise, uint32_t x, uint32_t y, uint32_t style, uint32_t shades)
{
    uint32_t value;
    switch (style % 4) {
    case 0:  // diagonal stripes
        value = ((x + y) / 6) % shades;
        break;
    case 1: {  // rings around the middle
        int dx = static_cast<int>(x % 97) - 48, dy = static_cast<int>(y % 89) - 44;
        value = static_cast<uint32_t>(dx * dx + dy * dy) / 40 % shades;
        break;
    }
    case 2: {  // lattice of diamonds, as on card backs
        uint32_t u = x % 16 > 8 ? 16 - x % 16 : x % 16;
        uint32_t v = y % 16 > 8 ? 16 - y % 16 : y % 16;
        value = (u + v) * shades / 17;
        break;
    }
    default:  // felt: mostly one shade with grain
        value = shades / 2;
        break;
    }
    if (noise.Below(5) == 0)
        value = (value + noise.Below(3)) % shades;
    return static_cast<uint8_t>(value);
}

// An 8-bit palettised BMP of exactly `size` bytes; what the picture does not
// fill is zero padding behind the pixels, which readers ignore.
std::string Bitmap(const std::string &name, size_t size)
{
    const size_t header = 14 + 40 + 256 * 4;
    if (size < header + 64)
        return RawBytes(name, size);
    Noise noise(name);
    static const uint32_t kWidths[] = {64, 72, 96, 128, 160, 200, 256, 320};
    uint32_t width = kWidths[noise.Below(8)];
    uint32_t height = static_cast<uint32_t>((size - header) / width);
    if (height == 0) {
        width = 4;
        height = static_cast<uint32_t>((size - header) / width);
    }
    uint32_t style = noise.Below(4);
    uint32_t hue = noise.Below(6);

    std::string out;
    out += "BM";
    Put32(&out, static_cast<uint32_t>(size));
    Put32(&out, 0);
    Put32(&out, static_cast<uint32_t>(header));
    Put32(&out, 40);
    Put32(&out, width);
    Put32(&out, height);
    Put16(&out, 1);
    Put16(&out, 8);
    Put32(&out, 0);  // BI_RGB
    Put32(&out, width * height);
    Put32(&out, 2835);  // 72 dpi
    Put32(&out, 2835);
    Put32(&out, 256);
    Put32(&out, 0);
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t level = i;
        uint32_t blue = hue & 1 ? level : level / 3;
        uint32_t green = hue & 2 ? level : level / 2;
        uint32_t red = hue & 4 || hue == 0 ? level : level / 4;
        out.push_back(static_cast<char>(blue));
        out.push_back(static_cast<char>(green));
        out.push_back(static_cast<char>(red));
        out.push_back('\0');
    }
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++)
            out.push_back(static_cast<char>(PatternPixel(noise, x, y, style, 32) * 8 + 7));
    }
    out.resize(size, '\0');
    return out;
}

void PngChunk(std::string *out, const char *type, const std::string &data)
{
    Put32Big(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out->append(body);
    Put32Big(out, crc32(0, reinterpret_cast<const Bytef *>(body.data()),
                        static_cast<uInt>(body.size())));
}

std::string Deflate(const std::string &data)
{
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::string out(length, '\0');
    compress2(reinterpret_cast<Bytef *>(&out[0]), &length,
              reinterpret_cast<const Bytef *>(data.data()), static_cast<uLong>(data.size()),
              Z_BEST_SPEED);
    out.resize(length);
    return out;
}

// The unfiltered scan lines of an RGB picture `height` rows high.
std::string PngRows(const std::string &name, uint32_t width, uint32_t height)
{
    Noise noise(name);
    uint32_t style = noise.Below(4);
    std::string rows;
    rows.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (uint32_t y = 0; y < height; y++) {
        rows.push_back('\0');  // filter: none
        for (uint32_t x = 0; x < width; x++) {
            uint8_t shade = PatternPixel(noise, x, y, style, 16);
            uint8_t grain = static_cast<uint8_t>(noise.Below(6));
            // A card face: white with red or black figures.
            bool figure = shade > 11;
            bool red = (x / 40 + y / 60) % 2 == 0;
            rows.push_back(static_cast<char>((figure ? (red ? 200 : 30) : 250 - shade) - grain));
            rows.push_back(static_cast<char>((figure ? 30 : 250 - shade) - grain));
            rows.push_back(static_cast<char>((figure ? 40 : 245 - shade) - grain));
        }
    }
    return rows;
}

// A PNG of exactly `size` bytes: the tallest picture whose data fits, and a
// private ancillary chunk "vlMo" that takes up the rest.
std::string Png(const std::string &name, size_t size)
{
    const size_t overhead = 8 + 25 + 12 + 12 + 12;  // signature, IHDR, IDAT, vlMo, IEND
    const uint32_t width = 240;
    auto fits = [&](uint32_t height) {
        return Deflate(PngRows(name, width, height)).size() + overhead <= size;
    };
    if (size < overhead + 64 || !fits(1))
        return RawBytes(name, size);
    // Guess the height from a sample, then narrow it down by halving.
    size_t sample = Deflate(PngRows(name, width, 32)).size();
    uint32_t guess = static_cast<uint32_t>(32 * (size - overhead) / (sample + 1)) + 1;
    uint32_t low = fits(guess - guess / 8) ? guess - guess / 8 : 1;
    uint32_t high = guess + guess / 8 + 1;
    while (fits(high) && high < (1u << 20))
        high *= 2;
    while (high - low > 1) {
        uint32_t middle = low + (high - low) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle;
    }
    std::string pixels = Deflate(PngRows(name, width, low));

    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    Put32Big(&header, width);
    Put32Big(&header, low);
    // 8 bits per sample, RGB, deflate, no filter method, no interlace.
    header += std::string("\x08\x02\x00\x00\x00", 5);
    PngChunk(&out, "IHDR", header);
    PngChunk(&out, "IDAT", pixels);
    PngChunk(&out, "vlMo", std::string(size - overhead - pixels.size(), '\0'));
    PngChunk(&out, "IEND", "");
    return out;
}

// A WAVE file of exactly `size` bytes: 8-bit mono PCM at 11025 Hz, tones
// with a falling envelope; "Shuffle" and "Deal" are mostly noise.
std::string Wave(const std::string &name, size_t size)
{
    if (size < 46)
        return RawBytes(name, size);
    Noise noise(name);
    std::string base = BaseName(name);
    bool rustle = base == "Shuffle" || base == "Deal";
    uint32_t samples = static_cast<uint32_t>(size - 44);
    bool padded = samples % 2 == 1;  // RIFF chunks have even lengths
    if (padded)
        samples--;

    std::string out = "RIFF";
    Put32(&out, static_cast<uint32_t>(size - 8));
    out += "WAVEfmt ";
    Put32(&out, 16);
    Put16(&out, 1);      // PCM
    Put16(&out, 1);      // mono
    Put32(&out, 11025);  // samples per second
    Put32(&out, 11025);  // bytes per second
    Put16(&out, 1);      // block align
    Put16(&out, 8);      // bits per sample
    out += "data";
    Put32(&out, samples);

    uint32_t period = 12 + noise.Below(40);  // samples per cycle
    uint32_t note = 2205 + noise.Below(4410);
    for (uint32_t i = 0; i < samples; i++) {
        uint32_t inNote = i % note;
        if (inNote == 0)
            period = 12 + noise.Below(40);
        int envelope = 100 - static_cast<int>(inNote * 100 / note);
        uint32_t phase = i % period;
        int triangle = static_cast<int>(phase < period / 2 ? phase : period - phase) * 4 * 127 /
                           static_cast<int>(period) - 127;
        int value = rustle ? static_cast<int>(noise.Below(200)) - 100 : triangle;
        int sample = 128 + value * envelope / 100 / (rustle ? 2 : 1);
        out.push_back(static_cast<char>(sample < 0 ? 0 : sample > 255 ? 255 : sample));
    }
    if (padded)
        out.push_back('\x80');
    return out;
}

// Words of the texts, one list per language of the language files
// (cp1252 bytes for the accented letters).
const char *const kEnglish[] = {"card", "deck", "pile", "foundation", "tableau", "move",
                                "score", "game", "hint", "undo", "deal", "king", "queen",
                                "ace", "suit", "red", "black", "play", "stack", "turn"};
const char *const kDutch[] = {"kaart", "stapel", "spel", "zet", "score", "hint",
                              "ongedaan", "delen", "koning", "koningin", "aas", "kleur",
                              "rood", "zwart", "spelen", "beurt", "vrij", "hoek", "open", "dicht"};
const char *const kGerman[] = {"Karte", "Stapel", "Spiel", "Zug", "Punkte", "Tipp",
                               ("R\xFC" "ckg\xE4ngig"), "geben", "K\xF6nig", "Dame", "Ass",
                               "Farbe", "rot", "schwarz", "spielen", "Runde", "frei",
                               "Ablage", "offen", "gro\xDF"};
const char *const kFrench[] = {"carte", "pile", "jeu", "coup", "score", "indice",
                               "annuler", "distribuer", "roi", "reine", "as", "couleur",
                               "rouge", "noir", "jouer", "tour", "d\xE9" "fausse",
                               "fondation", "\xE9" "tal\xE9", "r\xE9ussite"};

struct Words {
    const char *const *list;
    uint32_t count;
};

Words WordsFor(const std::string &base)
{
    if (base == "Nederlands" || base == "VelmoNL")
        return {kDutch, 20};
    if (base == "Deutsch")
        return {kGerman, 20};
    if (base.compare(0, 4, "Fran") == 0)
        return {kFrench, 20};
    return {kEnglish, 20};
}

std::string Sentence(Noise &noise, const Words &words)
{
    uint32_t length = 4 + noise.Below(9);
    std::string text;
    for (uint32_t i = 0; i < length; i++) {
        if (i > 0)
            text += ' ';
        text += words.list[noise.Below(words.count)];
    }
    if (text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 32);
    return text + ".";
}

// A text file of exactly `size` bytes with CR LF line ends: a head that
// says what the file is, then numbered lines in its style, cut at `size`.
std::string Text(const std::string &name, size_t size)
{
    Noise noise(name);
    std::string ext = Extension(name);
    std::string base;
    if (!Utf8ToCp1252(BaseName(name), &base))
        base = "Velmo";
    Words words = WordsFor(base);
    std::string out;
    if (ext == "qlf") {
        out = "; Velmo language file\r\n[Language]\r\nName=" + base +
              "\r\nCodePage=1252\r\n\r\n[Texts]\r\n";
    } else if (ext == "vth") {
        out = "[Theme]\r\nName=" + base + "\r\nBackground=" + base + "\\Background.bmp\r\n"
              "Cards=Cardsets\\Cards.png\r\n\r\n[Colours]\r\n";
    } else if (ext == "vgm") {
        // Drawn one by one: within one expression the compiler chooses the
        // order of the draws, and the data would depend on the compiler.
        // The foundations come first, as in the data of earlier builds.
        uint32_t foundations = 4 * (1 + noise.Below(2));
        uint32_t decks = 1 + noise.Below(2);
        out = "[Game]\r\nName=" + base + "\r\nDecks=" + std::to_string(decks) +
              "\r\nFoundations=" + std::to_string(foundations) + "\r\n\r\n[Rules]\r\n";
    } else if (ext == "cnt") {
        out = ":Base Velmo.hlp\r\n:Title Velmo Help\r\n";
    } else if (ext == "hlp") {
        out = "Velmo Help\r\n==========\r\n\r\n";
    } else {
        out = "Velmo tutorial: " + base + "\r\n\r\n";
    }
    for (uint32_t line = 1; out.size() < size; line++) {
        char number[16];
        std::snprintf(number, sizeof number, "%04u", line);
        if (ext == "qlf")
            out += std::string("T") + number + "=" + Sentence(noise, words) + "\r\n";
        else if (ext == "vth")
            out += std::string("Colour") + number + "=" + std::to_string(noise.Next() & 0xFFFFFF) +
                   "\r\n";
        else if (ext == "vgm")
            out += std::string("Rule") + number + "=" + Sentence(noise, words) + "\r\n";
        else if (ext == "cnt")
            out += std::to_string(1 + line % 3) + " " + Sentence(noise, words) + "=topic" + number +
                   "\r\n";
        else if (ext == "hlp")
            out += (line % 8 == 1 ? std::string("\r\nTopic ") + number + "\r\n" : std::string()) +
                   Sentence(noise, words) + "\r\n";
        else
            out += Sentence(noise, words) + (line % 5 == 0 ? "\r\n\r\n" : " ");
    }
    out.resize(size);
    return out;
}

std::string Generate(const std::string &name, size_t size)
{
    if (size == 0)
        return "";
    std::string ext = Extension(name);
    if (ext == "bmp")
        return Bitmap(name, size);
    if (ext == "png")
        return Png(name, size);
    if (ext == "wav")
        return Wave(name, size);
    if (ext == "qlf" || ext == "vth" || ext == "vgm" || ext == "txt" || ext == "cnt" ||
        ext == "hlp")
        return Text(name, size);
    return RawBytes(name, size);
}

bool WriteIfChanged(const fs::path &path, const std::string &data)
{
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::ostringstream old;
            old << in.rdbuf();
            if (old.str() == data)
                return true;
        }
    }
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char **argv)
{
    std::string manifest, outDir;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--manifest") == 0)
            manifest = argv[i + 1];
        else if (std::strcmp(argv[i], "--out") == 0)
            outDir = argv[i + 1];
    }
    if (manifest.empty() || outDir.empty() || argc != 5) {
        std::fprintf(stderr, "usage: vdatagen --manifest FILE --out DIR\n");
        return 2;
    }

    std::vector<DescribedEntry> entries;
    std::vector<std::string> errors;
    if (!ReadDescription(manifest, &entries, &errors)) {
        for (const std::string &error : errors)
            std::fprintf(stderr, "vdatagen: %s\n", error.c_str());
        return 1;
    }
    size_t files = 0, bytes = 0;
    for (const DescribedEntry &entry : entries) {
        if (entry.source != SourceKind::Generated)
            continue;
        std::string data = Generate(entry.name, entry.generatedSize);
        fs::path path = fs::path(outDir) / HostPath(entry.name);
        if (data.size() != entry.generatedSize || !WriteIfChanged(path, data)) {
            std::fprintf(stderr, "vdatagen: cannot write %s\n", path.string().c_str());
            return 1;
        }
        files++;
        bytes += data.size();
    }
    std::printf("vdatagen: %zu data files, %zu bytes\n", files, bytes);
    return 0;
}
