// The exception guard around calls into media components, and the log.
#include <gtest/gtest.h>
#include <dshow.h>
#include <malloc.h>
#include <string>
#include "support_ini.h"
#include "vlm_dx.h"
#include "vlm_file.h"
#include "vlm_global.h"

namespace {

int BeepCount;
BOOL WINAPI CountBeep(UINT) { BeepCount++; return TRUE; }

// What a component does inside the guarded call.
enum Fault {
    AccessViolation,      // a real processor fault
    CustomException,      // RaiseException with a code of its own
    ForeignCxxException,  // the code C++ code of another compiler raises
    CxxException,         // a C++ exception of this program's run-time
    DivideByZero,
    StackOverflow,        // uses up the stack's guard page
};

struct Attempts {
    int calls = 0;
    int cleanups = 0;
    int faultUntil = 1000;   // fault on calls 1..faultUntil
    Fault fault = AccessViolation;
};

volatile int Zero = 0;

// An overflow in one frame larger than the whole stack, of an explicit size
// (not one the inliner makes): the compiler's stack probe walks down from the
// caller's frame page by page and meets the end of the stack while the stack
// pointer is still high, so the exception can be dispatched. Under Wine a
// deep recursion of small frames is not caught (DEVELOPERS.md).
#ifdef _MSC_VER
#define VLM_NOINLINE __declspec(noinline)
#else
#define VLM_NOINLINE __attribute__((noinline))
#endif
const size_t OverflowFrameBytes = 64u << 20;

VLM_NOINLINE int OverflowInOneFrame(int seed)
{
    volatile char frame[OverflowFrameBytes];
    frame[0] = (char)seed;
    return frame[0];
}

void FaultNow()
{
    volatile int* nowhere = (volatile int*)(INT_PTR)0x10;
    *nowhere = 1;
}

int FaultingOp(void* context)
{
    Attempts* a = (Attempts*)context;
    a->calls++;
    if (a->calls <= a->faultUntil) {
        switch (a->fault) {
        case AccessViolation:
            FaultNow();
            break;
        case CustomException:
            RaiseException(0xE0000001, 0, 0, NULL);
            break;
        case ForeignCxxException:
            RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, NULL);
            break;
        case CxxException:
            throw 42;
        case DivideByZero:
            return 7 / Zero;
        case StackOverflow:
            return OverflowInOneFrame(a->calls);
        }
    }
    return 7;
}

void CountCleanup(void* context) { ((Attempts*)context)->cleanups++; }

// Tearing down what a faulting component left faults as well.
void FaultingCleanup(void* context)
{
    ((Attempts*)context)->cleanups++;
    FaultNow();
}

// A graph whose RenderFile gives render and whose Release faults.
struct FaultingGraph : public IGraphBuilder {
    HRESULT render = S_OK;
    int releases = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { releases++; FaultNow(); return 0; }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Connect(IPin*, IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Render(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR, LPCWSTR) override { return render; }
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Abort() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override { return E_NOTIMPL; }
};
FaultingGraph TheFaultingGraph;

HRESULT CreateFaultingGraph(IGraphBuilder** graph)
{
    *graph = &TheFaultingGraph;
    return S_OK;
}

// Faults that the component catches itself must never reach the guard.
int HandledFaultsOp(void* context)
{
    Attempts* a = (Attempts*)context;
    a->calls++;
    int handled = 0;
    if (IsBadReadPtr((void*)16, 4)) handled++;      // the system's own handler
    if (IsBadWritePtr((void*)16, 4)) handled++;
    try {
        throw 5;
    } catch (int) {
        handled++;
    }
    return handled == 3 ? 7 : 0;
}

class GuardTest : public ::testing::Test {
protected:
    std::string folder;
    std::string log;

    void SetUp() override
    {
        ZeroMemory(&Settings, sizeof(Settings));
        ZeroMemory(&MediaFileList, sizeof(MediaFileList));
        folder = MakeTestFolder("guard");
        log = folder + "\\VelmoraExp.log";
        strcpy(LogFilePath, log.c_str());
        Settings.ExceptionLog = TRUE;
        BeepCount = 0;
        ExceptionBeep = CountBeep;
    }
    void TearDown() override
    {
        LogFilePath[0] = '\0';
        RemoveTree(folder);
    }
};

struct FaultCase {
    Fault fault;
    int number;
    const char* line;
};

const FaultCase kFaultCases[] = {
    {AccessViolation, VLM_EXC_GRAPHBUILD, "585 \r\n"},
    {CustomException, VLM_EXC_SIZEPROBE, "1220 \r\n"},
    {ForeignCxxException, VLM_EXC_RELEASEPROBE, "777 \r\n"},
    {CxxException, VLM_EXC_GRAPHBUILD, "585 \r\n"},
    {DivideByZero, VLM_EXC_SIZEPROBE, "1220 \r\n"},
    // Three in a row: the stack's guard page is there again each time.
    {StackOverflow, VLM_EXC_GRAPHBUILD, "585 \r\n"},
};

TEST_F(GuardTest, EscapingExceptionOfAnyKindIsCaughtLoggedAndBounded)
{
    // Once: logged, and the fresh start succeeds. Every time: one line per
    // attempt, then the guard gives up. Either way the process lives on.
    for (const FaultCase& c : kFaultCases) {
        for (int faults : {1, 1000}) {
            SCOPED_TRACE(testing::Message() << c.fault << " x" << faults);
            DeleteFileA(log.c_str());
            Attempts a;
            a.fault = c.fault;
            a.faultUntil = faults;
            int attempts = faults < VLM_GUARD_MAX_ATTEMPTS ? faults + 1 : VLM_GUARD_MAX_ATTEMPTS;
            int logged = faults < VLM_GUARD_MAX_ATTEMPTS ? faults : VLM_GUARD_MAX_ATTEMPTS;
            EXPECT_EQ(RunGuarded(c.number, FaultingOp, CountCleanup, &a),
                      faults < VLM_GUARD_MAX_ATTEMPTS ? 7 : VLM_GUARD_EXHAUSTED);
            EXPECT_EQ(a.calls, attempts);
            EXPECT_EQ(a.cleanups, logged);
            std::string expected;
            for (int i = 0; i < logged; i++) expected += c.line;
            EXPECT_EQ(ReadFileBytes(log), expected);
        }
    }
    EXPECT_EQ(BeepCount, 0);  // EXCEPTION_BEEP is off
}

TEST_F(GuardTest, CleanupThatFaultsIsCaughtAndLogged)
{
    Attempts a;
    a.faultUntil = 1;
    EXPECT_EQ(RunGuarded(VLM_EXC_GRAPHBUILD, FaultingOp, FaultingCleanup, &a), 7);
    EXPECT_EQ(a.calls, 2);
    EXPECT_EQ(a.cleanups, 1);
    EXPECT_EQ(ReadFileBytes(log), "585 \r\n585 \r\n");
}

TEST_F(GuardTest, OverflowWithoutAGuardPageAgainIsNotRetried)
{
    ResetStackGuard = [] { return 0; };
    Attempts a;
    a.fault = StackOverflow;
    EXPECT_EQ(RunGuarded(VLM_EXC_SIZEPROBE, FaultingOp, CountCleanup, &a), VLM_GUARD_EXHAUSTED);
    ResetStackGuard = _resetstkoflw;
    ASSERT_NE(_resetstkoflw(), 0);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(a.cleanups, 1);
    EXPECT_EQ(ReadFileBytes(log), "1220 \r\n");
}

// The graph goes away by its own number: 585 when the build failed with an
// HRESULT, 777 after the release probe. Neither ends the process.
TEST_F(GuardTest, GraphReleaseThatFaultsIsCaughtAndLogged)
{
    HRESULT (*createGraph)(IGraphBuilder**) = CreateGraphBuilder;
    CreateGraphBuilder = CreateFaultingGraph;
    TheFaultingGraph.render = E_FAIL;
    EXPECT_EQ(StartGraph(Start, L"C:\\clip.avi"), 0);
    EXPECT_EQ(Settings.ErrorCode, VLM_ERR_FILEFAILED);
    EXPECT_TRUE(GraphState.Graph == NULL);
    EXPECT_EQ(ReadFileBytes(log), "585 \r\n");

    DeleteFileA(log.c_str());
    TheFaultingGraph.render = S_OK;
    lstrcpyW(LastRenderedFile, L"C:\\clip.avi");
    EXPECT_EQ(ReleaseProbe(), 1);
    LastRenderedFile[0] = L'\0';
    CreateGraphBuilder = createGraph;
    EXPECT_EQ(TheFaultingGraph.releases, 2);
    EXPECT_EQ(ReadFileBytes(log), "777 \r\n");
}

TEST_F(GuardTest, FaultHandledInsideTheCallPassesUntouched)
{
    Attempts a;
    EXPECT_EQ(RunGuarded(VLM_EXC_GRAPHBUILD, HandledFaultsOp, CountCleanup, &a), 7);
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(a.cleanups, 0);
    EXPECT_EQ(GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GuardTest, LogLineNamesTheCurrentFile)
{
    MediaFileEntry entry = {};
    strcpy(entry.name, "クリップ表.avi");
    strcpy(entry.path, "C:\\movies\\クリップ表.avi");
    MediaFileList.current = &entry;
    Attempts a;
    a.faultUntil = 1;
    RunGuarded(VLM_EXC_GRAPHBUILD, FaultingOp, NULL, &a);
    MediaFileList.current = NULL;
    EXPECT_EQ(ReadFileBytes(log), "585 クリップ表.avi\r\n");
}

TEST_F(GuardTest, BeepOnlyWhenAskedAndLogOnlyWhenAsked)
{
    Settings.ExceptionBeep = TRUE;
    Settings.ExceptionLog = FALSE;
    LogException(585);
    EXPECT_EQ(BeepCount, 1);
    EXPECT_EQ(GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);

    Settings.ExceptionBeep = FALSE;
    Settings.ExceptionLog = TRUE;
    LogException(585);
    LogException(777);
    EXPECT_EQ(BeepCount, 1);
    EXPECT_EQ(ReadFileBytes(log), "585 \r\n777 \r\n");
}

TEST_F(GuardTest, NoLogPathWritesNothing)
{
    // Configuration mode has no log path even with EXCEPTION_LOG on.
    LogFilePath[0] = '\0';
    LogException(585);
    EXPECT_EQ(GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GuardTest, LockedLogIsIgnored)
{
    HANDLE lock = CreateFileA(log.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    LogException(585);   // must neither fail nor block
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(log), "");
}

TEST_F(GuardTest, GuardIsReusableAfterACatch)
{
    for (int round = 0; round < 5; round++) {
        Attempts a;
        a.faultUntil = 1;
        int result = 0;
        EXPECT_EQ(RunGuardedOnce(FaultingOp, &a, &result), 0);
        EXPECT_EQ(RunGuardedOnce(FaultingOp, &a, &result), 1);
        EXPECT_EQ(result, 7);
    }
}

TEST_F(GuardTest, ReleaseProbeWithoutAnythingPlayedDoesNothing)
{
    LastRenderedFile[0] = L'\0';
    EXPECT_EQ(ReleaseProbe(), 0);
    EXPECT_EQ(GetFileAttributesA(log.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GuardTest, ReleaseProbeOfAnUnplayableFileFailsQuietly)
{
    CoInitialize(NULL);
    std::string garbage = folder + "\\garbage.avi";
    WriteFileBytes(garbage, std::string(4096, '\x5a'));
    ASSERT_TRUE(FileExists(garbage));
    MultiByteToWideChar(CP_ACP, 0, garbage.c_str(), -1, LastRenderedFile, VLM_PATH_CHARS);
    Settings.ErrorCode = 0;
    EXPECT_EQ(ReleaseProbe(), 0);
    EXPECT_EQ(Settings.ErrorCode, 0);     // never touches the pending error
    EXPECT_STREQ(Settings.ErrorText, "");
    LastRenderedFile[0] = L'\0';
    CoUninitialize();
}

}  // namespace
