// The configuration sheet's rules and its three settings pages, driven from
// the player's own dialog templates and help texts (read from Quorlin.exe
// beside the test) with the settings file of the test.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "support_ini.h"
#include "support_resources.h"
#include "resource.h"
#include "vlm_configwin.h"
#include "vlm_global.h"
#include <commctrl.h>

// ---- message boxes: closed as soon as they show, their texts kept

static std::vector<std::string> BoxTexts;

static BOOL CALLBACK CloseBox(HWND window, LPARAM)
{
    char name[16], text[512];
    GetClassNameA(window, name, sizeof(name));
    if (strcmp(name, "#32770") != 0 || GetDlgItem(window, 0xFFFF) == NULL) return TRUE;
    GetDlgItemTextA(window, 0xFFFF, text, sizeof(text));
    BoxTexts.push_back(text);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

static void CALLBACK BoxTimer(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), CloseBox, 0);
}

// ---- a page in a plain window, as the sheet would hold it

class PageTest : public ::testing::Test {
protected:
    std::string ini;
    HWND host = NULL, page = NULL, programPage = NULL;
    UINT_PTR timer = 0;

    void SetUp() override
    {
        ASSERT_TRUE(PlayerResources() != NULL) << "Quorlin.exe beside the test";
        ini = MakeTestFolder("pages") + "\\Velmora.ini";
        ResetSettings(ini);
        Settings.Heap = GetProcessHeap();
        ASSERT_EQ(LoadSettingsFrom(ini.c_str(), 1), 1);
        host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, NULL, NULL, NULL, NULL);
        BoxTexts.clear();
        timer = SetTimer(NULL, 0, 30, BoxTimer);
    }

    void TearDown() override
    {
        KillTimer(NULL, timer);
        DestroyPageTips();
        if (page) DestroyWindow(page);
        if (programPage) DestroyWindow(programPage);
        DestroyWindow(host);
        SettingsPage1Window = ProgramPageWindow = NULL;
    }

    void Open(int templateId, DLGPROC proc)
    {
        page = CreateDialogParamA(PlayerResources(), MAKEINTRESOURCEA(templateId), host, proc, 0);
        ASSERT_TRUE(page != NULL);
    }

    // A stand-in of the program page: only its check box 1420.
    void OpenProgramPage()
    {
        programPage = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 50, 20, programPage,
                        (HMENU)IDC_PROGRAM_PLAY2, NULL, NULL);
        ProgramPageWindow = programPage;
    }

    LRESULT Notify(UINT code)
    {
        NMHDR header = { host, 0, code };
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        SendMessageA(page, WM_NOTIFY, 0, (LPARAM)&header);
        return GetWindowLongPtrA(page, DWLP_MSGRESULT);
    }

    void Type(int id, const char* text) { SetDlgItemTextA(page, id, text); }
    std::string Text(HWND window, int id)
    {
        char text[600] = "";
        GetDlgItemTextA(window, id, text, sizeof(text));
        return text;
    }
    void Check(HWND window, int id, bool on) { CheckDlgButton(window, id, on ? BST_CHECKED : BST_UNCHECKED); }
    bool Checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
    void Click(HWND window, int id) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

    // Keys of the file in file order, without the history groups.
    std::vector<std::string> KeysWritten()
    {
        std::vector<std::string> keys;
        for (const auto& pair : ParseIniSection(ReadFileBytes(ini)))
            if (pair.first.compare(0, 8, "HISTORY_") != 0) keys.push_back(pair.first);
        return keys;
    }
};

// ---- reading numbers

TEST(BoxNumber, ReadsTheFirstCharactersAsAtoiDoes)
{
    struct Case { const char* text; int chars; int expected; };
    const Case cases[] = {
        { " 12abc", 9, 12 }, { "-5", 9, -5 }, { "", 9, 0 }, { "123456789012", 9, 123456789 },
        { "+7", 9, 7 }, { "\t 3", 9, 3 }, { "12 3", 9, 12 }, { "abc", 9, 0 }, { "--5", 9, 0 },
        { "123456", 5, 12345 }, { "  99999", 5, 999 }, { "-", 9, 0 },
    };
    for (const Case& c : cases) EXPECT_EQ(ParseBoxNumber(c.text, c.chars), c.expected) << "\"" << c.text << "\"";
}

TEST(BoxNumber, OutOfRangeValuesAreReplacedPerBox)
{
    struct Case { int id; int value; int stored; };
    const Case cases[] = {
        { IDC_ASPECT_RATIO_X, 0, 16 }, { IDC_ASPECT_RATIO_X, 8001, 16 }, { IDC_ASPECT_RATIO_X, 8000, 8000 },
        { IDC_ASPECT_RATIO_Y, 0, 9 }, { IDC_SIZE_PERCENT, 0, 100 }, { IDC_SIZE_PERCENT, 1000, 1000 },
        { IDC_INTRO_START, 0, 0 }, { IDC_INTRO_START, -1, 0 }, { IDC_INTRO_END, 40000, 10 },
        { IDC_INTRO_END, 0, 0 }, { IDC_SKIP_NUMBER, 101, 3 }, { IDC_SKIP_TIME, 0, 900 },
        { IDC_SKIP_PLAY_TIME, 32768, 2 }, { IDC_SEEKTIME1, 10000, 30 }, { IDC_SEEKTIME2, 0, 10 },
        { IDC_SEEKTIME3, 10000, 300 }, { IDC_SEEKTIME4, 10000, 1800 }, { IDC_END_PLAY_TIME, 0, 10 },
        { IDC_AUDIO_SELECT, 11, 1 }, { IDC_DISP_FONTSIZE, 4, 30 }, { IDC_PLAYLIST_FONTSIZE, 301, 12 },
        { IDC_MOUSE_WIDTH, 1000, 100 }, { IDC_MOUSE_WIDTH, 0, 0 },
    };
    for (const Case& c : cases) EXPECT_EQ(PageNumberValue(c.id, c.value), c.stored) << c.id << " " << c.value;
}

TEST(Extensions, ForbiddenCharactersAndTrailingBlanks)
{
    struct Case { const char* text; int refused; };
    const Case cases[] = {
        { "avi|mpg", 0 }, { "avi;mpg", 0 }, { "avi mpg ", 0 }, { "*.avi", 1 }, { "av?", 1 }, { "a\\b", 1 },
        { "a/b", 1 }, { "a:b", 1 }, { "a\"b", 1 }, { "a<b", 1 }, { "a>b", 1 },
        { "表|ソ", 0 },  // trail bytes 0x5C are not backslashes
    };
    for (const Case& c : cases) EXPECT_EQ(HasForbiddenExtensionChar(c.text), c.refused) << c.text;

    const char* trims[][2] = { { "avi|mpg  ", "avi|mpg" }, { "   ", "" }, { "a b ", "a b" }, { "ソ ", "ソ" } };
    for (auto& t : trims) {
        char text[32];
        strcpy(text, t[0]);
        TrimTrailingSpaces(text);
        EXPECT_STREQ(text, t[1]);
    }
}

// ---- help texts

TEST(HelpTexts, TableNamesEachStringOnceAndFindsControlsOfItsPage)
{
    std::vector<int> strings;
    int groups = 0;
    for (int i = 0; HelpTextTable[i] != 0; i++, groups++) {
        strings.push_back(HelpTextTable[i]);
        EXPECT_GE(HelpTextTable[i + 1], PaneProgram);
        EXPECT_LE(HelpTextTable[i + 1], PanePage3);
        for (i += 2; HelpTextTable[i] != 0; i++) {
        }
    }
    EXPECT_LE(groups, VLM_HELP_SLOTS);
    std::sort(strings.begin(), strings.end());
    for (int k = 0; k < (int)strings.size(); k++) EXPECT_EQ(strings[k], IDS_HELP_FIRST + k);
    EXPECT_EQ((int)strings.size(), 44);

    struct Case { int page; int id; int slot; };
    const Case cases[] = {
        { PaneProgram, IDC_PROGRAM_NEW, 0 }, { PanePage1, IDC_DIRNAME, 6 }, { PanePage1, IDC_ASPECT_GIVEN, 15 },
        { PanePage1, IDC_ASPECT_RATIO_Y, 15 }, { PanePage1, IDC_SIZE_PERCENT, 16 }, { PanePage2, IDC_SEEKTIME3, 27 },
        { PanePage3, IDC_MONITOR_POWER, 42 }, { PanePage1, IDC_PROGRAM_NEW, -1 }, { PanePage2, IDC_DIRNAME, -1 },
        { PanePage1, IDC_PANE_PAGE1, -1 }, { PanePage1, -1, -1 },
    };
    for (const Case& c : cases) EXPECT_EQ(HelpSlotOf(c.page, c.id), c.slot) << c.page << " " << c.id;
}

TEST(HelpTexts, EveryTextExistsAndFitsItsSlot)
{
    ASSERT_TRUE(PlayerResources() != NULL);
    for (int id = IDS_HELP_FIRST; id <= IDS_HELP_FIRST + 43; id++) {
        char text[4096] = "";
        int length = LoadStringA(PlayerResources(), id, text, sizeof(text));
        EXPECT_GT(length, 40) << id;
        EXPECT_LE(length, VLM_HELP_SLOT_BYTES - 1) << id;
        std::string s = text;
        EXPECT_TRUE(IsWholeCharacters(s)) << id;
        // Paragraphs are separated by exactly one empty line.
        EXPECT_EQ(s.find("\r\n\r\n\r\n"), std::string::npos) << id;
        EXPECT_NE(s.substr(s.size() - 2), "\r\n") << id;
    }

    std::vector<char> store(VLM_HELP_SLOTS * VLM_HELP_SLOT_BYTES, 'x');
    ASSERT_EQ(LoadHelpTextStore(PlayerResources(), store.data()), 1);
    char expected[VLM_HELP_SLOT_BYTES];
    LoadStringA(PlayerResources(), 40009, expected, sizeof(expected));
    EXPECT_STREQ(&store[HelpSlotOf(PanePage1, IDC_ASPECT_FILE) * VLM_HELP_SLOT_BYTES], expected);
}

TEST(HelpTexts, ModuleWithoutTheStringsStopsTheSheet)
{
    ClearError();
    std::vector<char> store(VLM_HELP_SLOTS * VLM_HELP_SLOT_BYTES, 0);
    EXPECT_EQ(LoadHelpTextStore(GetModuleHandleA(NULL), store.data()), 0);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FATAL);
    EXPECT_EQ(std::string(Settings.ErrorText).find("ヘルプ文面の文字列リソースのロードに失敗しました。(0x"), 0u)
        << Settings.ErrorText;
    ClearError();
}

// ---- dialog fonts

// Character set of a DIALOGEX template's font; -1 without one. GDI maps a
// font without SHIFTJIS_CHARSET by the system's code page, not the process's.
static int TemplateCharset(HMODULE module, int id)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    const WORD* p = found ? (const WORD*)LockResource(LoadResource(module, found)) : NULL;
    if (p == NULL || p[1] != 0xFFFF) return -1;
    DWORD style = *(const DWORD*)(p + 6);
    p += 13;  // version, signature, help id, extended style, style, items, x, y, cx, cy
    for (int field = 0; field < 3; field++) {  // menu, class, title
        if (field < 2 && *p == 0xFFFF) p += 2;
        else while (*p++ != 0) {}
    }
    return (style & DS_SETFONT) ? ((const BYTE*)p)[5] : -1;  // after points, weight, italic
}

TEST(DialogFonts, EveryDialogDrawsWithAShiftJisFont)
{
    ASSERT_TRUE(PlayerResources() != NULL);
    for (int id = IDD_FOLDER_SELECT; id <= IDD_SETTINGS_PAGE3; id++)
        EXPECT_EQ(TemplateCharset(PlayerResources(), id), SHIFTJIS_CHARSET) << id;
}

// ---- program play shown on two pages

// At another scaling the dialog manager moves the controls; the help pane
// follows its group box (the host stands in for the sheet).
TEST_F(PageTest, HelpPaneFollowsItsGroupBoxAfterAScalingChange)
{
    Open(IDD_SETTINGS_PAGE1, SettingsPage1Proc);
    ShowWindow(host, SW_SHOWNA);
    ShowWindow(page, SW_SHOWNA);
    RECT r, update = {};
    GetWindowRect(GetDlgItem(page, IDC_PANE_PAGE1), &r);
    MapWindowPoints(NULL, page, (POINT*)&r, 2);
    SetWindowPos(GetDlgItem(page, IDC_PANE_PAGE1), NULL, r.left - 40, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ValidateRect(page, NULL);
    RelayoutSheetForDpi(host);
    GetUpdateRect(page, &update, FALSE);
    EXPECT_EQ(update.left, r.left - 40 + 2);
    EXPECT_EQ(update.right, r.right - 40 - 2);
}

TEST_F(PageTest, ProgramPlayFollowsBetweenThePagesAndHidesTheFolder)
{
    Settings.ProgramListNonEmpty = TRUE;
    strcpy(Settings.DirName, "Z:\\clips");
    Open(IDD_SETTINGS_PAGE1, SettingsPage1Proc);
    EXPECT_EQ(SettingsPage1Window, page);
    EXPECT_EQ(Text(page, IDC_DIRNAME), "Z:\\clips");

    // The program page opens later and shows page 1's state.
    Check(page, IDC_PROGRAM_PLAY1, true);
    OpenProgramPage();
    ProgramPlaySync(SyncProgramPageOpens, FALSE, FALSE, FALSE, NULL, FALSE);
    EXPECT_TRUE(Checked(programPage, IDC_PROGRAM_PLAY2));
    EXPECT_TRUE(Enabled(IDC_DIRNAME)) << "opening the program page leaves the enabling alone";

    // On: the folder box is emptied and disabled, the typed folder kept trimmed.
    Type(IDC_DIRNAME, "Z:\\other\\\\");
    Click(page, IDC_PROGRAM_PLAY1);
    EXPECT_STREQ(Settings.DirName, "Z:\\other");
    EXPECT_EQ(Text(page, IDC_DIRNAME), "");
    EXPECT_FALSE(Enabled(IDC_DIRNAME));
    EXPECT_FALSE(Enabled(IDC_EXTENSIONS));

    // Off from the program page: both boxes and the folder come back.
    Check(programPage, IDC_PROGRAM_PLAY2, false);
    ProgramPlaySync(SyncProgramPageClicked, FALSE, FALSE, FALSE, Settings.DirName, FALSE);
    EXPECT_FALSE(Checked(page, IDC_PROGRAM_PLAY1));
    EXPECT_EQ(Text(page, IDC_DIRNAME), "Z:\\other");
    EXPECT_TRUE(Enabled(IDC_DIRNAME));
    EXPECT_TRUE(BoxTexts.empty());
}

TEST_F(PageTest, ProgramPlayWithoutAListIsRefusedOnEitherPage)
{
    Settings.ProgramListNonEmpty = FALSE;
    Open(IDD_SETTINGS_PAGE1, SettingsPage1Proc);
    OpenProgramPage();
    Check(page, IDC_PROGRAM_PLAY1, true);
    Click(page, IDC_PROGRAM_PLAY1);
    EXPECT_FALSE(Checked(page, IDC_PROGRAM_PLAY1));
    EXPECT_FALSE(Checked(programPage, IDC_PROGRAM_PLAY2));
    EXPECT_TRUE(Enabled(IDC_DIRNAME));

    Check(programPage, IDC_PROGRAM_PLAY2, true);
    ProgramPlaySync(SyncProgramPageClicked, FALSE, FALSE, FALSE, Settings.DirName, FALSE);
    EXPECT_FALSE(Checked(programPage, IDC_PROGRAM_PLAY2));
    EXPECT_FALSE(Checked(page, IDC_PROGRAM_PLAY1));
    ASSERT_EQ(BoxTexts.size(), 2u);
    for (const std::string& text : BoxTexts) EXPECT_EQ(text, "プログラム再生・ファイルリストがありません。");
}

TEST_F(PageTest, ProgramPlayAtOpenDisablesTheBoxesOnly)
{
    Settings.ProgramPlay = TRUE;
    OpenProgramPage();
    Open(IDD_SETTINGS_PAGE1, SettingsPage1Proc);
    EXPECT_TRUE(Checked(page, IDC_PROGRAM_PLAY1));
    EXPECT_FALSE(Checked(programPage, IDC_PROGRAM_PLAY2)) << "page 1's opening sets 1419 only";
    EXPECT_FALSE(Enabled(IDC_DIRNAME));
    EXPECT_FALSE(Enabled(IDC_EXTENSIONS));
}

// ---- page 1

TEST_F(PageTest, Page1EnablingRulesOnOpenAndClicks)
{
    Settings.FileLoop = TRUE;
    Settings.AspectRate = 3;
    Open(IDD_SETTINGS_PAGE1, SettingsPage1Proc);
    EXPECT_FALSE(Enabled(IDC_RANDOM));
    EXPECT_FALSE(Enabled(IDC_DESCENDING));
    EXPECT_TRUE(Enabled(IDC_ASPECT_RATIO_X));
    EXPECT_FALSE(Enabled(IDC_SIZE_PERCENT));
    EXPECT_FALSE(Enabled(IDC_EXPAND));

    Check(page, IDC_FILELOOP, false);
    Check(page, IDC_RANDOM, true);
    Click(page, IDC_FILELOOP);
    EXPECT_TRUE(Enabled(IDC_RANDOM));
    EXPECT_FALSE(Enabled(IDC_DESCENDING)) << "random order has no direction";
    CheckRadioButton(page, IDC_ASPECT_FILE, IDC_ASPECT_GIVEN, IDC_ASPECT_16_9);
    Click(page, IDC_ASPECT_16_9);
    EXPECT_FALSE(Enabled(IDC_ASPECT_RATIO_Y));
    EXPECT_FALSE(Enabled(IDC_ASPECT_Y_SPIN));
    Check(page, IDC_CHANGE_RESOLUTION, true);
    Click(page, IDC_CHANGE_RESOLUTION);
    EXPECT_TRUE(Enabled(IDC_FIXED_VGA));

    // Checking the size box starts again from 100 percent.
    Type(IDC_SIZE_PERCENT, "250");
    Check(page, IDC_SPECIFY_SIZE, true);
    Click(page, IDC_SPECIFY_SIZE);
    EXPECT_TRUE(Enabled(IDC_SIZE_PERCENT));
    EXPECT_EQ(Text(page, IDC_SIZE_PERCENT), "100");
}

TEST_F(PageTest, Page1RefusesToBeLeftWithAWrongFolderOrExtension)
{
    std::string folder = MakeTestFolder("clips");
    Open(IDD_SETTINGS_PAGE1, SettingsPage1Proc);
    struct Case { std::string folder; const char* extensions; LRESULT refused; const char* message; };
    const Case cases[] = {
        { folder + "\\missing", "avi", TRUE, "動画ファイルのフォルダ名が間違っています。" },
        { folder + "\\\\", "avi;mpg", FALSE, NULL },
        { "", "avi", FALSE, NULL },
        { folder, "*.avi", TRUE, "拡張子が間違ってます。" },
        { folder, "av?", TRUE, "拡張子が間違ってます。" },
    };
    for (const Case& c : cases) {
        BoxTexts.clear();
        Type(IDC_DIRNAME, c.folder.c_str());
        Type(IDC_EXTENSIONS, c.extensions);
        EXPECT_EQ(Notify(PSN_KILLACTIVE), c.refused) << c.folder << " " << c.extensions;
        if (c.message) {
            ASSERT_EQ(BoxTexts.size(), 1u);
            EXPECT_EQ(BoxTexts[0], c.message);
        } else {
            EXPECT_TRUE(BoxTexts.empty());
        }
    }
}

TEST_F(PageTest, Page1OkWritesItsKeysInOrderWithReplacements)
{
    std::string folder = MakeTestFolder("clips");
    Settings.ExceptionLog = TRUE;
    Open(IDD_SETTINGS_PAGE1, SettingsPage1Proc);
    DeleteFileA(ini.c_str());
    Type(IDC_DIRNAME, (folder + "\\\\\\").c_str());
    Type(IDC_EXTENSIONS, "avi|mp4   ");
    CheckRadioButton(page, IDC_ASPECT_FILE, IDC_ASPECT_GIVEN, IDC_ASPECT_GIVEN);
    Type(IDC_ASPECT_RATIO_X, "0");
    Type(IDC_ASPECT_RATIO_Y, "8001");
    Type(IDC_SIZE_PERCENT, "0");
    Check(page, IDC_RANDOM, true);
    EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);

    const std::vector<std::string> order = {
        "DIRNAME", "PROGRAM_PLAY", "PLAYING", "STOP_POSITION", "EXTENSIONS", "FILELOOP", "RANDOM", "DESCENDING",
        "CONTINUOUS_PLAY", "ASPECT_RATE", "ASPECT_RATIO_X", "ASPECT_RATIO_Y", "SPECIFY_SIZE", "SIZE_PERCENT",
        "CHANGE_RESOLUTION", "EXPAND", "BITSPERPEL_UNCHANGE", "FIXED_VGA", "ONLY_RESCH_BY_CDS",
        "ONLY_RESCH_BY_DDRAW", "EXCEPTION_BEEP", "EXCEPTION_LOG", "VISUAL_DEBUG",
    };
    EXPECT_EQ(KeysWritten(), order);
    EXPECT_EQ(IniValue(ini, "DIRNAME"), folder);
    EXPECT_EQ(IniValue(ini, "HISTORY_DIRNAME01"), folder);
    EXPECT_EQ(IniValue(ini, "HISTORY_FIXFLAG48"), "FALSE");
    EXPECT_EQ(IniValue(ini, "EXTENSIONS"), "avi|mp4");
    EXPECT_EQ(IniValue(ini, "RANDOM"), "TRUE");
    EXPECT_EQ(IniValue(ini, "ASPECT_RATE"), "3");
    EXPECT_EQ(IniValue(ini, "ASPECT_RATIO_X"), "16");
    EXPECT_EQ(IniValue(ini, "ASPECT_RATIO_Y"), "9");
    EXPECT_EQ(IniValue(ini, "SIZE_PERCENT"), "100");
    EXPECT_EQ(IniValue(ini, "EXCEPTION_LOG"), "TRUE");
}

// ---- pages 2 and 3

TEST_F(PageTest, Page2RefusesAnIntroThatDoesNotEndAfterItsStart)
{
    Open(IDD_SETTINGS_PAGE2, SettingsPage2Proc);
    struct Case { bool intro; const char* start; const char* end; LRESULT refused; };
    const Case cases[] = {
        { true, "10", "10", TRUE }, { true, "11", "10", TRUE }, { true, "10", "11", FALSE },
        { false, "10", "10", FALSE },
        { true, "20", "40000", TRUE },  // the end would be stored as 10
        { true, "0", "40000", FALSE },
    };
    for (const Case& c : cases) {
        BoxTexts.clear();
        Check(page, IDC_INTRO_PLAY, c.intro);
        Type(IDC_INTRO_START, c.start);
        Type(IDC_INTRO_END, c.end);
        EXPECT_EQ(Notify(PSN_KILLACTIVE), c.refused) << c.start << "-" << c.end;
        EXPECT_EQ(BoxTexts.size(), c.refused ? 1u : 0u);
        if (c.refused && !BoxTexts.empty()) EXPECT_EQ(BoxTexts[0], "イントロ再生の開始時間が終了時間以上です。");
    }
}

TEST_F(PageTest, Page2OkWritesItsKeysInOrderWithReplacements)
{
    Settings.SkipPlayMode = 7;
    Open(IDD_SETTINGS_PAGE2, SettingsPage2Proc);
    EXPECT_TRUE(Checked(page, IDC_SKIP_OFF));
    EXPECT_EQ(Text(page, IDC_SEEKTIME4), "1800");
    DeleteFileA(ini.c_str());
    Type(IDC_INTRO_END, "40000");
    Type(IDC_SKIP_NUMBER, "101");
    Type(IDC_SEEKTIME1, "10000");
    Type(IDC_SKIP_TIME, " 12abc");
    CheckRadioButton(page, IDC_SKIP_OFF, IDC_SKIP_BY_TIME, IDC_SKIP_BY_TIME);
    Check(page, IDC_MUTE, true);
    EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);

    const IniPairs expected = {
        { "INTRO_PLAY", "FALSE" }, { "INTRO_START_POSITION", "0" }, { "INTRO_END_POSITION", "10" },
        { "SKIP_PLAY_MODE", "2" }, { "SKIP_NUMBER", "3" }, { "SKIP_TIME", "12" }, { "SKIP_PLAY_TIME", "2" },
        { "SEEKTIME1", "30" }, { "SEEKTIME2", "10" }, { "SEEKTIME3", "300" }, { "SEEKTIME4", "1800" },
        { "END_PLAY_TIME", "10" }, { "AUDIO_SELECT", "1" }, { "AUDIO_DISP_PRIORITY", "FALSE" }, { "MUTE", "TRUE" },
    };
    EXPECT_EQ(ParseIniSection(ReadFileBytes(ini)), expected);
    EXPECT_EQ(Settings.SkipNumber, 3);
}

TEST_F(PageTest, Page3ListsTheMonitorsWithTheirSizesAndKeepsOneNotConnected)
{
    // The display of the test has one monitor; PLAY_MONITOR names a third.
    Settings.PlayMonitor = 3;
    Open(IDD_SETTINGS_PAGE3, SettingsPage3Proc);
    HWND list = GetDlgItem(page, IDC_PLAY_MONITOR);
    ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 2);
    char item[64] = "", main[64];
    wsprintfA(main, "メインモニター (%dx%d)", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SendMessageA(list, CB_GETLBTEXT, 0, (LPARAM)item);
    EXPECT_STREQ(item, main);
    EXPECT_EQ(Text(page, IDC_PLAY_MONITOR), "モニター 3 (未接続)");
    EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);
    EXPECT_EQ(IniValue(ini, "PLAY_MONITOR"), "3");
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    Notify(PSN_APPLY);
    EXPECT_EQ(IniValue(ini, "PLAY_MONITOR"), "0");
    EXPECT_EQ(Settings.PlayMonitor, 0);
}

TEST_F(PageTest, Page3OkWritesItsKeysInOrderWithReplacements)
{
    Settings.PlaylistPosition = 3;
    Open(IDD_SETTINGS_PAGE3, SettingsPage3Proc);
    EXPECT_TRUE(Checked(page, IDC_PLAYLIST_3QUARTERS));
    DeleteFileA(ini.c_str());
    Type(IDC_MOUSE_WIDTH, "0");
    Type(IDC_DISP_FONTSIZE, "1000");
    Check(page, IDC_DISP_VIDEOSIZE, true);
    EXPECT_EQ(Notify(PSN_KILLACTIVE), FALSE);
    EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);

    const IniPairs expected = {
        { "DISP_FILENAME", "FALSE" }, { "DISP_RESOSIZE", "FALSE" }, { "DISP_VIDEOSIZE", "TRUE" },
        { "DISP_FONTSIZE", "30" }, { "PLAYLIST_POSITION", "3" }, { "PLAYLIST_LEFTSIDE", "FALSE" },
        { "PLAYLIST_FONTSIZE", "12" }, { "FOLDER_SELECT_START", "FALSE" }, { "MOUSE_WIDTH", "0" },
        { "IGNOREMOUSE", "FALSE" }, { "MONITOR_POWER", "FALSE" }, { "PLAY_MONITOR", "0" },
    };
    EXPECT_EQ(ParseIniSection(ReadFileBytes(ini)), expected);
    Type(IDC_MOUSE_WIDTH, "1000");
    Notify(PSN_APPLY);
    EXPECT_EQ(IniValue(ini, "MOUSE_WIDTH"), "100");
}
