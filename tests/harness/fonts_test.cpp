// The test machine's fonts: what Wine needs to draw windows as Windows does.
// Without Marlett the caption buttons show letters instead of symbols, and
// without Tahoma and an Arial the dialogs get other sizes than on Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

int CALLBACK CountFace(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM count)
{
    ++*reinterpret_cast<int *>(count);
    return 1;
}

bool FaceInstalled(const char *face)
{
    LOGFONTA wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
    int count = 0;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, CountFace, reinterpret_cast<LPARAM>(&count), 0);
    ReleaseDC(nullptr, screen);
    return count > 0;
}

// The face the font mapper picks for a request of `face`.
std::string FaceChosenFor(const char *face)
{
    HFONT font = CreateFontA(24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                             0, face);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    char chosen[LF_FACESIZE] = "";
    GetTextFaceA(screen, sizeof chosen, chosen);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return chosen;
}

}  // namespace

TEST(TestMachine, has_the_fonts_that_windows_are_drawn_with)
{
    EXPECT_TRUE(FaceInstalled("Marlett")) << "caption buttons would show letters";
    EXPECT_TRUE(FaceInstalled("Tahoma")) << "dialogs would use another font";
    EXPECT_TRUE(FaceInstalled("MS Sans Serif"));
}

TEST(TestMachine, maps_arial_to_a_face_with_its_metrics)
{
    std::string chosen = FaceChosenFor("Arial");
    EXPECT_TRUE(chosen == "Arial" || chosen == "Liberation Sans") << "Arial is drawn as " << chosen;
}
