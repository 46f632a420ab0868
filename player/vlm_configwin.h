// Configuration dialogs: property sheet, settings pages, program list editor,
// folder selection and history dialogs.
#pragma once
#include <windows.h>
#include "vlm_global.h"

// ---- folder browser, folder selection and history dialogs (vlm_configwin_folder.cpp)

// Shell folder browser with path (260 bytes) preselected. 1 and the chosen
// folder in path; 0 when cancelled (path unchanged).
int BrowseForFolder(HWND owner, char* path);
// Folder selection dialog (dialog 1000) over owner. 1 when a folder was
// chosen and written (DIRNAME and PROGRAM_PLAY hold it), 2 when cancelled.
int FolderSelectDialog(HWND owner);
// History dialog (dialog 1005) over owner. 1 when a folder was picked
// (DIRNAME and the live history links hold it, in memory), 2 when cancelled.
int HistoryDialog(HWND owner);
// Removes the keyboard hook, the image list and the tooltips of the open
// folder dialog; called on every way out of either dialog.
void EndFolderDialog();
// Key label of the n-th pinned entry (1..48): "F1".."F12", "F1+Sh"..,
// "F1+Ct"..,"F1+ShCt"..; label holds VLM_FOLDER_KEY_LABEL_CHARS bytes.
#define VLM_FOLDER_KEY_LABEL_CHARS 16
void FolderKeyLabel(int n, char* label);
// The rows of the history list over links (HistoryLive or HistoryWork): the
// used list from its head, row 0 first.
int HistoryRowCount(int links);
// Key column of a row: the label of its rank among the pinned rows counted
// from the top, empty when the row is not pinned.
void HistoryRowLabel(int links, int row, char* label);
// First row whose folder equals folder (case-insensitive); -1 when none.
int HistoryRowOfFolder(int links, const char* folder);
// The edit buttons of the history dialog on links with row selected (-1:
// none). Gives the row selected afterwards (unchanged when the first row
// goes up or the last down), or a refusal.
enum { HistoryEditPin = 0, HistoryEditUp = 1, HistoryEditDown = 2, HistoryEditDelete = 3 };
enum { HistoryRefusedNoSelection = -1, HistoryRefusedWholeHistory = -2 };
int EditHistory(int links, int edit, int row);

// ---- dialog tooltips (vlm_configwin_tips.cpp)

// Dialog numbers of the tooltip table.
enum { TipsHistory = 1, TipsFolderSelect = 2, TipsProgramEntry = 3 };
// Tooltips for the controls of dialogNumber; the dialog destroys the
// returned window when it closes.
HWND AttachDialogTips(int dialogNumber, HWND dialog);

// ---- property sheet, help panes, program-play sync (vlm_configwin_sheet.cpp)

// Runs the configuration property sheet; the result is the exit code
// (always 0; failures leave ErrorText).
int ShowConfigurationSheet();

// Page numbers of the help panes and the help text table.
enum { PaneProgram = 1, PanePage1 = 2, PanePage2 = 3, PanePage3 = 4 };

// The help texts: one slot per group of HelpTextTable, 639 bytes and a
// terminator each.
#define VLM_HELP_SLOTS 50
#define VLM_HELP_SLOT_BYTES 640
// Per group: help string id, page number, the control ids, 0; a 0 string id
// ends the table. Group k is slot k.
extern const int HelpTextTable[];
// Loads the strings of the table from module into store; 0 with ErrorText
// when a string cannot be loaded or the table has too many groups.
int LoadHelpTextStore(HINSTANCE module, char* store);
// Slot of the help text of control controlId on page pageNumber; -1: none.
int HelpSlotOf(int pageNumber, int controlId);

// Windows of the running sheet; NULL until created.
extern HWND SheetWindow;
extern HWND SettingsPage1Window;
extern HWND ProgramPageWindow;

// Names exchanged with the program entry dialog: one full path, or a folder
// and file names, each zero-terminated, ending with an empty text.
#define VLM_ENTRY_NAME_BYTES 4096
extern char* EntryNameBuffer;

// The help pane of page pageNumber: a hover-only tooltip over the page's
// listed controls; the page keeps the returned window.
HWND AttachHelpPane(int pageNumber, HWND page);
// WM_PAINT and the tooltip text request of a page with a help pane: TRUE
// when the message was the pane's (the page then reports it handled).
BOOL HandleHelpPane(int pageNumber, HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Destroys the help pane tooltips of the pages that exist.
void DestroyPageTips();
// The sheet's own layouts at its DPI, once the dialog manager has laid the
// controls out for it: help panes, the key page's origin, list columns (from
// the DPI they had) and the page area grown to the pages.
void RelayoutSheetForDpi(HWND sheet);

// A column of a report list view.
struct ListColumn {
    const char* title;
    int format;  // LVCFMT_LEFT or LVCFMT_RIGHT
    int width;   // pixels at 100 %
};
// Full-row selection and the columns, left to right (history and program lists).
void SetUpReportList(HWND list, const ListColumn* columns, int count);

// The two program-play check boxes (1419 on page 1, 1420 on the program
// page) kept in step, with the folder box of page 1.
enum {
    SyncPage1Opens = 0,
    SyncProgramPageOpens = 1,
    SyncPage1Clicked = 2,
    SyncProgramPageClicked = 3,
    SyncSet = 4,
};
void ProgramPlaySync(int kind, BOOL state, BOOL setCheck1419, BOOL setCheck1420, char* folderText,
                     BOOL setEnable);

// ---- settings pages 1 to 3 (vlm_configwin_pages.cpp)

INT_PTR CALLBACK SettingsPage1Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsPage2Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SettingsPage3Proc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Answer of a page to OK once it has written its keys: done, or, when a
// write failed since failuresBefore (SettingsWriteFailures), the user is
// told that the settings could not be saved, with the file, and the sheet
// stays open.
#define VLM_TEXT_UNSAVED_SETTINGS "設定を保存できませんでした。"
INT_PTR AnswerPageApply(HWND page, int failuresBefore);
// A number box's text read as the C run-time's atoi reads its first chars
// characters (leading blanks and one sign, up to the first non-digit).
int ParseBoxNumber(const char* text, int chars);
int ReadBoxNumber(HWND dialog, int id, int chars);
// The number a settings page stores for box controlId: value, or the box's
// replacement when value is outside the box's range.
int PageNumberValue(int controlId, int value);

// ---- program page and entry dialog (vlm_configwin_program.cpp)

INT_PTR CALLBACK ProgramPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// One entry of the program list: start 0 means no start time, end -1 no
// end time (play to the end).
struct ProgramRow {
    char path[VLM_PATH_CHARS];
    int start;
    int end;
};
struct ProgramRows {
    int count;
    BOOL changed;  // the list was edited; nothing is written without it
    ProgramRow row[VLM_PROGRAM_ENTRIES];
};
// The PROGRAM_ groups of the settings file up to the first empty name; a
// missing or negative start reads as 0, an end below -1 as -1.
void ReadProgramRows(ProgramRows* rows);
// Only when changed: rows 01..count, empty groups up to 100, and the
// program resume point back to the first entry.
void WriteProgramRows(const ProgramRows* rows);
// The list cells of a row's times: empty when not set. 16 bytes each.
void ProgramCellTexts(const ProgramRow* row, char* start, char* end);

// Cuts path at its last backslash ("C:\a\b.avi" -> "C:\a"); a bare drive
// keeps its backslash; a path without one stays as it is.
void ParentFolder(char* path);
// names: a full path, or a folder and file names, each zero-terminated,
// the list ending with an empty text, within capacity bytes. With out NULL:
// the number of files (0 when the list is empty or unterminated). Else the
// full path of file index into out (260 bytes): 1, or 0 with out empty when
// there is no such file or its path would not fit.
int SplitSelection(const char* names, int capacity, char* out, int index);
// The file-open dialog's wide selection (a full path, or a folder and file
// names, each zero-terminated, ending with an empty text, within capacity
// characters) as ANSI names of the same form (namesBytes), keeping only the
// files whose path the code page spells exactly; the names of the others (a
// single file: its name without the folder) go to leftOut, one a line, as
// far as they fit. The number kept (with none, names is empty), or -1 when
// the kept names do not fit in namesBytes.
int KeepSpelledFiles(const WCHAR* selection, int capacity, char* names, int namesBytes, WCHAR* leftOut,
                     int leftOutChars);
// The message with which the entry dialog refuses an entry, NULL when it
// takes it. typed: the text of the path box, NULL when the files came from
// the file-open dialog; full (260 bytes) receives its full path. The times
// as read from the boxes, with their check boxes.
const char* EntryRefusal(const char* typed, char* full, BOOL hasStart, int start, BOOL hasEnd, int end);
// The file-open dialog's start folder (260 bytes), when it has none yet:
// the folder of the list's last path (lastPath NULL: empty list), else the
// folder box of page 1, else "C:\".
void PickBrowseStartFolder(char* folder, const char* lastPath, const char* folderBox);
