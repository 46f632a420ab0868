// Exception guard, exception log and the release probe.
//
// The guard catches whatever escapes the guarded call, of any exception code,
// and only that: handlers inside the call (a component that probes memory
// and catches its own fault) always have their turn first. MSVC gets this
// from __try/__except; GCC has no such keywords, so the call runs below a
// small frame of our own whose unwind data names the handler.
//
// Frames between the fault and the guard are abandoned: with GCC's run-time
// their destructors do not run for an exception that is not a C++ one. What
// a guarded call obtains must therefore be reachable from its context, where
// the clean-up finds it.
#include "vlm_dx.h"
#include "vlm_file.h"
#include <dshow.h>
#include <malloc.h>
#include <string.h>

char LogFilePath[VLM_PATH_CHARS];
WCHAR LastRenderedFile[VLM_PATH_CHARS];
BOOL (WINAPI *ExceptionBeep)(UINT type) = MessageBeep;
int (*ResetStackGuard)() = _resetstkoflw;

// Code of the exception the guard caught last; 0 for a C++ exception.
static DWORD EscapedCode;

// A stack overflow uses up the guard page at the end of the stack: until it
// is re-armed, the next overflow ends the process with no exception at all.
// VLM_GUARD_EXHAUSTED when it could not be, so the call is not tried again.
static int AfterEscape()
{
    if (EscapedCode != EXCEPTION_STACK_OVERFLOW) return 0;
    return ResetStackGuard() ? 0 : VLM_GUARD_EXHAUSTED;
}

static void AppendLogLine(const char* line, int length)
{
    HANDLE file = CreateFileA(LogFilePath, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFilePointer(file, 0, NULL, FILE_END);
    DWORD written;
    WriteFile(file, line, (DWORD)length, &written, NULL);
    CloseHandle(file);
}

void LogException(int number)
{
    if (Settings.ExceptionBeep) ExceptionBeep(MB_ICONEXCLAMATION);
    if (!Settings.ExceptionLog || LogFilePath[0] == '\0') return;

    const char* name = MediaFileList.current ? MediaFileList.current->name : "";
    char line[VLM_PATH_CHARS + 32];
    int length = wsprintfA(line, "%d %s\r\n", number, name);
    AppendLogLine(line, length);
}

void LogUnsavedSettings(DWORD error)
{
    // Once a run: every later resume point fails alike, and the log must
    // not grow with each file played.
    static BOOL logged;
    if (logged || LogFilePath[0] == '\0') return;
    logged = TRUE;
    char line[VLM_PATH_CHARS + 48];
    int length = error ? wsprintfA(line, "%d %s(0x%08x)\r\n", VLM_LOG_UNSAVED_SETTINGS, Settings.SettingsPath,
                                   (unsigned)error)
                       : wsprintfA(line, "%d %s\r\n", VLM_LOG_UNSAVED_SETTINGS, Settings.SettingsPath);
    AppendLogLine(line, length);
}

#if defined(_MSC_VER)

int RunGuardedOnce(int (*op)(void*), void* context, int* result)
{
    __try {
        *result = op(context);
        return 1;
    } __except (EscapedCode = GetExceptionCode(), EXCEPTION_EXECUTE_HANDLER) {
    }
    return AfterEscape();
}

#elif defined(__x86_64__)

// GuardCall(call, argument) gives call(argument), or 0 when an exception
// escaped it. The system offers an exception to a frame's handler only after
// every frame below has declined it, so GuardFrameHandler sees exactly what
// the call left unhandled. It unwinds past the frames below (their
// destructors do not run) and resumes GuardCall at GuardCallEscaped with 0
// in rax. The nop keeps the return address of the call out of the epilogue:
// a frame that the unwinder takes to be in its epilogue has no handler.
extern "C" int GuardCall(int (*call)(void*), void* argument);
extern "C" char GuardCallEscaped[];

asm(R"(
    .text
    .p2align 4
    .globl GuardCall
    .def GuardCall; .scl 2; .type 32; .endef
    .seh_proc GuardCall
GuardCall:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler GuardFrameHandler, @except
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    nop
    .globl GuardCallEscaped
GuardCallEscaped:
    addq $40, %rsp
    retq
    .seh_endproc
)");

extern "C" EXCEPTION_DISPOSITION GuardFrameHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                   DISPATCHER_CONTEXT* dispatch)
{
    if (record->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
    EscapedCode = record->ExceptionCode;
    RtlUnwindEx(frame, GuardCallEscaped, record, NULL, dispatch->ContextRecord, dispatch->HistoryTable);
    return ExceptionContinueSearch;  // not reached: RtlUnwindEx resumes GuardCall
}

namespace {

struct GuardedCall {
    int (*op)(void*);
    void* context;
    int result;
};

// C++ exceptions of this program's own run-time are caught by the language,
// which destroys the exception object properly; GCC frames leave every other
// exception code alone, so those travel on to GuardFrameHandler.
int CallCatchingLanguageExceptions(void* argument)
{
    GuardedCall* call = (GuardedCall*)argument;
    try {
        call->result = call->op(call->context);
        return 1;
    } catch (...) {
        EscapedCode = 0;
        return 0;
    }
}

}  // namespace

int RunGuardedOnce(int (*op)(void*), void* context, int* result)
{
    GuardedCall call = {op, context, 0};
    EscapedCode = 0;
    if (!GuardCall(CallCatchingLanguageExceptions, &call)) return AfterEscape();
    *result = call.result;
    return 1;
}

#else
#error "the exception guard needs MSVC or an x86-64 GCC build"
#endif

int RunGuardedStep(int number, int (*op)(void*), void* context)
{
    int result = 0;
    if (RunGuardedOnce(op, context, &result) == 1) return 1;
    LogException(number);
    return 0;
}

namespace {

struct Cleanup {
    void (*cleanup)(void*);
    void* context;
};

int RunCleanup(void* argument)
{
    Cleanup* call = (Cleanup*)argument;
    call->cleanup(call->context);
    return 1;
}

int ReleaseObject(void* object)
{
    ((IUnknown*)object)->Release();
    return 1;
}

}  // namespace

void ReleaseGuarded(int number, IUnknown* object)
{
    if (object) RunGuardedStep(number, ReleaseObject, object);
}

int RunGuarded(int number, int (*op)(void*), void (*cleanup)(void*), void* context)
{
    for (int attempt = 0; attempt < VLM_GUARD_MAX_ATTEMPTS; attempt++) {
        int result = 0;
        int returned = RunGuardedOnce(op, context, &result);
        if (returned == 1) return result;
        LogException(number);
        // Tearing down what a faulting component left is where it faults
        // next; the clean-up is guarded as well.
        Cleanup call = {cleanup, context};
        if (cleanup) RunGuardedStep(number, RunCleanup, &call);
        if (returned == VLM_GUARD_EXHAUSTED) break;
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
    HRESULT hr = CreateGraphBuilder(&graph);
    probe->graph = graph;
    if (FAILED(hr)) return 0;
    hr = graph->RenderFile(LastRenderedFile, NULL);
    return SUCCEEDED(hr) ? 1 : 0;
}

void ReleaseProbeGraph(void* context)
{
    ProbeContext* probe = (ProbeContext*)context;
    IGraphBuilder* graph = probe->graph;
    probe->graph = NULL;
    ReleaseGuarded(VLM_EXC_RELEASEPROBE, graph);
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
