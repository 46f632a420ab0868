// Command-line classification, program paths, the error convention and the
// screen-mode rule.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "Quorlin.h"
#include "vlm_mainwin.h"
#include "support_ini.h"
#include "vlm_global.h"
#include "vlm_util.h"

namespace {

std::wstring Wide(const char* text)
{
    WCHAR wide[1024] = L"";
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 1024);
    return wide;
}

class CommandLineTest : public ::testing::Test {
protected:
    static std::string Folder;

    static void SetUpTestSuite()
    {
        Folder = MakeTestFolder("cmdline");
        CreateDirectoryA((Folder + "\\with space").c_str(), NULL);
        CreateDirectoryA((Folder + "\\動画表").c_str(), NULL);
        WriteFileBytes(Folder + "\\with space\\clip one.avi", "x");
        ASSERT_TRUE(FileExists(Folder + "\\with space\\clip one.avi"));
        WriteFileBytes(Folder + "\\plain.avi", "x");
        ASSERT_TRUE(FileExists(Folder + "\\plain.avi"));
        WriteFileBytes(Folder + "\\動画表\\表示.avi", "x");
        ASSERT_TRUE(FileExists(Folder + "\\動画表\\表示.avi"));
    }
    static void TearDownTestSuite() { RemoveTree(Folder); }

    void SetUp() override
    {
        ZeroMemory(&Settings, sizeof(Settings));
        // Left-overs of a previous case must not survive a new parse.
        strcpy(Settings.CommandLineFolder, "stale");
        strcpy(Settings.CommandLineFile, "stale");
    }
};
std::string CommandLineTest::Folder;

struct ModeCase {
    const char* args;
    int mode;
    long long window;
};

TEST_F(CommandLineTest, SwitchesGiveTheirModes)
{
    const ModeCase cases[] = {
        {"", StartConfigure, 0},
        {"    ", StartConfigure, 0},
        {"/c", StartConfigureExplicit, 0},
        {"/C", StartConfigureExplicit, 0},
        {"/c 1234", StartConfigureExplicit, 0},
        {"/c:1234", StartConfigure, 0},
        {"  /c", StartConfigureExplicit, 0},
        {"/p 1234", StartPreview, 1234},
        {"/P    5678", StartPreview, 5678},
        {"/p", StartConfigure, 0},
        {"/p1234", StartConfigure, 0},
        {"/p    ", StartConfigure, 0},
        {"/a 99", StartPassword, 0},
        {"/A 99", StartPassword, 0},
        {"/a", StartConfigure, 0},
        {"/s", StartRun, 0},
        {"/S", StartRun, 0},
        {"/s     ", StartRun, 0},
        {"/sx", StartConfigure, 0},
        {"/x", StartConfigure, 0},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.args);
        HWND window = (HWND)1;
        EXPECT_EQ(ParseCommandLine(c.args, NULL, &window), c.mode);
        EXPECT_EQ((long long)(INT_PTR)window, c.window);
        EXPECT_STREQ(Settings.CommandLineFolder, "");
        EXPECT_STREQ(Settings.CommandLineFile, "");
    }
}

struct PathCase {
    std::string args;
    int mode;
    std::string folder;
    std::string file;
};

TEST_F(CommandLineTest, PathsNameTheFolderAndTheFile)
{
    const std::string spaced = Folder + "\\with space";
    const std::string japanese = Folder + "\\動画表";
    const PathCase cases[] = {
        {"/s " + Folder, StartRun, Folder, ""},
        {Folder, StartRun, Folder, ""},
        {"/s   " + Folder + " trailing words", StartRun, Folder, ""},
        {"/s \"" + spaced + "\\clip one.avi\"", StartRun, spaced, "clip one.avi"},
        {"\"" + spaced + "\\clip one.avi\"", StartRun, spaced, "clip one.avi"},
        {"\"" + spaced + "\"", StartRun, spaced, ""},
        // No closing quote.
        {"\"" + spaced + "\\clip one.avi", StartConfigure, "", ""},
        // Unquoted, the path ends at the first space and does not exist.
        {spaced + "\\clip one.avi", StartConfigure, "", ""},
        {"/s " + Folder + "\\missing", StartConfigure, "", ""},
        {Folder + "\\plain.avi extra", StartRun, Folder, "plain.avi"},
        // 0x5C trail bytes (表) are not folder separators.
        {japanese + "\\表示.avi", StartRun, japanese, "表示.avi"},
        {"/s " + japanese, StartRun, japanese, ""},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(ParseCommandLine(c.args.c_str(), NULL, NULL), c.mode);
        EXPECT_EQ(std::string(Settings.CommandLineFolder), c.folder);
        EXPECT_EQ(std::string(Settings.CommandLineFile), c.file);
    }
}

TEST_F(CommandLineTest, FolderTakesTheFormOfAChosenFolder)
{
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(Folder.c_str()));
    const std::string japanese = Folder + "\\動画表";
    const PathCase cases[] = {
        {"/s " + Folder + "\\", StartRun, Folder, ""},
        {"/s " + Folder + "\\\\\\", StartRun, Folder, ""},
        {"/s \"" + japanese + "\\\"", StartRun, japanese, ""},
        {"/s .", StartRun, Folder, ""},
        {"/s 動画表", StartRun, japanese, ""},
        {"動画表\\", StartRun, japanese, ""},
        {"/s \"動画表\\..\\with space\\..\"", StartRun, Folder, ""},
        {"/s 動画表\\表示.avi", StartRun, japanese, "表示.avi"},
        {"plain.avi", StartRun, Folder, "plain.avi"},
        {"/s Z:\\", StartRun, "Z:\\", ""},
        {"/s \\\\?\\" + Folder, StartRun, Folder, ""},
        {"\"\\\\?\\" + japanese + "\\表示.avi\"", StartRun, japanese, "表示.avi"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(ParseCommandLine(c.args.c_str(), NULL, NULL), c.mode);
        EXPECT_EQ(std::string(Settings.CommandLineFolder), c.folder);
        EXPECT_EQ(std::string(Settings.CommandLineFile), c.file);
    }
    SetCurrentDirectoryA(saved);
}

TEST(DropLongPathPrefix, GivesThePlainForm)
{
    const wchar_t* cases[][2] = {
        {L"\\\\?\\Z:\\a b", L"Z:\\a b"},
        {L"\\\\?\\UNC\\server\\share\\x", L"\\\\server\\share\\x"},
        {L"\\\\?\\unc\\server\\share", L"\\\\server\\share"},
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"Z:\\\\?\\x", L"Z:\\\\?\\x"},
    };
    for (auto& c : cases) {
        wchar_t path[MAX_PATH];
        wcscpy(path, c[0]);
        DropLongPathPrefix(path);
        EXPECT_STREQ(path, c[1]);
    }
}

struct SkipCase {
    const char* commandLine;
    const char* args;
};

TEST(SkipProgramName, LeavesTheArgumentText)
{
    const SkipCase cases[] = {
        {"Quorlin.exe", ""},
        {"Quorlin.exe /s", "/s"},
        {"Quorlin.exe    /p 1234", "/p 1234"},
        {"Quorlin.exe\t/s", "/s"},
        {"Quorlin.exe \t /c", "/c"},
        {"Quorlin.exe /s   Z:\\a b  ", "/s   Z:\\a b  "},
        {"\"Z:\\a b\\Quorlin.exe\" /s", "/s"},
        {"\"Z:\\a b\\Quorlin.exe\"/s", "/s"},
        {"\"Z:\\a b\\Quorlin.exe\"", ""},
        {"\"Z:\\no closing quote /s", ""},
        // Unquoted Japanese folders: bytes of 0x80 and above are no white
        // space, trail bytes 0x5C (ソ, 表) no separators.
        {"Z:\\ビデオ\\Quorlin.exe /s Z:\\x", "/s Z:\\x"},
        {"Z:\\ソフト表\\Velmora.scr /s", "/s"},
        {"Z:\\ｱﾆﾒ\\Quorlin.exe\t/c", "/c"},
        {"\"Z:\\ビデオ 表\\Quorlin.exe\" \"Z:\\表 x\"", "\"Z:\\表 x\""},
        {"Z:\\a\x83", ""},   // a lead byte without its trail at the very end
        {"", ""},
    };
    for (const SkipCase& c : cases) {
        SCOPED_TRACE(c.commandLine);
        EXPECT_STREQ(SkipProgramName(c.commandLine), c.args);
        // The UTF-16 command line splits the same way.
        std::wstring wide = Wide(c.commandLine);
        EXPECT_EQ(std::wstring(SkipProgramNameW(wide.c_str())), Wide(c.args));
    }
    EXPECT_STREQ(SkipProgramName(NULL), "");
    EXPECT_EQ(std::wstring(SkipProgramNameW(NULL)), L"");
}

struct FitCase {
    const WCHAR* text;
    int fits;
};

TEST(TextFitsCodePage, Table)
{
    const FitCase cases[] = {
        {L"", 1},
        {L"Z:\\clips", 1},
        {L"Z:\\\u52D5\u753B\u8868", 1},     // 動画表
        {L"\uFF5E\uFF71", 1},                 // ～ and half-width ｱ are in the code page
        {L"caf\u00E9", 0},                     // best fit only
        {L"\u6CE2\u301C\u7DDA", 0},           // the wave dash is not
        {L"\U0001F600", 0},
    };
    for (const FitCase& c : cases) EXPECT_EQ(TextFitsCodePage(c.text), c.fits) << (const void*)c.text;
}

struct RefuseCase {
    std::wstring wideArgs;
    int mode;
};

TEST_F(CommandLineTest, PathOutsideTheCodePageIsRefused)
{
    // The ANSI text is what the system makes of it; whatever it names must
    // not be used.
    const std::string ansi = "/s " + Folder;
    const RefuseCase cases[] = {
        {L"/s Z:\\caf\u00E9", StartRefused},
        {L"Z:\\\u6CE2\u301C\u7DDA", StartRefused},
        {L"\"Z:\\x\\\U0001F600.avi\"", StartRefused},
        {Wide(ansi.c_str()), StartRun},
    };
    for (const RefuseCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.mode));
        ZeroMemory(&Settings, sizeof(Settings));
        EXPECT_EQ(ParseCommandLine(ansi.c_str(), c.wideArgs.c_str(), NULL), c.mode);
        if (c.mode == StartRefused) {
            EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FATAL);
            EXPECT_STREQ(Settings.ErrorText, "フォルダ名に使用できない文字が含まれています。");
            EXPECT_STREQ(Settings.CommandLineFolder, "");
        } else {
            EXPECT_EQ(Settings.ErrorCode, 0);
            EXPECT_EQ(std::string(Settings.CommandLineFolder), Folder);
        }
    }
    // Switches carry no path: nothing to refuse.
    HWND window = NULL;
    EXPECT_EQ(ParseCommandLine("/p 1234", L"/p 1234 caf\u00E9", &window), StartPreview);
    EXPECT_EQ(Settings.ErrorCode, 0);

    // A short name the code page spells stands for a long one it cannot.
    const std::wstring cafe = Wide(Folder.c_str()) + L"\\caf\u00E9";
    ASSERT_TRUE(CreateDirectoryW(cafe.c_str(), NULL));
    WCHAR shortCafe[MAX_PATH] = L"";
    ASSERT_GT(GetShortPathNameW(cafe.c_str(), shortCafe, MAX_PATH), 0u);
    ASSERT_TRUE(TextFitsCodePage(shortCafe));
    char shortAnsi[MAX_PATH] = "";
    WideCharToMultiByte(CP_ACP, 0, shortCafe, -1, shortAnsi, MAX_PATH, NULL, NULL);
    ZeroMemory(&Settings, sizeof(Settings));
    EXPECT_EQ(ParseCommandLine(shortAnsi, shortCafe, NULL), StartRefused);
    EXPECT_STREQ(Settings.ErrorText, "フォルダ名に使用できない文字が含まれています。");
    EXPECT_STREQ(Settings.CommandLineFolder, "");
    RemoveDirectoryW(cafe.c_str());
}

TEST_F(CommandLineTest, FileInDriveRootKeepsTheRootBackslash)
{
    const char* path = "C:\\vlm_root_clip.avi";
    WriteFileBytes(path, "x");
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(ParseCommandLine("/s C:\\vlm_root_clip.avi", NULL, NULL), StartRun);
    EXPECT_STREQ(Settings.CommandLineFolder, "C:\\");
    EXPECT_STREQ(Settings.CommandLineFile, "vlm_root_clip.avi");
    DeleteFileA(path);
}

TEST_F(CommandLineTest, OverlongPathIsRefused)
{
    std::string base = Folder + "\\";
    ASSERT_LT(base.size(), (size_t)200);
    // Through the "\\?\\" form: plain names of folders stop at 248.
    std::string name(VLM_PATH_CHARS - 1 - base.size(), 'c');
    std::string shorter(VLM_PATH_CHARS - 2 - base.size(), 'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide((base + name).c_str())).c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Wide((base + shorter).c_str())).c_str(), NULL));

    // 259 characters are still a path.
    EXPECT_EQ(ParseCommandLine(("/s \"" + base + name + "\"").c_str(), NULL, NULL), StartRun);
    EXPECT_EQ(std::string(Settings.CommandLineFolder), base + name);

    // Longer ones are refused, though their first 259 characters (or 258,
    // where 259 would split 表) name a real folder.
    const std::string refused[] = {
        "/s \"" + base + name + "\\beyond the cut\"",
        "\"" + base + shorter + "表表\"",
        "\"" + Folder + "\\" + std::string(600, 'a') + "\"",
        std::string(2000, 'b'),
    };
    for (const std::string& args : refused) {
        SCOPED_TRACE(args.substr(0, 40));
        SetUp();
        EXPECT_EQ(ParseCommandLine(args.c_str(), NULL, NULL), StartRefused);
        EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FATAL);
        EXPECT_STREQ(Settings.ErrorText, "パス名が長すぎます。");
        EXPECT_STREQ(Settings.CommandLineFolder, "");
        EXPECT_STREQ(Settings.CommandLineFile, "");
    }
    RemoveDirectoryW((L"\\\\?\\" + Wide((base + shorter).c_str())).c_str());
    RemoveDirectoryW((L"\\\\?\\" + Wide((base + name).c_str())).c_str());
}

// Letters of single-byte characters in upper or lower case; double-byte
// characters (whose trail bytes may be letters) stay.
std::string LetterCase(const std::string& text, bool upper)
{
    std::string out;
    for (const char* p = text.c_str(); *p; p = NextChar(p)) {
        if (NextChar(p) - p == 2) {
            out.append(p, 2);
            continue;
        }
        char c = *p;
        if (upper && c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        if (!upper && c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        out += c;
    }
    return out;
}

TEST_F(CommandLineTest, PathTakesTheNamesTheFileSystemKeeps)
{
    const std::string spaced = Folder + "\\with space";
    const std::string japanese = Folder + "\\動画表";
    ASSERT_EQ(Folder.substr(0, 2), "Z:");
    // Names that are no 8.3 names have short ones of their own.
    char shortFolder[MAX_PATH] = "", shortFile[MAX_PATH] = "";
    ASSERT_GT(GetShortPathNameA(spaced.c_str(), shortFolder, MAX_PATH), 0u);
    ASSERT_GT(GetShortPathNameA((spaced + "\\clip one.avi").c_str(), shortFile, MAX_PATH), 0u);
    ASSERT_EQ(std::string(shortFolder).find(' '), std::string::npos);
    ASSERT_EQ(std::string(shortFile).find(' '), std::string::npos);
    const PathCase cases[] = {
        {"/s " + LetterCase(Folder, true), StartRun, Folder, ""},
        {LetterCase(Folder, false) + "\\", StartRun, Folder, ""},
        {LetterCase(Folder + "\\plain.avi", true), StartRun, Folder, "plain.avi"},
        {"\"" + LetterCase(spaced + "\\clip one.avi", true) + "\"", StartRun, spaced, "clip one.avi"},
        {"/s " + LetterCase(japanese, true) + "\\表示.AVI", StartRun, japanese, "表示.avi"},
        {"/s " + std::string(shortFolder), StartRun, spaced, ""},
        {shortFile, StartRun, spaced, "clip one.avi"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.args);
        SetUp();
        EXPECT_EQ(ParseCommandLine(c.args.c_str(), NULL, NULL), c.mode);
        EXPECT_EQ(std::string(Settings.CommandLineFolder), c.folder);
        EXPECT_EQ(std::string(Settings.CommandLineFile), c.file);
    }
}

TEST(ProgramDirPath, BuildsPathBesideTheProgram)
{
    char module[MAX_PATH];
    GetModuleFileNameA(NULL, module, MAX_PATH);
    *strrchr(module, '\\') = '\0';
    char path[VLM_PATH_CHARS];
    ASSERT_EQ(ProgramDirPath("Velmora.ini", path), 1);
    EXPECT_EQ(std::string(path), std::string(module) + "\\Velmora.ini");
}

TEST(ProgramDirPath, NameThatCannotFitIsTooDeep)
{
    ZeroMemory(&Settings, sizeof(Settings));
    char path[VLM_PATH_CHARS] = "unchanged";
    std::string name(255, 'n');
    EXPECT_EQ(ProgramDirPath(name.c_str(), path), 0);
    EXPECT_EQ(Settings.ErrorCode, -1);
    // Never with a code, whatever the last error was.
    EXPECT_STREQ(Settings.ErrorText, "実行パスが深すぎます。");
    EXPECT_STREQ(path, "unchanged");
}

struct TrimCase {
    const char* in;
    int result;
    const char* out;
};

TEST(TrimTrailingBackslashes, Table)
{
    const TrimCase cases[] = {
        {"C:\\dir\\\\", 1, "C:\\dir"},
        {"C:\\dir\\", 1, "C:\\dir"},
        {"C:\\dir", 0, "C:\\dir"},
        {"C:\\", 1, "C:\\"},
        {"C:\\\\\\", 1, "C:\\"},
        {"z:\\", 1, "z:\\"},
        {"C:", 0, "C:"},
        {"\\\\\\", 1, ""},
        {"", 0, ""},
        {"1:\\", 1, "1:"},
        {"\\\\server\\share\\", 1, "\\\\server\\share"},
        {"C:\\表", 0, "C:\\表"},          // ends in a trail byte 0x5C
        {"C:\\表\\", 1, "C:\\表"},
        {"C:\\ソ\\\\", 1, "C:\\ソ"},
    };
    for (const TrimCase& c : cases) {
        SCOPED_TRACE(c.in);
        char path[VLM_PATH_CHARS];
        strcpy(path, c.in);
        EXPECT_EQ(TrimTrailingBackslashes(path), c.result);
        EXPECT_STREQ(path, c.out);
    }
}

TEST(SetError, FormatsWithAndWithoutSystemCode)
{
    EXPECT_EQ(SetError(-1, "多重起動エラーです。", 183), 0);
    EXPECT_EQ(Settings.ErrorCode, -1);
    EXPECT_STREQ(Settings.ErrorText, "多重起動エラーです。(0x000000b7)");

    SetError(4, "ファイル", 0x80040265);
    EXPECT_STREQ(Settings.ErrorText, "ファイル(0x80040265)");
    EXPECT_EQ(Settings.ErrorCode, 4);

    // A later failure replaces the earlier message.
    SetError(1, "再生動画ファイルがありません。", 0);
    EXPECT_STREQ(Settings.ErrorText, "再生動画ファイルがありません。");

    SetLastError(5);
    SetErrorLast(-1, "Mutex の生成に失敗しました。");
    EXPECT_STREQ(Settings.ErrorText, "Mutex の生成に失敗しました。(0x00000005)");

    ClearError();
    EXPECT_EQ(Settings.ErrorCode, 0);
    EXPECT_STREQ(Settings.ErrorText, "");
}

TEST(SetError, LongMessageIsCutOnACharacterBoundary)
{
    std::string message;
    for (int i = 0; i < 100; i++) message += "表";   // 200 bytes
    SetError(-1, message.c_str(), 0);
    size_t length = strlen(Settings.ErrorText);
    EXPECT_LE(length, (size_t)VLM_ERRORTEXT_CHARS - 1);
    EXPECT_EQ(length % 2, 0u) << "a double-byte character was cut in half";
    EXPECT_EQ(std::string(Settings.ErrorText), message.substr(0, length));

    std::string ascii(400, 'e');
    SetError(-1, ascii.c_str(), 0x1234);
    EXPECT_EQ(strlen(Settings.ErrorText), (size_t)VLM_ERRORTEXT_CHARS - 1);
}

TEST(ScreenMode, SettingsAndMetricsAgree)
{
    DEVMODEA mode = {};
    mode.dmPelsWidth = 1024;
    mode.dmPelsHeight = 768;
    mode.dmBitsPerPel = 24;
    mode.dmDisplayFlags = 3;
    mode.dmDisplayFrequency = 60;
    ScreenModeRecord out = {};
    ChooseScreenMode(&mode, 1024, 768, 16, &out);
    EXPECT_EQ(out.ScreenWidth, 1024u);
    EXPECT_EQ(out.ScreenHeight, 768u);
    EXPECT_EQ(out.ScreenBitsPerPel, 24u);
    EXPECT_EQ(out.ScreenDisplayFlags, 3u);
    EXPECT_EQ(out.ScreenFrequency, 60u);
}

TEST(ScreenMode, MetricsWinWhenTheyDisagree)
{
    DEVMODEA mode = {};
    mode.dmPelsWidth = 3840;
    mode.dmPelsHeight = 1080;
    mode.dmBitsPerPel = 32;
    mode.dmDisplayFlags = 3;
    mode.dmDisplayFrequency = 75;
    ScreenModeRecord out = {};
    ChooseScreenMode(&mode, 1920, 1080, 0, &out);
    EXPECT_EQ(out.ScreenWidth, 1920u);
    EXPECT_EQ(out.ScreenHeight, 1080u);
    EXPECT_EQ(out.ScreenBitsPerPel, 0u);      // no window given
    EXPECT_EQ(out.ScreenDisplayFlags, 0u);
    EXPECT_EQ(out.ScreenFrequency, 0u);
    ChooseScreenMode(&mode, 1920, 1080, 16, &out);
    EXPECT_EQ(out.ScreenBitsPerPel, 16u);
}

TEST(ScreenMode, ReadsTheRealScreen)
{
    // One screen whose settings and metrics agree: every field is the
    // settings' own, none left from before.
    DEVMODEA current = {};
    current.dmSize = sizeof(current);
    ASSERT_TRUE(EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &current));
    ASSERT_EQ(current.dmPelsWidth, (DWORD)GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(current.dmPelsHeight, (DWORD)GetSystemMetrics(SM_CYSCREEN));
    ASSERT_NE(current.dmBitsPerPel, 0u);
    memset(&ScreenMode, 0xA5, sizeof(ScreenMode));
    ASSERT_EQ(GetScreenMode(NULL), 1);
    EXPECT_EQ(ScreenMode.ScreenWidth, current.dmPelsWidth);
    EXPECT_EQ(ScreenMode.ScreenHeight, current.dmPelsHeight);
    EXPECT_EQ(ScreenMode.ScreenBitsPerPel, current.dmBitsPerPel);
    EXPECT_EQ(ScreenMode.ScreenDisplayFlags, current.dmDisplayFlags);
    EXPECT_EQ(ScreenMode.ScreenFrequency, current.dmDisplayFrequency);
}

// The display dialog's window is not per-monitor aware; the preview inside
// it must not be either, and the thread keeps its own awareness.
TEST(Preview, ChildHasTheParentsDpiAwareness)
{
    HMODULE user = GetModuleHandleA("user32.dll");
    auto setThread = (HANDLE(WINAPI*)(HANDLE))(void*)GetProcAddress(user, "SetThreadDpiAwarenessContext");
    auto ofWindow = (HANDLE(WINAPI*)(HWND))(void*)GetProcAddress(user, "GetWindowDpiAwarenessContext");
    auto same = (BOOL(WINAPI*)(HANDLE, HANDLE))(void*)GetProcAddress(user, "AreDpiAwarenessContextsEqual");
    ASSERT_TRUE(setThread && ofWindow && same);
    const HANDLE unaware = (HANDLE)-1, perMonitor = (HANDLE)-3;
    HANDLE before = setThread(unaware);
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 160, 120, NULL, NULL, NULL, NULL);
    setThread(perMonitor);  // the player's own
    EXPECT_TRUE(same(ofWindow(CreatePreviewWindow(parent)), unaware));
    EXPECT_TRUE(same(setThread(before), perMonitor));
    DestroyWindow(parent);
    MSG quit;
    PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
