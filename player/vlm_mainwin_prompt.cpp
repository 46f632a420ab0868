// Failure prompt: the question after a failure of the play driver, with the
// companions hidden, the user's display mode back and the cursor shown.
#include "vlm_configwin.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_mainwin.h"
#include "vlm_subwin.h"
#include "vlm_util.h"

void ComposeFailureText(int errorCode, const char* errorText, const char* name, char* text)
{
    const char* shown = name ? name : "...";
    if (errorCode == VLM_ERR_FILEFAILED) {
        wsprintfA(text,
                  "%s の再生に失敗しました。\r\n（エラー詳細：%s）\r\n\r\nどうしますか？\r\n\r\n"
                  "はい：次のファイルを再生する，いいえ：フォルダ選択画面を表示，キャンセル：終了",
                  shown, errorText);
    } else if (errorCode == VLM_ERR_PROGRAMFILE) {
        wsprintfA(text, "%s\r\n（ファイル名：%s）\r\nフォルダ選択画面を表示しますか？", errorText,
                  shown);
    } else {
        wsprintfA(text, "%s\r\nフォルダ選択画面を表示しますか？", errorText);
    }
}

// The folder selection after the user asked for it: 1 when a folder was chosen.
static int ChooseFolder()
{
    FreeMediaList();
    return FolderSelectDialog(MainWindow) == 1 ? 1 : 0;
}

// The question itself, by ErrorCode; clears the pending error.
static int AskUser()
{
    int code = Settings.ErrorCode;
    const char* name = MediaFileList.current ? MediaFileList.current->name : NULL;
    char text[VLM_PROMPT_CHARS];

    if (code == VLM_ERR_NOFILE || code == VLM_ERR_NOFOLDER || code == VLM_ERR_PROGRAMFILE) {
        ComposeFailureText(code, Settings.ErrorText, name, text);
        int answer = MessageBoxA(MainWindow, text, NULL, MB_OKCANCEL);
        ClearError();
        return answer == IDOK ? ChooseFolder() : 0;
    }
    if (code == VLM_ERR_FILEFAILED) {
        ComposeFailureText(code, Settings.ErrorText, name, text);
        int answer = MessageBoxA(MainWindow, text, NULL, MB_YESNOCANCEL);
        ClearError();
        if (answer == IDYES) return 2;
        if (answer == IDNO) return ChooseFolder();
        return 0;
    }
    return ChooseFolder();
}

int FailurePrompt()
{
    ReleaseProbe();

    // Hide the companions for the question and remember which were shown.
    BOOL overlayShown = Settings.DispFilename;
    if (overlayShown) {
        Settings.DispFilename = FALSE;
        if (StatusOverlay) ShowWindow(StatusOverlay, SW_HIDE);
    }
    int playlistPosition = Settings.PlaylistPosition;
    if (playlistPosition != 0) {
        Settings.PlaylistPosition = 0;
        if (PlaylistWindow) ShowWindow(PlaylistWindow, SW_HIDE);
    }
    BOOL keyHelpShown = KeyHelpShown;
    if (keyHelpShown) {
        KeyHelpShown = FALSE;
        if (KeyHelpWindow) ShowWindow(KeyHelpWindow, SW_HIDE);
    }

    ReleaseDirectDraw();

    int result = 0;
    BOOL displayReady = TRUE;
    if (Settings.ChangeResolution) {
        RestoreDisplayMode();
        displayReady = GetScreenMode(MainWindow) && LayoutScreenWindows();
    }

    if (displayReady) {
        ShowPlayCursor();
        ModalPromptActive = TRUE;
        result = AskUser();
    }

    ModalPromptActive = FALSE;
    SetCursorPos(ScreenCentre.x, ScreenCentre.y);
    if (result == 0) return 0;

    if (!Settings.VisualDebug) HidePlayCursor();
    Settings.DispFilename = overlayShown;
    if (overlayShown && StatusOverlay) ShowWindow(StatusOverlay, SW_SHOWNA);
    Settings.PlaylistPosition = playlistPosition;
    if (playlistPosition != 0 && PlaylistWindow) {
        // Laid out for the restored mode while hidden, it got the hidden
        // state's quarter width: its own size comes back with it.
        MovePlaylistWindow();
        ShowWindow(PlaylistWindow, SW_SHOWNA);
    }
    KeyHelpShown = keyHelpShown;
    if (keyHelpShown && KeyHelpWindow) ShowWindow(KeyHelpWindow, SW_SHOWNA);
    return result;
}
