// The status overlay: a one-line white bar across the top of the screen with
// the play time, the state letter and the information text. It takes no
// input of its own; keys and clicks go on to the main window.
#include "vlm_subwin.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"
#include "vlm_util.h"

#define VLM_OVERLAY_CLASS "FrontWindowClass"
#define VLM_OVERLAY_TITLE "Velmora"
#define VLM_OVERLAY_FACE "MS UI Gothic"

HWND StatusOverlay;
static HWND OverlayOwner;
static HFONT OverlayFont;
static int OverlayDpi;
static int OverlayBarHeight;
static OverlayWidths OverlayTextWidths;
static RECT OverlayTimeRect;
static RECT OverlayStatusRect;

// ---- arithmetic

static BOOL ShowsHours(LONGLONG stopPosition)
{
    return stopPosition / VLM_UNITS_PER_SECOND >= 3600;
}

void CalcOverlayRects(LONGLONG stopPosition, int barHeight, const OverlayWidths* widths,
                      RECT* timeRect, RECT* statusRect)
{
    BOOL hours = ShowsHours(stopPosition);
    timeRect->left = 0;
    timeRect->top = 0;
    timeRect->right = hours ? widths->timeLong : widths->timeShort;
    timeRect->bottom = barHeight;
    statusRect->left = hours ? widths->totalLong : widths->totalShort;
    statusRect->top = 0;
    statusRect->right = statusRect->left + widths->letter;
    statusRect->bottom = barHeight;
}

static BOOL RectWithin(const RECT* inner, const RECT* outer)
{
    return inner->left >= outer->left && inner->top >= outer->top &&
           inner->right <= outer->right && inner->bottom <= outer->bottom;
}

int ChooseOverlayPaintKind(const RECT* update, const RECT* timeRect, const RECT* statusRect)
{
    if (RectWithin(update, timeRect)) return OverlayPaintTime;
    if (RectWithin(update, statusRect)) return OverlayPaintLetter;
    return OverlayPaintAll;
}

// Hours (modulo 100), minutes and seconds of a position.
static void SplitTime(LONGLONG position, int* h, int* m, int* s)
{
    LONGLONG t = position / VLM_UNITS_PER_SECOND;
    *h = (int)(t / 3600 % 100);
    *m = (int)(t / 60 % 60);
    *s = (int)(t % 60);
}

void FormatOverlayTime(LONGLONG current, LONGLONG stop, int withTotal, char* text)
{
    int h, m, s, H, M, S;
    SplitTime(current, &h, &m, &s);
    SplitTime(stop, &H, &M, &S);
    if (!ShowsHours(stop)) {
        if (withTotal)
            wsprintfA(text, "%02d:%02d / %02d:%02d", m, s, M, S);
        else
            wsprintfA(text, "%02d:%02d", m, s);
    } else {
        if (withTotal)
            wsprintfA(text, "%02d:%02d:%02d / %02d:%02d:%02d", h, m, s, H, M, S);
        else
            wsprintfA(text, "%02d:%02d:%02d", h, m, s);
    }
}

void FormatOverlayInfo(const OverlayInfoInputs* in, char* text)
{
    int length = 0;
    text[0] = '\0';
    if (in->dispResoSize)
        length += wsprintfA(text + length, "(%dx%d %dbit) ", (int)(in->screenWidth % 100000),
                            (int)(in->screenHeight % 100000), (int)(in->bitsPerPel % 1000));
    if (in->dispVideoSize)
        length += wsprintfA(text + length, "[%dx%d] ", in->videoWidth % 100000,
                            in->videoHeight % 100000);
    if (in->name) {
        length += wsprintfA(text + length, "(%d/%d) ", in->playNo % 100000, in->count % 100000);
        lstrcpynA(text + length, in->name, VLM_PATH_CHARS);
    }
}

static char AudioDigit(int currentAudioStream)
{
    if (currentAudioStream >= 0 && currentAudioStream <= 8) return (char)('1' + currentAudioStream);
    if (currentAudioStream == 9) return '0';
    return '1';
}

char ChooseStateLetter(const StateLetterInputs* in, COLORREF* colour)
{
    const COLORREF audioColour = RGB(255, 153, 255);
    if (in->audioDispPriority && in->hasStreamSelect) {
        *colour = audioColour;
        return AudioDigit(in->currentAudioStream);
    }
    if (in->userStopped) { *colour = RGB(255, 0, 0); return 'S'; }
    if (in->abLoopState == 2) { *colour = RGB(0, 255, 0); return 'B'; }
    if (in->abLoopState == 1) { *colour = RGB(0, 255, 0); return 'A'; }
    if (in->introPlay) { *colour = RGB(0, 255, 255); return 'I'; }
    if (in->skipPlayMode == 1) { *colour = RGB(175, 238, 238); return 'K'; }
    if (in->skipPlayMode == 2) { *colour = RGB(176, 196, 222); return 'K'; }
    if (in->fileLoop) { *colour = RGB(0, 0, 255); return 'L'; }
    if (in->mute) { *colour = RGB(153, 0, 255); return 'Q'; }
    if (in->hasStreamSelect) {
        *colour = audioColour;
        return AudioDigit(in->currentAudioStream);
    }
    return 0;
}

// ---- painting

static void DrawOverlayTime(HDC dc, int kind)
{
    char timeText[VLM_OVERLAY_TIME_CHARS];
    FormatOverlayTime(GraphState.CurrentPosition, GraphState.StopPosition,
                      kind == OverlayPaintAll, timeText);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, OverlayTimeRect.left, OverlayTimeRect.top, timeText, lstrlenA(timeText));
    if (kind != OverlayPaintAll) return;

    const MediaFileEntry* entry = MediaFileList.current;
    OverlayInfoInputs in;
    in.dispResoSize = Settings.DispResoSize;
    in.screenWidth = ScreenMode.ScreenWidth;
    in.screenHeight = ScreenMode.ScreenHeight;
    in.bitsPerPel = ScreenMode.ScreenBitsPerPel;
    in.dispVideoSize = Settings.DispVideoSize;
    in.videoWidth = GraphState.VideoWidth;
    in.videoHeight = GraphState.VideoHeight;
    in.playNo = entry ? entry->playNo : 0;
    in.count = MediaFileList.count;
    in.name = entry ? entry->name : NULL;
    char info[VLM_OVERLAY_INFO_CHARS];
    FormatOverlayInfo(&in, info);
    if (info[0] != '\0')
        TextOutA(dc, OverlayStatusRect.right, OverlayTimeRect.top, info, lstrlenA(info));
}

static void DrawOverlayLetter(HDC dc)
{
    StateLetterInputs in;
    in.audioDispPriority = Settings.AudioDispPriority;
    in.hasStreamSelect = GraphState.StreamSelect != NULL;
    in.currentAudioStream = GraphState.CurrentAudioStream;
    in.userStopped = GraphState.UserStopped;
    in.abLoopState = GraphState.ABLoopState;
    in.introPlay = Settings.IntroPlay;
    in.skipPlayMode = Settings.SkipPlayMode;
    in.fileLoop = Settings.FileLoop;
    in.mute = Settings.Mute;
    COLORREF colour = 0;
    char letter = ChooseStateLetter(&in, &colour);
    RECT box = OverlayStatusRect;
    if (letter) {
        SetTextColor(dc, colour);
        DrawTextA(dc, &letter, 1, &box, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        return;
    }
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

static void OnOverlayPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) return;
    int kind = ChooseOverlayPaintKind(&ps.rcPaint, &OverlayTimeRect, &OverlayStatusRect);
    HGDIOBJ oldFont = SelectObject(dc, OverlayFont);
    SetBkColor(dc, RGB(255, 255, 255));
    if (kind == OverlayPaintAll || kind == OverlayPaintTime) DrawOverlayTime(dc, kind);
    if (kind == OverlayPaintAll || kind == OverlayPaintLetter) DrawOverlayLetter(dc);
    SelectObject(dc, oldFont);
    EndPaint(window, &ps);
}

static void OnOverlayDpiChanged(HWND window, int dpi);

static LRESULT CALLBACK OverlayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        OnOverlayPaint(window);
        return 0;
    case WM_DPICHANGED:
        OnOverlayDpiChanged(window, HIWORD(wParam));
        return 0;
    }
    if (ForwardCompanionInput(OverlayOwner, message, wParam, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// ---- creation, layout, destruction

static void MeasureOverlayText(HDC dc, const char* text, int* width)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    *width = size.cx;
}

static void MeasureOverlay(HWND window)
{
    TEXTMETRICA metrics;
    ZeroMemory(&metrics, sizeof(metrics));
    HDC dc = GetDC(window);
    if (dc) {
        HGDIOBJ old = SelectObject(dc, OverlayFont);
        GetTextMetricsA(dc, &metrics);
        MeasureOverlayText(dc, "00:00:00", &OverlayTextWidths.timeLong);
        MeasureOverlayText(dc, "00:00", &OverlayTextWidths.timeShort);
        MeasureOverlayText(dc, "00:00:00 / 00:00:00", &OverlayTextWidths.totalLong);
        MeasureOverlayText(dc, "00:00 / 00:00", &OverlayTextWidths.totalShort);
        MeasureOverlayText(dc, "W", &OverlayTextWidths.letter);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    OverlayBarHeight = metrics.tmHeight + ScaleForDpi(1, OverlayDpi);
}

// DISP_FONTSIZE is the height at 100 %.
static HFONT CreateOverlayFont(int dpi)
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof(font));
    font.lfHeight = ScaleForDpi(Settings.DispFontSize, dpi);
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynA(font.lfFaceName, VLM_OVERLAY_FACE, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

int CreateStatusOverlay(HWND mainWindow)
{
    // The bar lies on the main window's monitor.
    OverlayDpi = WindowDpi(mainWindow);
    SetLastError(0);
    OverlayFont = CreateOverlayFont(OverlayDpi);
    if (!OverlayFont) return SetErrorLast(VLM_ERR_FATAL, "論理フォントの生成に失敗しました。");

    if (!RegisterCompanionClass(VLM_OVERLAY_CLASS, OverlayWindowProc, WHITE_BRUSH)) {
        DWORD code = GetLastError();
        DeleteObject(OverlayFont);
        OverlayFont = NULL;
        return SetError(VLM_ERR_FATAL, "フロントウィンドウの RegisterClass 失敗しました。", code);
    }

    OverlayOwner = mainWindow;
    SetLastError(0);
    StatusOverlay = CreateWindowExA(WS_EX_TOPMOST, VLM_OVERLAY_CLASS, VLM_OVERLAY_TITLE, WS_POPUP,
                                    ScreenMode.ScreenLeft, ScreenMode.ScreenTop,
                                    (int)ScreenMode.ScreenWidth, 10, mainWindow, NULL,
                                    CompanionInstance(), NULL);
    if (!StatusOverlay) {
        DWORD code = GetLastError();
        UnregisterClassA(VLM_OVERLAY_CLASS, CompanionInstance());
        DeleteObject(OverlayFont);
        OverlayFont = NULL;
        OverlayOwner = NULL;
        return SetError(VLM_ERR_FATAL, "フロントウィンドウの CreateWindow に失敗しました。", code);
    }

    MeasureOverlay(StatusOverlay);
    SetWindowPos(StatusOverlay, NULL, 0, 0, (int)ScreenMode.ScreenWidth, OverlayBarHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutStatusOverlay();
    // Shown without activation: keys must keep going to the main window.
    if (Settings.DispFilename) ShowWindow(StatusOverlay, SW_SHOWNOACTIVATE);
    return 1;
}

void DestroyStatusOverlay()
{
    if (StatusOverlay) {
        DestroyWindow(StatusOverlay);
        StatusOverlay = NULL;
        UnregisterClassA(VLM_OVERLAY_CLASS, CompanionInstance());
    }
    if (OverlayFont) {
        DeleteObject(OverlayFont);
        OverlayFont = NULL;
    }
    OverlayOwner = NULL;
}

// Moved to a monitor of another scaling: the bar keeps its look there.
static void OnOverlayDpiChanged(HWND window, int dpi)
{
    HFONT font = CreateOverlayFont(dpi);
    // Without a new font the old one still draws legibly.
    if (font == NULL) return;
    HFONT old = OverlayFont;
    OverlayFont = font;
    OverlayDpi = dpi;
    DeleteObject(old);
    MeasureOverlay(window);
    ResizeStatusOverlay();
    LayoutStatusOverlay();
    InvalidateRect(window, NULL, TRUE);
}

void LayoutStatusOverlay()
{
    CalcOverlayRects(GraphState.StopPosition, OverlayBarHeight, &OverlayTextWidths,
                     &OverlayTimeRect, &OverlayStatusRect);
}

void ResizeStatusOverlay()
{
    if (!StatusOverlay) return;
    // The playing monitor may have moved on the desktop.
    SetWindowPos(StatusOverlay, NULL, ScreenMode.ScreenLeft, ScreenMode.ScreenTop,
                 (int)ScreenMode.ScreenWidth, OverlayBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void RedrawOverlayTime()
{
    if (StatusOverlay) InvalidateRect(StatusOverlay, &OverlayTimeRect, TRUE);
}

void RedrawOverlayStatus()
{
    if (StatusOverlay) InvalidateRect(StatusOverlay, &OverlayStatusRect, TRUE);
}
