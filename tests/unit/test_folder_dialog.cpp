// The folder dialogs: key labels, the history dialog's edits against a plain
// reference model, and the real history dialog driven by a scripted host.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <functional>
#include <random>
#include <string>
#include <vector>
#include "support_ini.h"
#include "support_resources.h"
#include "vlm_configwin.h"
#include "vlm_global.h"
#include "vlm_mainwin.h"
#include "vlm_util.h"

namespace {

std::string Label(int n)
{
    char label[VLM_FOLDER_KEY_LABEL_CHARS];
    FolderKeyLabel(n, label);
    return label;
}

// By rank of the pinned entry, and of the key that selects that entry.
TEST(FolderKeyLabel, ByRankAndByKey)
{
    const struct { int n; const char* label; } ranks[] = {
        {1, "F1"}, {12, "F12"}, {13, "F1+Sh"}, {24, "F12+Sh"}, {25, "F1+Ct"},
        {36, "F12+Ct"}, {37, "F1+ShCt"}, {48, "F12+ShCt"}, {0, ""}, {49, ""},
    };
    for (const auto& r : ranks) EXPECT_EQ(r.label, Label(r.n)) << r.n;
    const struct { int key; BOOL shift, ctrl; const char* label; } keys[] = {
        {VK_F1, FALSE, FALSE, "F1"},   {VK_F1, TRUE, FALSE, "F1+Sh"},    {VK_F13, FALSE, FALSE, "F1+Sh"},
        {VK_F1, FALSE, TRUE, "F1+Ct"}, {VK_F12, TRUE, TRUE, "F12+ShCt"}, {VK_F13, FALSE, TRUE, "F1+ShCt"},
    };
    for (const auto& r : keys)
        EXPECT_EQ(r.label, Label(FolderKeyNumber(r.key, r.shift, r.ctrl))) << r.key << r.shift << r.ctrl;
}

// ---- history rows: "A*" is folder A pinned; the working links hold them.

std::string FolderOf(char name)
{
    return std::string("C:\\Media\\") + name;
}

// Loads the folders unpinned (loading would gather the pinned ones), then
// pins them, so any order can be set up; the working copy is the same.
void StartHistory(const std::string& rows, const char* dirName = "")
{
    IniPairs pairs;
    std::vector<bool> pins;
    for (size_t i = 0; i < rows.size(); i++) {
        if (rows[i] == ' ' || rows[i] == '*') continue;
        char key[64];
        NumberedKey(key, VLM_KEY_HISTORY_DIRNAME, (int)pins.size() + 1);
        pairs.push_back({key, FolderOf(rows[i])});
        pins.push_back(i + 1 < rows.size() && rows[i + 1] == '*');
    }
    ResetSettings(WriteTestIni("folderdlg", IniText(pairs)));
    Settings.Instance = PlayerResources();
    ASSERT_EQ(LoadHistory(), 1);
    lstrcpynA(Settings.DirName, dirName, VLM_PATH_CHARS);
    for (size_t r = 0; r < pins.size(); r++)
        Settings.FolderHistory.live.node[FindSlot(HistoryLive, NthEntry, 1, -1, (int)r + 1)].pinned = pins[r];
    Settings.FolderHistory.work = Settings.FolderHistory.live;
}

// "A*F1 B C*F2": each row's folder letter, pinned mark and key label.
std::string ShownRows(int links)
{
    std::string shown;
    for (int r = 0; r < HistoryRowCount(links); r++) {
        int s = FindSlot(links, NthEntry, 1, -1, r + 1);
        const HistoryLinks& l = links == HistoryWork ? Settings.FolderHistory.work : Settings.FolderHistory.live;
        char label[VLM_FOLDER_KEY_LABEL_CHARS];
        HistoryRowLabel(links, r, label);
        shown += (r ? " " : "") + std::string(1, Settings.FolderHistory.slot[s].folder[9]) +
                 (l.node[s].pinned ? "*" : "") + label;
    }
    return shown;
}

struct ModelRow { char name; bool pinned; };

// The rules as a user reads them, over a plain vector.
int ModelEdit(std::vector<ModelRow>& rows, int edit, int row)
{
    int count = (int)rows.size();
    if (edit == HistoryEditDelete && count < 2) return HistoryRefusedWholeHistory;
    if (row < 0 || row >= count) return HistoryRefusedNoSelection;
    if (edit == HistoryEditPin) rows[row].pinned = !rows[row].pinned;
    int to = edit == HistoryEditUp ? row - 1 : edit == HistoryEditDown ? row + 1 : row;
    if (to >= 0 && to < count && to != row) {
        std::swap(rows[row], rows[to]);
        row = to;
    }
    if (edit == HistoryEditDelete) {
        rows.erase(rows.begin() + row);
        row = row > 0 ? row - 1 : 0;
    }
    return row;
}

std::string ModelShown(const std::vector<ModelRow>& rows)
{
    std::string shown;
    int pinned = 0;
    for (size_t r = 0; r < rows.size(); r++)
        shown += (r ? " " : "") + std::string(1, rows[r].name) +
                 (rows[r].pinned ? "*" + Label(++pinned) : "");
    return shown;
}

TEST(HistoryEdit, MovesRelabelsAndRefusals)
{
    const struct { const char* start; int edit, row, result; const char* shown; } rows[] = {
        // A pinned entry above an unpinned one takes its label along; above
        // another pinned one each row keeps its ordinal label.
        {"A* B C*", HistoryEditUp, 2, 1, "A*F1 C*F2 B"},
        {"A* B* C", HistoryEditUp, 1, 0, "B*F1 A*F2 C"},
        {"A* B* C", HistoryEditDown, 0, 1, "B*F1 A*F2 C"},
        {"A* B C", HistoryEditUp, 0, 0, "A*F1 B C"},
        // Unpinning the first of three relabels the others.
        {"A* B* C* D", HistoryEditPin, 0, 0, "A B*F1 C*F2 D"},
        {"A B* C*", HistoryEditDelete, 2, 1, "A B*F1"},
        {"A* B* C", HistoryEditDelete, 0, 0, "B*F1 C"},
        {"A", HistoryEditDelete, 0, HistoryRefusedWholeHistory, "A"},
        {"A B", HistoryEditUp, -1, HistoryRefusedNoSelection, "A B"},
    };
    for (const auto& r : rows) {
        StartHistory(r.start);
        EXPECT_EQ(r.result, EditHistory(HistoryWork, r.edit, r.row)) << r.start << " edit " << r.edit;
        EXPECT_EQ(r.shown, ShownRows(HistoryWork)) << r.start << " edit " << r.edit << " row " << r.row;
    }
}

TEST(HistoryEdit, RandomEditsMatchTheReferenceModel)
{
    std::mt19937 rng(91);
    for (int round = 0; round < 40; round++) {
        std::vector<ModelRow> model;
        std::string start;
        for (int i = 0, n = 1 + (int)(rng() % 8); i < n; i++) {
            model.push_back({(char)('A' + i), rng() % 3 == 0});
            start += std::string(i ? " " : "") + (char)('A' + i) + (model.back().pinned ? "*" : "");
        }
        StartHistory(start);
        for (int step = 0; step < 30; step++) {
            int edit = (int)(rng() % 4), row = (int)(rng() % (model.size() + 2)) - 1;
            ASSERT_EQ(ModelEdit(model, edit, row), EditHistory(HistoryWork, edit, row)) << start << " step " << step;
            ASSERT_EQ(ModelShown(model), ShownRows(HistoryWork)) << start << " step " << step;
            ASSERT_EQ("", CheckHistoryLinks(Settings.FolderHistory.work, false));
        }
    }
}

// ---- the real history dialog, driven by a script on a thread timer that
// runs inside the dialog's own message loop.

struct Host {
    std::vector<std::function<bool(HWND)>> steps;
    size_t next = 0;
    int ticks = 0;
    std::vector<std::string> messages;  // texts of the message boxes closed
};
Host* Running;

struct OwnedSearch { HWND owner, found; const char* cls; };

BOOL CALLBACK MatchOwned(HWND window, LPARAM param)
{
    OwnedSearch* search = (OwnedSearch*)param;
    char name[64];
    GetClassNameA(window, name, sizeof(name));
    if (GetWindow(window, GW_OWNER) == search->owner && lstrcmpA(name, search->cls) == 0) search->found = window;
    return search->found == NULL;
}

// A top-level window of this thread with that owner and class.
HWND FindOwned(HWND owner, const char* cls)
{
    OwnedSearch search = {owner, NULL, cls};
    EnumThreadWindows(GetCurrentThreadId(), MatchOwned, (LPARAM)&search);
    return search.found;
}

void CALLBACK HostTick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindWindowA("#32770", "履歴参照");
    if (!Running || !dialog) return;
    if (++Running->ticks > 400) {  // 20 s: give up rather than hang
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        ADD_FAILURE() << "script stuck at step " << Running->next;
        return;
    }
    if (Running->next < Running->steps.size() && Running->steps[Running->next](dialog)) Running->next++;
}

int RunHistoryDialog(Host& host)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Running = &host;
    UINT_PTR timer = SetTimer(NULL, 0, 50, HostTick);
    int result = HistoryDialog(NULL);
    KillTimer(NULL, timer);
    Running = NULL;
    EXPECT_EQ(host.steps.size(), host.next) << "steps left undone";
    return result;
}

std::function<bool(HWND)> Select(int row)
{
    return [row](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_HISTORY_LIST);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        if (row >= 0) ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        return true;
    };
}

// Posted, so that a message box it opens does not block the script.
std::function<bool(HWND)> Click(int id)
{
    return [id](HWND dialog) {
        return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)) != 0;
    };
}

std::function<bool(HWND)> CloseMessageBox()
{
    return [](HWND dialog) {
        HWND box = FindOwned(dialog, "#32770");
        if (!box || !IsWindowVisible(box)) return false;
        char text[256] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
        Running->messages.push_back(text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    };
}

// The list as shown: "A*F1 B" (folder letter, pinned image, key column).
std::string ListShown(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_HISTORY_LIST);
    std::string shown;
    for (int r = 0; r < ListView_GetItemCount(list); r++) {
        char folder[VLM_PATH_CHARS] = "", key[32] = "";
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = r;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
        ListView_GetItemText(list, r, 0, folder, sizeof(folder));
        ListView_GetItemText(list, r, 1, key, sizeof(key));
        shown += (r ? " " : "") + std::string(folder + 9) + (item.iImage ? "*" : "") + key;
    }
    return shown;
}

std::function<bool(HWND)> ExpectShown(std::string expected)
{
    return [expected](HWND dialog) {
        EXPECT_EQ(expected, ListShown(dialog));
        return true;
    };
}

// Cancel drops the edits; the tooltips of the six buttons go with the dialog.
TEST(HistoryDialogHost, CancelAfterEditsKeepsTheLiveHistory)
{
    StartHistory("A B C", FolderOf('D').c_str());
    static HWND tips;
    auto checkTips = [](HWND dialog) {
        tips = FindOwned(dialog, TOOLTIPS_CLASSA);
        EXPECT_EQ(6, SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0));
        EXPECT_EQ(300, SendMessageA(tips, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        EXPECT_EQ(327670, SendMessageA(tips, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
        char text[256] = "";
        TOOLINFOA tool = {TTTOOLINFOA_V2_SIZE, 0, dialog, (UINT_PTR)GetDlgItem(dialog, IDC_HISTORY_PIN)};
        tool.lpszText = text;
        SendMessageA(tips, TTM_GETTEXTA, sizeof(text), (LPARAM)&tool);
        EXPECT_STREQ("選択された履歴の固定化／解除を切り替えます。", text);
        return true;
    };
    Host host;
    host.steps = {ExpectShown("D A B C"),  // the current folder joined at open
                  checkTips, Select(0), Click(IDC_HISTORY_PIN), Select(3), Click(IDC_HISTORY_UP), Select(1),
                  Click(IDC_HISTORY_DELETE), ExpectShown("D*F1 C B"), Click(IDCANCEL)};
    EXPECT_EQ(2, RunHistoryDialog(host));
    EXPECT_EQ("D A B C", ShownRows(HistoryLive));
    EXPECT_EQ(FolderOf('D'), Settings.DirName);
    EXPECT_FALSE(IsWindow(tips));
}

TEST(HistoryDialogHost, OkAfterEditsPutsPinnedFirst)
{
    StartHistory("A* B* C D", FolderOf('C').c_str());
    Host host;
    host.steps = {ExpectShown("A*F1 B*F2 C D"), Select(0), Click(IDC_HISTORY_PIN), Select(3),
                  Click(IDC_HISTORY_PIN), Click(IDC_HISTORY_UP), ExpectShown("A B*F1 D*F2 C"), Select(0),
                  Click(IDOK)};
    EXPECT_EQ(1, RunHistoryDialog(host));
    EXPECT_EQ("B*F1 D*F2 A C", ShownRows(HistoryLive));
    EXPECT_EQ("", CheckHistoryLinks(Settings.FolderHistory.live, true));
    EXPECT_EQ(FolderOf('A'), Settings.DirName);
}

// Refusals keep the dialog open; a function key picks from the edited copy.
// (Each closed box costs Wine two seconds on a display without a window
// manager, so one edit button stands for the others.)
TEST(HistoryDialogHost, RefusalsThenFunctionKey)
{
    StartHistory("A* B C", FolderOf('C').c_str());  // opens as "A* C B"
    auto key = [](int vk, bool shift) {
        return [vk, shift](HWND dialog) {
            BYTE keys[256];
            GetKeyboardState(keys);
            keys[VK_SHIFT] = shift ? 0x80 : 0;
            SetKeyboardState(keys);
            return PostMessageA(dialog, WM_KEYDOWN, vk, 0) != 0;
        };
    };
    Host host;
    host.steps = {Select(-1), Click(IDOK), CloseMessageBox(), Click(IDC_HISTORY_PIN), CloseMessageBox(),
                  Select(0), Click(IDC_HISTORY_DELETE), Click(IDC_HISTORY_DELETE), Select(0), Click(IDC_HISTORY_PIN),
                  Click(IDC_HISTORY_DELETE), CloseMessageBox(), key(VK_F2, false), key(VK_F1, true),
                  key(VK_HOME, false), ExpectShown("B*F1"), key(VK_F1, false)};
    EXPECT_EQ(1, RunHistoryDialog(host));
    const std::string none = "項目が選択されていません。";
    EXPECT_EQ(std::vector<std::string>({none, none, "履歴の全部は削除はできません。"}), host.messages);
    EXPECT_EQ("B*F1", ShownRows(HistoryLive));
    EXPECT_EQ(FolderOf('B'), Settings.DirName);
}

}  // namespace
