// The language object: the chosen language table, parsed into texts by id,
// with the placeholders replaced; text references ("$0130") resolve to them.
#pragma once

#include <cstddef>

#ifdef _WIN32
// The window handle as <windows.h> declares it, so that this header (and the
// portable half of the module) can stay free of <windows.h>.
struct HWND__;
typedef struct HWND__ *HWND;
#endif

class Vlocale {
public:
    // Chooses the table from the user's locale and loads it from the
    // executable's "SETUPLOCALE" resources (LoadLanguage). The two texts are
    // the values of "%3" and "%4"; they are read during construction only.
    // Windows builds only.
    Vlocale(const char *oldVersion, const char *oldFolder);

    // Builds the object from the given table text instead of a resource
    // (size bytes, or up to a NUL byte), with the same parsing and placeholder
    // replacement; languageName stays empty.
    Vlocale(const char *table, size_t size, const char *oldVersion, const char *oldFolder);

    ~Vlocale();

    Vlocale(const Vlocale &) = delete;
    Vlocale &operator=(const Vlocale &) = delete;

    // A text reference ("$" and a digit) gives the text of that id, or "?" when
    // there is none; any other string comes back as the same pointer. The
    // returned text belongs to this object.
    const char *Resolve(const char *text) const;

#ifdef _WIN32
    // Replaces the references in the window's own text and in the texts of
    // all windows below it. Windows builds only.
    void ApplyToWindow(HWND window);
#endif

    // Number of slots in the table: a multiple of 1024.
    int Capacity() const { return capacity; }

    // True when a native language name picks the Dutch table: "Nederlands"
    // in any letter case. Null (the locale query failed) counts as not Dutch.
    static bool IsDutchName(const char *nativeName);

private:
#ifdef _WIN32
    void LoadLanguage();
    // The EnumChildWindows callback; parameter is the Vlocale. Always TRUE.
    // The types are BOOL CALLBACK (HWND, LPARAM), spelled without <windows.h>.
#ifdef _WIN64
    static int __stdcall TranslateWindowText(HWND window, long long parameter);
#else
    static int __stdcall TranslateWindowText(HWND window, long parameter);
#endif
#endif
    void ParseTable(const char *data, size_t size);
    void ParseLine(char *line);
    char *SetEntry(int id, const char *text);
    void AppendEntry(int id, const char *continuation);
    void Clear();
    void ExpandPlaceholders();

    char **entries = nullptr;     // slot N: the owned text of id N, or null
    int capacity = 0;             // slots in entries, a multiple of 1024
    int currentId = -1;           // last numbered line while parsing
    const char *oldVersion;       // "%3"; not owned, read during construction
    const char *oldFolder;        // "%4"; not owned, read during construction

public:
    // "Nederlands" when the Dutch table was chosen, empty for English.
    char languageName[260];

private:
    // The module's one scratch buffer: the reported language name, each table
    // line, each text being expanded, each window text being translated.
    // Its size bounds a table line and an expanded text to 1023 characters.
    static char scratch[1024];
};
