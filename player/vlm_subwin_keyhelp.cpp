// Key help window: a white panel centred on the screen listing the keys
// of the running screensaver in two columns, in one of four size classes.
// Its texts come from the string table, shared with the configuration
// sheet's key page.
#include "resource.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

#define VLM_KEYHELP_CLASS "KeyHelpWindowClass"
#define VLM_KEYHELP_FACE "MS UI Gothic"

HWND KeyHelpWindow;
BOOL KeyHelpShown;
int KeyHelpWidth, KeyHelpHeight;

char KeyHelpTitle[VLM_KEYHELP_TITLE_BYTES];
char KeyHelpNames[VLM_KEYHELP_ROWS][VLM_KEYHELP_NAME_BYTES];
char KeyHelpDescriptions[VLM_KEYHELP_ROWS][VLM_KEYHELP_DESC_BYTES];

static HWND KeyHelpOwner;
static HFONT KeyHelpFont;
static KeyHelpLayout KeyHelpClass;

// ---- texts

// A string that is not in the table reads as an empty slot; only a failure
// to read one that is there counts.
static BOOL IsMissingResource(DWORD code)
{
    return code == ERROR_RESOURCE_DATA_NOT_FOUND || code == ERROR_RESOURCE_TYPE_NOT_FOUND ||
           code == ERROR_RESOURCE_NAME_NOT_FOUND || code == ERROR_RESOURCE_LANG_NOT_FOUND;
}

static int LoadKeyHelpString(UINT id, char* slot, int bytes, const char* failure)
{
    slot[0] = '\0';
    SetLastError(0);
    int length = LoadStringA(Settings.Instance, id, slot, bytes);
    DWORD code = GetLastError();
    if (length == 0 && code != 0 && !IsMissingResource(code))
        return SetError(VLM_ERR_FATAL, failure, code);
    // A text cut to its slot must not end in half a double-byte character.
    slot[bytes - 1] = '\0';
    CutOnCharBoundary(slot, (size_t)bytes - 1);
    return 1;
}

int LoadKeyHelpTexts()
{
    if (!LoadKeyHelpString(IDS_KEYHELP_TITLE, KeyHelpTitle, VLM_KEYHELP_TITLE_BYTES,
                           "キー操作ヘルプウィンドウ・タイトルのロードに失敗しました。"))
        return 0;
    for (int row = 0; row < VLM_KEYHELP_ROWS; row++) {
        if (!LoadKeyHelpString(IDS_KEYHELP_NAME_FIRST + row, KeyHelpNames[row],
                               VLM_KEYHELP_NAME_BYTES,
                               "キー操作ヘルプウィンドウ・キー名のロードに失敗しました。"))
            return 0;
        if (!LoadKeyHelpString(IDS_KEYHELP_DESC_FIRST + row, KeyHelpDescriptions[row],
                               VLM_KEYHELP_DESC_BYTES,
                               "キー操作ヘルプウィンドウ・キー説明のロードに失敗しました。"))
            return 0;
    }
    return 1;
}

// ---- size class and placement

void CalcKeyHelpLayout(int screenW, int screenH, int dpi, KeyHelpLayout* layout)
{
    static const KeyHelpLayout large = {800, 600, 26, 5, 232, 2, 30};
    static const KeyHelpLayout tiny = {320, 200, 10, 5, 95, 0, 10};
    static const KeyHelpLayout reduced = {320, 230, 10, 5, 95, 3, 11};
    static const KeyHelpLayout medium = {512, 384, 16, 10, 155, 2, 19};
    // The class a screen of this size gets at 100 %, scaled: at 150 % the
    // panel looks as it does at 100 % and still fits.
    int w = dpi > 0 ? MulDiv(screenW, VLM_BASE_DPI, dpi) : screenW;
    int h = dpi > 0 ? MulDiv(screenH, VLM_BASE_DPI, dpi) : screenH;
    if (w >= 800 && h >= 600)
        *layout = large;
    else if (w < 320 || h < 240)
        *layout = tiny;
    else if (w < 512 || h < 384)
        *layout = reduced;
    else
        *layout = medium;
    int* sizes[] = {&layout->width, &layout->height, &layout->fontHeight, &layout->keyX,
                    &layout->descriptionX, &layout->firstY, &layout->pitch};
    for (int* size : sizes) *size = ScaleForDpi(*size, dpi);
}

int FitKeyHelpLayout(KeyHelpLayout* layout, const KeyHelpTextSize* text, int frameW, int frameH)
{
    // A quarter of a line apart: the key column never runs into the other.
    int keyEnd = layout->keyX + text->keyWidth + layout->fontHeight / 4;
    if (layout->descriptionX < keyEnd) layout->descriptionX = keyEnd;
    if (layout->pitch < text->lineHeight) layout->pitch = text->lineHeight;
    return layout->descriptionX + text->descriptionWidth + layout->keyX + frameW <= layout->width &&
           layout->firstY + text->rows * layout->pitch + layout->firstY + frameH <= layout->height;
}

static HFONT CreateKeyHelpFontOf(int height)
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = height;
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynA(font.lfFaceName, VLM_KEYHELP_FACE, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

static void MeasureKeyHelpText(HDC dc, KeyHelpTextSize* size)
{
    ZeroMemory(size, sizeof(*size));
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, &metrics)) size->lineHeight = metrics.tmHeight;
    for (int row = 0; row < VLM_KEYHELP_ROWS; row++) {
        const char* texts[2] = {KeyHelpNames[row], KeyHelpDescriptions[row]};
        int* widths[2] = {&size->keyWidth, &size->descriptionWidth};
        for (int i = 0; i < 2; i++) {
            SIZE extent;
            if (!texts[i][0] || !GetTextExtentPoint32A(dc, texts[i], lstrlenA(texts[i]), &extent)) continue;
            if (*widths[i] < extent.cx) *widths[i] = extent.cx;
            size->rows = row + 1;
        }
    }
}

// The largest font from height start down (to half the class's) whose
// text base's window holds, with layout fitted to it.
static HFONT FitKeyHelpFont(HDC dc, const KeyHelpLayout* base, int start, int frame, KeyHelpLayout* layout)
{
    HFONT font = NULL;
    for (int height = start; height > 0 && height * 2 >= base->fontHeight; height--) {
        if (font) DeleteObject(font);
        font = CreateKeyHelpFontOf(height);
        if (!font || !dc) break;
        HGDIOBJ old = SelectObject(dc, font);
        KeyHelpTextSize text;
        MeasureKeyHelpText(dc, &text);
        SelectObject(dc, old);
        *layout = *base;
        layout->fontHeight = height;
        if (FitKeyHelpLayout(layout, &text, frame, frame)) break;
    }
    return font;
}

HFONT LayoutKeyHelpForText(int screenW, int screenH, int dpi, KeyHelpLayout* layout)
{
    CalcKeyHelpLayout(screenW, screenH, dpi, layout);
    const KeyHelpLayout base = *layout;
    HDC dc = GetDC(NULL);
    // Text does not grow exactly with the font height, and faces differ:
    // what it needs is measured, and where the class cannot hold that the
    // font gives way. Scaled, the panel keeps the font it has at 100 %.
    int start = base.fontHeight;
    if (dpi > 0 && dpi != VLM_BASE_DPI) {
        KeyHelpLayout atBase, fitted;
        CalcKeyHelpLayout(MulDiv(screenW, VLM_BASE_DPI, dpi), MulDiv(screenH, VLM_BASE_DPI, dpi), VLM_BASE_DPI,
                          &atBase);
        HFONT font = FitKeyHelpFont(dc, &atBase, atBase.fontHeight, 2 * SystemMetricForDpi(SM_CXEDGE, VLM_BASE_DPI),
                                    &fitted);
        if (font) {
            DeleteObject(font);
            if (ScaleForDpi(fitted.fontHeight, dpi) < start) start = ScaleForDpi(fitted.fontHeight, dpi);
        }
    }
    int frame = 2 * SystemMetricForDpi(SM_CXEDGE, dpi > 0 ? dpi : VLM_BASE_DPI);
    HFONT font = FitKeyHelpFont(dc, &base, start, frame, layout);
    if (dc) ReleaseDC(NULL, dc);
    if (!font) *layout = base;
    return font;
}

POINT CalcCentredOrigin(int screenW, int screenH, int width, int height)
{
    POINT origin;
    origin.x = screenW >= width ? (screenW - width) / 2 : 0;
    origin.y = screenH >= height ? (screenH - height) / 2 : 0;
    return origin;
}

static int KeyHelpDpi;

static void LayoutKeyHelpAt(int dpi)
{
    KeyHelpDpi = dpi;
    CalcKeyHelpLayout((int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight, dpi, &KeyHelpClass);
    KeyHelpWidth = KeyHelpClass.width;
    KeyHelpHeight = KeyHelpClass.height;
}

void LayoutKeyHelp()
{
    // Before the panel exists it will lie on its owner's monitor.
    LayoutKeyHelpAt(WindowDpi(KeyHelpWindow ? KeyHelpWindow : KeyHelpOwner));
}

int CreateKeyHelpFont(BOOL replace)
{
    if (KeyHelpFont && !replace) return 1;
    // The class's sizes follow the font they were fitted to.
    KeyHelpLayout fitted;
    HFONT created = LayoutKeyHelpForText((int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight, KeyHelpDpi,
                                         &fitted);
    // Without a new font the old one still draws legibly.
    if (created == NULL) return 0;
    if (KeyHelpFont) DeleteObject(KeyHelpFont);
    KeyHelpFont = created;
    KeyHelpClass = fitted;
    KeyHelpWidth = fitted.width;
    KeyHelpHeight = fitted.height;
    return 1;
}

static POINT KeyHelpOrigin()
{
    POINT origin = CalcCentredOrigin((int)ScreenMode.ScreenWidth, (int)ScreenMode.ScreenHeight,
                                     KeyHelpWidth, KeyHelpHeight);
    origin.x += ScreenMode.ScreenLeft;
    origin.y += ScreenMode.ScreenTop;
    return origin;
}

static void RelayoutKeyHelpAt(int dpi)
{
    LayoutKeyHelpAt(dpi);
    CreateKeyHelpFont(TRUE);
    if (!KeyHelpWindow) return;
    POINT origin = KeyHelpOrigin();
    SetWindowPos(KeyHelpWindow, NULL, origin.x, origin.y, KeyHelpWidth, KeyHelpHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(KeyHelpWindow, NULL, TRUE);
}

void RelayoutKeyHelp()
{
    RelayoutKeyHelpAt(WindowDpi(KeyHelpWindow ? KeyHelpWindow : KeyHelpOwner));
}

// ---- window

static void OnKeyHelpPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) return;
    HGDIOBJ oldFont = KeyHelpFont ? SelectObject(dc, KeyHelpFont) : NULL;
    for (int row = 0; row < VLM_KEYHELP_ROWS; row++) {
        const char* name = KeyHelpNames[row];
        if (name[0])
            TextOutA(dc, KeyHelpClass.keyX, KeyHelpClass.firstY + row * KeyHelpClass.pitch, name,
                     lstrlenA(name));
    }
    for (int row = 0; row < VLM_KEYHELP_ROWS; row++) {
        const char* text = KeyHelpDescriptions[row];
        if (text[0])
            TextOutA(dc, KeyHelpClass.descriptionX, KeyHelpClass.firstY + row * KeyHelpClass.pitch,
                     text, lstrlenA(text));
    }
    if (oldFont) SelectObject(dc, oldFont);
    EndPaint(window, &ps);
}

static LRESULT CALLBACK KeyHelpWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnKeyHelpPaint(window);
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another scaling: class, font and place there.
        RelayoutKeyHelpAt(HIWORD(wParam));
        return 0;
    }
    if (ForwardCompanionInput(KeyHelpOwner, message, wParam, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

int CreateKeyHelpWindow(HWND mainWindow)
{
    if (!LoadKeyHelpTexts()) return 0;
    KeyHelpOwner = mainWindow;
    LayoutKeyHelp();
    CreateKeyHelpFont(FALSE);

    if (!RegisterCompanionClass(VLM_KEYHELP_CLASS, KeyHelpWindowProc, WHITE_BRUSH)) {
        SetErrorLast(VLM_ERR_FATAL, "キー操作ヘルプウィンドウの RegisterClass 失敗しました。");
        DestroyKeyHelpWindow();
        return 0;
    }

    POINT origin = KeyHelpOrigin();
    SetLastError(0);
    KeyHelpWindow = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_TOPMOST, VLM_KEYHELP_CLASS,
                                    VLM_MAIN_TITLE, WS_POPUP, origin.x, origin.y, KeyHelpWidth,
                                    KeyHelpHeight, mainWindow, NULL, CompanionInstance(), NULL);
    if (!KeyHelpWindow) {
        SetErrorLast(VLM_ERR_FATAL, "キー操作ヘルプウィンドウの CreateWindow に失敗しました。");
        UnregisterClassA(VLM_KEYHELP_CLASS, CompanionInstance());
        DestroyKeyHelpWindow();
        return 0;
    }
    return 1;
}

void DestroyKeyHelpWindow()
{
    if (KeyHelpWindow) {
        DestroyWindow(KeyHelpWindow);
        KeyHelpWindow = NULL;
        UnregisterClassA(VLM_KEYHELP_CLASS, CompanionInstance());
    }
    if (KeyHelpFont) DeleteObject(KeyHelpFont);
    KeyHelpFont = NULL;
    KeyHelpOwner = NULL;
    KeyHelpShown = FALSE;
}
