// Exception guard, exception log and the release probe.
//
// GCC has no structured exception handling keywords, so processor faults are
// caught by a vectored handler that jumps back to the guarded call; language
// exceptions by try/catch. MSVC uses __try/__except, which catches both.
#include "vlm_dx.h"
#include "vlm_file.h"
#include <dshow.h>
#include <setjmp.h>
#include <string.h>

char LogFilePath[VLM_PATH_CHARS];
WCHAR LastRenderedFile[VLM_PATH_CHARS];
BOOL (WINAPI *ExceptionBeep)(UINT type) = MessageBeep;

void LogException(int number)
{
    if (Settings.ExceptionBeep) ExceptionBeep(MB_ICONEXCLAMATION);
    if (!Settings.ExceptionLog || LogFilePath[0] == '\0') return;

    HANDLE file = CreateFileA(LogFilePath, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, NULL, FILE_END);
    const char* name = MediaFileList.current ? MediaFileList.current->name : "";
    char line[VLM_PATH_CHARS + 32];
    int length = wsprintfA(line, "%d %s\r\n", number, name);
    DWORD written;
    WriteFile(file, line, (DWORD)length, &written, NULL);
    CloseHandle(file);
}

#if defined(_MSC_VER)

int RunGuardedOnce(int (*op)(void*), void* context, int* result)
{
    __try {
        *result = op(context);
        return 1;
    } __except (EXCEPTION_EXECUTE_HANDLER) {
        return 0;
    }
}

#else

namespace {

struct GuardFrame {
    jmp_buf jump;
    DWORD threadId;
    GuardFrame* outer;
};

GuardFrame* ActiveGuard;
PVOID GuardHandlerHandle;

// Faults a decoder can raise. C++ exceptions of other run-times are left to
// their own handlers: at first chance they may still be caught inside the
// component. A stack overflow leaves no stack to return to.
bool IsProcessorFault(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
        return true;
    default:
        return false;
    }
}

LONG CALLBACK GuardVectoredHandler(EXCEPTION_POINTERS* info)
{
    GuardFrame* frame = ActiveGuard;
    if (frame == NULL || frame->threadId != GetCurrentThreadId()) return EXCEPTION_CONTINUE_SEARCH;
    if (!IsProcessorFault(info->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
    longjmp(frame->jump, 1);
}

}  // namespace

int RunGuardedOnce(int (*op)(void*), void* context, int* result)
{
    if (GuardHandlerHandle == NULL)
        GuardHandlerHandle = AddVectoredExceptionHandler(1, GuardVectoredHandler);

    GuardFrame frame;
    frame.threadId = GetCurrentThreadId();
    frame.outer = ActiveGuard;
    volatile int completed = 0;
    if (setjmp(frame.jump) == 0) {
        ActiveGuard = &frame;
        try {
            *result = op(context);
            completed = 1;
        } catch (...) {
            completed = 0;
        }
    }
    ActiveGuard = frame.outer;
    return completed;
}

#endif

int RunGuarded(int number, int (*op)(void*), void (*cleanup)(void*), void* context)
{
    for (int attempt = 0; attempt < VLM_GUARD_MAX_ATTEMPTS; attempt++) {
        int result = 0;
        if (RunGuardedOnce(op, context, &result)) return result;
        LogException(number);
        if (cleanup) cleanup(context);
    }
    return VLM_GUARD_EXHAUSTED;
}

namespace {

struct ProbeContext {
    IGraphBuilder* volatile graph;
};

int ReleaseProbeOnce(void* context)
{
    ProbeContext* probe = (ProbeContext*)context;
    IGraphBuilder* graph = NULL;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  (void**)&graph);
    probe->graph = graph;
    if (FAILED(hr)) return 0;
    hr = graph->RenderFile(LastRenderedFile, NULL);
    return SUCCEEDED(hr) ? 1 : 0;
}

void ReleaseProbeGraph(void* context)
{
    ProbeContext* probe = (ProbeContext*)context;
    if (probe->graph) probe->graph->Release();
    probe->graph = NULL;
}

}  // namespace

int ReleaseProbe()
{
    if (LastRenderedFile[0] == L'\0') return 0;
    ProbeContext probe = {NULL};
    int result = RunGuarded(VLM_EXC_RELEASEPROBE, ReleaseProbeOnce, ReleaseProbeGraph, &probe);
    ReleaseProbeGraph(&probe);
    return result == 1 ? 1 : 0;
}
